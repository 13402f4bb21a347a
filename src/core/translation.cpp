#include "velko/core/translation.hpp"

#include "core/translation_state.hpp"

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

}  // namespace velko
