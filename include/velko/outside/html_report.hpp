// The production report writer: one self-contained HTML5 document (inline CSS with a print style
// sheet) built from the IReport calls.
//
// Units and positions. Lengths are in the writer's unit (PageWidth, default 10000). Column widths
// become percentages of the page. PositionY advances with every printed block by an estimate of
// its printed lines (280 units per line, wrapped text counted by TextWidth), so that a caller can
// take PositionY before and after printing and draw a rule beside what lies between.
//
// What the numbers mean visually:
//  SetStyle (kept until the next SetStyle)
//    3  section heading: PrintHeading gives a heading of the document
//    4  verdict line: large, bold table text
//    5  table heading after a section heading: semibold text
//    6  body text (the default look; also any number not listed here)
//    9  element heading row: bold, with a rule above the row
//    10 spacer rows and the limits table: smaller text
//    11 framed block: headings print as paragraphs whose line breaks are kept
//  SetTableStyle (kept): 0 plain, 2 element heading (first cell bold), 3 framed grid,
//    4 caption and value pairs (odd columns as muted captions); other numbers plain
//  SetTableParam (kept): the space above the next tables in points (1 tight, 20 a section gap),
//    limited to 0..72 and printed as at most 6 points, so that sections stay compact
//  SetTableMode (kept): 1 keeps a table on one page, 0 lets it break across pages
//  SetOption (for the next printed block only): 1 keeps that block on the page of the block
//    before it (a table with its heading)
//
// Table format: one format per column, separated by "|" (a trailing ";" is ignored): "<" left,
// "^" centred, ">" right, then optionally "+" (the text wraps onto more lines; without it the cell
// keeps one line) and "!" (a vertical rule at the right of the column), then the width in the
// writer's unit, shown as a share of PageWidth; widths adding up to more than PageWidth are scaled
// to the full line. An empty format lays out as many equal, left-aligned, wrapping columns as the
// rows have cells. The back colour (RGB Long as r + 256 g + 65536 b; 0, negative and out-of-range
// values mean none) shades the header rows, or the body when the table has no header. The two
// reserved numbers are ignored.
//
// Cell and heading texts may carry rich-text groups and control words: "{\i ...}", "{\b ...}",
// "{\ul ...}", "{\fs<half-points> ...}", "\line", "\par", "\tab", "\'hh", "\uN", "\\", "\{", "\}".
// A text that starts with "{\rtf" is read as a whole rich-text document (unknown control words
// and destinations such as font tables are skipped); in other texts an unknown control word is
// printed as it stands, so a data text like "C:\temp" loses nothing. Every character of the text
// is HTML-escaped: markup in data shows as text.
//
// DrawLine: a vertical line (x1 = x2) marks the blocks printed between y1 and y2 as one framed
// block (a light bar on its left, whichever side the line was drawn on: a rule beside a text only
// frames it); a horizontal line (y1 = y2) is a rule after the blocks printed above y; other lines
// are not drawn.
//
// Layout: the blocks from one element heading row (style 9) to the next heading are kept on one
// page where they fit; a table whose cells are all empty (a spacer row) is a small gap. The print
// style sheet leaves the paper size to the printer (A4 or Letter) and prints the page frame in the
// page margins.
#pragma once

#include <memory>

#include "velko/typelib/report.hpp"

namespace velko {

class HtmlReport final : public IReport {
 public:
  static constexpr Long kDefaultPageWidth = 10000;
  static constexpr Long kLineHeight = 280;
  // Average printed width of one character, the basis of TextWidth.
  static constexpr Long kCharWidth = 110;

  explicit HtmlReport(String title = {});
  ~HtmlReport() override;
  HtmlReport(const HtmlReport&) = delete;
  HtmlReport& operator=(const HtmlReport&) = delete;

  // IReport
  Long PositionY() override;
  void SetStyle(Long style) override;
  Long RightEdge(Long which = -1) override;
  Long PageWidth(Long which = -1) override;
  void PrintHeading(const String& text) override;
  void SetTableStyle(Integer style) override;
  void SetTableMode(Long mode) override;
  void SetTableParam(Long param) override;
  void SetOption(Integer option) override;
  Long ReportLevel() override;
  Long ReportOptions() override;
  void PrintTable(const String& format, const String& header, const String& body, Long backColour,
                  Long reserved1, Long reserved2) override;
  void DrawLine(Long x1, Long y1, Long x2, Long y2) override;
  String ReplaceChars(const String& text, const String& from, const String& to) override;
  Long TextWidth(const String& text) override;
  // TranslateText of the key; when that gives nothing (no language selected), the key's default
  // text with its parameters, so that the report never prints empty headings.
  String Translate(const String& plugInId, const String& messageKey,
                   const Variant& params) override;

  // Set by the host. Widths must be positive (else error 5); the right edge defaults to the
  // page width until it is set.
  void SetPageWidth(Long width);
  void SetRightEdge(Long edge);
  void SetReportLevel(Long level);
  void SetReportOptions(Long options);
  // A picture made by the host (an inline SVG chart), a block of its own about `height` units
  // high; pictures printed one after another stand side by side. The markup is inserted as it
  // stands: whoever makes it escapes every text in it and puts no script into it.
  void PrintFigure(const String& svg, Long height);
  // What each printed page shows in its margins: a running header (left and right) and a footer
  // beside the page numbers; `pageOf` is the text of the numbers with %%1 for the page and %%2 for
  // the number of pages ("Page %%1 of %%2"). Texts are printed as they stand (no markup).
  struct PageFrame {
    String headerLeft;
    String headerRight;
    String footerLeft;
    String pageOf;
  };
  void SetPageFrame(PageFrame frame);
  // The document title (the page title and a first heading; none when empty).
  void SetTitle(const String& title);
  const String& Title() const;

  // The complete HTML document of everything printed so far.
  String Html() const;
  // Writes Html() to `path` atomically (a temporary file in the same folder, flushed to disk,
  // then renamed over the target). Failure raises error 75 naming the path; the target is then
  // unchanged.
  void SaveToFile(const String& path) const;

 private:
  class Document;
  std::unique_ptr<Document> doc_;
};

// The default text of a message key ("key::default text"; a text without "::" is its own
// default) with %%1..%%5 replaced by the parameters (an array, or Empty; as TranslateText, an
// array whose element 0 is an array passes that inner array) and the two characters \n as a line
// break. Never raises.
String DefaultMessageText(const String& messageKey, const Variant& params = {});

// What a report writer's Translate gives: TranslateText of the key; when that gives nothing (no
// language selected), the key's default text with its parameters, so that a report never prints
// empty headings.
String ReportTranslation(const String& plugInId, const String& messageKey, const Variant& params);

}  // namespace velko
