#include "velko/host/documents/device_setup.hpp"

#include <algorithm>
#include <pugixml.hpp>
#include <sstream>

#include "velko/core/translation.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/registry.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {
namespace {

constexpr const char* kSimulatorId = "Simulator";

const DutItemDefinition* Definition(const std::vector<DutItemDefinition>& items,
                                    const String& name) {
  for (const DutItemDefinition& item : items) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

String ItemValue(const DeviceEntry& entry, const char* name) {
  for (const auto& [itemName, value] : entry.items) {
    if (itemName == name) return value;
  }
  return {};
}

void AddDutItems(pugi::xml_node setup, const DeviceEntry& entry) {
  const std::vector<DutItemDefinition> registered = RegisteredDutItems();
  pugi::xml_node dut = setup.append_child("DUT");
  for (const auto& [name, value] : entry.items) {
    pugi::xml_node item = dut.append_child("Item");
    item.append_attribute("Name") = name.c_str();
    if (const DutItemDefinition* known = Definition(registered, name)) {
      item.append_attribute("Ord") = known->order;
      item.append_attribute("Caption") = known->caption.c_str();
      if (known->required) item.append_attribute("Required") = "True";
      if (known->key) item.append_attribute("Key") = "True";
    }
    item.text() = value.c_str();
  }
}

// The simulator's device data follow what was entered of the device itself.
void MatchSimulatorData(pugi::xml_node data, const DeviceEntry& entry) {
  if (String(data.attribute("PlugIn").value()) != kSimulatorId) return;
  const String protection = ItemValue(entry, "ProtectionClass");
  const String appliedPart = ItemValue(entry, "AppliedPartType");
  if (!protection.empty()) data.remove_attribute("ProtectionClass");
  if (!protection.empty()) data.append_attribute("ProtectionClass") = protection.c_str();
  if (!appliedPart.empty()) data.remove_attribute("AppliedPart");
  if (!appliedPart.empty()) data.append_attribute("AppliedPart") = appliedPart.c_str();
}

void AddInstruments(pugi::xml_node setup, const DeviceEntry& entry, const String& templateText) {
  pugi::xml_document source;
  if (!source.load_buffer(templateText.data(), templateText.size()) ||
      String(source.document_element().name()) != "Setup") {
    RaiseHostError("1006::The instrument template is no test setup.");
  }
  for (pugi::xml_node child : source.document_element().children()) {
    const String tag = child.name();
    if (tag == "PlugInData") MatchSimulatorData(setup.append_copy(child), entry);
    if (tag == "TestInstruments") setup.append_copy(child);
  }
}

}  // namespace

std::vector<DutItemDefinition> RegisteredDutItems() {
  const Ref<IItemCollection> items = MakeRef<CTestSetup>()->DutInfo();
  std::vector<DutItemDefinition> definitions;
  for (Long i = 1; i <= items->Count(); ++i) {
    const Ref<IDataItem> item = items->Item(i, String());
    definitions.push_back({item->Name(), TranslateIfMessageKey(String(), item->Caption()),
                           item->Order(), item->Required() != 0, item->IsKey() != 0});
  }
  return definitions;
}

std::vector<StandardName> RegisteredStandards() {
  const Ref<IRegistryKey> list = CreateRegistryKey();
  list->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathStandards));
  std::vector<StandardName> standards;
  for (Long i = 1; i <= list->SubKeyCount(); ++i) {
    const Ref<IRegistryKey> group = list->SubKey(i);
    String comment;
    for (Long v = 1; v <= group->ValueCount(); ++v) {
      if (group->ValueName(v) == "#comment") comment = group->Value(Variant(v)).ToString();
    }
    for (Long v = 1; v <= group->ValueCount(); ++v) {
      const String name = group->ValueName(v);
      if (name != "#comment") standards.push_back({group->KeyName(), name, comment});
    }
  }
  return standards;
}

std::vector<ServiceEvent> ServiceEventsOfSequence(const String& file) {
  std::vector<ServiceEvent> events;
  pugi::xml_document document;
  if (!document.load_file(file.c_str())) return events;
  for (const pugi::xpath_node& found : document.select_nodes("//Filter/ServiceEvents/Activity")) {
    const ServiceEvent event{found.node().attribute("Type").value(),
                             found.node().attribute("Event").value()};
    if (!event.activity.empty() && std::find(events.begin(), events.end(), event) == events.end())
      events.push_back(event);
  }
  return events;
}

String DeviceSetupText(const DeviceEntry& entry, const std::optional<String>& instrumentTemplate) {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  pugi::xml_node setup = document.append_child("Setup");
  if (!entry.serviceEvents.empty()) {
    pugi::xml_node events = setup.append_child("ServiceEvents");
    for (const ServiceEvent& event : entry.serviceEvents) {
      pugi::xml_node activity = events.append_child("Activity");
      activity.append_attribute("Type") = event.activity.c_str();
      if (!event.event.empty()) activity.append_attribute("Event") = event.event.c_str();
    }
  }
  for (const StandardName& standard : entry.standards) {
    pugi::xml_node node = setup.append_child("Standard");
    node.append_attribute("AlphaName") = standard.alphaName.c_str();
    node.append_attribute("CompleteName") = standard.completeName.c_str();
  }
  AddDutItems(setup, entry);
  if (instrumentTemplate) AddInstruments(setup, entry, *instrumentTemplate);
  std::ostringstream text;
  document.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
  return text.str();
}

}  // namespace velko::host
