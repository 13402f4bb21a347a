// The host layer's own texts (and the command line's): message keys of the catalogue
// "velkohost" (data/lang/<language>/velkohost.po), listed in host/message_keys.txt.
#pragma once

#include "velko/frame/variant.hpp"

namespace velko::host {

// The catalogue of the host's texts, as a plug-in ID of the language server.
inline constexpr const char* kHostCatalogue = "velkohost";

// The translation of "key::default text" in the current language with %%1..%%5 filled from
// `params` (an array); the default text when no language is selected or the catalogue lacks the
// key. Never raises.
String HostText(const String& keyedText, const Variant& params = {});

// HostText with the parameters given one by one.
template <class... Args>
String HostText(const String& keyedText, const Args&... args) {
  return HostText(keyedText, Variant(VariantArray{Variant(args)...}));
}

}  // namespace velko::host
