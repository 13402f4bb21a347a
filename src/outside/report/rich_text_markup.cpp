#include "outside/report/rich_text_markup.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

#include "velko/frame/text.hpp"
#include "velko/outside/report_stand_ins.hpp"

namespace velko::report {
namespace {

// Groups nested deeper than this still print their text, in the format of the deepest group.
constexpr std::size_t kMaxGroupDepth = 100;

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

using ByteTable = std::array<bool, 256>;

// Bytes that AppendEscaped does not copy as they are: markup characters, control characters and
// every byte of 0x80 and above (UTF-8 sequences are checked one by one).
constexpr ByteTable MakeEscapedBytes() {
  ByteTable table{};
  for (int b = 0; b < 256; ++b)
    table[b] = b < 0x20 || b >= 0x80;
  for (const char c : {'&', '<', '>', '"', '\''})
    table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr ByteTable kEscapedByte = MakeEscapedBytes();

// Bytes that open a group, a control word or a line end.
constexpr ByteTable MakeRichTextBytes() {
  ByteTable table{};
  for (const char c : {'{', '}', '\\', '\r', '\n'})
    table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr ByteTable kRichTextByte = MakeRichTextBytes();

// Printable ASCII that is neither escaped nor rich text.
constexpr ByteTable MakeCopiedBytes() {
  ByteTable table{};
  for (std::size_t b = 0; b < table.size(); ++b)
    table[b] = !kEscapedByte[b] && !kRichTextByte[b];
  return table;
}
constexpr ByteTable kCopiedByte = MakeCopiedBytes();

bool IsCopiedAsItIs(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return kCopiedByte[static_cast<unsigned char>(c)]; });
}

// A text with no group, control word or line end: one line of plain characters.
bool IsPlainLine(std::string_view text) {
  for (const char c : text) {
    if (kRichTextByte[static_cast<unsigned char>(c)]) return false;
  }
  return true;
}

// Destinations of a whole document that hold no visible text.
bool IsHiddenDestination(std::string_view word) {
  static constexpr std::array<std::string_view, 31> kHidden = {
      "fonttbl",   "colortbl",     "stylesheet", "info",
      "pict",      "header",       "headerl",    "headerr",
      "headerf",   "footer",       "footerl",    "footerr",
      "footerf",   "object",       "themedata",  "colorschememapping",
      "datastore", "latentstyles", "listtable",  "listoverridetable",
      "rsidtbl",   "generator",    "xmlnstbl",   "mmathPr",
      "fldinst",   "filetbl",      "revtbl",     "listtext",
      "pntext",    "nonshppict",   "bkmkstart"};
  return std::find(kHidden.begin(), kHidden.end(), word) != kHidden.end();
}

// Control words that stand for one character.
std::optional<std::string_view> SymbolWord(std::string_view word) {
  struct Symbol {
    std::string_view word;
    std::string_view text;
  };
  static constexpr std::array<Symbol, 10> kSymbols = {{{"emdash", "\u2014"},
                                                       {"endash", "\u2013"},
                                                       {"bullet", "\u2022"},
                                                       {"lquote", "\u2018"},
                                                       {"rquote", "\u2019"},
                                                       {"ldblquote", "\u201C"},
                                                       {"rdblquote", "\u201D"},
                                                       {"emspace", "\u2003"},
                                                       {"enspace", "\u2002"},
                                                       {"tab", "\t"}}};
  for (const auto& s : kSymbols) {
    if (s.word == word) return s.text;
  }
  return std::nullopt;
}

struct Format {
  TextLook look;
  bool hidden = false;
  long unicodeSkip = 1;
};

// Where the renderer puts what it reads: runs of one look (their text as it stands, not yet
// escaped) and line breaks.
class RunSink {
 public:
  virtual void Run(const TextLook& look, std::string_view text) = 0;
  virtual void LineBreak() = 0;

 protected:
  ~RunSink() = default;
};

// Escaped, balanced HTML markup; line breaks as <br>.
class HtmlSink final : public RunSink {
 public:
  explicit HtmlSink(String& html) : html_(html) {}

