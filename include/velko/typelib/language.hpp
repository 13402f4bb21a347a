// The language server: the available languages and the translation of message keys.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

class ILanguageServer : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILanguageServer, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E30}");
  // The folder that holds one sub-folder of catalogues per language.
  virtual void SetLanguagePath(const String& path) = 0;
  // The available languages, separated by ";" (in folder-name order).
  virtual String LanguageList() = 0;
  virtual String LanguagePath() = 0;
};

// One selected language: translates message keys ("key::default text") with %%1..%%5.
class ILanguageSet : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILanguageSet, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E31}");
  virtual void Load(const String& language) = 0;
  // The text of the key in the catalogue of the plug-in (empty: the library's own), else the
  // default text after "::"; the parameters (an array, or Empty) fill %%1..%%5; the two
  // characters \n in a default text become a line break.
  virtual String Translate(const String& plugInId, const String& text, const Variant& params) = 0;
  virtual String Language() = 0;
  virtual Boolean IsUnicode() = 0;
  virtual Integer CharSet() = 0;
};

// The header of a language set's own catalogue: facts of the language beyond its texts.
class ILanguageSet2 : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ILanguageSet2, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E32}");
  // The value of a header field of the library's catalogue ("X-Velko-DecimalSeparator"); "" when
  // it has none or no language is loaded.
  virtual String HeaderField(const String& name) = 0;
};

}  // namespace velko
