// The RTF reader: a tokenizer over the raw text and a group stack of character, paragraph and
// destination state. Only what a rich-text control keeps is built: visible text, tabs, line and
// paragraph breaks, the character formatting of runs, alignment, the font and colour tables.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "report/rtf_code_page.hpp"
#include "report/rtf_document.hpp"
#include "velko/frame/text.hpp"

namespace velko::rtf {
namespace {

constexpr std::size_t kMaxWordLength = 32;
constexpr std::size_t kMaxParamDigits = 10;
constexpr char32_t kReplacementChar = 0xFFFD;

// Destinations whose text never shows (sorted for binary search).
constexpr std::string_view kHiddenDestinations[] = {
    "aftncn",
    "aftnsep",
    "aftnsepc",
    "annotation",
    "atnauthor",
    "atndate",
    "atnicn",
    "atnid",
    "atnparent",
    "atnref",
    "atntime",
    "atrfend",
    "atrfstart",
    "author",
    "background",
    "bkmkend",
    "bkmkstart",
    "buptim",
    "category",
    "colorschememapping",
    "comment",
    "company",
    "creatim",
    "datafield",
    "datastore",
    "do",
    "doccomm",
    "docvar",
    "falt",
    "fchars",
    "ffdeftext",
    "ffentrymcr",
    "ffexitmcr",
    "ffformat",
    "ffhelptext",
    "ffl",
    "ffname",
    "ffstattext",
    "file",
    "filetbl",
    "fldinst",
    "footer",
    "footerf",
    "footerl",
    "footerr",
    "footnote",
    "formfield",
    "ftncn",
    "ftnsep",
    "ftnsepc",
    "generator",
    "header",
    "headerf",
    "headerl",
    "headerr",
    "hlinkbase",
    "info",
    "keywords",
    "latentstyles",
    "lchars",
    "levelnumbers",
    "leveltext",
    "list",
    "listlevel",
    "listname",
    "listoverride",
    "listoverridetable",
    "listpicture",
    "listtable",
    "listtext",
    "manager",
    "nonshppict",
    "objclass",
    "objdata",
    "object",
    "objname",
    "operator",
    "panose",
    "pgdsctbl",
    "pict",
    "pn",
    "pnseclvl",
    "pntext",
    "pntxta",
    "pntxtb",
    "printim",
    "private",
    "revtbl",
    "revtim",
    "rsidtbl",
    "rxe",
    "shp",
    "shpinst",
    "shppict",
    "sp",
    "stylesheet",
    "subject",
    "tc",
    "template",
    "themedata",
    "title",
    "txe",
    "userprops",
    "xe",
    "xmlnstbl",
};
static_assert(std::is_sorted(std::begin(kHiddenDestinations), std::end(kHiddenDestinations)));

// Control words that stand for one character.
struct SpecialChar {
  std::string_view word;
  char32_t code;
};
constexpr std::array<SpecialChar, 16> kSpecialChars = {{{"bullet", 0x2022},
                                                        {"emdash", 0x2014},
                                                        {"emspace", 0x2003},
                                                        {"endash", 0x2013},
                                                        {"enspace", 0x2002},
                                                        {"ldblquote", 0x201C},
                                                        {"lquote", 0x2018},
                                                        {"ltrmark", 0x200E},
                                                        {"qmspace", 0x2005},
                                                        {"rdblquote", 0x201D},
                                                        {"rquote", 0x2019},
                                                        {"rtlmark", 0x200F},
                                                        {"tab", U'\t'},
                                                        {"cell", U'\t'},
                                                        {"zwj", 0x200D},
                                                        {"zwnj", 0x200C}}};

constexpr std::array<std::string_view, 16> kUnderlineStyles = {
    "uld",   "uldash",   "uldashd",   "uldashdd",   "uldb",      "ulhwave",    "ulldash", "ulth",
    "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};

constexpr std::array<std::string_view, 8> kFontFamilies = {"fbidi",  "fdecor",  "fmodern", "fnil",
                                                           "froman", "fscript", "fswiss",  "ftech"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

bool IsHiddenDestination(std::string_view word) {
  return std::binary_search(std::begin(kHiddenDestinations), std::end(kHiddenDestinations), word);
}

std::optional<char32_t> SpecialCharOf(std::string_view word) {
  for (const SpecialChar& s : kSpecialChars) {
    if (s.word == word) return s.code;
  }
  return std::nullopt;
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

enum class Destination { kBody, kFontTable, kColorTable, kHidden };

// What a group inherits from its parent and restores on closing.
struct GroupState {
  CharFormat format;
  Alignment alignment = Alignment::kLeft;
  Destination destination = Destination::kBody;
  int fallbackLength = 1;  // \ucN: characters that follow \uN for readers without Unicode
  int fontNumber = -1;     // \fN of the text (-1: the default font), whose charset decodes bytes
};

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<Document> Read() {
    while (pos_ < text_.size() && !failed_)
      Step();
    FlushBytes();
    if (failed_ || !closed_) return std::nullopt;
    return Finish();
  }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }

  void Step() {
    const char c = text_[pos_];
    if (closed_) {  // only blanks and NULs may follow the document
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0') Fail();
      ++pos_;
      return;
    }
    switch (c) {
      case '{':
        ++pos_;
        FlushBytes();
        OpenGroup();
        break;
      case '}':
        ++pos_;
        FlushBytes();
        CloseGroup();
        break;
      case '\\':
        ReadControl();
        break;
      default:
        ReadRawText();
        break;
    }
  }

  // --- groups -------------------------------------------------------------------------------

  void OpenGroup() {
    fallbackToSkip_ = 0;
    stack_.push_back(state_);
    if (stack_.size() > static_cast<std::size_t>(kMaxGroupDepth)) Fail();
  }

  void CloseGroup() {
    fallbackToSkip_ = 0;
    if (stack_.empty()) {
      Fail();
      return;
    }
    FlushSurrogate();
    if (fontPending_ && stack_.size() <= fontEntryDepth_) FinishFont();
    if (colorTableDepth_ != 0 && stack_.size() == colorTableDepth_) {
      if (colorPending_) FinishColor();
      colorTableDepth_ = 0;
    }
    state_ = stack_.back();
    stack_.pop_back();
    if (stack_.empty()) closed_ = true;
  }

  // --- tokens -------------------------------------------------------------------------------

  // A text byte outside control words: CR and LF are formatting of the file, other control
  // bytes are ignored; a byte after a lead byte is its trail byte; bytes from 0x80 are UTF-8 where
  // they form a sequence, else code page; in a symbol font every byte is a symbol.
  void ReadRawText() {
    const auto byte = static_cast<unsigned char>(text_[pos_]);
    if (byte < 0x20 && byte != '\t') {
      ++pos_;
      return;
    }
    if (leadBytePending_) {
      ++pos_;
      PushCodePageByte(byte);
      return;
    }
    char32_t c = byte;
    if (byte < 0x80) {
      ++pos_;
      if (CurrentCodePage() == kSymbolCodePage) c = SymbolChar(c);
    } else {
      const std::size_t start = pos_;
      c = DecodeUtf8(text_, pos_);
      if (pos_ - start == 1) {
        if (!Skipped()) PushCodePageByte(byte);
        return;
      }
      if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementChar;
    }
    if (Skipped()) return;
    Character(c);
  }

  void ReadControl() {
    ++pos_;  // the backslash
    if (pos_ >= text_.size()) {
      Fail();
      return;
    }
    if (IsLetter(text_[pos_])) {
      FlushBytes();
      ReadControlWord();
    } else {
      const char symbol = text_[pos_++];
      if (symbol != '\'' && !IsTrailByteSymbol(symbol)) FlushBytes();
      ControlSymbol(symbol);
    }
  }

  // An escaped \, { or } right after a lead byte is that character's trail byte.
  bool IsTrailByteSymbol(char symbol) const {
    return leadBytePending_ && (symbol == '\\' || symbol == '{' || symbol == '}');
  }

  void ReadControlWord() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsLetter(text_[pos_]))
      ++pos_;
    if (pos_ - start > kMaxWordLength) {
      Fail();
      return;
    }
    const std::string_view word = text_.substr(start, pos_ - start);
    std::optional<int> param;
    if (!ReadParameter(param)) {
      Fail();
      return;
    }
    if (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;  // the delimiting space
    if (word == "bin") {
      SkipBinary(param.value_or(0));
      if (!failed_) Skipped();  // the data counts as one fallback character
      return;
    }
    if (!sawHeader_) {  // the document's first control word must be \rtf
      if (word != "rtf") Fail();
      sawHeader_ = true;
      return;
    }
    if (Skipped()) return;
    ControlWord(word, param);
  }

  // An optional signed decimal parameter that fits 32 bits; false for a malformed one.
  bool ReadParameter(std::optional<int>& param) {
    bool negative = false;
    if (pos_ + 1 < text_.size() && text_[pos_] == '-' && IsDigit(text_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return true;
    const std::size_t start = pos_;
    std::int64_t value = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      if (pos_ - start >= kMaxParamDigits) return false;
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
      return false;
    }
    param = static_cast<int>(value);
    return true;
  }

  // \binN: N bytes of binary data follow; data past the end of the text rejects it.
  void SkipBinary(int length) {
    const std::size_t count = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (count > text_.size() - pos_) {
      Fail();
      return;
    }
    pos_ += count;
  }

  void ControlSymbol(char symbol) {
    if (!sawHeader_) {
      Fail();
      return;
    }
    if (symbol == '\'') {
      if (pos_ + 2 > text_.size() || HexValue(text_[pos_]) < 0 || HexValue(text_[pos_ + 1]) < 0) {
        Fail();
        return;
      }
      const auto byte =
          static_cast<unsigned char>(HexValue(text_[pos_]) * 16 + HexValue(text_[pos_ + 1]));
      pos_ += 2;
      if (Skipped()) return;
      PushCodePageByte(byte);
      return;
    }
    if (IsTrailByteSymbol(symbol)) {
      PushCodePageByte(static_cast<unsigned char>(symbol));
      return;
    }
    if (Skipped()) return;
    switch (symbol) {
      case '\\':
      case '{':
      case '}':
        Character(CurrentCodePage() == kSymbolCodePage
                      ? SymbolChar(static_cast<unsigned char>(symbol))
                      : static_cast<unsigned char>(symbol));
        break;
      case '~':
        Character(0x00A0);  // no-break space
        break;
      case '-':
        Character(0x00AD);  // optional hyphen
        break;
      case '_':
        Character(0x2011);  // no-break hyphen
        break;
      case '*':
        state_.destination = Destination::kHidden;  // an ignorable destination
        break;
      case '\r':
      case '\n':
        if (state_.destination == Destination::kBody) ParagraphBreak();
        break;
      default:
        break;  // formula and index symbols carry no text
    }
  }

  // True when the unit just read is a fallback character after \uN, or lies in a destination
  // without visible text: it is dropped.
  bool Skipped() {
    if (fallbackToSkip_ > 0) {
      --fallbackToSkip_;
      return true;
    }
    return state_.destination == Destination::kHidden;
  }

  // --- control words ------------------------------------------------------------------------

  void ControlWord(std::string_view word, std::optional<int> param) {
    if (word == "u") {
      UnicodeChar(param.value_or(0));
      fallbackToSkip_ = state_.fallbackLength;
      return;
    }
    if (word == "uc") {
      state_.fallbackLength = std::max(0, param.value_or(1));
      return;
    }
    switch (state_.destination) {
      case Destination::kFontTable:
        FontTableWord(word, param);
        return;
      case Destination::kColorTable:
        ColorTableWord(word, param);
        return;
      default:
        BodyWord(word, param);
        return;
    }
  }

  void BodyWord(std::string_view word, std::optional<int> param) {
    if (word == "fonttbl") {
      state_.destination = Destination::kFontTable;
    } else if (word == "colortbl") {
      state_.destination = Destination::kColorTable;
      colorTableDepth_ = stack_.size();
      colorPending_ = false;
    } else if (IsHiddenDestination(word)) {
      state_.destination = Destination::kHidden;
    } else if (word == "par" || word == "sect" || word == "row") {
      ParagraphBreak();
    } else if (word == "line") {
      LineBreak();
    } else if (auto special = SpecialCharOf(word)) {
      Character(*special);
    } else if (!DocumentWord(word, param)) {
      FormattingWord(word, param);
    }
  }

  // Header words: the code page of \'hh (where the font's charset names none) and the default
  // font.
  bool DocumentWord(std::string_view word, std::optional<int> param) {
    if (word == "ansi") {
      codePage_ = kWesternCodePage;
    } else if (word == "ansicpg") {
      codePage_ = param.value_or(kWesternCodePage);
    } else if (word == "mac") {
      codePage_ = 10000;
    } else if (word == "pc") {
      codePage_ = 437;
    } else if (word == "pca") {
      codePage_ = 850;
    } else if (word == "deff") {
      defaultFontNumber_ = param.value_or(0);
    } else {
      return false;
    }
    return true;
  }

  void FormattingWord(std::string_view word, std::optional<int> param) {
    CharFormat& f = state_.format;
    const bool on = !param || *param != 0;
    if (word == "b") {
      f.bold = on;
    } else if (word == "i") {
      f.italic = on;
    } else if (word == "v") {
      f.hidden = on;
    } else if (word == "ul" || Contains(kUnderlineStyles, word)) {
      f.underline = on;
    } else if (word == "ulnone") {
      f.underline = false;
    } else if (word == "plain") {
      f = CharFormat{};
      state_.fontNumber = -1;
    } else if (word == "f") {
      f.font = FontIndex(param.value_or(0));
      state_.fontNumber = param.value_or(0);
    } else if (word == "fs") {
      f.size = std::max(0, param.value_or(0));
    } else if (word == "cf") {
      f.color = ColorIndex(param.value_or(0));
    } else if (word == "cb" || word == "highlight") {
      f.highlight = ColorIndex(param.value_or(0));
    } else if (word == "pard") {
      state_.alignment = Alignment::kLeft;
    } else if (word == "ql") {
      state_.alignment = Alignment::kLeft;
    } else if (word == "qc") {
      state_.alignment = Alignment::kCenter;
    } else if (word == "qr") {
      state_.alignment = Alignment::kRight;
    } else if (word == "qj" || word == "qd") {
      state_.alignment = Alignment::kJustify;
    }
  }

  // --- font table ---------------------------------------------------------------------------

  void FontTableWord(std::string_view word, std::optional<int> param) {
    if (word == "f") {
      if (fontPending_) FinishFont();
      fontPending_ = true;
      fontEntryDepth_ = stack_.size();
      fontNumber_ = param.value_or(0);
      font_ = Font{};
      fontCharsetGiven_ = false;
    } else if (!fontPending_) {
      return;
    } else if (Contains(kFontFamilies, word)) {
      font_.family = String(word);
    } else if (word == "fcharset") {
      font_.charset = param.value_or(0);
      fontCharsetGiven_ = true;
    }
  }

  void FinishFont() {
    FlushBytes();
    fontPending_ = false;
    if (fontCharsetGiven_) {
      fontCharsetByNumber_[fontNumber_] = font_.charset;
    } else {
      fontCharsetByNumber_.erase(fontNumber_);
    }
    font_.name = TrimBlanks(font_.name);
    fontIndexByNumber_[fontNumber_] = fontPositions_.PositionOf(doc_.fonts, font_);
  }

  int FontIndex(int number) const {
    const auto it = fontIndexByNumber_.find(number);
    return it == fontIndexByNumber_.end() ? -1 : it->second;
  }

  // --- colour table -------------------------------------------------------------------------

  void ColorTableWord(std::string_view word, std::optional<int> param) {
    const int value = std::clamp(param.value_or(0), 0, 255);
    if (word == "red") {
      color_.red = value;
    } else if (word == "green") {
      color_.green = value;
    } else if (word == "blue") {
      color_.blue = value;
    } else {
      return;
    }
    colorPending_ = true;
  }

  // Ends one colour entry; an entry without components is the automatic colour.
  void FinishColor() {
    colorIndexByNumber_.push_back(
        colorPending_ ? colorPositions_.PositionOf(doc_.colors, color_) + 1 : 0);
    colorPending_ = false;
    color_ = Color{};
  }

  int ColorIndex(int number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= colorIndexByNumber_.size()) return 0;
    return colorIndexByNumber_[static_cast<std::size_t>(number)];
  }

  // --- characters ---------------------------------------------------------------------------

  // The code page of bytes read now: the charset of the font being defined (its name is in it)
  // or of the text's font; the document's where the font names none. Font names are never
  // symbols.
  int CurrentCodePage() const {
    std::optional<int> charset;
    if (state_.destination == Destination::kFontTable) {
      if (fontPending_ && fontCharsetGiven_) charset = font_.charset;
    } else {
      const int number = state_.fontNumber >= 0 ? state_.fontNumber : defaultFontNumber_;
      if (const auto it = fontCharsetByNumber_.find(number); it != fontCharsetByNumber_.end()) {
        charset = it->second;
      }
    }
    const std::optional<int> codePage = charset ? CodePageOfCharset(*charset) : std::nullopt;
    if (!codePage ||
        (*codePage == kSymbolCodePage && state_.destination == Destination::kFontTable)) {
      return codePage_;
    }
    return *codePage;
  }

  // A byte of the current code page: kept while it is the lead byte of a double-byte character,
  // otherwise decoded with the bytes before it.
  void PushCodePageByte(unsigned char byte) {
    const int codePage = CurrentCodePage();
    if (!pendingBytes_.empty() && pendingCodePage_ != codePage) FlushBytes();
    pendingCodePage_ = codePage;
    pendingBytes_ += static_cast<char>(byte);
    leadBytePending_ = !leadBytePending_ && IsLeadByte(codePage, byte);
    if (!leadBytePending_) FlushBytes();
  }

  // Decodes the kept bytes; a lead byte without its trail byte becomes U+FFFD.
  void FlushBytes() {
    if (pendingBytes_.empty()) return;
    decoded_.clear();
    AppendCodePageText(pendingCodePage_, pendingBytes_, decoded_);
    pendingBytes_.clear();
    leadBytePending_ = false;
    for (std::size_t i = 0; i < decoded_.size();)
      Character(DecodeUtf8(decoded_, i));
  }

  // \uN: a signed 16-bit UTF-16 unit (or a code point beyond it); surrogate pairs are joined.
  void UnicodeChar(int param) {
    std::int64_t code = param;
    if (code < 0) code += 0x10000;
    if (code >= 0xD800 && code <= 0xDBFF) {
      FlushSurrogate();
      highSurrogate_ = static_cast<char32_t>(code);
      return;
    }
    if (code >= 0xDC00 && code <= 0xDFFF) {
      if (highSurrogate_ == 0) {
        Character(kReplacementChar);
        return;
      }
      const char32_t joined =
          0x10000 + ((highSurrogate_ - 0xD800) << 10) + static_cast<char32_t>(code - 0xDC00);
      highSurrogate_ = 0;
      Deliver(joined);
      return;
    }
    if (code == 0) return;
    if (code < 0 || code > 0x10FFFF) {
      Character(kReplacementChar);
    } else if (code >= 0xF020 && code <= 0xF0FF && CurrentCodePage() == kSymbolCodePage) {
      Character(SymbolChar(static_cast<char32_t>(code)));  // a symbol font's private-use code
    } else {
      Character(static_cast<char32_t>(code));
    }
  }

  void FlushSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    Deliver(kReplacementChar);
  }

