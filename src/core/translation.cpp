#include "velko/core/translation.hpp"

#include "core/translation_state.hpp"
#include "outside/language/message_text.hpp"
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

String TranslateIfMessageKey(const String& plugInId, const String& text) {
  const std::optional<language::MessageKey> key = language::SplitMessageKey(text);
  if (!key) return text;
  String translated = TranslateText(plugInId, text);
  return translated.empty() ? key->defaultText : translated;
}

namespace {

// The current language's decimal separator ("." when its catalogue names none).
String DecimalSeparator() {
  const String separator = QuietlyOr(String(), [] {
    const auto header = QueryInterface<ILanguageSet2>(ThreadTranslationState().currentSet);
    return header ? header->HeaderField("X-Velko-DecimalSeparator") : String();
  });
  return separator.empty() ? String(".") : separator;
}

// Whether `text` is a number as stored texts write it: a sign, digits and at most one point.
bool IsPlainNumber(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

String WithSeparator(String text, const String& separator) {
  if (separator == ".") return text;
  if (const std::size_t point = text.find('.'); point != String::npos)
    text.replace(point, 1, separator);
  return text;
}

}  // namespace

String FormatDisplayNumber(double value, const String& pattern) {
  return WithSeparator(FormatNumberPattern(value, pattern), DecimalSeparator());
}

String DisplayNumberText(const String& text) {
  return IsPlainNumber(text) ? WithSeparator(text, DecimalSeparator()) : text;
}

}  // namespace velko
