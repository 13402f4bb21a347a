// Translation of message keys ("key::default text") on behalf of the library and its plug-ins.
#pragma once

#include "velko/frame/variant.hpp"
#include "velko/typelib/language.hpp"

namespace velko {

// The translation of `text` in the catalogue of `plugInId` (empty: the library's own) with the
// parameters: none when `params` has no elements; the inner array when element 0 is itself an
// array (so a caller can forward the array it received); otherwise `params` itself. Without a
// current language set, or when anything fails, the result is "". Never raises.
String TranslateText(const String& plugInId, const String& text, const Variant& params = {});

// `text` in the current language when it is a message key ("600::Visual inspection"): its
// translation in the catalogue of `plugInId`, or its default text when there is none. Any other
// text comes back exactly as it is. Never raises.
String TranslateIfMessageKey(const String& plugInId, const String& text);

// The calling thread's current language set (none before SelectLanguageSet).
Ref<ILanguageSet> CurrentLanguageSet();

// A number as a person reads it in the current language: the display pattern of
// FormatNumberPattern with the language's decimal separator (the "X-Velko-DecimalSeparator"
// field of its catalogue, "." when it has none). Only for what is shown: stored texts and keys
// keep ".". Never raises.
String FormatDisplayNumber(double value, const String& pattern);

// A number as stored texts write it ("0.463", "+0.42") with the current language's decimal
// separator; any other text comes back as it is. Never raises.
String DisplayNumberText(const String& text);

}  // namespace velko
