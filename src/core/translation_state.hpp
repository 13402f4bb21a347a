// Per-thread state of the translation module (shared by TranslateText and GTranslate).
#pragma once

#include <vector>

#include "velko/frame/variant.hpp"
#include "velko/typelib/language.hpp"

namespace velko {

class ITestContainer;

struct TranslationState {
  Ref<ILanguageSet> currentSet;
  bool unicodeLanguage = false;
  Integer languageCharSet = 0;
  String languageFontName;  // read from the registry when GTranslate is created
  std::vector<String> plugInVersions;
  Long templateType = 0;
  Ref<ITestContainer> templateRecord;
  bool vitaraPlugInView = false;
  bool kestrelPlugInView = false;
  String commandLineData;
  String vitaraInstInfo;
  String instrumentInfo;
  Ref<IUnknown> gbDataCollection;
};

TranslationState& ThreadTranslationState();

}  // namespace velko