  void Run(const TextLook& look, std::string_view text) override {
    String& out = html_;
    if (look.halfPoints > 0) {
      out += "<span style=\"font-size:";
      out += std::to_string(look.halfPoints / 2);
      out += look.halfPoints % 2 ? ".5pt\">" : "pt\">";
    }
    if (look.bold) out += "<b>";
    if (look.italic) out += "<i>";
    if (look.underline) out += "<u>";
    AppendEscaped(out, text);
    if (look.underline) out += "</u>";
    if (look.italic) out += "</i>";
    if (look.bold) out += "</b>";
    if (look.halfPoints > 0) out += "</span>";
  }
  void LineBreak() override { html_ += "<br>"; }

 private:
  String& html_;
};

// Lines of printable runs.
class LinesSink final : public RunSink {
 public:
  LinesSink() { lines_.emplace_back(); }

  void Run(const TextLook& look, std::string_view text) override {
    TextRun run;
    AppendPrintable(run.text, text);
    run.look = look;
    lines_.back().push_back(std::move(run));
  }
  void LineBreak() override { lines_.emplace_back(); }
  std::vector<TextLine> Lines() && { return std::move(lines_); }

 private:
  std::vector<TextLine> lines_;
};

struct ControlWord {
  std::string_view word;
  std::optional<long> param;
  std::string_view raw;  // the source text including its delimiter
};

class Renderer {
 public:
  Renderer(std::string_view text, RunSink& sink, std::vector<std::size_t>& lineChars)
      : src_(text), document_(text.substr(0, 5) == "{\\rtf"), sink_(sink), lineChars_(lineChars) {
    stack_.emplace_back();
  }

  void Run() {
    while (pos_ < src_.size())
      Step();
    FlushRun();
    if (!document_) EmitPendingBreaks();  // a document's final paragraph mark is no empty line
    EndLine();
  }

 private:
  Format& Current() { return stack_.back(); }

  void Step() {
    const char c = src_[pos_];
    if (c == '{') return OpenGroup();
    if (c == '}') return CloseGroup();
    if (c == '\\') return ReadControl();
    if (c == '\r' || c == '\n') return ReadLineEnd();
    // Fallback characters after \uN are skipped one by one; other text goes as one piece up to
    // the next group, control word or line end (all ASCII, so no character is cut).
    std::size_t length = CharLength(src_, pos_);
    if (skipChars_ == 0) {
      while (pos_ + length < src_.size() &&
             !kRichTextByte[static_cast<unsigned char>(src_[pos_ + length])])
        ++length;
    }
    AppendText(src_.substr(pos_, length));
    pos_ += length;
    groupStart_ = false;
  }

  void OpenGroup() {
    ++pos_;
    if (stack_.size() < kMaxGroupDepth) {
      stack_.push_back(Current());
    } else {
      ++overflowDepth_;
    }
    groupStart_ = true;
  }

  void CloseGroup() {
    ++pos_;
    groupStart_ = false;
    if (overflowDepth_ > 0) {
      --overflowDepth_;
    } else if (stack_.size() > 1) {  // an unmatched "}" closes nothing
      stack_.pop_back();
    }
  }

  void ReadLineEnd() {
    const char c = src_[pos_++];
    if (c == '\r' && pos_ < src_.size() && src_[pos_] == '\n') ++pos_;
    if (!document_) Break();
  }

  void ReadControl() {
    const std::size_t start = pos_;
    ++pos_;
    if (pos_ >= src_.size()) return AppendText("\\");
    if (IsAsciiLetter(src_[pos_])) return ApplyWord(ReadWord(start));
    ReadSymbol(start);
  }

