#include "velko/frame/text.hpp"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdint>

namespace velko {

// Decodes one UTF-8 sequence at `i`; invalid bytes decode as themselves (Latin-1), so folding
// never loses data.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](std::size_t k) {
    return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
  };
  auto bits = [&](std::size_t k) { return static_cast<char32_t>(s[i + k] & 0x3F); };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0 && cont(1)) {
    const char32_t c = (static_cast<char32_t>(b0 & 0x1F) << 6) | bits(1);
    i += 2;
    return c;
  }
  if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
    const char32_t c = (static_cast<char32_t>(b0 & 0x0F) << 12) | (bits(1) << 6) | bits(2);
    i += 3;
    return c;
  }
  if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
    const char32_t c =
        (static_cast<char32_t>(b0 & 0x07) << 18) | (bits(1) << 12) | (bits(2) << 6) | bits(3);
    i += 4;
    return c;
  }
  ++i;
  return b0;
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

}  // namespace

String TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return String(text.substr(first, last - first + 1));
}

String FoldCase(std::string_view text) {
  // Keys are mostly ASCII: folded byte by byte, without decoding.
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
    String out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
  }
  String out;
  out.reserve(text.size());
  const locale_t loc = Utf8Locale();
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = DecodeUtf8(text, i);
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
      AppendUtf8(out, static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc)));
    }
  }
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
