// The user-interface layer of a front end that puts the library's questions (message boxes of the
// plug-ins and of the test guide) to a person: a browser, a terminal, a file of answers. Window
// functions stay headless; a message box goes to the front end's asker, and one the asker leaves
// unanswered gets the headless answer (the box's default button), as without a front end.
#pragma once

#include <functional>
#include <optional>

#include "velko/outside/user_interface.hpp"

namespace velko::host {

struct OperatorQuestion {
  String text;
  String caption;
  Long flags = 0;  // the message box flags: buttons, icon, default button
};

struct OperatorAnswer {
  Long answer = 0;  // ui::kIdYes, ui::kIdNo, ...
  String remark;    // what the person added; "" for nothing
};

class QuestionLayer final : public IUserInterface, public IAnswerRemark {
 public:
  // Returns the answer, or none to leave the box to the headless layer.
  using Asker = std::function<std::optional<OperatorAnswer>(const OperatorQuestion&)>;
  explicit QuestionLayer(Asker asker);

  Long MessageBox(const String& text, Long flags, const String& caption) override;
  String LastAnswerRemark() override { return lastRemark_; }

  Boolean SetWindowPos(Long hwnd, Long insertAfter, Long x, Long y, Long cx, Long cy,
                       Long flags) override;
  Long GetWindowLongA(Long hwnd, Long index) override;
  Long SetWindowLongA(Long hwnd, Long index, Long value) override;
  Boolean GetWindowPlacement(Long hwnd, WindowPlacement& placement) override;
  Boolean SetWindowPlacement(Long hwnd, const WindowPlacement& placement) override;
  Boolean LockWindowUpdate(Long hwnd) override;
  Long GetSystemMenu(Long hwnd, Boolean revert) override;
  Boolean RemoveMenu(Long menu, Long position, Long flags) override;
  Long ScreenWidth() override;
  Long ScreenHeight() override;
  Long TwipsPerPixelX() override;
  Long TwipsPerPixelY() override;
  void DoEvents() override;

 private:
  Asker asker_;
  Ref<HeadlessUserInterface> headless_;
  String lastRemark_;
};

// Installs a layer on the calling thread for the life of the object, and puts the one it replaced
// back at the end.
class ScopedUserInterface {
 public:
  explicit ScopedUserInterface(Ref<IUserInterface> layer);
  ~ScopedUserInterface();
  ScopedUserInterface(const ScopedUserInterface&) = delete;
  ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

 private:
  Ref<IUserInterface> previous_;
};

// The answers of a file for `velko run --answers`: one a line, "yes" or "no" (either language's
// word, any case), optionally followed by a remark after a blank; empty lines and lines starting
// with "#" are skipped. Raises a host error naming the line of anything else.
std::vector<OperatorAnswer> ParseAnswers(const String& text);

}  // namespace velko::host
