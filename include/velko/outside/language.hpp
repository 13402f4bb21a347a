// The production language server: one folder per language under the language path, one GNU
// gettext PO catalogue per plug-in ID ("<ID>.po") plus one for the library ("velkocore.po"); an
// entry's msgctxt is the key number, its msgid the default text, its msgstr the translation.
#pragma once

#include "velko/typelib/language.hpp"

namespace velko {

// The calling thread's language server, created on first use. Its path starts as
// DefaultLanguagePath().
Ref<ILanguageServer> LanguageServer();

// A new language set that reads its catalogues from the language server's path.
Ref<ILanguageSet> CreateLanguageSet();

// VELKO_LANGUAGE_PATH when set, else the catalogues installed or shipped with the library.
String DefaultLanguagePath();

}  // namespace velko
