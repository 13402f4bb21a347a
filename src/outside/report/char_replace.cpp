#include "velko/outside/char_replace.hpp"

#include <algorithm>

#include "outside/report/rich_text_markup.hpp"

namespace velko::report {
namespace {

std::vector<String> SplitChars(std::string_view text) {
  std::vector<String> chars;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    chars.emplace_back(text.substr(i, length));
    i += length;
  }
  return chars;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

CharReplacer::CharReplacer(std::string_view from, std::string_view to)
    : from_(from), to_(to), byteWise_(IsAscii(from)) {
  if (!byteWise_) {
    fromChars_ = SplitChars(from);
    toChars_ = SplitChars(to);
    return;
  }
  // `from` and `to` walked side by side, character by character.
  std::size_t t = 0;
  for (const char c : from) {
    const auto b = static_cast<unsigned char>(c);
    const std::size_t length = t < to.size() ? CharLength(to, t) : 0;
    if (!mapped_[b] && length > 0) byteTarget_[b] = {t, length};
    mapped_[b] = true;
    t += length;
  }
  // A byte whose first occurrence has no counterpart stays: it maps to nothing here.
  for (std::size_t b = 0; b < mapped_.size(); ++b)
    mapped_[b] = mapped_[b] && byteTarget_[b].length > 0;
}

String CharReplacer::Apply(std::string_view text) const {
  return byteWise_ ? ApplyByteWise(text) : ApplyCharWise(text);
}

String CharReplacer::ApplyByteWise(std::string_view text) const {
  String out;
  out.reserve(text.size());
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80 || !mapped_[b]) continue;
    out.append(text.substr(runStart, i - runStart));
    out.append(to_, byteTarget_[b].offset, byteTarget_[b].length);
    runStart = i + 1;
  }
  out.append(text.substr(runStart));
  return out;
}

String CharReplacer::ApplyCharWise(std::string_view text) const {
  String out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    const std::string_view c = text.substr(i, length);
    const auto found = std::find(fromChars_.begin(), fromChars_.end(), c);
    const auto index = static_cast<std::size_t>(found - fromChars_.begin());
    // A character without a counterpart in `to` stays as it is.
    out += found != fromChars_.end() && index < toChars_.size() ? std::string_view(toChars_[index])
                                                                : c;
    i += length;
  }
  return out;
}

}  // namespace velko::report
