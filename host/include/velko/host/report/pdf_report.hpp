// The PDF report writer: the same IReport calls as the HTML writer, laid out on real pages with
// pango on cairo. Text is set in DejaVu Sans, embedded as font subsets, and stays selectable.
//
// Units. Lengths are twips (1/1440 inch, 20 to the point). PageWidth and RightEdge are the width
// of the printable area of the paper; TextWidth is the measured width of a text (its longest line)
// in the body font. PositionY is the measured height of everything printed so far, as one column:
// pages are made when the document is complete, so that elements that fit on one page are never
// split and every page knows how many pages there are. A line drawn between two positions is drawn
// beside what was printed between them, on whichever page that lands.
//
// The looks follow the HTML writer (styles 3 section heading, 4 verdict line, 5 semibold - of a
// table with a header, its header only -, 6 body,
// 9 element heading with a rule above, 10 small, 11 framed block; table styles 2, 3 grid, 4 caption
// and value pairs; SetTableParam the space above in points, 0..72; SetTableMode 1 keeps a table on
// one page; SetOption 1 keeps a block on the page of the block before it). Every cell wraps when
// its text is wider than its column, the "+"-less ones too: nothing is cut off. A table that
// breaks across pages repeats its header rows. A row taller than a page continues on the next one.
//
// Pages. Each page has a running header (two texts, left and right, with a rule below) and a
// footer (a text on the left, "page n of m" on the right).
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "velko/typelib/report.hpp"

namespace velko::host {

enum class Paper { kA4, kLetter };

// "a4" or "letter" (any case); nothing for other texts.
std::optional<Paper> PaperNamed(const String& name);

class PdfReport final : public IReport {
 public:
  static constexpr Long kTwipsPerPoint = 20;

  explicit PdfReport(Paper paper = Paper::kA4);
  ~PdfReport() override;
  PdfReport(const PdfReport&) = delete;
  PdfReport& operator=(const PdfReport&) = delete;

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
  // As the HTML writer: the translation, else the key's default text with its parameters.
  String Translate(const String& plugInId, const String& messageKey,
                   const Variant& params) override;

  void SetReportLevel(Long level);
  void SetReportOptions(Long options);
  // The document title: a first heading, and the title of the PDF file.
  void SetTitle(const String& title);
  // The footer's text of page `page` of `pages` (both from 1).
  using PageOfText = std::function<String(std::size_t page, std::size_t pages)>;
  // The running header of every page (its left and its right text; plain texts, printed as they
  // stand), and the footer's text at the left and "page n of m" at the right.
  void SetPageTexts(const String& headerLeft, const String& headerRight, const String& footerLeft,
                    PageOfText pageOf);

  // The PDF document of everything printed so far. Raises error 5 when cairo cannot make it.
  String Pdf() const;

 private:
  class Document;
  std::unique_ptr<Document> doc_;
};

}  // namespace velko::host
