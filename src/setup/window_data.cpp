#include "velko/setup/window_data.hpp"

#include <optional>

#include "velko/core/error_module.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/setup/system_options.hpp"
#include "velko/typelib/setup.hpp"

namespace velko {
namespace {

// The close command of a system menu as the 16-bit value the menu call takes (0xF060).
constexpr Long kCloseCommand16 = -4000;
constexpr Long kFrameChangedNoMoveNoSize = 35;
constexpr Long kSettingTopmost = 4;
constexpr Long kSettingAppWindow = 8;

// The window an argument names: a form, or a handle given as a number or a text.
struct WindowArgument {
  Ref<IForm> form;
  Long handle = 0;
};

std::optional<WindowArgument> ReadWindowArgument(const Variant& window) {
  switch (window.GetType()) {
    case Variant::Type::kObject: {
      Ref<IForm> form = window.ToObjectAs<IForm>();
      if (!form) return std::nullopt;
      return WindowArgument{form, form->hWnd()};
    }
    case Variant::Type::kInteger:
    case Variant::Type::kLong:
    case Variant::Type::kSingle:
    case Variant::Type::kDouble:
    case Variant::Type::kString:
      return WindowArgument{nullptr, window.ToLong()};
    default:
      return std::nullopt;
  }
}

void RemoveCloseCommand(IUserInterface& ui, Long handle) {
  const Long menu = ui.GetSystemMenu(handle, false);
  ui.RemoveMenu(menu, 0, ui::kMfByCommand);
  ui.RemoveMenu(menu, kCloseCommand16, ui::kMfByCommand);
}

void ApplySystemOptions(IUserInterface& ui, Long handle) {
  const Long settings = SharedSystemOptions()->TestGuideSettings();
  Long exStyle = ui.GetWindowLongA(handle, ui::kGwlExStyle);
  if (settings & kSettingAppWindow) {
    exStyle |= ui::kWsExAppWindow;
  } else {
    exStyle &= ~ui::kWsExAppWindow;
  }
  ui.SetWindowLongA(handle, ui::kGwlExStyle, exStyle);
  ui.SetWindowPos(handle, (settings & kSettingTopmost) ? ui::kHwndTopmost : ui::kHwndTop, 0, 0, 0,
                  0, kFrameChangedNoMoveNoSize);
}

}  // namespace

VELKO_PUBLIC_CLASS(CWindowData, Instancing::kCreatable);

void CWindowData::Store(const Variant& window) {
  Quietly([&] {
    const auto argument = ReadWindowArgument(window);
    if (!argument) return;
    stored_ = true;
    if (argument->form) {
      const Ref<IForm>& form = argument->form;
      windowState_ = form->WindowState();
      if (windowState_ != 0) return;  // minimised or maximised: the earlier rectangle remains
      left_ = RoundToLong(form->Left());
      top_ = RoundToLong(form->Top());
      width_ = RoundToLong(form->Width());
      height_ = RoundToLong(form->Height());
      rectStored_ = true;
      return;
    }
    const Ref<IUserInterface> ui = UserInterface();
    WindowPlacement placement;
    if (!ui->GetWindowPlacement(argument->handle, placement)) return;
    windowState_ = placement.showCmd - 1;
    if (placement.showCmd != ui::kSwShowNormal) return;
    const Long tx = ui->TwipsPerPixelX();
    const Long ty = ui->TwipsPerPixelY();
    const WindowRect& r = placement.normalPosition;
    left_ = RoundToLong(double(r.left) * tx);
    top_ = RoundToLong(double(r.top) * ty);
    width_ = RoundToLong(double(r.right) * tx) - left_;
    height_ = RoundToLong(double(r.bottom) * ty) - top_;
    rectStored_ = true;
  });
}

void CWindowData::Apply(const Variant& window) {
  const auto argument =
      QuietlyOr(std::optional<WindowArgument>(), [&] { return ReadWindowArgument(window); });
  if (!argument) return;
  const Ref<IUserInterface> ui = UserInterface();
  Quietly([&] {
    const Long handle = argument->handle;
    ui->LockWindowUpdate(handle);
    RemoveCloseCommand(*ui, handle);
    ApplySystemOptions(*ui, handle);
    if (argument->form) {
      const Ref<IForm>& form = argument->form;
      if (stored_ && rectStored_) {
        form->Move(Single(left_), Single(top_), Single(width_), Single(height_));
      } else {
        form->Move((Single(ui->ScreenWidth()) - form->Width()) / 2,
                   (Single(ui->ScreenHeight()) - form->Height()) / 2);
      }
      if (stored_) form->SetWindowState(windowState_);
      return;
    }
    const Long tx = ui->TwipsPerPixelX();
    const Long ty = ui->TwipsPerPixelY();
    if (!(stored_ && rectStored_)) {
      // Centre the window on the screen at its present size, and remember that rectangle.
      WindowPlacement present;
      if (!ui->GetWindowPlacement(handle, present)) return;
      const Long w = present.normalPosition.right - present.normalPosition.left;
      const Long h = present.normalPosition.bottom - present.normalPosition.top;
      left_ = RoundToLong((double(ui->ScreenWidth()) - double(w) * tx) / 2);
      top_ = RoundToLong((double(ui->ScreenHeight()) - double(h) * ty) / 2);
      width_ = RoundToLong(double(w) * tx);
      height_ = RoundToLong(double(h) * ty);
    }
    WindowPlacement placement;
    placement.showCmd = windowState_ + 1;
    placement.normalPosition = {RoundToLong(double(left_) / tx), RoundToLong(double(top_) / ty),
                                RoundToLong(double(left_ + width_) / tx),
                                RoundToLong(double(top_ + height_) / ty)};
    ui->SetWindowPlacement(handle, placement);
  });
  Quietly([&] { ui->LockWindowUpdate(0); });
}

}  // namespace velko
