#include "velko/setup/window_data.hpp"

#include <gtest/gtest.h>

#include "velko/outside/registry.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/setup/system_options.hpp"

namespace velko {
namespace {

class WindowDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseInMemoryRegistry();
    SetSharedSystemOptions(nullptr);
    ui_ = MakeRef<HeadlessUserInterface>();
    ui_->SetScreen(1000 * 15, 800 * 15, 15, 15);
    previous_ = UseUserInterface(ui_);
  }
  void TearDown() override {
    UseUserInterface(previous_);
    SetSharedSystemOptions(nullptr);
    UseDefaultRegistry();
  }
  void Settings(Long word) { SharedSystemOptions()->SetTestGuideSettings(word); }

  Ref<HeadlessUserInterface> ui_;
  Ref<IUserInterface> previous_;
};

TEST_F(WindowDataTest, ApplyOnANewObjectCentresTheWindowAtItsSize) {
  const Long hwnd = ui_->CreateWindow({10, 20, 210, 120});
  CWindowData data;
  data.Apply(hwnd);
  const WindowRect r = ui_->Window(hwnd).placement.normalPosition;
  EXPECT_EQ(r, (WindowRect{400, 350, 600, 450}));
  EXPECT_EQ(ui_->Window(hwnd).placement.showCmd, ui::kSwShowNormal);
  EXPECT_EQ(ui_->LockedWindow(), 0);
  EXPECT_EQ(ui_->LockCalls(), (std::vector<Long>{hwnd, 0}));
  // The close command is gone from the system menu.
  for (Long command : ui_->Window(hwnd).systemMenu)
    EXPECT_NE(command, ui::kScClose);
}

TEST_F(WindowDataTest, StoreAndApplyOfANormalWindowPutsItBackToThePixel) {
  const Long hwnd = ui_->CreateWindow({33, 44, 333, 244});
  CWindowData data;
  data.Store(Variant(String(std::to_string(hwnd))));  // a handle given as text
  EXPECT_TRUE(data.RectStored());
  EXPECT_EQ(data.Left(), 33 * 15);
  EXPECT_EQ(data.Width(), 300 * 15);
  WindowPlacement moved;
  moved.normalPosition = {0, 0, 50, 50};
  ui_->SetWindowPlacement(hwnd, moved);
  data.Apply(hwnd);
  EXPECT_EQ(ui_->Window(hwnd).placement.normalPosition, (WindowRect{33, 44, 333, 244}));
}

TEST_F(WindowDataTest, AMaximisedWindowKeepsTheEarlierRectangle) {
  const Long hwnd = ui_->CreateWindow({100, 100, 400, 300});
  CWindowData data;
  data.Store(hwnd);
  WindowPlacement maximised = ui_->Window(hwnd).placement;
  maximised.showCmd = ui::kSwShowMaximized;
  maximised.normalPosition = {5, 5, 55, 55};
  ui_->SetWindowPlacement(hwnd, maximised);
  data.Store(hwnd);
  EXPECT_EQ(data.WindowState(), 2);
  EXPECT_EQ(data.Left(), 100 * 15);
  data.Apply(hwnd);
  EXPECT_EQ(ui_->Window(hwnd).placement.showCmd, ui::kSwShowMaximized);
  EXPECT_EQ(ui_->Window(hwnd).placement.normalPosition, (WindowRect{100, 100, 400, 300}));
}

TEST_F(WindowDataTest, FormsRoundTripInTwips) {
  auto form = MakeRef<HeadlessForm>(ui_, WindowRect{20, 30, 220, 130});
  CWindowData data;
  data.Store(Variant(Ref<IUnknown>(form)));
  EXPECT_EQ(data.Top(), 30 * 15);
  form->Move(0, 0);
  data.Apply(Variant(Ref<IUnknown>(form)));
  EXPECT_EQ(form->Left(), 20 * 15);
  EXPECT_EQ(form->Top(), 30 * 15);
  EXPECT_EQ(form->Width(), 200 * 15);
  EXPECT_EQ(form->WindowState(), 0);
}

TEST_F(WindowDataTest, SystemOptionsDecideTopmostAndTaskBar) {
  struct Case {
    Long settings;
    bool topmost;
    bool appWindow;
  };
  for (const Case c :
       {Case{0, false, false}, Case{4, true, false}, Case{8, false, true}, Case{12, true, true}}) {
    Settings(c.settings);
    const Long hwnd = ui_->CreateWindow({0, 0, 100, 100});
    ui_->SetWindowLongA(hwnd, ui::kGwlExStyle, c.appWindow ? 0 : ui::kWsExAppWindow | 0x100);
    CWindowData().Apply(hwnd);
    EXPECT_EQ(ui_->Window(hwnd).topmost, c.topmost) << c.settings;
    EXPECT_EQ((ui_->Window(hwnd).exStyle & ui::kWsExAppWindow) != 0, c.appWindow) << c.settings;
    if (!c.appWindow) {
      EXPECT_EQ(ui_->Window(hwnd).exStyle & 0x100, 0x100);  // other bits stay
    }
  }
}

TEST_F(WindowDataTest, OtherArgumentsChangeNothing) {
  CWindowData data;
  data.Store(Variant(true));
  data.Store(Variant());
  data.Apply(Variant(true));
  EXPECT_FALSE(data.Stored());
  EXPECT_TRUE(ui_->LockCalls().empty());
  data.Apply(Long{12345});  // an unknown window: nothing breaks, updates are unlocked
  EXPECT_EQ(ui_->LockedWindow(), 0);
}

}  // namespace
}  // namespace velko
