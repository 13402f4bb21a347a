// The RTF writer, plain text in and out, and appending one document to another.
#include "report/rtf_document.hpp"

#include <algorithm>
#include <string>
#include <string_view>

#include "report/rtf_code_page.hpp"
#include "velko/frame/text.hpp"

namespace velko::rtf {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kSoftHyphen = "\xC2\xAD";

std::string_view AlignmentWord(Alignment alignment) {
  switch (alignment) {
    case Alignment::kCenter:
      return "qc";
    case Alignment::kRight:
      return "qr";
    case Alignment::kJustify:
      return "qj";
    case Alignment::kLeft:
      break;
  }
  return "ql";
}

// Builds RTF text: control words are delimited lazily, so a space is written only where text
// that could continue the word follows.
class Writer {
 public:
  String Write(const Document& d) {
    fonts_ = &d.fonts;
    Raw("{");
    Word("rtf", 1);
    Word("ansi");
    Word("ansicpg", 1252);
    if (!d.fonts.empty()) Word("deff", 0);
    WriteFontTable(d.fonts);
    WriteColorTable(d.colors);
    Raw(kCrLf);
    Word("viewkind4");
    Word("uc", 1);
    Word("pard");
    for (const Paragraph& p : d.paragraphs)
      WriteParagraph(p);
    Raw("}");
    return std::move(out_);
  }

 private:
  void WriteFontTable(const std::vector<Font>& fonts) {
    if (fonts.empty()) return;
    Raw("{");
    Word("fonttbl");
    for (std::size_t i = 0; i < fonts.size(); ++i) {
      Raw("{");
      Word("f", static_cast<int>(i));
      Word(fonts[i].family.empty() ? "fnil" : fonts[i].family);
      Word("fcharset", fonts[i].charset);
      Text(ReplaceAll(fonts[i].name, ";", ","));  // ";" would end the entry
      Raw(";}");
    }
    Raw("}");
  }

  // The first entry is the automatic colour, so that positions match the model's 1-based ones.
  void WriteColorTable(const std::vector<Color>& colors) {
    if (colors.empty()) return;
    Raw("{");
    Word("colortbl");
    Raw(" ;");
    for (const Color& c : colors) {
      Word("red", c.red);
      Word("green", c.green);
      Word("blue", c.blue);
      Raw(";");
    }
    Raw("}");
  }

  void WriteParagraph(const Paragraph& p) {
    if (p.alignment != alignment_) {
      Word("pard");
      if (p.alignment != Alignment::kLeft) Word(AlignmentWord(p.alignment));
      alignment_ = p.alignment;
    }
    for (const Run& run : p.runs) {
      if (run.format != format_) WriteFormat(run.format);
      if (run.lineBreak) {
        Word("line");
      } else {
        Text(run.text);
      }
    }
    Word("par");
    Raw(kCrLf);
  }

  void WriteFormat(const CharFormat& f) {
    Word("plain");
    if (f.bold) Word("b");
    if (f.italic) Word("i");
    if (f.underline) Word("ul");
    if (f.hidden) Word("v");
    if (f.font >= 0) Word("f", f.font);
    if (f.size > 0) Word("fs", f.size);
    if (f.color > 0) Word("cf", f.color);
    if (f.highlight > 0) Word("highlight", f.highlight);
    format_ = f;
    symbolFont_ =
        f.font >= 0 && static_cast<std::size_t>(f.font) < fonts_->size() &&
        CodePageOfCharset((*fonts_)[static_cast<std::size_t>(f.font)].charset) == kSymbolCodePage;
  }

  // Text with \, { and } escaped, tabs as \tab, control characters as \'hh and everything beyond
  // ASCII as \uN with a "?" for readers without Unicode. In a symbol font, where a letter shows a
  // symbol, a letter of the text is written as \uN too.
  void Text(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
      const char32_t c = DecodeUtf8(text, i);
      if (symbolFont_ && c >= 0x20 && c < 0x80 && SymbolChar(c) != c) {
        Unicode(c);
      } else if (c == '\\' || c == '{' || c == '}') {
        Raw(String{'\\', static_cast<char>(c)});
      } else if (c == '\t') {
        Word("tab");
      } else if (c == 0xA0) {
        Raw("\\~");
      } else if (c == 0xAD) {
        Raw("\\-");
      } else if (c == 0x2011) {
        Raw("\\_");
      } else if (c < 0x20 || c == 0x7F) {
        HexByte(static_cast<unsigned>(c));
      } else if (c < 0x80) {
        Literal(static_cast<char>(c));
      } else if (c > 0x10FFFF) {
        Unicode(0xFFFD);
      } else if (c > 0xFFFF) {
        const char32_t v = c - 0x10000;
        Unicode(0xD800 + (v >> 10));
        Unicode(0xDC00 + (v & 0x3FF));
      } else {
        Unicode(c);
      }
    }
  }

