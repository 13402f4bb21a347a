#include "outside/language/message_text.hpp"

#include <algorithm>

#include "velko/frame/text.hpp"

namespace velko::language {
namespace {

constexpr std::string_view kKeySeparator = "::";
constexpr std::size_t kPlaceholderCount = 5;

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsKey(std::string_view key) {
  if (!key.empty() && key.front() == 'E') key.remove_prefix(1);
  return IsDigits(key);
}

String ParameterText(const Variant& value) {
  switch (value.GetType()) {
    case Variant::Type::kEmpty:
    case Variant::Type::kNull:
    case Variant::Type::kMissing:
    case Variant::Type::kObject:
    case Variant::Type::kArray:
      return {};
    default:
      try {
        return value.ToString();
      } catch (...) {  // a value without a text leaves its placeholder empty
        return {};
      }
  }
}

// Appends as much of `part` as fits below kMaxMessageBytes, never splitting a UTF-8 character.
void AppendWithin(String& result, std::string_view part) {
  if (result.size() >= kMaxMessageBytes) return;
  std::size_t room = kMaxMessageBytes - result.size();
  if (part.size() > room) {
    while (room > 0 && (static_cast<unsigned char>(part[room]) & 0xC0) == 0x80)
      --room;
    part = part.substr(0, room);
  }
  result.append(part);
}

}  // namespace

std::optional<MessageKey> SplitMessageKey(std::string_view text) {
  const auto at = text.find(kKeySeparator);
  if (at == std::string_view::npos) return std::nullopt;
  String key = TrimBlanks(text.substr(0, at));
  if (!IsKey(key)) return std::nullopt;
  return MessageKey{std::move(key), String(text.substr(at + kKeySeparator.size()))};
}

String ExpandLineBreaks(std::string_view text) {
  if (text.find("\\n") == std::string_view::npos) return String(text);
  return ReplaceAll(text, "\\n", "\n");
}

std::vector<String> ParameterTexts(const Variant& params) {
  std::vector<String> texts;
  if (params.IsArray()) {
    for (const Variant& element : params.Elements())
      texts.push_back(ParameterText(element));
  } else if (!params.IsEmpty() && !params.IsMissing()) {
    texts.push_back(ParameterText(params));
  }
  return texts;
}

String FillPlaceholders(std::string_view text, const std::vector<String>& params) {
  String result;
  result.reserve(std::min(text.size(), kMaxMessageBytes));
  std::size_t i = 0;
  while (i < text.size() && result.size() < kMaxMessageBytes) {
    const auto at = text.find("%%", i);
    if (at == std::string_view::npos || at + 2 >= text.size()) break;
    const char digit = text[at + 2];
    if (digit < '1' || digit > static_cast<char>('0' + kPlaceholderCount)) {
      AppendWithin(result, text.substr(i, at + 1 - i));  // keep one "%", look again after it
      i = at + 1;
      continue;
    }
    AppendWithin(result, text.substr(i, at - i));
    const auto index = static_cast<std::size_t>(digit - '1');
    if (index < params.size()) AppendWithin(result, params[index]);
    i = at + 3;
  }
  if (i < text.size()) AppendWithin(result, text.substr(i));
  return result;
}

}  // namespace velko::language
