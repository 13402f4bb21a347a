#include "velko/core/translation.hpp"

#include "core/translation_state.hpp"
#include "velko/core/error_module.hpp"
#include "velko/frame/numeric.hpp"

namespace velko {

TranslationState& ThreadTranslationState() {
  thread_local TranslationState state;
  return state;
}

Ref<ILanguageSet> CurrentLanguageSet() {
  return ThreadTranslationState().currentSet;
}

String TranslateText(const String& plugInId, const String& text, const Variant& params) {
  try {
    const Ref<ILanguageSet> set = ThreadTranslationState().currentSet;
    if (!set) return {};
    Variant passed;
    if (params.IsArray() && params.UBound() >= 0) {
      const Variant& first = params.Elements().front();
      passed = first.IsArray() ? first : params;
    }
    return set->Translate(plugInId, text, passed);
  } catch (...) {  // a failed translation gives the empty text by design
    return {};
  }
}

String FormatDisplayNumber(double value, const String& pattern) {
  String text = FormatNumberPattern(value, pattern);
  const String separator = QuietlyOr(String(), [] {
    const auto header = QueryInterface<ILanguageSet2>(ThreadTranslationState().currentSet);
    return header ? header->HeaderField("X-Velko-DecimalSeparator") : String();
  });
  if (separator.empty() || separator == ".") return text;
  if (const std::size_t point = text.find('.'); point != String::npos)
    text.replace(point, 1, separator);
  return text;
}

}  // namespace velko