  void Character(char32_t c) {
    FlushSurrogate();
    Deliver(c);
  }

  void Deliver(char32_t c) {
    switch (state_.destination) {
      case Destination::kBody:
        AppendToBody(c);
        break;
      case Destination::kFontTable:
        if (!fontPending_) break;
        if (c == ';') {
          FinishFont();
        } else {
          AppendUtf8(font_.name, c);
        }
        break;
      case Destination::kColorTable:
        if (c == ';') FinishColor();
        break;
      case Destination::kHidden:
        break;
    }
  }

  void AppendToBody(char32_t c) {
    if (c == 0 || c == U'\r' || c == U'\n') return;  // breaks come only from control words
    current_.alignment = state_.alignment;
    auto& runs = current_.runs;
    if (runs.empty() || runs.back().lineBreak || runs.back().format != state_.format) {
      runs.push_back(Run{state_.format, {}, false});
    }
    AppendUtf8(runs.back().text, c);
  }

  void ParagraphBreak() {
    FlushSurrogate();
    current_.alignment = state_.alignment;
    doc_.paragraphs.push_back(std::move(current_));
    current_ = Paragraph{};
  }

  void LineBreak() {
    FlushSurrogate();
    current_.alignment = state_.alignment;
    current_.runs.push_back(Run{state_.format, {}, true});
  }

