// The document model of the RTF engine: what a rich-text control holds. The reader turns RTF into
// it, the writer turns it back into RTF, and appending joins two documents with merged font and
// colour tables.
#pragma once

#include <compare>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::rtf {

// Groups nested deeper than this make the reader reject the text (bounded memory for hostile
// input; real documents stay far below it).
inline constexpr int kMaxGroupDepth = 256;

struct Font {
  String name;
  String family = "fnil";  // the family control word: fnil, froman, fswiss, ...
  int charset = 0;
  auto operator<=>(const Font&) const = default;
};

struct Color {
  int red = 0;
  int green = 0;
  int blue = 0;
  auto operator<=>(const Color&) const = default;
};

// Character formatting of a run. Font is a position in the document's font table (-1: none);
// size is in half points (0: the default, 12 points); colour and highlight are 1-based positions
// in the colour table (0: automatic / none).
struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool hidden = false;
  int font = -1;
  int size = 0;
  int color = 0;
  int highlight = 0;
  bool operator==(const CharFormat&) const = default;
};

enum class Alignment { kLeft, kCenter, kRight, kJustify };

// A piece of a paragraph: text (UTF-8; a tab is "\t") in one format, or a line break.
struct Run {
  CharFormat format;
  String text;
  bool lineBreak = false;
  bool operator==(const Run&) const = default;
};

struct Paragraph {
  Alignment alignment = Alignment::kLeft;
  std::vector<Run> runs;
  bool operator==(const Paragraph&) const = default;
};

// A document. The last paragraph carries the document's final paragraph mark, so a document
// written as "A\par" holds one paragraph; the empty document holds none.
struct Document {
  std::vector<Font> fonts;
  std::vector<Color> colors;
  std::vector<Paragraph> paragraphs;
  bool operator==(const Document&) const = default;
};

// Finds or adds entries of a font or colour table without searching it linearly, so that huge
// tables stay fast. Equal entries share one position.
template <class T>
class TableIndex {
 public:
  TableIndex() = default;
  explicit TableIndex(const std::vector<T>& table) {
    for (std::size_t i = 0; i < table.size(); ++i)
      positions_.emplace(table[i], static_cast<int>(i));
  }
  // The 0-based position of `entry` in `table`, appending it when it is new.
  int PositionOf(std::vector<T>& table, const T& entry) {
    const auto [it, added] = positions_.emplace(entry, static_cast<int>(table.size()));
    if (added) table.push_back(entry);
    return it->second;
  }

 private:
  std::map<T, int> positions_;
};

// Reads an RTF text. Rejected (nullopt): a text that does not start with "{\rtf", unbalanced
// braces, groups nested deeper than kMaxGroupDepth, a malformed control word, \'hh or \bin, and
// anything but blanks after the closing brace.
std::optional<Document> ReadRtf(std::string_view text);

// Plain text as a document: CR LF, CR or LF end a paragraph; "" is the empty document.
Document DocumentFromPlainText(std::string_view text);

// The document as RTF that this reader and common word processors read back.
String WriteRtf(const Document& document);

// The visible text: paragraphs and line breaks separated by CR LF, no final CR LF; hidden text
// and optional hyphens do not show.
String PlainText(const Document& document);

// Appends `tail` as new paragraphs of `document`, merging the font and colour tables and
// renumbering the tail's references to them.
void AppendDocument(Document& document, const Document& tail);

}  // namespace velko::rtf
