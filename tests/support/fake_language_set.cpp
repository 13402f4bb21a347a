#include "support/fake_language_set.hpp"

#include "core/translation_state.hpp"

namespace velko::test {

String EchoLanguageSet::Translate(const String& plugInId, const String& text,
                                  const Variant& params) {
  String out = plugInId + "|" + text + "|";
  if (params.IsArray()) {
    for (std::size_t i = 0; i < params.Elements().size(); ++i) {
      const Variant& p = params.Elements()[i];
      if (i) out += ",";
      out += p.IsMissing() ? String("?") : p.IsArray() ? String("[array]") : p.ToString();
    }
  }
  return out;
}

EchoLanguageGuard::EchoLanguageGuard()
    : set_(MakeRef<EchoLanguageSet>()), previous_(ThreadTranslationState().currentSet) {
  ThreadTranslationState().currentSet = set_;
}

EchoLanguageGuard::~EchoLanguageGuard() { ThreadTranslationState().currentSet = previous_; }

}  // namespace velko::test
