#include "velko/host/session/question_layer.hpp"

#include <sstream>

#include "velko/host/session/messages.hpp"

namespace velko::host {

QuestionLayer::QuestionLayer(Asker asker)
    : asker_(std::move(asker)), headless_(MakeRef<HeadlessUserInterface>()) {}

Long QuestionLayer::MessageBox(const String& text, Long flags, const String& caption) {
  lastRemark_.clear();
  if (asker_) {
    if (const std::optional<OperatorAnswer> answer = asker_({text, caption, flags})) {
      lastRemark_ = answer->remark;
      return answer->answer;
    }
  }
  return headless_->MessageBox(text, flags, caption);
}

Boolean QuestionLayer::SetWindowPos(Long hwnd, Long insertAfter, Long x, Long y, Long cx, Long cy,
                                    Long flags) {
  return headless_->SetWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
}
Long QuestionLayer::GetWindowLongA(Long hwnd, Long index) {
  return headless_->GetWindowLongA(hwnd, index);
}
Long QuestionLayer::SetWindowLongA(Long hwnd, Long index, Long value) {
  return headless_->SetWindowLongA(hwnd, index, value);
}
Boolean QuestionLayer::GetWindowPlacement(Long hwnd, WindowPlacement& placement) {
  return headless_->GetWindowPlacement(hwnd, placement);
}
Boolean QuestionLayer::SetWindowPlacement(Long hwnd, const WindowPlacement& placement) {
  return headless_->SetWindowPlacement(hwnd, placement);
}
Boolean QuestionLayer::LockWindowUpdate(Long hwnd) {
  return headless_->LockWindowUpdate(hwnd);
}
Long QuestionLayer::GetSystemMenu(Long hwnd, Boolean revert) {
  return headless_->GetSystemMenu(hwnd, revert);
}
Boolean QuestionLayer::RemoveMenu(Long menu, Long position, Long flags) {
  return headless_->RemoveMenu(menu, position, flags);
}
Long QuestionLayer::ScreenWidth() {
  return headless_->ScreenWidth();
}
Long QuestionLayer::ScreenHeight() {
  return headless_->ScreenHeight();
}
Long QuestionLayer::TwipsPerPixelX() {
  return headless_->TwipsPerPixelX();
}
Long QuestionLayer::TwipsPerPixelY() {
  return headless_->TwipsPerPixelY();
}
void QuestionLayer::DoEvents() {
  headless_->DoEvents();
}

ScopedUserInterface::ScopedUserInterface(Ref<IUserInterface> layer)
    : previous_(UseUserInterface(std::move(layer))) {}

ScopedUserInterface::~ScopedUserInterface() {
  UseUserInterface(previous_);
}

namespace {

std::optional<Long> AnswerWord(const String& word) {
  String lower;
  for (char c : word)
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == "yes" || lower == "y" || lower == "ja" || lower == "j") return ui::kIdYes;
  if (lower == "no" || lower == "n" || lower == "nein") return ui::kIdNo;
  return std::nullopt;
}

String Trimmed(const String& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == String::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<OperatorAnswer> ParseAnswers(const String& text) {
  std::vector<OperatorAnswer> answers;
  std::istringstream lines(text);
  String line;
  Long number = 0;
  while (std::getline(lines, line)) {
    ++number;
    line = Trimmed(line);
    if (line.empty() || line.front() == '#') continue;
    const auto blank = line.find_first_of(" \t");
    const String word = line.substr(0, blank);
    const std::optional<Long> answer = AnswerWord(word);
    if (!answer) {
      RaiseHostError("1000::Line %%1 of the answers holds \"%%2\"; it must start with yes or no.",
                     {Variant(number), Variant(word)});
    }
    answers.push_back({*answer, blank == String::npos ? String() : Trimmed(line.substr(blank))});
  }
  return answers;
}

}  // namespace velko::host
