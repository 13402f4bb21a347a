#include "velko/core/gtranslate.hpp"

#include <array>
#include <utility>

#include "core/translation_state.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/plugin_manager.hpp"
#include "velko/typelib/setup.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/language.hpp"
#include "velko/outside/registry.hpp"

namespace velko {
namespace {

constexpr ErrorPolicy kSelectPolicy{
    "VelkoCore.GTranslate", {err::kLanguageNotFound, err::kLanguagePath, err::kCatalogueBroken}};

TranslationState& State() {
  return ThreadTranslationState();
}

String ReadLanguageFontName() {
  return QuietlyOr(String(), [] {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathLanguage));
    const Variant font = key->Value(Variant("Font"));
    return font.IsNull() ? String() : font.ToString();
  });
}

// Translates one text property of an item through the current language set, skipping empty
// texts; a property that cannot be read or written is left as it is.
template <class Get, class Set>
void TranslateProperty(const Ref<ILanguageSet>& set, const String& plugInId, Get get, Set set_) {
  Quietly([&] {
    const String text = get();
    if (!text.empty()) set_(set->Translate(plugInId, text, Variant()));
  });
}

void TranslateItems(const String& plugInId, const Ref<IControls>& items, bool withMenus) {
  Quietly([&] {
    const Ref<ILanguageSet> set = State().currentSet;
    const Long count = items->Count();
    for (Long i = 1; i <= count; ++i) {
      Quietly([&] {
        const Ref<IControl> item = items->Item(i);
        TranslateProperty(
            set, plugInId, [&] { return item->Caption(); },
            [&](const String& t) { item->SetCaption(t); });
        TranslateProperty(
            set, plugInId, [&] { return item->ToolTipText(); },
            [&](const String& t) { item->SetToolTipText(t); });
        if (!withMenus) return;
        const Ref<IControls> menus = item->ButtonMenus();
        if (!menus || menus->Count() <= 0) return;
        for (Long m = 1; m <= menus->Count(); ++m) {
          Quietly([&] {
            const Ref<IControl> entry = menus->Item(m);
            TranslateProperty(
                set, plugInId, [&] { return entry->Text(); },
                [&](const String& t) { entry->SetText(t); });
          });
        }
      });
    }
  });
}

void ApplyFont(const Ref<IControls>& controls, const String& fontName) {
  Quietly([&] {
    if (!State().unicodeLanguage || controls->Count() <= 0) return;
    for (Long i = 1; i <= controls->Count(); ++i) {
      Quietly([&] {
        const Ref<IControlFont> font = controls->Item(i)->Font();
        font->SetName(fontName);
        font->SetCharSet(State().languageCharSet);
      });
    }
  });
}

Long VersionComponent(const std::vector<String>& parts, std::size_t index) {
  return index < parts.size() ? ParseLong(parts[index]) : 0;
}

constexpr ErrorPolicy kPlugInSetupPolicy{"VelkoCore.GTranslate",
                                         {err::kPlugInsNotInitialized, err::kPlugInNotFound}};

// The analyser models whose set-up data joins the result only up to a limit version.
const String* LimitVersionOf(const String& plugInId) {
  static const std::array<std::pair<String, String>, 4> kLimits{
      {{"Harrier", "1.0.5"}, {"Merlin", "1.0.6"}, {"Osprey", "1.1.2"}, {"Falcon", "2.2.0"}}};
  for (const auto& [id, version] : kLimits) {
    if (id == plugInId) return &version;
  }
  return nullptr;
}

}  // namespace

VELKO_PUBLIC_CLASS(GTranslate, Instancing::kGlobal);

GTranslate::GTranslate() {
  State().languageFontName = ReadLanguageFontName();
}

Ref<GTranslate> GTranslate::Instance() {
  return PredeclaredInstance<GTranslate>();
}

String GTranslate::Translate(const String& plugInId, const String& text, const Variant& params) {
  const String result = TranslateText(plugInId, text, params);
  Quietly([] {
    const Ref<ILanguageSet> set = State().currentSet;
    State().unicodeLanguage = set->IsUnicode();
    State().languageCharSet = set->CharSet();
  });
  return result;
}

void GTranslate::TranslateCtrls(const String& plugInId, const Ref<IControls>& controls) {
  TranslateItems(plugInId, controls, false);
}

void GTranslate::TranslateTabStr(const String& plugInId, const Ref<ITabStrip>& tabStrip) {
  Quietly([&] { TranslateItems(plugInId, tabStrip->Tabs(), false); });
}

void GTranslate::TranslateTBar(const String& plugInId, const Ref<IToolBar>& toolBar) {
  Quietly([&] { TranslateItems(plugInId, toolBar->Buttons(), true); });
}

void GTranslate::SelectLanguageSet(const String& language) {
  Guarded(kSelectPolicy, [&] {
    // The new set becomes current only once it has loaded, so that a language that cannot be
    // loaded leaves the working one in place.
    Ref<ILanguageSet> set = CreateLanguageSet();
    set->Load(language);
    State().currentSet = set;
  });
}

