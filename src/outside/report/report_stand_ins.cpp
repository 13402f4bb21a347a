#include "velko/outside/report_stand_ins.hpp"

namespace velko::report {

String WithOriginals(std::string_view text) {
  String out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::optional<char> original = StandInAt(text, i)) {
      out += *original;
      i += 3;
    } else {
      out += text[i++];
    }
  }
  return out;
}

CharMap WriterCharMap(std::string_view from, std::string_view to) {
  CharMap map;
  bool openBrace = false;
  bool closeBrace = false;
  bool backslash = false;
  // `to` walked beside `from`, one character (a whole UTF-8 sequence) for each of its characters.
  std::size_t t = 0;
  for (std::size_t f = 0; f < from.size();) {
    std::size_t fromLength = 1;
    while (f + fromLength < from.size() &&
           (static_cast<unsigned char>(from[f + fromLength]) & 0xC0) == 0x80)
      ++fromLength;
    std::size_t toLength = t < to.size() ? 1 : 0;
    while (t + toLength < to.size() &&
           (static_cast<unsigned char>(to[t + toLength]) & 0xC0) == 0x80)
      ++toLength;
    const std::string_view c = from.substr(f, fromLength);
    map.from += c;
    if (fromLength == 1 && IsReservedChar(c[0])) {
      map.to += StandInFor(c[0]);
      openBrace = openBrace || c[0] == '{';
      closeBrace = closeBrace || c[0] == '}';
      backslash = backslash || c[0] == '\\';
    } else {
      map.to += to.substr(t, toLength);
    }
    f += fromLength;
    t += toLength;
  }
  if (openBrace && closeBrace && !backslash) {
    map.from += '\\';
    map.to += StandInFor('\\');
  }
  return map;
}

String WriterReplacer::Apply(std::string_view text, const String& from, const String& to) {
  if (!replacer_ || from != from_ || to != to_) {
    // Reserved characters become stand-ins that the page shows as the originals.
    const CharMap map = WriterCharMap(from, to);
    replacer_.emplace(map.from, map.to);
    from_ = from;
    to_ = to;
  }
  return replacer_->Apply(text);
}

}  // namespace velko::report