  ControlWord ReadWord(std::size_t start) {
    ControlWord cw;
    const std::size_t wordStart = pos_;
    while (pos_ < src_.size() && IsAsciiLetter(src_[pos_]))
      ++pos_;
    cw.word = src_.substr(wordStart, pos_ - wordStart);
    std::size_t digits = pos_;
    if (digits < src_.size() && src_[digits] == '-') ++digits;
    const std::size_t firstDigit = digits;
    while (digits < src_.size() && IsDigit(src_[digits]))
      ++digits;
    if (digits > firstDigit) {
      const std::string_view number = src_.substr(pos_, std::min<std::size_t>(digits - pos_, 11));
      cw.param = std::strtol(String(number).c_str(), nullptr, 10);
      pos_ = digits;
    }
    if (pos_ < src_.size() && src_[pos_] == ' ') ++pos_;
    cw.raw = src_.substr(start, pos_ - start);
    return cw;
  }

  void ApplyWord(const ControlWord& cw) {
    const bool atGroupStart = groupStart_;
    groupStart_ = false;
    if (ApplyFormatWord(cw) || ApplyTextWord(cw)) return;
    if (!document_) return AppendText(cw.raw);  // data such as "C:\temp" prints as it stands
    if (atGroupStart && IsHiddenDestination(cw.word)) Current().hidden = true;
  }

  bool ApplyFormatWord(const ControlWord& cw) {
    const bool on = !cw.param || *cw.param != 0;
    Format& f = Current();
    TextLook& look = f.look;
    if (cw.word == "i") {
      look.italic = on;
    } else if (cw.word == "b") {
      look.bold = on;
    } else if (cw.word == "ul") {
      look.underline = on;
    } else if (cw.word == "ulnone") {
      look.underline = false;
    } else if (cw.word == "fs") {
      look.halfPoints = cw.param ? static_cast<int>(std::clamp(*cw.param, 0L, 400L)) : 0;
    } else if (cw.word == "plain") {
      look = TextLook{};
    } else if (cw.word == "uc") {
      f.unicodeSkip = cw.param ? std::clamp(*cw.param, 0L, 8L) : 1;
    } else {
      return false;
    }
    return true;
  }

  bool ApplyTextWord(const ControlWord& cw) {
    if (cw.word == "line" || cw.word == "par") {
      Break();
    } else if (cw.word == "u" && cw.param) {
      const long code = *cw.param < 0 ? *cw.param + 65536 : *cw.param;
      if (code >= 0 && code <= 0x10FFFF) AppendText(CharFromCode(static_cast<Long>(code)));
      skipChars_ = Current().unicodeSkip;
    } else if (const auto symbol = SymbolWord(cw.word)) {
      AppendText(*symbol);
    } else {
      return false;
    }
    return true;
  }

  void ReadSymbol(std::size_t start) {
    const char c = src_[pos_++];
    const bool atGroupStart = groupStart_;
    groupStart_ = false;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        return AppendText(std::string_view(&src_[pos_ - 1], 1));
      case '~':
        return AppendText("\u00A0");
      case '_':
        return AppendText("\u2011");
      case '-':
        return;
      case '\r':
      case '\n':
        --pos_;
        ReadLineEnd();
        if (document_) Break();
        return;
      case '\'':
        return ReadHexChar(start);
      case '*':
        if (document_ && atGroupStart) Current().hidden = true;
        if (document_) return;
        break;
      default:
        if (document_) return;
        break;
    }
    AppendText(src_.substr(start, pos_ - start));
  }

  void ReadHexChar(std::size_t start) {
    if (pos_ + 1 < src_.size()) {
      const int hi = HexValue(src_[pos_]);
      const int lo = HexValue(src_[pos_ + 1]);
      if (hi >= 0 && lo >= 0) {
        pos_ += 2;
        return AppendText(CharFromCode(hi * 16 + lo));
      }
    }
    if (!document_) AppendText(src_.substr(start, pos_ - start));
  }

  void AppendText(std::string_view text) {
    if (Current().hidden || text.empty()) return;
    if (skipChars_ > 0) {  // the fallback characters after \uN
      --skipChars_;
      return;
    }
    EmitPendingBreaks();
    if (!run_.empty() && runFormat_.look != Current().look) FlushRun();
    if (run_.empty()) runFormat_ = Current();
    run_ += text;
    line_ += text;
  }