  void Unicode(char32_t unit) {
    const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
    Raw("\\u" + std::to_string(value) + "?");
  }

  void HexByte(unsigned byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    Raw(String{'\\', '\'', kHex[byte >> 4], kHex[byte & 0xF]});
  }

  void Word(std::string_view word) {
    out_ += '\\';
    out_ += word;
    delimit_ = true;
  }
  void Word(std::string_view word, int value) {
    Word(word);
    out_ += std::to_string(value);
  }
  void Literal(char c) {
    if (delimit_) out_ += ' ';
    delimit_ = false;
    out_ += c;
  }
  void Raw(std::string_view text) {
    out_ += text;
    delimit_ = false;
  }

  String out_;
  bool delimit_ = false;
  Alignment alignment_ = Alignment::kLeft;
  CharFormat format_;
  const std::vector<Font>* fonts_ = nullptr;
  bool symbolFont_ = false;  // the current run's font shows symbols for letters
};

void AppendWithoutSoftHyphens(String& out, std::string_view text) {
  for (std::size_t pos = 0;;) {
    const std::size_t hit = text.find(kSoftHyphen, pos);
    out += text.substr(pos, hit - pos);
    if (hit == std::string_view::npos) return;
    pos = hit + kSoftHyphen.size();
  }
}

int Remap(const std::vector<int>& map, int index, int none) {
  if (index < 0 || static_cast<std::size_t>(index) >= map.size()) return none;
  return map[static_cast<std::size_t>(index)];
}

}  // namespace

String WriteRtf(const Document& document) {
  return Writer().Write(document);
}

Document DocumentFromPlainText(std::string_view text) {
  Document d;
  Paragraph p;
  auto endParagraph = [&] {
    d.paragraphs.push_back(std::move(p));
    p = Paragraph{};
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endParagraph();
    } else if (c == '\n') {
      endParagraph();
    } else if (c != '\0') {
      if (p.runs.empty()) p.runs.emplace_back();
      p.runs.back().text += c;
    }
  }
  endParagraph();
  if (d.paragraphs.size() == 1 && d.paragraphs.front().runs.empty()) d.paragraphs.clear();
  return d;
}

String PlainText(const Document& document) {
  String out;
  for (std::size_t i = 0; i < document.paragraphs.size(); ++i) {
    if (i > 0) out += kCrLf;
    for (const Run& run : document.paragraphs[i].runs) {
      if (run.format.hidden) continue;
      if (run.lineBreak) {
        out += kCrLf;
      } else {
        AppendWithoutSoftHyphens(out, run.text);
      }
    }
  }
  return out;
}

void AppendDocument(Document& document, const Document& tail) {
  TableIndex<Font> fonts(document.fonts);
  std::vector<int> fontMap;
  for (const Font& f : tail.fonts)
    fontMap.push_back(fonts.PositionOf(document.fonts, f));
  TableIndex<Color> colors(document.colors);
  std::vector<int> colorMap{0};  // position 0 is the automatic colour in both documents
  for (const Color& c : tail.colors)
    colorMap.push_back(colors.PositionOf(document.colors, c) + 1);

  document.paragraphs.reserve(document.paragraphs.size() + tail.paragraphs.size());
  for (Paragraph p : tail.paragraphs) {
    for (Run& r : p.runs) {
      r.format.font = Remap(fontMap, r.format.font, -1);
      r.format.color = Remap(colorMap, r.format.color, 0);
      r.format.highlight = Remap(colorMap, r.format.highlight, 0);
    }
    document.paragraphs.push_back(std::move(p));
  }
}

}  // namespace velko::rtf
