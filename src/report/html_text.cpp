#include "velko/report/html_text.hpp"

#include <array>
#include <optional>
#include <string_view>

#include "velko/frame/error.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/text.hpp"

namespace velko {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// The HTML 4 Latin-1 names of the codes 160 to 191, in code order.
constexpr std::array<std::string_view, 32> kSymbolNames = {
    "nbsp",  "iexcl",  "cent", "pound", "curren", "yen",    "brvbar", "sect",
    "uml",   "copy",   "ordf", "laquo", "not",    "shy",    "reg",    "macr",
    "deg",   "plusmn", "sup2", "sup3",  "acute",  "micro",  "para",   "middot",
    "cedil", "sup1",   "ordm", "raquo", "frac14", "frac12", "frac34", "iquest"};

// The letters from 192 to 222 (upper case; the lower-case form is 32 higher); "times" sits at
// 215, where its lower-case neighbour 247 is "divide".
constexpr std::array<std::string_view, 31> kLetterNames = {
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig", "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc", "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",  "",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn"};

struct SingleEntity {
  std::string_view name;
  Long code;
};
constexpr std::array<SingleEntity, 8> kSingleEntities = {{{"quot", 34},
                                                          {"amp", 38},
                                                          {"lt", 60},
                                                          {"gt", 62},
                                                          {"times", 215},
                                                          {"szlig", 223},
                                                          {"divide", 247},
                                                          {"yuml", 255}}};

// The code of a named entity, or nullopt for a name outside the table. `lowerCase` picks the
// lower-case form of a letter that has both.
std::optional<Long> NamedEntityCode(std::string_view name, bool lowerCase) {
  for (const SingleEntity& e : kSingleEntities) {
    if (e.name == name) return e.code;
  }
  for (std::size_t i = 0; i < kSymbolNames.size(); ++i) {
    if (kSymbolNames[i] == name) return static_cast<Long>(160 + i);
  }
  for (std::size_t i = 0; i < kLetterNames.size(); ++i) {
    if (!kLetterNames[i].empty() && kLetterNames[i] == name) {
      return static_cast<Long>(192 + i + (lowerCase ? 32 : 0));
    }
  }
  return std::nullopt;
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "x" and hexadecimal digits (the rest of "#x41", lower case), or nullopt.
std::optional<double> HexNumber(std::string_view rest) {
  if (rest.size() < 2 || rest.front() != 'x') return std::nullopt;
  double value = 0;
  for (char c : rest.substr(1)) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

// The character of a numeric entity. Every Unicode character is allowed (codes 160-255 are the
// Latin-1 characters); a code that is no character is an invalid argument, as for the runtime's
// character function.
String CharacterOfCode(double number) {
  const Long code = RoundToLong(number);  // overflow raises 6
  const String text = code == 0 ? String{} : CharFromCode(code);
  if (text.empty()) {
    RaiseRuntimeError(rt::kInvalidCall,
                      "The HTML character code " + std::to_string(code) + " is not a character.");
  }
  return text;
}

// What may stand between "&" and ";" for the pair to be an entity: letters and digits, after an
// optional "#". Anything else (a blank, punctuation, nothing) leaves the "&" as text.
bool IsEntityName(std::string_view name) {
  if (!name.empty() && name.front() == '#') name.remove_prefix(1);
  if (name.empty()) return false;
  for (char c : name) {
    if (!IsAsciiAlnum(c)) return false;
  }
  return true;
}

}  // namespace

String HtmlEntityText(const String& name) {
  const String lower = ToLowerAscii(name);
  std::string_view rest = lower;
  const bool hadHash = !rest.empty() && rest.front() == '#';
  if (hadHash) rest.remove_prefix(1);
  if (auto number = ParseNumberStrict(rest)) return CharacterOfCode(*number);
  if (hadHash) {
    if (auto number = HexNumber(rest)) return CharacterOfCode(*number);
  }
  if (auto code = NamedEntityCode(rest, name == lower)) return CharFromCode(*code);
  return {};
}

// One pass over the text. The output is built as the scan goes; the positions where the pending
// tag or entity began (in the input and in the output) let a closing ">" or ";" replace it. A
// replacement is never scanned again.
String HtmlToText(const String& html) {
  const String text = ReplaceAll(html, kCrLf, "");
  String out;
  out.reserve(text.size());
  Long depth = 0;
  std::size_t start = 0;     // of the pending tag or entity in `text`
  std::size_t outStart = 0;  // the same position in `out`
  bool inEntity = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') {
      inEntity = false;
      if (depth == 0) {
        start = i;
        outStart = out.size();
      }
      ++depth;
    } else if (c == '>' && depth > 0) {  // a ">" outside any tag is text
      inEntity = false;
      if (--depth == 0) {
        const String tag = ToLowerAscii(std::string_view(text).substr(start + 1, i - start - 1));
        out.resize(outStart);
        if (tag == "br" || tag == "p" || tag == "/p") out += kCrLf;
        continue;
      }
    } else if (c == '&' && depth == 0) {  // inside a tag, "&" belongs to an attribute value
      inEntity = true;
      start = i;
      outStart = out.size();
    } else if (c == ';' && inEntity) {
      inEntity = false;
      const String name = text.substr(start + 1, i - start - 1);
      if (IsEntityName(name)) {
        out.resize(outStart);
        out += HtmlEntityText(name);
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace velko
