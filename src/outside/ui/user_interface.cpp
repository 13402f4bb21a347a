#include "velko/outside/user_interface.hpp"

#include <algorithm>
#include <cstdint>

#include "velko/frame/error.hpp"
#include "velko/frame/numeric.hpp"

namespace velko {
namespace {

constexpr const char* kLayerSource = "VelkoCore.HeadlessUserInterface";
constexpr const char* kFormSource = "VelkoCore.HeadlessForm";

[[noreturn]] void RaiseInvalid(const char* source, const String& description) {
  throw Error(rt::kInvalidCall, source, description);
}

// The answers of the buttons of a message box, in button order.
std::vector<Long> ButtonAnswers(Long flags) {
  switch (flags & 0xF) {
    case ui::kMbOkCancel:
      return {ui::kIdOk, ui::kIdCancel};
    case ui::kMbAbortRetryIgnore:
      return {ui::kIdAbort, ui::kIdRetry, ui::kIdIgnore};
    case ui::kMbYesNoCancel:
      return {ui::kIdYes, ui::kIdNo, ui::kIdCancel};
    case ui::kMbYesNo:
      return {ui::kIdYes, ui::kIdNo};
    case ui::kMbRetryCancel:
      return {ui::kIdRetry, ui::kIdCancel};
    default:
      return {ui::kIdOk};
  }
}

// The answer of the default button (the first one when the flags name a button that the box
// does not have).
Long DefaultButtonAnswer(Long flags) {
  const std::vector<Long> answers = ButtonAnswers(flags);
  const auto index = static_cast<std::size_t>((flags >> 8) & 0xF);
  return index < answers.size() ? answers[index] : answers.front();
}

std::vector<Long> DefaultSystemMenu() {
  return {ui::kScRestore,  ui::kScMove, ui::kScSize, ui::kScMinimize,
          ui::kScMaximize, 0,           ui::kScClose};
}

// The state a show command leaves the window in (1 normal, 2 minimised, 3 maximised), nullopt
// for a command that keeps the state, and 0 for one that is no show command.
std::optional<Long> StateOfShowCommand(Long showCmd) {
  switch (showCmd) {
    case 1:
    case 4:
    case 9:
    case 10:
      return ui::kSwShowNormal;
    case 2:
    case 6:
    case 7:
    case 11:
      return ui::kSwShowMinimized;
    case 3:
      return ui::kSwShowMaximized;
    case ui::kSwHide:
    case 5:
    case 8:
      return std::nullopt;
    default:
      return 0;
  }
}

// Sums of pixel positions, kept inside the range of a Long.
Long Saturated(long long value) {
  return static_cast<Long>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

Ref<IUserInterface>& CurrentLayer() {
  thread_local Ref<IUserInterface> layer;
  return layer;
}

}  // namespace

HeadlessUserInterface::HeadlessUserInterface() = default;

Long HeadlessUserInterface::MessageBox(const String& text, Long flags, const String& caption) {
  Long answer = DefaultButtonAnswer(flags);
  if (!queuedAnswers_.empty()) {
    answer = queuedAnswers_.front();
    queuedAnswers_.pop_front();
  } else if (fixedAnswer_) {
    answer = *fixedAnswer_;
  }
  messageBoxes_.push_back({text, flags, caption, answer});
  return answer;
}

HeadlessWindow* HeadlessUserInterface::Find(Long hwnd) {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

void HeadlessUserInterface::PlaceInZOrder(Long hwnd, Long insertAfter) {
  HeadlessWindow& window = windows_.at(hwnd);
  if (insertAfter == ui::kHwndTopmost) window.topmost = true;
  if (insertAfter == ui::kHwndNoTopmost || insertAfter == ui::kHwndBottom) window.topmost = false;
  if (const HeadlessWindow* other = Find(insertAfter)) window.topmost = other->topmost;
  std::erase(zOrder_, hwnd);
  auto position = zOrder_.begin();
  if (Find(insertAfter)) {
    position = std::find(zOrder_.begin(), zOrder_.end(), insertAfter) + 1;
  } else if (insertAfter == ui::kHwndBottom) {
    position = zOrder_.end();
  } else if (!window.topmost) {  // the top of the windows that are not topmost
    position = std::find_if(zOrder_.begin(), zOrder_.end(),
                            [&](Long h) { return !windows_.at(h).topmost; });
  }
  zOrder_.insert(position, hwnd);
}

Boolean HeadlessUserInterface::SetWindowPos(Long hwnd, Long insertAfter, Long x, Long y, Long cx,
                                            Long cy, Long flags) {
  HeadlessWindow* window = Find(hwnd);
  if (!window) return false;
  const bool knownInsertAfter = insertAfter == ui::kHwndTop || insertAfter == ui::kHwndBottom ||
                                insertAfter == ui::kHwndTopmost ||
                                insertAfter == ui::kHwndNoTopmost || Find(insertAfter);
  if (!(flags & ui::kSwpNoZOrder) && !knownInsertAfter) return false;
  if (!(flags & ui::kSwpNoZOrder) && insertAfter != hwnd) PlaceInZOrder(hwnd, insertAfter);
  WindowRect& rect = window->placement.normalPosition;
  if (!(flags & ui::kSwpNoMove)) {
    const long long width = static_cast<long long>(rect.right) - rect.left;
    const long long height = static_cast<long long>(rect.bottom) - rect.top;
    rect = {x, y, Saturated(x + width), Saturated(y + height)};
  }
  if (!(flags & ui::kSwpNoSize)) {
    rect.right = Saturated(static_cast<long long>(rect.left) + std::max(cx, 0));
    rect.bottom = Saturated(static_cast<long long>(rect.top) + std::max(cy, 0));
  }
  if (flags & ui::kSwpFrameChanged) ++window->frameChanges;
  return true;
}

Long HeadlessUserInterface::GetWindowLongA(Long hwnd, Long index) {
  const HeadlessWindow* window = Find(hwnd);
  if (!window) return 0;
  if (index == ui::kGwlStyle) return window->style;
  if (index == ui::kGwlExStyle) return window->exStyle | (window->topmost ? ui::kWsExTopmost : 0);
  const auto it = window->longs.find(index);
  return it == window->longs.end() ? 0 : it->second;
}

Long HeadlessUserInterface::SetWindowLongA(Long hwnd, Long index, Long value) {
  HeadlessWindow* window = Find(hwnd);
  if (!window) return 0;
  const Long previous = GetWindowLongA(hwnd, index);
  if (index == ui::kGwlStyle) {
    window->style = value;
  } else if (index == ui::kGwlExStyle) {
    window->exStyle = value & ~ui::kWsExTopmost;  // topmost changes only through SetWindowPos
  } else {
    window->longs[index] = value;
  }
  return previous;
}

Boolean HeadlessUserInterface::GetWindowPlacement(Long hwnd, WindowPlacement& placement) {
  const HeadlessWindow* window = Find(hwnd);
  if (!window || placement.length != ui::kPlacementLength) return false;
  placement = window->placement;
  return true;
}

Boolean HeadlessUserInterface::SetWindowPlacement(Long hwnd, const WindowPlacement& placement) {
  HeadlessWindow* window = Find(hwnd);
  if (!window || placement.length != ui::kPlacementLength) return false;
  const std::optional<Long> state = StateOfShowCommand(placement.showCmd);
  if (state == 0) return false;
  const Long previousState = window->placement.showCmd;
  window->placement = placement;
  window->placement.showCmd = state.value_or(previousState);
  if (placement.showCmd == ui::kSwHide) {
    window->style &= ~ui::kWsVisible;
  } else {
    window->style |= ui::kWsVisible;
  }
  return true;
}

Boolean HeadlessUserInterface::LockWindowUpdate(Long hwnd) {
  lockCalls_.push_back(hwnd);
  if (hwnd == 0) {
    locked_ = 0;
    return true;
  }
  if (!Find(hwnd) || (locked_ != 0 && locked_ != hwnd)) return false;  // one window at a time
  locked_ = hwnd;
  return true;
}

Long HeadlessUserInterface::GetSystemMenu(Long hwnd, Boolean revert) {
  HeadlessWindow* window = Find(hwnd);
  if (!window) return 0;
  if (revert) {
    window->systemMenu = DefaultSystemMenu();
    return 0;
  }
  for (const auto& [menu, owner] : menus_) {
    if (owner == hwnd) return menu;
  }
  const Long menu = nextMenu_;
  nextMenu_ += 0x10;
  menus_[menu] = hwnd;
  return menu;
}

Boolean HeadlessUserInterface::RemoveMenu(Long menu, Long position, Long flags) {
  const auto owner = menus_.find(menu);
  if (owner == menus_.end()) return false;
  std::vector<Long>& items = windows_.at(owner->second).systemMenu;
  if (flags & ui::kMfByPosition) {
    if (position < 0 || static_cast<std::size_t>(position) >= items.size()) return false;
    items.erase(items.begin() + position);
    return true;
  }
  const auto item = std::find(items.begin(), items.end(), position & 0xFFFF);
  if (item == items.end()) return false;
  items.erase(item);
  return true;
}

void HeadlessUserInterface::DoEvents() {
  ++doEventsCount_;
  if (doEventsHook_) doEventsHook_();
}

Long HeadlessUserInterface::CreateWindow(const WindowRect& normalPixels, Long showCmd) {
  const Long hwnd = nextWindow_;
  nextWindow_ += 0x10;
  HeadlessWindow window;
  window.placement.normalPosition = normalPixels;
  const std::optional<Long> state = StateOfShowCommand(showCmd);
  window.placement.showCmd = state && *state != 0 ? *state : ui::kSwShowNormal;
  window.systemMenu = DefaultSystemMenu();
  windows_[hwnd] = window;
  PlaceInZOrder(hwnd, ui::kHwndTop);
  return hwnd;
}

void HeadlessUserInterface::DestroyWindow(Long hwnd) {
  if (windows_.erase(hwnd) == 0) return;
  std::erase(zOrder_, hwnd);
  std::erase_if(menus_, [&](const auto& entry) { return entry.second == hwnd; });
  if (locked_ == hwnd) locked_ = 0;
}

bool HeadlessUserInterface::HasWindow(Long hwnd) const {
  return windows_.contains(hwnd);
}

const HeadlessWindow& HeadlessUserInterface::Window(Long hwnd) const {
  const auto it = windows_.find(hwnd);
  if (it == windows_.end()) {
    RaiseInvalid(kLayerSource, "No window has the handle " + std::to_string(hwnd) + ".");
  }
  return it->second;
}

void HeadlessUserInterface::SetScreen(Long widthTwips, Long heightTwips, Long twipsPerPixelX,
                                      Long twipsPerPixelY) {
  if (widthTwips <= 0 || heightTwips <= 0 || twipsPerPixelX <= 0 || twipsPerPixelY <= 0) {
    RaiseInvalid(kLayerSource, "The screen size and the twips per pixel must be positive.");
  }
  screenWidth_ = widthTwips;
  screenHeight_ = heightTwips;
  twipsPerPixelX_ = twipsPerPixelX;
  twipsPerPixelY_ = twipsPerPixelY;
}

void HeadlessUserInterface::SetMessageBoxAnswer(std::optional<Long> answer) {
  fixedAnswer_ = answer;
}

void HeadlessUserInterface::QueueMessageBoxAnswers(const std::vector<Long>& answers) {
  queuedAnswers_.insert(queuedAnswers_.end(), answers.begin(), answers.end());
}

void HeadlessUserInterface::SetDoEventsHook(std::function<void()> hook) {
  doEventsHook_ = std::move(hook);
}

Ref<IUserInterface> UserInterface() {
  Ref<IUserInterface>& layer = CurrentLayer();
  if (!layer) layer = MakeRef<HeadlessUserInterface>();
  return layer;
}

Ref<IUserInterface> UseUserInterface(Ref<IUserInterface> layer) {
  Ref<IUserInterface> previous = UserInterface();
  CurrentLayer() = layer ? std::move(layer) : Ref<IUserInterface>(MakeRef<HeadlessUserInterface>());
  return previous;
}

HeadlessForm::HeadlessForm(Ref<HeadlessUserInterface> layer, const WindowRect& normalPixels)
    : layer_(std::move(layer)), hwnd_(layer_->CreateWindow(normalPixels)) {}

WindowPlacement HeadlessForm::Placement() {
  WindowPlacement placement;
  if (!layer_->GetWindowPlacement(hwnd_, placement)) {
    RaiseInvalid(kFormSource, "The window of the form no longer exists.");
  }
  return placement;
}

Single HeadlessForm::Left() {
  return static_cast<Single>(Placement().normalPosition.left) * layer_->TwipsPerPixelX();
}

Single HeadlessForm::Top() {
  return static_cast<Single>(Placement().normalPosition.top) * layer_->TwipsPerPixelY();
}

Single HeadlessForm::Width() {
  const WindowRect r = Placement().normalPosition;
  return static_cast<Single>(r.right - r.left) * layer_->TwipsPerPixelX();
}

Single HeadlessForm::Height() {
  const WindowRect r = Placement().normalPosition;
  return static_cast<Single>(r.bottom - r.top) * layer_->TwipsPerPixelY();
}

Long HeadlessForm::WindowState() {
  return Placement().showCmd - 1;
}

void HeadlessForm::SetWindowState(Long state) {
  if (state < 0 || state > 2) {
    RaiseInvalid(kFormSource, "A window state is 0, 1 or 2, not " + std::to_string(state) + ".");
  }
  WindowPlacement placement = Placement();
  placement.showCmd = state + 1;
  layer_->SetWindowPlacement(hwnd_, placement);
}

void HeadlessForm::Move(Single left, Single top, std::optional<Single> width,
                        std::optional<Single> height) {
  if ((width && *width < 0) || (height && *height < 0)) {
    RaiseInvalid(kFormSource, "A form cannot have a negative width or height.");
  }
  WindowPlacement placement = Placement();
  WindowRect& r = placement.normalPosition;
  const double tppX = layer_->TwipsPerPixelX();
  const double tppY = layer_->TwipsPerPixelY();
  const Long widthPixels = width ? RoundToLong(*width / tppX) : r.right - r.left;
  const Long heightPixels = height ? RoundToLong(*height / tppY) : r.bottom - r.top;
  r.left = RoundToLong(left / tppX);
  r.top = RoundToLong(top / tppY);
  r.right = RoundToLong(static_cast<double>(r.left) + widthPixels);  // overflow raises 6
  r.bottom = RoundToLong(static_cast<double>(r.top) + heightPixels);
  layer_->SetWindowPlacement(hwnd_, placement);
}

}  // namespace velko
