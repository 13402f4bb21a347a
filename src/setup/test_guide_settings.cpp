#include "velko/setup/test_guide_settings.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CTestGuideSettings";
constexpr ErrorPolicy kLoadPolicy{kSource};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kSetupSave}};

const char* BoolText(bool value) {
  return value ? "True" : "False";
}

Long WithBit(Long bits, Long bit, bool set) {
  return set ? (bits | bit) : (bits & ~bit);
}

Ref<IXmlElement> CreateOrRaise(const Ref<IXmlDocument>& owner, const String& tag) {
  Ref<IXmlElement> element = owner->CreateElement(tag);
  if (!element) RaiseError(err::kSetupSave, kSource, kLevelSave);
  return element;
}

}  // namespace

VELKO_PUBLIC_CLASS(CTestGuideSettings, Instancing::kCreatable, ITestGuideSettings);

void CTestGuideSettings::Reset() {
  enableButton_ = kEnableSkipButton | kEnableNaButton;
  showMaximized_ = false;
  alwaysOnTop_ = true;
  allowResize_ = false;
}

void CTestGuideSettings::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  Guarded(kLoadPolicy, [&] {
    Reset();
    if (!in) return;
    const Ref<IXmlElement> buttons = in->FindChild("EnableBtn");
    if (!buttons) return;
    enableButton_ =
        WithBit(enableButton_, kEnableSkipButton, buttons->GetAttribute("Skip") == "True");
    enableButton_ = WithBit(enableButton_, kEnableNaButton, buttons->GetAttribute("NA") == "True");
  });
}

Ref<IXmlElement> CTestGuideSettings::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&] {
    Ref<IXmlElement> buttons = CreateOrRaise(owner, "EnableBtn");
    buttons->SetAttribute("Skip", BoolText((enableButton_ & kEnableSkipButton) != 0));
    buttons->SetAttribute("NA", BoolText((enableButton_ & kEnableNaButton) != 0));
    Ref<IXmlElement> settings = CreateOrRaise(owner, "TestGuideSettings");
    settings->AppendChild(buttons);
    return settings;
  });
}

Ref<ITestGuideSettings> CTestGuideSettings::Clone() {
  auto copy = MakeRef<CTestGuideSettings>();
  copy->enableButton_ = enableButton_;
  copy->showMaximized_ = showMaximized_;
  copy->alwaysOnTop_ = alwaysOnTop_;
  copy->allowResize_ = allowResize_;
  return copy;
}

}  // namespace velko
