#include "velko/core/plugin_manager.hpp"

#include <algorithm>
#include <vector>

#include "core/translation_state.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CPlugInManager";
constexpr ErrorPolicy kListPolicy{kSource, {err::kPlugInsNotInitialized}, 0, err::kPlugInNotFound};
constexpr ErrorPolicy kRefreshPolicy{kSource, {err::kPlugInsNotInitialized, err::kPlugInListKey}};

constexpr const char* kFirstPlugInValue = "FirstPlugInToLoad";
constexpr const char* kVitaraId = "Vitara";
constexpr const char* kPetrelId = "Petrel";

thread_local Ref<IPlugInManager> tCurrentManager;

struct PlugInEntry {
  String id;
  String progId;
};

// The plug-in list in registry order; 0x8004A676 when its key cannot be opened.
std::vector<PlugInEntry> ReadPlugInList() {
  const String path = RegistryPaths()->KeyPath(kRegPathPlugIns);
  Ref<IRegistryKey> key = CreateRegistryKey();
  try {
    key->OpenKey(kHKeyLocalMachine, path);
  } catch (const Error& e) {
    if (e.Number() != err::kRegistryKeyMissing) throw;
    RaiseError(err::kPlugInListKey, kSource, kLevelSave, {Variant(path)});
  }
  std::vector<PlugInEntry> entries;
  const Long count = key->ValueCount();
  for (Long i = 1; i <= count; ++i) {
    entries.push_back({key->ValueName(i), key->Value(Variant(i)).ToString()});
  }
  return entries;
}

// The ID named by "FirstPlugInToLoad"; "" when the value is not there.
String ReadFirstPlugInId() {
  return QuietlyOr(String(), [] {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, kVelkoRootKey);
    return key->Value(Variant(kFirstPlugInValue)).ToString();
  });
}

void ShowLoadFailure(const String& text) {
  Quietly([&] {
    const String caption = TranslateText(String(), "42404::Brenn Norvale Velko");
    UserInterface()->MessageBox(text, ui::kMbOk | ui::kMbIconExclamation, caption);
  });
}

// Tells the user why a plug-in was not loaded; some failures are expected and stay silent.
void ReportLoadFailure(const String& plugInId, const String& progId, const Error& failure) {
  switch (failure.Number()) {
    case err::kPlugInConfigF:
    case err::kPlugInConfigA:
    case err::kPlugInConfigC:
      ShowLoadFailure(TranslateText(String(),
                                    "5082::The plugin defined as %%1 (%%2) can not be loaded due "
                                    "to problems with its configuration file.",
                                    Variant(VariantArray{Variant(plugInId), Variant(progId)})));
      return;
    case err::kPlugInSilent:
    case rt::kCannotCreateObject:
    case rt::kClassNotRegistered:
    case rt::kNotAutomationClass:
      return;
    default:
      ShowLoadFailure(TranslateText(
          String(),
          "5083::An error occurred while initializing plugin %%1.\\nError #%%2 (%%3)\\n%%4",
          Variant(VariantArray{Variant(plugInId), Variant(failure.Number()),
                               Variant(err::MessageKeyOf(failure.Number())),
                               Variant(failure.Description())})));
  }
}

// A new, initialised object of the plug-in; none (after telling the user) when it fails.
Ref<IPlugIn> CreatePlugIn(const String& plugInId, const String& progId,
                          const Ref<IProgressLog>& log) {
  if (progId.empty()) return nullptr;
  try {
    Ref<IPlugIn> plugIn = CreateObjectAs<IPlugIn>(progId);
    plugIn->Initialize(log);
    return plugIn;
  } catch (...) {
    ReportLoadFailure(plugInId, progId, CurrentError());
    return nullptr;
  }
}

// The top-level elements of a plug-in (a snapshot, so that removing them is safe).
std::vector<Ref<ITestElement>> TopLevelElements(const Ref<ITestContainer>& elements) {
  std::vector<Ref<ITestElement>> items;
  const Long count = elements->Count();
  for (Long i = 1; i <= count; ++i)
    items.push_back(elements->Item(i));
  return items;
}

void RemoveChildrenWithTests(const Ref<ITestElement>& element, std::initializer_list<Long> tests) {
  Ref<ITestContainer> container = QueryInterface<ITestContainer>(element);
  if (!container) return;
  for (const auto& child : TopLevelElements(container)) {
    if (child && std::ranges::find(tests, child->TestID()) != tests.end()) container->Remove(child);
  }
}

// The Vitara view offers a reduced set of the plug-in's tests.
void ApplyVitaraFilter(const Ref<IPlugIn>& plugIn) {
  Ref<ITestContainer> elements = plugIn->Elements();
  for (const auto& element : TopLevelElements(elements)) {
    if (!element) continue;
    switch (element->TestID()) {
      case 100: {
        Ref<IElementInfo> info = element->Info();
        info->SetName("Step");
        info->Initialize("Step", info->TestParam());
        break;
      }
      case 500:
        RemoveChildrenWithTests(element, {530, 540});
        break;
      case 600:
        elements->Remove(element);
        break;
      case 700:
        RemoveChildrenWithTests(element, {720, 730, 740, 750});
        break;
      default:
        break;
    }
  }
}

// The test numbers of a command-line part "ID-100,200": the text between its first and second
// "-", split at ","; each must be a number (else error 13). No text: no numbers.
std::vector<double> CommandLineTests(const String& part) {
  const std::vector<String> pieces = Split(part, "-");
  if (pieces.size() < 2 || pieces[1].empty()) return {};
  std::vector<double> tests;
  for (const auto& text : Split(pieces[1], ",")) {
    const auto number = ParseNumberStrict(text);
    if (!number) RaiseRuntimeError(rt::kTypeMismatch, "\"" + text + "\" is not a test number.");
    tests.push_back(*number);
  }
  return tests;
}