  // The last paragraph mark belongs to the document: text after the last \par forms a paragraph
  // only when there is some; a document of one empty paragraph is the empty document. Runs
  // without a font take the default font.
  Document Finish() {
    if (!current_.runs.empty()) doc_.paragraphs.push_back(std::move(current_));
    if (doc_.paragraphs.size() == 1 && doc_.paragraphs.front().runs.empty()) {
      doc_.paragraphs.clear();
    }
    const int defaultFont = FontIndex(defaultFontNumber_);
    for (Paragraph& p : doc_.paragraphs) {
      for (Run& r : p.runs) {
        if (r.format.font < 0) r.format.font = defaultFont;
      }
    }
    return std::move(doc_);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  bool failed_ = false;
  bool closed_ = false;
  bool sawHeader_ = false;

  std::vector<GroupState> stack_;
  GroupState state_;
  int fallbackToSkip_ = 0;
  char32_t highSurrogate_ = 0;
  int codePage_ = kWesternCodePage;
  int defaultFontNumber_ = 0;
  String pendingBytes_;  // code page bytes not decoded yet: a lead byte waiting for its trail
  int pendingCodePage_ = kWesternCodePage;
  bool leadBytePending_ = false;
  String decoded_;

  bool fontPending_ = false;
  std::size_t fontEntryDepth_ = 0;
  int fontNumber_ = 0;
  Font font_;
  bool fontCharsetGiven_ = false;
  std::map<int, int> fontIndexByNumber_;
  std::map<int, int> fontCharsetByNumber_;  // \fN -> its \fcharset, for fonts that name one
  TableIndex<Font> fontPositions_;

  std::size_t colorTableDepth_ = 0;
  bool colorPending_ = false;
  Color color_;
  std::vector<int> colorIndexByNumber_;
  TableIndex<Color> colorPositions_;

  Document doc_;
  Paragraph current_;
};

}  // namespace

std::optional<Document> ReadRtf(std::string_view text) {
  if (!text.starts_with("{\\rtf")) return std::nullopt;
  return Reader(text).Read();
}

}  // namespace velko::rtf
