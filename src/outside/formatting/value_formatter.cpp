#include "velko/outside/value_formatter.hpp"

namespace velko {
namespace {

// Numbers through the shared formatter (FormatNumber); every other value by its text conversion.
class ShortestFormatter final : public IValueFormatter {
 public:
  String FormatValue(const Variant& value) override { return value.ToString(); }
};

}  // namespace

Ref<IValueFormatter> ValueFormatter() {
  thread_local Ref<IValueFormatter> formatter = MakeRef<ShortestFormatter>();
  return formatter;
}

String FormatValue(const Variant& value) { return ValueFormatter()->FormatValue(value); }

}  // namespace velko
