// The text rules of message keys: "key::default text", line breaks and %%1..%%5.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "velko/frame/variant.hpp"

namespace velko::language {

struct MessageKey {
  String key;          // "460" or "E5100"
  String defaultText;  // the text after "::"
};

// The key and default text of a message key, or nullopt when `text` is none: a key is the text
// before the first "::" (blanks around it ignored) made of digits, or "E" and digits.
std::optional<MessageKey> SplitMessageKey(std::string_view text);

// The two characters \n become a line break.
String ExpandLineBreaks(std::string_view text);

// The texts of the parameters: an array gives one text per element, Empty or Missing none, any
// other single value one. Empty, Null, Missing, objects and arrays give "".
std::vector<String> ParameterTexts(const Variant& params);

// The longest text a translation gives: a text that repeats a large parameter many times is cut
// here instead of exhausting memory.
constexpr std::size_t kMaxMessageBytes = std::size_t{16} << 20;

// Replaces %%1..%%5 by the parameters in one pass, so that a parameter that itself contains
// "%%2" stays as it is; a placeholder without a parameter becomes "". The result is cut at
// kMaxMessageBytes (at a character boundary).
String FillPlaceholders(std::string_view text, const std::vector<String>& params);

}  // namespace velko::language
