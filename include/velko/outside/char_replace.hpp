// Character-by-character replacement for report texts: the n-th character of `from` becomes the
// n-th character of `to`.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::report {

class CharReplacer {
 public:
  // Characters are whole UTF-8 sequences, or single bytes where the bytes are no UTF-8. The first
  // occurrence of a character in `from` decides; one without a counterpart in `to` stays as it is.
  CharReplacer(std::string_view from, std::string_view to);

  String Apply(std::string_view text) const;

 private:
  String ApplyByteWise(std::string_view text) const;
  String ApplyCharWise(std::string_view text) const;

  String from_;
  String to_;
  // When every character of `from` is a single ASCII byte, no byte of a multi-byte character (nor
  // of text that is no UTF-8) can be one of them, and a text is mapped byte by byte: what each
  // ASCII byte becomes, as a part of `to_`.
  struct Part {
    std::size_t offset = 0;
    std::size_t length = 0;
  };
  bool byteWise_ = false;
  std::array<bool, 128> mapped_{};
  std::array<Part, 128> byteTarget_{};
  // Otherwise the characters, searched for each character of a text.
  std::vector<String> fromChars_;
  std::vector<String> toChars_;
};

}  // namespace velko::report
