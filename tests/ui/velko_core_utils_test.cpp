#include "velko/ui/velko_core_utils.hpp"

#include <gtest/gtest.h>

#include "support/fake_language_set.hpp"
#include "support/tree_doubles.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/setup/system_options.hpp"

namespace velko {
namespace {

class CoreUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseInMemoryRegistry();
    SetSharedSystemOptions(nullptr);
    ui_ = MakeRef<HeadlessUserInterface>();
    previous_ = UseUserInterface(ui_);
  }
  void TearDown() override {
    UseUserInterface(previous_);
    SetSharedSystemOptions(nullptr);
    UseDefaultRegistry();
  }
  Ref<HeadlessUserInterface> ui_;
  Ref<IUserInterface> previous_;
};

TEST_F(CoreUtilsTest, CommonSettingsDoNothingBeforeTheOptionsExist) {
  const Long hwnd = ui_->CreateWindow({0, 0, 10, 10});
  GVelkoCoreUtils::Instance()->ApplyCommonTestGuideSettings(hwnd);
  EXPECT_FALSE(ui_->Window(hwnd).topmost);
  EXPECT_FALSE(ExistingSharedSystemOptions());
}

TEST_F(CoreUtilsTest, CommonSettingsByBit) {
  auto utils = GVelkoCoreUtils::Instance();
  EXPECT_TRUE(SameObject(utils->SystemOptions(), utils->SystemOptions()));
  for (Long settings : {0, 4, 8, 12}) {
    utils->SystemOptions()->SetTestGuideSettings(settings);
    const Long hwnd = ui_->CreateWindow({10, 10, 110, 60});
    ui_->SetWindowLongA(hwnd, ui::kGwlExStyle, 0x200);
    utils->ApplyCommonTestGuideSettings(hwnd);
    const HeadlessWindow& w = ui_->Window(hwnd);
    EXPECT_EQ(w.topmost, (settings & 4) != 0) << settings;
    EXPECT_EQ(w.exStyle, (settings & 8) ? 0x200 | ui::kWsExAppWindow : 0x200) << settings;
    EXPECT_EQ(w.placement.normalPosition, (WindowRect{10, 10, 110, 60}));
  }
}

TEST_F(CoreUtilsTest, CaptionIsTheParentsNameOrTheDefaultTitle) {
  test::EchoLanguageGuard language;
  auto utils = GVelkoCoreUtils::Instance();
  auto lonely = test::MakeElement(1);
  EXPECT_EQ(utils->CreateTestGuideCaption(lonely), "|200::QUARTO TEST GUIDE|");
  EXPECT_EQ(utils->CreateTestGuideCaption(nullptr), "|200::QUARTO TEST GUIDE|");
}

TEST_F(CoreUtilsTest, AbortQuestionIsTrueOnlyForYes) {
  test::EchoLanguageGuard language;
  auto utils = GVelkoCoreUtils::Instance();
  ui_->QueueMessageBoxAnswers({ui::kIdYes, ui::kIdNo, ui::kIdCancel});
  EXPECT_TRUE(utils->QueryAbortTest());
  EXPECT_FALSE(utils->QueryAbortTest());
  EXPECT_FALSE(utils->QueryAbortTest());
  ASSERT_EQ(ui_->MessageBoxes().size(), 3u);
  EXPECT_EQ(ui_->MessageBoxes()[0].flags, 4132);
  EXPECT_EQ(ui_->MessageBoxes()[0].caption, "|201::Abort test template|");
}

}  // namespace
}  // namespace velko
