// The checks of a test setup: its shape, the plug-ins' device data (by the plug-in that reads
// them), the selected standards, the required DUT items and the instruments.
#include <cstdio>
#include <cstring>

#include "checked_file.hpp"
#include "document_shapes.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/host/checks/document_checks.hpp"
#include "velko/host/documents/setup_document.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/host/session/station_settings.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/setup/dut_info.hpp"

namespace velko::host {
namespace {

using checks::ProblemSink;

// How long an instrument's calibration holds when the registry does not say (months).
// The registry value (general options) that says it.

String Trimmed(const String& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == String::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The names the plug-in's data would write back: what its reader knows.
struct WrittenNames {
  Ref<IXmlElement> element;
  bool Knows(const char* attribute) const { return !element->GetAttribute(attribute).empty(); }
  bool HasChild(const char* tag) const { return element->FindChild(tag, 0) != nullptr; }
};

void CheckWrittenNames(pugi::xml_node data, const WrittenNames& written, const String& plugIn,
                       ProblemSink& sink) {
  for (const pugi::xml_attribute attribute : data.attributes()) {
    if (written.Knows(attribute.name())) continue;
    sink.Error(data, attribute.name(), {},
               HostText("280::Unknown attribute %%1 in the device data of plug-in \"%%2\": its "
                        "reader ignores it.",
                        String(attribute.name()), plugIn));
  }
  for (const pugi::xml_node child : data.children()) {
    if (child.type() != pugi::node_element || written.HasChild(child.name())) continue;
    sink.Error(child, String("<") + child.name() + ">", {},
               HostText("281::Unknown element <%%1> in the device data of plug-in \"%%2\": its "
                        "reader skips it.",
                        String(child.name()), plugIn));
  }
}

// One "PlugInData" element read by its own plug-in, with a log of its own, so that every problem
// the plug-in finds has the element's line.
void CheckPlugInData(pugi::xml_node data, const Ref<IXmlElement>& element,
                     const Ref<IXmlDocument>& document, const Ref<IPlugInManager>& manager,
                     ProblemSink& sink) {
  const String id = data.attribute("PlugIn").value();
  if (id.empty()) {
    sink.Error(data, {}, {},
               HostText("282::<PlugInData> without a PlugIn attribute is skipped by its reader."));
    return;
  }
  try {
    const Ref<IConfigData> config = manager->PlugIn(id)->CreateConfigData();
    if (!config) {
      sink.Error(
          data, id, {},
          HostText("283::Plug-in \"%%1\" keeps no device data: this element is ignored.", id));
      return;
    }
    auto log = MakeRef<CollectingLog>();
    config->Load(element, log);
    for (const String& problem : LogProblems(*log))
      sink.Error(data, {}, {}, problem);
    if (const Ref<IXmlElement> saved = config->Save(document))
      CheckWrittenNames(data, {saved}, id, sink);
  } catch (const Error& e) {
    sink.Error(data, id, {}, ErrorText(e));
  }
}

void CheckAllPlugInData(pugi::xml_node root, const XmlSource& source,
                        const Ref<IPlugInManager>& manager, ProblemSink& sink) {
  std::vector<Ref<IXmlElement>> elements;
  ForEachChildElement(source.root, [&](const Ref<IXmlElement>& child) {
    if (child->TagName() == "PlugInData") elements.push_back(child);
  });
  const std::vector<pugi::xml_node> nodes = checks::ChildrenTagged(root, "PlugInData");
  for (std::size_t i = 0; i < nodes.size() && i < elements.size(); ++i)
    CheckPlugInData(nodes[i], elements[i], source.file->Document(), manager, sink);
}

void CheckSelectedStandards(pugi::xml_node root, ProblemSink& sink) {
  for (const pugi::xml_node standard : root.children("Standard")) {
    const String alpha = standard.attribute("AlphaName").value();
    const String complete = standard.attribute("CompleteName").value();
    if (alpha.empty() || complete.empty()) continue;  // a name the loader resolves itself
    if (const std::optional<String> problem = UnregisteredStandardProblem(alpha, complete)) {
      sink.Error(standard, alpha + " / " + complete, {},
                 HostText("284::Standard \"%%1\" / \"%%2\" is not in the system's list of "
                          "standards: %%3",
                          alpha, complete, *problem));
    }
  }
}

pugi::xml_node ItemElement(pugi::xml_node dut, const String& name) {
  for (const pugi::xml_node item : dut.children("Item")) {
    if (name == item.attribute("Name").value()) return item;
  }
  return {};
}

// Every DUT item that the registry marks required is there and not blank.
void CheckRequiredItems(pugi::xml_node root, const Ref<CTestSetup>& setup, ProblemSink& sink) {
  const pugi::xml_node dut = root.child("DUT");
  const Ref<IItemCollection> defaults =
      QuietlyOr(Ref<IItemCollection>(), [] { return CreateDutInfo(); });
  for (Long i = 1; defaults && i <= defaults->Count(); ++i) {
    const Ref<IDataItem> required = defaults->Item(i, String());
    if (!required || !required->Required()) continue;
    const String name = required->Name();
    const String caption = required->Caption().empty() ? name : required->Caption();
    const Ref<IDataItem> given =
        QuietlyOr(Ref<IDataItem>(), [&] { return setup->DutInfo()->Item(0, name); });
    if (!given) {
      sink.Error(dut ? dut : root, {}, HostText("285::<Item Name=\"%%1\"> with a value", name),
                 HostText("286::The DUT item %%1 (%%2) is required, but the setup does not give "
                          "it.",
                          caption, name));
    } else if (Trimmed(given->Data()).empty()) {
      const pugi::xml_node item = ItemElement(dut, name);
      sink.Error(
          item ? item : dut, given->Data(), HostText("287::a value"),
          HostText("288::The DUT item %%1 (%%2) is required, but it is blank.", caption, name));
    }
  }
}

void CheckCalibration(pugi::xml_node instrument, const String& name, const CheckContext& context,
                      ProblemSink& sink) {
  const pugi::xml_node dateElement = instrument.child("CalibrationDate");
  const String text = Trimmed(dateElement.text().get());
  if (text.empty()) {
    sink.Warning(instrument, {}, HostText("290::<CalibrationDate> such as 2026-03-31"),
                 HostText("291::Instrument %%1 has no calibration date.", name));
    return;
  }
  const std::optional<std::chrono::year_month_day> date = ParseIsoDate(text);
  if (!date) {
    sink.Warning(
        dateElement, text, HostText("292::a date such as 2026-03-31"),
        HostText("293::The calibration date \"%%2\" of instrument %%1 is not a date.", name, text));
    return;
  }
  const Long months = CalibrationIntervalMonths();
  if (CalibrationDue(*date, months) >= context.today) return;
  sink.Warning(dateElement, text, {},
               HostText("294::Instrument %%1 was calibrated on %%2, more than %%3 months ago: its "
                        "calibration is due.",
                        name, text, std::to_string(months)));
}

void CheckInstruments(pugi::xml_node root, const CheckContext& context, ProblemSink& sink) {
  for (const pugi::xml_node instrument : root.child("TestInstruments").children("MTIData")) {
    const String type = Trimmed(instrument.child("Type").text().get());
    const String name = (type.empty() ? String() : type + " ") + "(" +
                        instrument.attribute("PlugIn").value() + " " +
                        instrument.attribute("ID").value() + ")";
    if (Trimmed(instrument.child("SerialNumber").text().get()).empty()) {
      sink.Error(instrument, {}, HostText("295::<SerialNumber> with the instrument's number"),
                 HostText("296::Instrument %%1 has no serial number.", name));
    }
    CheckCalibration(instrument, name, context, sink);
  }
}

}  // namespace

CheckedSetup CheckSetupFile(const std::optional<String>& path, const std::optional<String>& fault,
                            const CheckContext& context) {
  CheckedSetup checked{nullptr, FileProblems(path ? *path : HostText("297::the empty setup"))};
  auto log = MakeRef<CollectingLog>();
  if (!path) {
    checked.setup = LoadSetup({}, fault, log);
    return checked;
  }
  std::optional<checks::CheckedFile> file = checks::OpenCheckedFile(*path, checked.problems);
  if (!file) return checked;
  ProblemSink sink(*file->xml, checked.problems);
  const pugi::xml_node root = file->xml->Root();
  if (!checks::RootIs(root, "Setup",
                      "298::The file holds no test setup: its root element is <%%1>.", sink))
    return checked;
  checks::CheckShapes(root, sink);
  CheckAllPlugInData(root, file->source, context.manager, sink);
  CheckSelectedStandards(root, sink);
  try {
    checked.setup = LoadSetup(file->source, fault, log);
  } catch (const Error& e) {
    checks::AddLoadFailure(e, root, sink);
  }
  checks::AddLogProblems(*log, true, sink);
  if (checked.setup) CheckRequiredItems(root, checked.setup, sink);
  CheckInstruments(root, context, sink);
  return checked;
}

}  // namespace velko::host
