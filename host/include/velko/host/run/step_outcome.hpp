// What a performed node shows of itself: its name, its status and its measured values.
#pragma once

#include <optional>
#include <vector>

#include "velko/frame/variant.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko::host {

// One reading of a step, as the node's result holds it.
struct MeasuredValue {
  String key;
  String text;  // formatted with the measurement's own format; "yes"/"no" for a passed/failed flag
  String unit;
  Long status = 0;
  std::optional<double> number;  // the value when it is a number (not a flag or a text)
  String limitKey;               // the key of the limits that judge it
};

// A number of a reading or a limit as a decimal number: a Single by its seven significant digits.
double SingleAsDecimal(Single value);
double NumberOf(const Variant& value);

// The name of a node (its info) as lines, messages and the archive show it: without the soft
// hyphens that only tell a printed page where a long word may break; "" when it has none.
String NodeName(const Ref<ITestElement>& node);
// The status of a node's result; kStatusNotPerformed when it has none.
Long NodeStatus(const Ref<ITestElement>& node);
// The readings of a node, in the order of its measurement info; none when it measured nothing.
std::vector<MeasuredValue> MeasuredValues(const Ref<ITestElement>& node);
// A flag's value as records, archive rows and exports keep it: "yes" or "no".
String FlagText(bool value);
// A stored flag text ("yes", "no") as the word of the current language; any other text as it is.
String FlagWord(const String& stored);
// The readings as one line: "0.071 Ω, 0.048 Ω".
String ValuesText(const std::vector<MeasuredValue>& values);

// The word for a result status in the current language: "passed", "FAILED", "not applicable",
// "cancelled", "not performed".
String StatusWord(Long status);

}  // namespace velko::host
