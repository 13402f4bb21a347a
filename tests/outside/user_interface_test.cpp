#include "velko/outside/user_interface.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "velko/frame/error.hpp"

namespace velko {
namespace {

using namespace velko::ui;

class HeadlessLayer : public ::testing::Test {
 protected:
  HeadlessUserInterface ui;
  const Long hwnd = ui.CreateWindow({10, 20, 410, 320});
};

TEST_F(HeadlessLayer, MessageBoxesAnswerFromTheSettingAndAreRecorded) {
  struct Case {
    Long flags;
    Long answer;
  };
  const Case defaults[] = {{kMbOk | kMbIconExclamation, kIdOk},
                           {kMbYesNo | kMbIconQuestion | kMbSystemModal, kIdYes},
                           {kMbYesNo | kMbDefButton2, kIdNo},
                           {kMbYesNoCancel | kMbDefButton3, kIdCancel},
                           {kMbRetryCancel, kIdRetry},
                           {kMbOk | kMbDefButton3, kIdOk}};  // no third button: the first
  for (const auto& c : defaults)
    EXPECT_EQ(ui.MessageBox("q", c.flags, "t"), c.answer) << c.flags;

  ui.QueueMessageBoxAnswers({kIdNo, kIdCancel});
  ui.SetMessageBoxAnswer(kIdYes);
  EXPECT_EQ(ui.MessageBox("Abort?", 4132, "Abort test template"), kIdNo);
  EXPECT_EQ(ui.MessageBox("b", 4132, "c"), kIdCancel);
  EXPECT_EQ(ui.MessageBox("c", 4132, "c"), kIdYes);
  ui.SetMessageBoxAnswer(std::nullopt);
  EXPECT_EQ(ui.MessageBox("d", kMbOkCancel, "c"), kIdOk);

  const auto& boxes = ui.MessageBoxes();
  ASSERT_EQ(boxes.size(), 10u);
  EXPECT_EQ(boxes[6].text, "Abort?");
  EXPECT_EQ(boxes[6].flags, 4132);
  EXPECT_EQ(boxes[6].caption, "Abort test template");
  EXPECT_EQ(boxes[6].answer, kIdNo);
}

TEST_F(HeadlessLayer, TopmostWithoutMovingOrSizing) {
  const Long other = ui.CreateWindow({0, 0, 100, 100});
  EXPECT_EQ(ui.ZOrder().front(), other);
  EXPECT_TRUE(ui.SetWindowPos(hwnd, kHwndTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove));
  EXPECT_TRUE(ui.Window(hwnd).topmost);
  EXPECT_EQ(ui.Window(hwnd).placement.normalPosition, (WindowRect{10, 20, 410, 320}));
  EXPECT_EQ(ui.GetWindowLongA(hwnd, kGwlExStyle) & kWsExTopmost, kWsExTopmost);
  EXPECT_EQ(ui.ZOrder().front(), hwnd);

  // Top of the others keeps a topmost window topmost; no-topmost ends it.
  EXPECT_TRUE(ui.SetWindowPos(hwnd, kHwndTop, 0, 0, 0, 0, 35));
  EXPECT_TRUE(ui.Window(hwnd).topmost);
  EXPECT_EQ(ui.Window(hwnd).frameChanges, 1);
  EXPECT_TRUE(ui.SetWindowPos(hwnd, kHwndNoTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove));
  EXPECT_FALSE(ui.Window(hwnd).topmost);
  EXPECT_EQ(ui.ZOrder(), (std::vector<Long>{hwnd, other}));

  EXPECT_TRUE(ui.SetWindowPos(hwnd, 0, 5, 6, 50, 60, kSwpNoZOrder));
  EXPECT_EQ(ui.Window(hwnd).placement.normalPosition, (WindowRect{5, 6, 55, 66}));
  EXPECT_TRUE(ui.SetWindowPos(hwnd, 0, INT32_MAX, INT32_MIN, INT32_MAX, 5, kSwpNoZOrder));
  EXPECT_EQ(ui.Window(hwnd).placement.normalPosition,
            (WindowRect{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN + 5}));
  EXPECT_FALSE(ui.SetWindowPos(999, kHwndTopmost, 0, 0, 0, 0, 3));
  EXPECT_FALSE(ui.SetWindowPos(hwnd, 999, 0, 0, 0, 0, 3));  // no such window to follow
}

TEST_F(HeadlessLayer, WindowLongsKeepOtherBits) {
  ui.SetWindowLongA(hwnd, kGwlExStyle, 0x100);
  const Long style = ui.GetWindowLongA(hwnd, kGwlExStyle);
  EXPECT_EQ(ui.SetWindowLongA(hwnd, kGwlExStyle, style | kWsExAppWindow), 0x100);
  EXPECT_EQ(ui.GetWindowLongA(hwnd, kGwlExStyle), 0x100 | kWsExAppWindow);
  ui.SetWindowLongA(hwnd, kGwlExStyle, kWsExTopmost);  // topmost is not a style to set
  EXPECT_FALSE(ui.Window(hwnd).topmost);
  EXPECT_EQ(ui.GetWindowLongA(hwnd, kGwlStyle), kWsOverlappedWindow | kWsVisible);
  EXPECT_EQ(ui.SetWindowLongA(hwnd, -21, 77), 0);
  EXPECT_EQ(ui.GetWindowLongA(hwnd, -21), 77);
  EXPECT_EQ(ui.GetWindowLongA(999, kGwlExStyle), 0);
  EXPECT_EQ(ui.SetWindowLongA(999, kGwlExStyle, 1), 0);
}

TEST_F(HeadlessLayer, PlacementNeedsTheRecordLength) {
  WindowPlacement placement;
  placement.length = 0;
  EXPECT_FALSE(ui.GetWindowPlacement(hwnd, placement));
  placement.length = kPlacementLength;
  ASSERT_TRUE(ui.GetWindowPlacement(hwnd, placement));
  EXPECT_EQ(placement.showCmd, kSwShowNormal);
  EXPECT_EQ(placement.normalPosition, (WindowRect{10, 20, 410, 320}));

  placement.showCmd = kSwShowMaximized;
  placement.normalPosition = {1, 2, 3, 4};
  EXPECT_TRUE(ui.SetWindowPlacement(hwnd, placement));
  WindowPlacement read;
  ui.GetWindowPlacement(hwnd, read);
  EXPECT_EQ(read, placement);

  placement.showCmd = 42;
  EXPECT_FALSE(ui.SetWindowPlacement(hwnd, placement));
  placement.showCmd = kSwShowNormal;
  placement.length = 40;
  EXPECT_FALSE(ui.SetWindowPlacement(hwnd, placement));
  EXPECT_FALSE(ui.GetWindowPlacement(999, read));
  ui.GetWindowPlacement(hwnd, read);
  EXPECT_EQ(read.showCmd, kSwShowMaximized);  // the failed calls changed nothing
}

TEST_F(HeadlessLayer, SystemMenuLosesItsCloseCommand) {
  const Long menu = ui.GetSystemMenu(hwnd, false);
  EXPECT_NE(menu, 0);
  EXPECT_EQ(ui.GetSystemMenu(hwnd, false), menu);
  EXPECT_TRUE(ui.RemoveMenu(menu, 0, kMfByCommand));      // the separator
  EXPECT_TRUE(ui.RemoveMenu(menu, -4000, kMfByCommand));  // 0xF060 as a 16-bit value
  EXPECT_FALSE(ui.RemoveMenu(menu, kScClose, kMfByCommand));
  EXPECT_EQ(ui.Window(hwnd).systemMenu,
            (std::vector<Long>{kScRestore, kScMove, kScSize, kScMinimize, kScMaximize}));
  EXPECT_TRUE(ui.RemoveMenu(menu, 0, kMfByPosition));
  EXPECT_FALSE(ui.RemoveMenu(menu, 9, kMfByPosition));
  EXPECT_FALSE(ui.RemoveMenu(12345, 0, kMfByCommand));
  EXPECT_EQ(ui.GetSystemMenu(hwnd, true), 0);
  EXPECT_EQ(ui.Window(hwnd).systemMenu.size(), 7u);
  EXPECT_EQ(ui.GetSystemMenu(999, false), 0);
}

TEST_F(HeadlessLayer, LocksOneWindowAtATime) {
  const Long other = ui.CreateWindow({});
  EXPECT_TRUE(ui.LockWindowUpdate(hwnd));
  EXPECT_FALSE(ui.LockWindowUpdate(other));
  EXPECT_EQ(ui.LockedWindow(), hwnd);
  EXPECT_TRUE(ui.LockWindowUpdate(0));
  EXPECT_EQ(ui.LockedWindow(), 0);
  EXPECT_FALSE(ui.LockWindowUpdate(999));
  EXPECT_EQ(ui.LockCalls(), (std::vector<Long>{hwnd, other, 0, 999}));
  ui.LockWindowUpdate(other);
  ui.DestroyWindow(other);
  EXPECT_EQ(ui.LockedWindow(), 0);
  EXPECT_FALSE(ui.HasWindow(other));
  EXPECT_THROW(ui.Window(other), Error);
}

TEST_F(HeadlessLayer, ScreenAndEvents) {
  EXPECT_EQ(ui.ScreenWidth(), 1920 * 15);
  ui.SetScreen(12000, 9000, 12, 12);
  EXPECT_EQ(ui.TwipsPerPixelY(), 12);
  EXPECT_THROW(ui.SetScreen(12000, 9000, 0, 12), Error);
  int runs = 0;
  ui.DoEvents();
  ui.SetDoEventsHook([&] { ++runs; });
  ui.DoEvents();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(ui.DoEventsCount(), 2);
}

TEST(UserInterfaceLayer, OnePerThreadAndReplaceable) {
  const Ref<IUserInterface> first = UserInterface();
  ASSERT_TRUE(first);
  EXPECT_TRUE(SameObject(UserInterface(), first));
  EXPECT_TRUE(QueryInterface<HeadlessUserInterface>(first));

  Ref<IUserInterface> otherThread;
  std::thread([&] { otherThread = UserInterface(); }).join();
  EXPECT_FALSE(SameObject(otherThread, first));

  const auto mine = MakeRef<HeadlessUserInterface>();
  EXPECT_TRUE(SameObject(UseUserInterface(mine), first));
  EXPECT_TRUE(SameObject(UserInterface(), mine));
  UseUserInterface(nullptr);
  EXPECT_TRUE(UserInterface());
  EXPECT_FALSE(SameObject(UserInterface(), mine));
}

TEST(HeadlessForm, PositionsInTwipsOverWholePixels) {
  const auto layer = MakeRef<HeadlessUserInterface>();
  HeadlessForm form(layer, {10, 20, 410, 320});
  EXPECT_TRUE(layer->HasWindow(form.hWnd()));
  EXPECT_EQ(form.Left(), 150.0f);
  EXPECT_EQ(form.Top(), 300.0f);
  EXPECT_EQ(form.Width(), 6000.0f);
  EXPECT_EQ(form.Height(), 4500.0f);
  EXPECT_EQ(form.WindowState(), 0);

  form.Move(1000, 1500);
  EXPECT_EQ(form.Left(), 1005.0f);  // 66.7 pixels become 67
  EXPECT_EQ(form.Top(), 1500.0f);
  EXPECT_EQ(form.Width(), 6000.0f);
  form.Move(0, 0, 3000, 1500);
  EXPECT_EQ(layer->Window(form.hWnd()).placement.normalPosition, (WindowRect{0, 0, 200, 100}));

  form.SetWindowState(2);
  EXPECT_EQ(form.WindowState(), 2);
  EXPECT_EQ(layer->Window(form.hWnd()).placement.showCmd, kSwShowMaximized);
  EXPECT_EQ(form.Width(), 3000.0f);  // the normal rectangle stays
  EXPECT_THROW(form.SetWindowState(3), Error);
  EXPECT_THROW(form.Move(0, 0, -1, 10), Error);
  layer->DestroyWindow(form.hWnd());
  EXPECT_THROW(form.Left(), Error);
}

}  // namespace
}  // namespace velko
