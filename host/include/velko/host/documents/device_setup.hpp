// A test setup made from what a person entered for a device: the DUT items the registry defines,
// the standards of the registry's list that apply, and the instruments (with the plug-ins' device
// data) of a template setup. Its text is written to a file and goes through the same checks
// before a run as any other setup.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::host {

// One DUT item of the registry, as a form shows it: its caption in the current language.
struct DutItemDefinition {
  String name;
  String caption;
  Integer order = 0;
  bool required = false;
  bool key = false;
};
// The registry's DUT items in their order.
std::vector<DutItemDefinition> RegisteredDutItems();

// One standard of the registry's list: its short name (the group) and its complete name.
struct StandardName {
  String alphaName;
  String completeName;
  String comment;  // what the group is about; "" for none
};
std::vector<StandardName> RegisteredStandards();

// A service event: the activity and its event ("Repair", "Mains cord replaced").
struct ServiceEvent {
  String activity;
  String event;
  friend bool operator==(const ServiceEvent&, const ServiceEvent&) = default;
};

struct DeviceEntry {
  std::vector<std::pair<String, String>> items;  // name, value; names not in the registry stay
  std::vector<StandardName> standards;           // the standards selected
  std::vector<ServiceEvent> serviceEvents;       // the service events selected
};

// The service events that the element filters of a sequence file name, each once, in the order
// they first appear; none for a file that cannot be read.
std::vector<ServiceEvent> ServiceEventsOfSequence(const String& file);

// The setup's XML text: the service events, the standards and the DUT items (with the registry's
// caption, order, required and key flags) of the entry, and the "PlugInData" and "TestInstruments"
// elements of `instrumentTemplate` (a setup's text; none: no instruments). A simulator's device
// data take the protection class and the applied part from the items "ProtectionClass" and
// "AppliedPartType" where these hold one. Raises a host error when the template is no setup.
String DeviceSetupText(const DeviceEntry& entry, const std::optional<String>& instrumentTemplate);

}  // namespace velko::host