String GTranslate::GetLanguageList() {
  return LanguageServer()->LanguageList();
}

Ref<ILanguageSet> GTranslate::CurrentLanguageSet() {
  return State().currentSet;
}

Variant GTranslate::StorePlugInVersions(const String& plugInVersions) {
  State().plugInVersions = Split(plugInVersions, ";");
  return Variant();
}

String GTranslate::SendPlugInVersion(const String& plugInName) {
  const auto& list = State().plugInVersions;
  for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
    if (list[i] == plugInName) return list[i + 1];
  }
  return {};
}

String GTranslate::ReturnComment(const String& comment, Boolean printString) {
  const auto pos = comment.rfind(kCommentSeparator);
  if (pos == String::npos) return printString ? String() : comment;
  return printString ? comment.substr(pos + std::char_traits<char>::length(kCommentSeparator))
                     : comment.substr(0, pos);
}

Long GTranslate::ComparePlugInVersion(const String& version, const String& templateVersion) {
  return QuietlyOr(Long{0}, [&]() -> Long {
    const auto a = Split(version, ".");
    const auto b = Split(templateVersion, ".");
    for (std::size_t i = 0; i < 3; ++i) {
      const Long x = VersionComponent(a, i);
      const Long y = VersionComponent(b, i);
      if (x != y) return x > y ? 1 : -1;
    }
    return 0;
  });
}

Boolean GTranslate::CheckTemplateType() {
  return State().templateType == 2 || State().templateType == 4;
}

Boolean GTranslate::AddPlugInSetupInResult(const String& plugInId) {
  return Guarded(kPlugInSetupPolicy, [&] {
    const Ref<IPlugInManager> manager = CurrentPlugInManager();
    if (!manager) return false;
    const Ref<IPlugIn> plugIn = manager->PlugIn(plugInId);
    if (!plugIn) return false;
    const String* limit = LimitVersionOf(plugIn->ID());
    if (!limit) return true;
    return ComparePlugInVersion(SendPlugInVersion(plugInId), *limit) < 1 &&
           ComparePlugInVersion(plugIn->Version(), *limit) < 1;
  });
}

Variant GTranslate::RemovePlugInSetup(const Ref<ITestSetup>& setup,
                                      const Ref<ITestContainer>& container) {
  const Ref<IPlugInSetupData> data = QueryInterface<IPlugInSetupData>(setup);
  if (!data || !container) return Variant();
  for (Long i = 1; i <= container->Count(); ++i) {
    const Ref<ITestElement> element = container->Item(i);
    if (!element) continue;
    const String plugInId = element->PlugInID();
    if (data->PlugInsDUTCount() > 0 && !AddPlugInSetupInResult(plugInId) &&
        LimitVersionOf(plugInId)) {
      data->RemoveDUTData(plugInId);
    }
  }
  return Variant();
}

Ref<ITestContainer> GTranslate::ReturnTheTemplateData() {
  return State().templateRecord;
}

Boolean GTranslate::VitaraPlugInView() {
  return State().vitaraPlugInView;
}
void GTranslate::SetVitaraPlugInView(Boolean view) {
  State().vitaraPlugInView = view;
}
String GTranslate::VitaraInstInfo() {
  return State().vitaraInstInfo;
}
void GTranslate::SetVitaraInstInfo(const String& info) {
  State().vitaraInstInfo = info;
}
Boolean GTranslate::KestrelPlugInView() {
  return State().kestrelPlugInView;
}
void GTranslate::SetKestrelPlugInView(Boolean view) {
  State().kestrelPlugInView = view;
}
String GTranslate::CommandLineData() {
  return State().commandLineData;
}
void GTranslate::SetCommandLineData(const String& data) {
  State().commandLineData = data;
}
Ref<IUnknown> GTranslate::GBDataCollection() {
  return State().gbDataCollection;
}
void GTranslate::SetGBDataCollection(const Ref<IUnknown>& c) {
  State().gbDataCollection = c;
}
String GTranslate::InstrumnetInfo() {
  return State().instrumentInfo;
}
void GTranslate::SetInstrumnetInfo(const String& info) {
  State().instrumentInfo = info;
}

String GTranslate::IsUnicodeLanguage() {
  return State().unicodeLanguage ? "True" : "False";
}
Integer GTranslate::LanguageCharSet() {
  return State().languageCharSet;
}
String GTranslate::SelectedFont() {
  return {};
}

void GTranslate::ChangeUnicodeFont(const Ref<IControls>& controls) {
  ApplyFont(controls, SelectedFont());
}

void ApplyLanguageFont(const Ref<IControls>& controls) {
  ApplyFont(controls, State().languageFontName);
}

void StoreTemplateType(Long fileType) {
  State().templateType = fileType;
}
Long StoredTemplateType() {
  return State().templateType;
}
void StoreTemplateRecord(const Ref<ITestContainer>& record) {
  State().templateRecord = record;
}

}  // namespace velko
