#include "velko/frame/text.hpp"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velko {

// Decodes one UTF-8 sequence at `i`; invalid bytes decode as themselves (Latin-1), so folding
// never loses data.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) -> unsigned {
    return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u;
  };
  const auto within = [](unsigned b, unsigned low, unsigned high) { return b >= low && b <= high; };
  const unsigned b0 = byte(0);
  if (b0 < 0x80) return 1;
  // The second byte's range depends on the lead: it rules out overlong forms, surrogates and
  // codes beyond U+10FFFF; every further byte is a plain continuation byte.
  std::size_t length = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (within(b0, 0xC2, 0xDF)) {
    length = 2;
  } else if (within(b0, 0xE0, 0xEF)) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (within(b0, 0xF0, 0xF4)) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (!within(byte(1), low, high)) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (!within(byte(k), 0x80, 0xBF)) return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  const std::size_t length = Utf8SequenceLength(s, i);
  if (length <= 1) {
    ++i;
    return b0;
  }
  static constexpr unsigned char kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
  char32_t c = b0 & kLeadBits[length];
  for (std::size_t k = 1; k < length; ++k)
    c = (c << 6) | static_cast<char32_t>(s[i + k] & 0x3F);
  i += length;
  return c;
}

void AppendUtf8(String& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

namespace {

// The C library's Unicode tables, through a UTF-8 locale of our own (never the process locale).
// The locale object is immutable, so one per process serves every thread.
class Utf8Ctype {
 public:
  Utf8Ctype() {
    loc_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!loc_) loc_ = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
  }
  ~Utf8Ctype() {
    if (loc_) freelocale(loc_);
  }
  Utf8Ctype(const Utf8Ctype&) = delete;
  Utf8Ctype& operator=(const Utf8Ctype&) = delete;
  locale_t get() const { return loc_; }

 private:
  locale_t loc_;
};

locale_t Utf8Locale() {
  static const Utf8Ctype ctype;
  return ctype.get();
}

constexpr std::uint64_t EveryByte(unsigned char byte) {
  return 0x0101010101010101ull * byte;
}

// Eight ASCII bytes (none with the high bit) with 'A'..'Z' lowered: a byte's high bit comes up
// when it is at least 'A' and stays down when it is beyond 'Z', and no sum carries into the next
// byte.
std::uint64_t FoldAsciiWord(std::uint64_t word) {
  const std::uint64_t atLeastA = word + EveryByte(0x80 - 'A');
  const std::uint64_t beyondZ = word + EveryByte(0x80 - 'Z' - 1);
  const std::uint64_t upper = atLeastA & ~beyondZ & EveryByte(0x80);
  return word | (upper >> 2);  // 0x80 >> 2 is the 0x20 between the cases
}

// Folds character by character through the C library's wide-character lower case.
void AppendFoldedDecoded(String& out, std::string_view text) {
  const locale_t loc = Utf8Locale();
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = DecodeUtf8(text, i);
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
      AppendUtf8(out, static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc)));
    }
  }
}

}  // namespace

String TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return String(text.substr(first, last - first + 1));
}

void AppendFoldedCase(String& out, std::string_view text) {
  // Keys are mostly ASCII: copied once and folded in place, eight bytes at a time. From the first
  // byte beyond ASCII on (a sequence starts there, all before were single bytes) the rest is
  // decoded.
  const std::size_t start = out.size();
  out.append(text);
  char* const folded = out.data() + start;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, folded + i, 8);
    if ((word & EveryByte(0x80)) != 0) break;
    word = FoldAsciiWord(word);
    std::memcpy(folded + i, &word, 8);
  }
  for (; i < text.size(); ++i) {
    const char c = folded[i];
    if ((c & 0x80) != 0) {
      out.resize(start + i);
      AppendFoldedDecoded(out, text.substr(i));
      return;
    }
    if (c >= 'A' && c <= 'Z') folded[i] = static_cast<char>(c + 32);
  }
}

String FoldCase(std::string_view text) {
  String out;
  out.reserve(text.size());  // exactly: appending to an empty string would size it by growth
  AppendFoldedCase(out, text);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

bool ContainsIgnoreCase(std::string_view text, std::string_view part) {
  return FoldCase(text).find(FoldCase(part)) != String::npos;
}

String ToLowerAscii(std::string_view text) {
  String out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::vector<String> Split(std::string_view text, std::string_view separator) {
  std::vector<String> parts;
  if (separator.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  std::size_t start = 0;
  for (;;) {
    const auto pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, pos - start));
    start = pos + separator.size();
  }
}

String ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return String(text);
  String out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (;;) {
    const auto pos = text.find(from, start);
    if (pos == std::string_view::npos) break;
    out.append(text.substr(start, pos - start));
    out.append(to);
    start = pos + from.size();
  }
  out.append(text.substr(start));
  return out;
}

String CharFromCode(Long code) {
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  String out;
  AppendUtf8(out, static_cast<char32_t>(code));
  return out;
}

}  // namespace velko
