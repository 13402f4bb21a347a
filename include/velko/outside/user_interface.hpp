// The user-interface layer: message boxes, the window functions, the screen and a pass of
// pending events, in place of the desktop calls. Each thread has a current layer (a headless one
// by default) that the library uses; a host with a real desktop, or a test, installs its own.
//
// Numbers follow the platform's window functions: handles are Longs (0 none), answers of message
// boxes are 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No. As on the platform, a
// window function given an unknown handle or a malformed record fails by its result (0 or
// False) and raises nothing.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

namespace ui {
// Message box flags: buttons (low four bits), icon, default button, modality.
constexpr Long kMbOk = 0;
constexpr Long kMbOkCancel = 1;
constexpr Long kMbAbortRetryIgnore = 2;
constexpr Long kMbYesNoCancel = 3;
constexpr Long kMbYesNo = 4;
constexpr Long kMbRetryCancel = 5;
constexpr Long kMbIconError = 16;
constexpr Long kMbIconQuestion = 32;
constexpr Long kMbIconExclamation = 48;
constexpr Long kMbIconInformation = 64;
constexpr Long kMbDefButton2 = 0x100;
constexpr Long kMbDefButton3 = 0x200;
constexpr Long kMbSystemModal = 4096;
// Message box answers.
constexpr Long kIdOk = 1;
constexpr Long kIdCancel = 2;
constexpr Long kIdAbort = 3;
constexpr Long kIdRetry = 4;
constexpr Long kIdIgnore = 5;
constexpr Long kIdYes = 6;
constexpr Long kIdNo = 7;
// Window long indices and styles.
constexpr Long kGwlStyle = -16;
constexpr Long kGwlExStyle = -20;
constexpr Long kWsExTopmost = 0x8;
constexpr Long kWsExAppWindow = 0x40000;
constexpr Long kWsOverlappedWindow = 0x00CF0000;
constexpr Long kWsVisible = 0x10000000;
// SetWindowPos: insert-after handles and flags.
constexpr Long kHwndTop = 0;
constexpr Long kHwndBottom = 1;
constexpr Long kHwndTopmost = -1;
constexpr Long kHwndNoTopmost = -2;
constexpr Long kSwpNoSize = 0x1;
constexpr Long kSwpNoMove = 0x2;
constexpr Long kSwpNoZOrder = 0x4;
constexpr Long kSwpFrameChanged = 0x20;
// Show commands of a placement.
constexpr Long kSwHide = 0;
constexpr Long kSwShowNormal = 1;
constexpr Long kSwShowMinimized = 2;
constexpr Long kSwShowMaximized = 3;
// System menu commands and RemoveMenu flags.
constexpr Long kScSize = 0xF000;
constexpr Long kScMove = 0xF010;
constexpr Long kScMinimize = 0xF020;
constexpr Long kScMaximize = 0xF030;
constexpr Long kScClose = 0xF060;
constexpr Long kScRestore = 0xF120;
constexpr Long kMfByCommand = 0x0;
constexpr Long kMfByPosition = 0x400;
// The length field of a valid placement record.
constexpr Long kPlacementLength = 44;
}  // namespace ui

struct WindowPoint {
  Long x = 0;
  Long y = 0;
  friend bool operator==(const WindowPoint&, const WindowPoint&) = default;
};

