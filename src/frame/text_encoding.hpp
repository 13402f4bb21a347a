// Text in encodings other than UTF-8 (UTF-16 registry files, the code pages of rich text),
// converted through the C library's iconv.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "velko/frame/types.hpp"

namespace velko {

struct Conversion {
  String text;  // what was converted: all of it, or everything before `failedAt`
  // The offset in the input of the first byte sequence that is not valid in the source encoding
  // or cannot be written in the target; npos when everything converted.
  std::size_t failedAt = std::string_view::npos;

  bool Complete() const { return failedAt == std::string_view::npos; }
};

// Converts `bytes` from the encoding `from` to `to` (iconv names: "UTF-8", "UTF-16LE", "CP1251"),
// stopping at the first fault. None when the system has no converter between the two.
std::optional<Conversion> ConvertText(std::string_view bytes, const char* from, const char* to);

// `bytes` in `from` as UTF-8; each byte that starts no valid character becomes U+FFFD and the
// rest goes on. None when the system has no converter from `from`.
std::optional<String> DecodeToUtf8(std::string_view bytes, const char* from);

}  // namespace velko
