#include "velko/ui/velko_core_utils.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/setup/system_options.hpp"

namespace velko {
namespace {
constexpr Long kSettingTopmost = 4;
constexpr Long kSettingAppWindow = 8;
constexpr Long kAbortQuestionFlags = ui::kMbYesNo | ui::kMbIconQuestion | ui::kMbSystemModal;
}  // namespace

VELKO_PUBLIC_CLASS(GVelkoCoreUtils, Instancing::kGlobal);

Ref<GVelkoCoreUtils> GVelkoCoreUtils::Instance() {
  return PredeclaredInstance<GVelkoCoreUtils>();
}

Ref<ISystemOptions> GVelkoCoreUtils::SystemOptions() {
  return SharedSystemOptions();
}

void GVelkoCoreUtils::ApplyCommonTestGuideSettings(Long hwnd) {
  const Long settings = QuietlyOr(Long{0}, [] {
    const Ref<ISystemOptions> options = ExistingSharedSystemOptions();
    return options ? options->TestGuideSettings() : 0;
  });
  const Ref<IUserInterface> ui = UserInterface();
  if (settings & kSettingTopmost) {
    Quietly([&] {
      ui->SetWindowPos(hwnd, ui::kHwndTopmost, 0, 0, 0, 0, ui::kSwpNoSize | ui::kSwpNoMove);
    });
  }
  if (settings & kSettingAppWindow) {
    Quietly([&] {
      const Long style = ui->GetWindowLongA(hwnd, ui::kGwlExStyle);
      ui->SetWindowLongA(hwnd, ui::kGwlExStyle, style | ui::kWsExAppWindow);
    });
  }
}

String GVelkoCoreUtils::CreateTestGuideCaption(const Ref<ITestElement>& owner) {
  const String name = QuietlyOr(String(), [&] {
    const Ref<ITestElement> parent = owner->Parent();
    return parent ? parent->Info()->Name() : String();
  });
  if (!name.empty()) return name;
  return TranslateText(String(), "200::QUARTO TEST GUIDE", Variant(VariantArray{}));
}

Boolean GVelkoCoreUtils::QueryAbortTest() {
  return QuietlyOr(false, [] {
    const String title =
        TranslateText(String(), "201::Abort test template", Variant(VariantArray{}));
    const String question = TranslateText(
        String(), "202::Do you want to end this test and discard all previous test results?",
        Variant(VariantArray{}));
    return UserInterface()->MessageBox(question, kAbortQuestionFlags, title) == ui::kIdYes;
  });
}

}  // namespace velko