struct WindowRect {
  Long left = 0;
  Long top = 0;
  Long right = 0;
  Long bottom = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The window-placement record; positions in pixels.
struct WindowPlacement {
  Long length = ui::kPlacementLength;
  Long flags = 0;
  Long showCmd = ui::kSwShowNormal;
  WindowPoint minPosition;
  WindowPoint maxPosition;
  WindowRect normalPosition;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

class IUserInterface : public virtual IUnknown {
 public:
  static constexpr Guid kIID = MakeGuid("{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E60}");
  // Shows a message box and returns the answer (1 OK, 6 Yes, 7 No ...).
  virtual Long MessageBox(const String& text, Long flags, const String& caption) = 0;
  virtual Boolean SetWindowPos(Long hwnd, Long insertAfter, Long x, Long y, Long cx, Long cy,
                               Long flags) = 0;
  virtual Long GetWindowLongA(Long hwnd, Long index) = 0;
  // Returns the previous value (0 on failure).
  virtual Long SetWindowLongA(Long hwnd, Long index, Long value) = 0;
  // Both fail unless the record's length is 44.
  virtual Boolean GetWindowPlacement(Long hwnd, WindowPlacement& placement) = 0;
  virtual Boolean SetWindowPlacement(Long hwnd, const WindowPlacement& placement) = 0;
  // Locks drawing of one window at a time; 0 unlocks.
  virtual Boolean LockWindowUpdate(Long hwnd) = 0;
  // The window's system menu handle; with `revert` True the menu is reset and 0 returned.
  virtual Long GetSystemMenu(Long hwnd, Boolean revert) = 0;
  // Removes an item by command (its 16-bit value, so -4000 is 0xF060) or by 0-based position.
  virtual Boolean RemoveMenu(Long menu, Long position, Long flags) = 0;
  virtual Long ScreenWidth() = 0;   // twips
  virtual Long ScreenHeight() = 0;  // twips
  virtual Long TwipsPerPixelX() = 0;
  virtual Long TwipsPerPixelY() = 0;
  // Lets pending user-interface events run.
  virtual void DoEvents() = 0;
};

// A layer whose message boxes let the person add a remark to the answer (what they saw). A plug-in
// that asks a question queries the current layer for it and keeps the remark with its result;
// layers without it give no remark.
class IAnswerRemark : public virtual IUnknown {
 public:
  static constexpr Guid kIID = MakeGuid("{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E62}");
  // The remark given with the answer of the last message box; "" for none.
  virtual String LastAnswerRemark() = 0;
};

// A window kept as a record by the headless layer.
struct HeadlessWindow {
  Long style = ui::kWsOverlappedWindow | ui::kWsVisible;
  Long exStyle = 0;
  WindowPlacement placement;
  bool topmost = false;
  std::vector<Long> systemMenu;  // command of each item; 0 is the separator
  std::map<Long, Long> longs;    // window longs other than the styles
  Long frameChanges = 0;         // SetWindowPos calls with the frame-changed flag
};

struct MessageBoxRecord {
  String text;
  Long flags = 0;
  String caption;
  Long answer = 0;
};

// The headless default: windows are records, message boxes are answered from a setting (queued
// answers first, then the fixed answer, else the box's default button) and recorded.
class HeadlessUserInterface final : public IUserInterface {
 public:
  HeadlessUserInterface();

  Long MessageBox(const String& text, Long flags, const String& caption) override;
  Boolean SetWindowPos(Long hwnd, Long insertAfter, Long x, Long y, Long cx, Long cy,
                       Long flags) override;
  Long GetWindowLongA(Long hwnd, Long index) override;
  Long SetWindowLongA(Long hwnd, Long index, Long value) override;
  Boolean GetWindowPlacement(Long hwnd, WindowPlacement& placement) override;
  Boolean SetWindowPlacement(Long hwnd, const WindowPlacement& placement) override;
  Boolean LockWindowUpdate(Long hwnd) override;
  Long GetSystemMenu(Long hwnd, Boolean revert) override;
  Boolean RemoveMenu(Long menu, Long position, Long flags) override;
  Long ScreenWidth() override { return screenWidth_; }
  Long ScreenHeight() override { return screenHeight_; }
  Long TwipsPerPixelX() override { return twipsPerPixelX_; }
  Long TwipsPerPixelY() override { return twipsPerPixelY_; }
  void DoEvents() override;

