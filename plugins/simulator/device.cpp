#include "device.hpp"

#include <array>

#include "simulator_catalogue.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/log_section.hpp"
#include "velko/frame/text.hpp"

namespace velko::simulator {
namespace {

constexpr const char* kSource = "VelkoSimulator.SimulatorDutData";
constexpr const char* kBadValueKey =
    "20481::The simulated device data hold an unknown %%1 \"%%2\". Use one of: %%3.";

// One word of an attribute and the message key of its text in reports.
template <class E>
struct Word {
  E value;
  const char* xml;
  const char* textKey;
};

constexpr std::array<Word<ProtectionClass>, 2> kClasses{{
    {ProtectionClass::kClassI, "I", "510::Class I"},
    {ProtectionClass::kClassII, "II", "511::Class II"},
}};
constexpr std::array<Word<AppliedPart>, 4> kAppliedParts{{
    {AppliedPart::kNone, "None", "520::none"},
    {AppliedPart::kTypeB, "B", "521::Type B"},
    {AppliedPart::kTypeBF, "BF", "522::Type BF"},
    {AppliedPart::kTypeCF, "CF", "523::Type CF"},
}};
constexpr std::array<Word<PowerCord>, 3> kCords{{
    {PowerCord::kDetachable, "Detachable", "530::detachable power cord"},
    {PowerCord::kNonDetachable, "NonDetachable", "531::non-detachable power cord"},
    {PowerCord::kNone, "None", "532::permanently installed"},
}};
constexpr std::array<Word<Fault>, 6> kFaults{{
    {Fault::kNone, "None", "540::none"},
    {Fault::kVisual, "Visual", "541::visible damage"},
    {Fault::kEarth, "Earth", "542::broken protective earth"},
    {Fault::kInsulation, "Insulation", "543::insulation breakdown"},
    {Fault::kLeakage, "Leakage", "544::excessive leakage current"},
    {Fault::kFunction, "Function", "545::drifting operating current"},
}};

template <class E, std::size_t N>
std::optional<E> Parse(const std::array<Word<E>, N>& words, const String& text) {
  for (const auto& word : words) {
    if (EqualsIgnoreCase(text, word.xml)) return word.value;
  }
  return std::nullopt;
}

template <class E, std::size_t N>
const Word<E>& WordOf(const std::array<Word<E>, N>& words, E value) {
  for (const auto& word : words) {
    if (word.value == value) return word;
  }
  return words.front();
}

template <class E, std::size_t N>
String Choices(const std::array<Word<E>, N>& words) {
  String text;
  for (const auto& word : words)
    text += (text.empty() ? "" : ", ") + String(word.xml);
  return text;
}

// Reads one attribute into `target`; an unknown word is a problem of the data.
template <class E, std::size_t N>
void ReadWord(const Ref<IXmlElement>& in, const char* attribute,
              const std::array<Word<E>, N>& words, E& target, ScopedLogSection& section) {
  const String text = TrimBlanks(in->GetAttribute(attribute));
  if (text.empty()) return;
  if (const auto value = Parse(words, text)) {
    target = *value;
    return;
  }
  const VariantArray params{Variant(attribute), Variant(text), Variant(Choices(words))};
  if (section.IsOpen()) {
    section.LogError(kErrBadDeviceValue, kLevelData, kBadValueKey, Variant(params));
    return;
  }
  String source = kSource;
  RaiseError(kPlugInId, kErrBadDeviceValue, source, kLevelData, params);
}

template <class E, std::size_t N>
String Shown(const Ref<IReport>& report, const std::array<Word<E>, N>& words, E value) {
  return report->Translate(kPlugInId, WordOf(words, value).textKey, Variant());
}

}  // namespace

std::optional<Fault> ParseFault(const String& word) {
  return Parse(kFaults, TrimBlanks(word));
}

String FaultWords() {
  return Choices(kFaults);
}

Ref<IConfigData> SimulatorDutData::Clone() {
  return MakeRef<SimulatorDutData>(device_);
}

void SimulatorDutData::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  ScopedLogSection section(log, kPlugInId, "E100::Loading simulated device data");
  SimulatedDevice device;
  ReadWord(in, "ProtectionClass", kClasses, device.protection, section);
  ReadWord(in, "AppliedPart", kAppliedParts, device.appliedPart, section);
  ReadWord(in, "Cord", kCords, device.cord, section);
  ReadWord(in, "Fault", kFaults, device.fault, section);
  device_ = device;
}

Ref<IXmlElement> SimulatorDutData::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> data = owner->CreateElement("PlugInData");
  RequireElement(data, "PlugInData", "VelkoSimulator.SimulatorDutData");
  data->SetAttribute("PlugIn", kPlugInId);
  data->SetAttribute("ProtectionClass", WordOf(kClasses, device_.protection).xml);
  data->SetAttribute("AppliedPart", WordOf(kAppliedParts, device_.appliedPart).xml);
  data->SetAttribute("Cord", WordOf(kCords, device_.cord).xml);
  data->SetAttribute("Fault", WordOf(kFaults, device_.fault).xml);
  return data;
}

void SimulatorDutData::PrintReport(const Ref<IReport>& report) {
  Quietly([&] {
    const auto caption = [&](const char* key) {
      return report->Translate(kPlugInId, key, Variant());
    };
    const String rows =
        caption("501::Protection class") + "|" + Shown(report, kClasses, device_.protection) + ";" +
        caption("502::Applied part") + "|" + Shown(report, kAppliedParts, device_.appliedPart) +
        ";" + caption("503::Power cord") + "|" + Shown(report, kCords, device_.cord) + ";" +
        caption("504::Injected fault") + "|" + Shown(report, kFaults, device_.fault) + ";";
    const Long width = report->PageWidth(-1);
    report->SetStyle(3);
    report->PrintHeading(caption("500::Simulated device under test"));
    report->SetStyle(6);
    report->SetOption(1);
    report->SetTableStyle(4);
    report->PrintTable("<+" + std::to_string(width / 4) + "|<+" + std::to_string(width - width / 4),
                       String(), rows, 0, 0, 0);
  });
}

}  // namespace velko::simulator