// Keeps only the plug-in's top-level elements whose test ID is listed; an empty list keeps all.
void KeepOnlyTests(const Ref<IPlugIn>& plugIn, const std::vector<double>& tests) {
  if (tests.empty()) return;
  Ref<ITestContainer> elements = plugIn->Elements();
  for (const auto& element : TopLevelElements(elements)) {
    if (!element) continue;
    const double testId = element->TestID();
    if (std::ranges::find(tests, testId) == tests.end()) elements->Remove(element);
  }
}

}  // namespace

CPlugInManager::~CPlugInManager() {
  Quietly([&] {
    for (const auto& plugIn : plugIns_) {
      if (plugIn && EqualsIgnoreCase(plugIn->ID(), kPetrelId)) {
        plugIn->Initialize(nullptr);
        break;
      }
    }
  });
}

void CPlugInManager::RequireInitialized() const {
  if (!initialized_) RaiseError(err::kPlugInsNotInitialized, kSource, kLevelFatal);
}

Long CPlugInManager::Count() {
  return Guarded(kListPolicy, [&] {
    RequireInitialized();
    return plugIns_.Count();
  });
}

Ref<IPlugIn> CPlugInManager::PlugIn(const String& plugInId) {
  return Guarded(kListPolicy, [&] {
    RequireInitialized();
    return plugIns_.Item(plugInId);
  });
}

Ref<IPlugIn> CPlugInManager::Item(Long index) {
  return Guarded(kListPolicy, [&] {
    RequireInitialized();
    return plugIns_.Item(index);
  });
}

Ref<ITestElement> CPlugInManager::CreateITEfromXML(const Ref<IXmlElement>& in) {
  return QuietlyOr(Ref<ITestElement>(), [&]() -> Ref<ITestElement> {
    const Ref<IXmlElement> plugIn = in->FindChild("PlugIn");
    if (!plugIn) return nullptr;
    const auto testId = ParseNumberStrict(plugIn->GetAttribute("TestID"));
    if (!testId) return nullptr;
    return CreateTestElement(plugIn->GetAttribute("Name"), RoundToLong(*testId));
  });
}

Ref<ITestElement> CPlugInManager::CreateTestElement(const String& plugInId, Long testId) {
  return QuietlyOr(Ref<ITestElement>(), [&]() -> Ref<ITestElement> {
    if (plugInId.empty() || testId < 1) return nullptr;
    const Ref<IPlugIn>* plugIn = plugIns_.Find(plugInId);
    if (!plugIn) return nullptr;
    return (*plugIn)->CreateTestElement(testId);
  });
}

void CPlugInManager::Initialize(const Ref<IProgressLog>& log) {
  Refresh(log);
  initialized_ = true;
}

void CPlugInManager::AddUnlessPresent(const Ref<IPlugIn>& plugIn) {
  if (!plugIn) return;
  const String id = plugIn->ID();
  if (!plugIns_.Contains(id)) plugIns_.Add(id, plugIn);
}

void CPlugInManager::Refresh(const Ref<IProgressLog>& log) {
  Guarded(kRefreshPolicy, [&] {
    const TranslationState& modes = ThreadTranslationState();
    const bool vitaraView = modes.vitaraPlugInView;
    const String wantedFirst = ReadFirstPlugInId();
    const std::vector<PlugInEntry> entries = ReadPlugInList();

    PlugInEntry first;
    if (!(modes.vitaraPlugInView && modes.kestrelPlugInView)) {
      for (const auto& entry : entries) {
        if (entry.id == wantedFirst) first = entry;
      }
    }
    const String commandLine = ReplaceAll(modes.commandLineData, "/$", "");

    const auto count = entries.size();
    for (std::size_t i = 0; i < count; ++i) {
      const PlugInEntry& entry = entries[i];
      const bool firstTurn = count == 1 || i == 0;
      Ref<IPlugIn> current;
      if (!vitaraView && commandLine.empty()) {
        if (firstTurn && !first.progId.empty()) {
          AddUnlessPresent(CreatePlugIn(first.id, first.progId, log));
        }
        if (entry.progId != first.progId) current = CreatePlugIn(entry.id, entry.progId, log);
      } else if (!vitaraView) {
        for (const auto& part : Split(commandLine, ":")) {
          if (!ContainsIgnoreCase(part, entry.id)) continue;
          current = CreatePlugIn(entry.id, entry.progId, log);
          if (current && part.find('-') != String::npos) {
            KeepOnlyTests(current, CommandLineTests(part));
          }
        }
      } else if (!EqualsIgnoreCase(entry.id, kVitaraId) || entry.progId == first.progId) {
        if (firstTurn && !first.progId.empty()) {
          current = CreatePlugIn(first.id, first.progId, log);
          if (current && EqualsIgnoreCase(first.id, kVitaraId)) ApplyVitaraFilter(current);
        }
      } else {
        current = CreatePlugIn(entry.id, entry.progId, log);
        if (current) ApplyVitaraFilter(current);
      }
      AddUnlessPresent(current);
    }
  });
}

Ref<IEnumVariant> CPlugInManager::NewEnum() {
  VariantArray items;
  for (const auto& plugIn : plugIns_)
    items.emplace_back(plugIn);
  return MakeEnumerator(std::move(items));
}

Ref<IPlugInManager> CurrentPlugInManager() {
  return tCurrentManager;
}

void SetCurrentPlugInManager(Ref<IPlugInManager> manager) {
  // Swap first, so that the old manager's termination sees the new state.
  Ref<IPlugInManager> old = std::exchange(tCurrentManager, std::move(manager));
  old.Reset();
}

}  // namespace velko