  // Windows. A new window is normal, visible, not topmost, with the full system menu.
  Long CreateWindow(const WindowRect& normalPixels, Long showCmd = ui::kSwShowNormal);
  void DestroyWindow(Long hwnd);
  bool HasWindow(Long hwnd) const;
  // The record of a window; an unknown handle raises error 5.
  const HeadlessWindow& Window(Long hwnd) const;
  // Handles from the top of the z-order down (topmost windows first).
  const std::vector<Long>& ZOrder() const { return zOrder_; }
  // The locked window (0 none) and every LockWindowUpdate argument in order.
  Long LockedWindow() const { return locked_; }
  const std::vector<Long>& LockCalls() const { return lockCalls_; }

  // Screen size in twips and twips per pixel; all must be positive (else error 5).
  void SetScreen(Long widthTwips, Long heightTwips, Long twipsPerPixelX, Long twipsPerPixelY);

  // Message boxes.
  void SetMessageBoxAnswer(std::optional<Long> answer);
  void QueueMessageBoxAnswers(const std::vector<Long>& answers);
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }

  // DoEvents runs the hook (when set) and counts the passes.
  void SetDoEventsHook(std::function<void()> hook);
  Long DoEventsCount() const { return doEventsCount_; }

 private:
  HeadlessWindow* Find(Long hwnd);
  void PlaceInZOrder(Long hwnd, Long insertAfter);

  std::map<Long, HeadlessWindow> windows_;
  std::map<Long, Long> menus_;  // menu handle -> window
  std::vector<Long> zOrder_;
  Long nextWindow_ = 0x10010;
  Long nextMenu_ = 0x20010;
  Long locked_ = 0;
  std::vector<Long> lockCalls_;
  Long screenWidth_ = 1920 * 15;
  Long screenHeight_ = 1080 * 15;
  Long twipsPerPixelX_ = 15;
  Long twipsPerPixelY_ = 15;
  std::deque<Long> queuedAnswers_;
  std::optional<Long> fixedAnswer_;
  std::vector<MessageBoxRecord> messageBoxes_;
  std::function<void()> doEventsHook_;
  Long doEventsCount_ = 0;
};

// The calling thread's layer (a HeadlessUserInterface until replaced).
Ref<IUserInterface> UserInterface();
// Replaces the calling thread's layer and returns the one it replaced; none installs a new
// headless layer.
Ref<IUserInterface> UseUserInterface(Ref<IUserInterface> layer);

// A form of the host's toolkit: a window with a position and size in twips and a state
// (0 normal, 1 minimised, 2 maximised).
class IForm : public virtual IUnknown {
 public:
  static constexpr Guid kIID = MakeGuid("{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E61}");
  virtual Long hWnd() = 0;
  virtual Single Left() = 0;
  virtual Single Top() = 0;
  virtual Single Width() = 0;
  virtual Single Height() = 0;
  virtual Long WindowState() = 0;
  virtual void SetWindowState(Long state) = 0;
  // Moves the form; without width and height it keeps its size.
  virtual void Move(Single left, Single top, std::optional<Single> width = std::nullopt,
                    std::optional<Single> height = std::nullopt) = 0;
};

// A form backed by a window of a headless layer: positions are the window's normal rectangle in
// pixels times the layer's twips per pixel; moving rounds twips to whole pixels.
class HeadlessForm final : public IForm {
 public:
  // Creates a new window in `layer` at `normalPixels`.
  HeadlessForm(Ref<HeadlessUserInterface> layer, const WindowRect& normalPixels);

  Long hWnd() override { return hwnd_; }
  Single Left() override;
  Single Top() override;
  Single Width() override;
  Single Height() override;
  // A state outside 0..2 raises error 5.
  Long WindowState() override;
  void SetWindowState(Long state) override;
  void Move(Single left, Single top, std::optional<Single> width = std::nullopt,
            std::optional<Single> height = std::nullopt) override;

 private:
  WindowPlacement Placement();

  Ref<HeadlessUserInterface> layer_;
  Long hwnd_;
};

}  // namespace velko