  void Break() {
    if (Current().hidden) return;
    FlushRun();
    ++pendingBreaks_;
  }

  void EmitPendingBreaks() {
    for (; pendingBreaks_ > 0; --pendingBreaks_) {
      sink_.LineBreak();
      EndLine();
    }
  }

  // Counted once the line is whole: bytes that are no UTF-8 on their own may join the next text.
  void EndLine() {
    lineChars_.push_back(CharCount(line_));
    line_.clear();
  }

  void FlushRun() {
    if (run_.empty()) return;
    sink_.Run(runFormat_.look, run_);
    run_.clear();
  }

  std::string_view src_;
  bool document_;
  std::size_t pos_ = 0;
  std::vector<Format> stack_;
  int overflowDepth_ = 0;
  bool groupStart_ = false;
  long skipChars_ = 0;
  int pendingBreaks_ = 0;
  String run_;
  Format runFormat_;
  String line_;  // the visible text of the current line
  RunSink& sink_;
  std::vector<std::size_t>& lineChars_;
};

}  // namespace

std::size_t CharLength(std::string_view s, std::size_t i) {
  const std::size_t length = Utf8SequenceLength(s, i);
  return length == 0 ? 1 : length;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) {
    i += static_cast<unsigned char>(text[i]) < 0x80 ? 1 : CharLength(text, i);
  }
  return count;
}

namespace {

// Copies `text` with its bytes that are no UTF-8 as the characters of their codes and its control
// characters replaced; as markup, the markup characters become entities too.
template <bool kMarkup>
void AppendCleaned(String& out, std::string_view text) {
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    // Most text is printable ASCII without markup: it goes out in one piece.
    const std::size_t runStart = i;
    while (i < size && !kEscapedByte[static_cast<unsigned char>(text[i])])
      ++i;
    out.append(text.data() + runStart, i - runStart);
    if (i == size) break;
    const std::size_t length = CharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    if (const std::optional<char> original = StandInAt(text, i)) {
      out += *original;  // a reserved character of a data text, printed as it was entered
    } else if (length > 1) {
      out.append(text.substr(i, length));
    } else if (c >= 0x80) {
      out += CharFromCode(c);  // not UTF-8: the character of that code, as everywhere
    } else if (c >= 0x20 && !kMarkup) {
      out += static_cast<char>(c);
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '\'') {
      out += "&#39;";
    } else if (c == '\t') {
      out += kMarkup ? "&emsp;" : "\u2003";
    } else {
      out += "\uFFFD";  // the other control characters
    }
    i += length;
  }
}

}  // namespace

void AppendEscaped(String& out, std::string_view text) {
  AppendCleaned<true>(out, text);
}

void AppendPrintable(String& out, std::string_view text) {
  AppendCleaned<false>(out, text);
}

std::vector<TextLine> RichTextLines(std::string_view text) {
  LinesSink sink;
  std::vector<std::size_t> lineChars;
  Renderer(text, sink, lineChars).Run();
  return std::move(sink).Lines();
}

String Escaped(std::string_view text) {
  String out;
  AppendEscaped(out, text);
  return out;
}

void AppendRichText(String& html, std::vector<std::size_t>& lineChars, std::string_view text) {
  lineChars.clear();
  if (IsCopiedAsItIs(text)) {  // the common cell: one byte per character, nothing to escape
    html.append(text);
    lineChars.push_back(text.size());
    return;
  }
  if (IsPlainLine(text)) {
    // What the renderer makes of a text without groups, control words or line ends.
    AppendEscaped(html, text);
    lineChars.push_back(CharCount(text));
    return;
  }
  HtmlSink sink(html);
  Renderer(text, sink, lineChars).Run();
}

RenderedText RenderRichText(std::string_view text) {
  RenderedText rendered;
  AppendRichText(rendered.html, rendered.lineChars, text);
  return rendered;
}

}  // namespace velko::report
