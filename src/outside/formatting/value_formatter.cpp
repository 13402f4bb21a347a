#include "velko/outside/value_formatter.hpp"

namespace velko {
namespace {

// Numbers through the shared formatter (FormatNumber); every other value by its text conversion.
String ShortestText(const Variant& value) {
  return value.ToString();
}

class ShortestFormatter final : public IValueFormatter {
 public:
  String FormatValue(const Variant& value) override { return ShortestText(value); }
};

}  // namespace

Ref<IValueFormatter> ValueFormatter() {
  thread_local Ref<IValueFormatter> formatter = MakeRef<ShortestFormatter>();
  return formatter;
}

// The formatter of every thread is a ShortestFormatter and cannot be replaced, so the savers'
// shorthand converts directly: no per-thread object fetched and counted for each number.
String FormatValue(const Variant& value) {
  return ShortestText(value);
}

}  // namespace velko
