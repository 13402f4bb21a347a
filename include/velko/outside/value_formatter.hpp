// The production value formatter: the shortest text that reads back to the same number.
#pragma once

#include "velko/typelib/progress.hpp"

namespace velko {

// The application-global formatter of the calling thread, created on first use.
Ref<IValueFormatter> ValueFormatter();

// The same text as ValueFormatter()->FormatValue(value).
String FormatValue(const Variant& value);

}  // namespace velko
