// GTranslate: the translation service for hosts and plug-ins, and the small shared stores and
// rules that go with it (plug-in versions, comments with print text, template type, host modes).
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/controls.hpp"
#include "velko/typelib/language.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko {

// Joins a comment and its print text ("comment" + separator + "print text").
// The seven characters U+00AC U+00A7 U+00AC U+00B6 U+00AC U+00C6 U+00AC, in UTF-8.
inline constexpr const char* kCommentSeparator =
    "\xC2\xAC\xC2\xA7\xC2\xAC\xC2\xB6\xC2\xAC\xC3\x86\xC2\xAC";

// The plug-in set-up data a test setup keeps (implemented by the library's test setup), as far as
// RemovePlugInSetup needs them.
class IPlugInSetupData : public virtual IUnknown {
 public:
  virtual Long PlugInsDUTCount() = 0;
  virtual void RemoveDUTData(const String& plugInId) = 0;
};

class GTranslate : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7011}", "{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7012}");

  // Creating the object reads the language font name from the registry.
  GTranslate();

  // The calling thread's predeclared instance.
  static Ref<GTranslate> Instance();

  // As TranslateText, then refreshes the Unicode flag and character set from the language set.
  String Translate(const String& plugInId, const String& text, const Variant& params = {});
  // Translate the captions and tool tips of controls, tabs and tool-bar buttons (and the texts of
  // button menus); empty texts are never translated; a control that fails keeps its text.
  void TranslateCtrls(const String& plugInId, const Ref<IControls>& controls);
  void TranslateTabStr(const String& plugInId, const Ref<ITabStrip>& tabStrip);
  void TranslateTBar(const String& plugInId, const Ref<IToolBar>& toolBar);
  // Makes a new language set current and loads the language (0x8004928A and 0x8004928C pass on).
  void SelectLanguageSet(const String& language);
  String GetLanguageList();
  Ref<ILanguageSet> CurrentLanguageSet();
  // Stores "name;version;name;version..." and returns Empty.
  Variant StorePlugInVersions(const String& plugInVersions);
  String SendPlugInVersion(const String& plugInName);
  // The comment proper, or its print text when `printString` is true.
  String ReturnComment(const String& comment, Boolean printString = false);
  // 1, 0 or -1 comparing major.minor.build; any failure gives 0.
  Long ComparePlugInVersion(const String& version, const String& templateVersion);
  // True when the stored template type is 2 or 4.
  Boolean CheckTemplateType();
  // Whether the instrument set-up data of the plug-in belongs in the test result: False for a
  // plug-in that is not loaded; for the analyser models with a limit version, True only when
  // both the stored version and the plug-in's own are not newer than the limit. Passes on the
  // plug-in manager's errors (0x8004A675, 0x8004A677).
  Boolean AddPlugInSetupInResult(const String& plugInId);
  // Removes from the setup the instrument set-up data of the analyser models among the plug-ins
  // of the container's elements whose data do not belong in the result. Returns Empty; passes on
  // the errors of AddPlugInSetupInResult and of the setup.
  Variant RemovePlugInSetup(const Ref<ITestSetup>& setup, const Ref<ITestContainer>& container);
  Ref<ITestContainer> ReturnTheTemplateData();

  Boolean VitaraPlugInView();
  void SetVitaraPlugInView(Boolean view);
  String VitaraInstInfo();
  void SetVitaraInstInfo(const String& info);
  Boolean KestrelPlugInView();
  void SetKestrelPlugInView(Boolean view);
  String CommandLineData();
  void SetCommandLineData(const String& data);
  Ref<IUnknown> GBDataCollection();
  void SetGBDataCollection(const Ref<IUnknown>& collection);
  String InstrumnetInfo();
  void SetInstrumnetInfo(const String& info);

  // "True" or "False".
  String IsUnicodeLanguage();
  Integer LanguageCharSet();
  // Always "": the library offers no font name of its own here.
  String SelectedFont();
  // With a Unicode language, gives every control SelectedFont and the character set.
  void ChangeUnicodeFont(const Ref<IControls>& controls);
};

// The library's own forms: gives every control the language font read from the registry and the
// character set, when the language needs a Unicode font.
void ApplyLanguageFont(const Ref<IControls>& controls);

// The template type and template record that the test setup publishes for the thread.
void StoreTemplateType(Long fileType);
Long StoredTemplateType();
void StoreTemplateRecord(const Ref<ITestContainer>& record);

}  // namespace velko
