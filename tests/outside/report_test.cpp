#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "outside/report/rich_text_markup.hpp"
#include "support/recording_report.hpp"
#include "support/test_paths.hpp"
#include "velko/frame/error.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/outside/report_stand_ins.hpp"
#include "velko/outside/report_table.hpp"
#include "velko/outside/rich_text.hpp"

namespace velko {
namespace {

using report::Align;

std::size_t Count(const String& text, const String& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != String::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// The markup between <main> and </main>: what the calls printed.
String Printed(const HtmlReport& report) {
  const String html = report.Html();
  const std::size_t from = html.find("<main");
  return html.substr(from, html.find("</main>") - from);
}

// Plays the recorded output calls into another writer, as a host would have made them.
void Replay(const test::RecordingReport& recorded, IReport& target) {
  for (const auto& call : recorded.Calls()) {
    const auto& a = call.args;
    if (call.name == "SetStyle") target.SetStyle(a[0].ToLong());
    if (call.name == "SetTableStyle") target.SetTableStyle(a[0].ToInteger());
    if (call.name == "SetTableMode") target.SetTableMode(a[0].ToLong());
    if (call.name == "SetTableParam") target.SetTableParam(a[0].ToLong());
    if (call.name == "SetOption") target.SetOption(a[0].ToInteger());
    if (call.name == "PrintHeading") target.PrintHeading(a[0].ToString());
    if (call.name == "PrintTable") {
      target.PrintTable(a[0].ToString(), a[1].ToString(), a[2].ToString(), a[3].ToLong(),
                        a[4].ToLong(), a[5].ToLong());
    }
    if (call.name == "DrawLine") {
      target.DrawLine(a[0].ToLong(), a[1].ToLong(), a[2].ToLong(), a[3].ToLong());
    }
  }
}

TEST(ReportTableFormat, ReadsAlignmentMarksAndWidths) {
  struct Case {
    const char* cell;
    Align align;
    bool wraps;
    bool rule;
    std::optional<Long> width;
  };
  const Case cases[] = {
      {"<560", Align::kLeft, false, false, 560},
      {"^+!300", Align::kCentre, true, true, 300},
      {">+1160", Align::kRight, true, false, 1160},
      {"<!1160", Align::kLeft, false, true, 1160},
      {"<+!", Align::kLeft, true, true, {}},
      {"2500", Align::kLeft, false, false, 2500},
      {"x12", Align::kLeft, false, false, {}},
      {"<99999999999", Align::kLeft, false, false, 100'000'000},
  };
  for (const auto& c : cases) {
    const auto columns = report::ParseTableFormat(c.cell);
    ASSERT_EQ(columns.size(), 1u) << c.cell;
    EXPECT_EQ(columns[0].align, c.align) << c.cell;
    EXPECT_EQ(columns[0].wraps, c.wraps) << c.cell;
    EXPECT_EQ(columns[0].ruleRight, c.rule) << c.cell;
    EXPECT_EQ(columns[0].width, c.width) << c.cell;
  }
  EXPECT_EQ(report::ParseTableFormat("<560|<1680|<+!7200|<+560;").size(), 4u);
  EXPECT_TRUE(report::ParseTableFormat("").empty());
}

TEST(ReportTableFormat, SplitsRowsAndCells) {
  using Rows = std::vector<report::TableRow>;
  EXPECT_EQ(report::SplitTableText("a|b;c|d;"), (Rows{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(report::SplitTableText("TEST PASSED"), (Rows{{"TEST PASSED"}}));
  EXPECT_EQ(report::SplitTableText(";;"), (Rows{{""}, {""}}));
  EXPECT_EQ(report::SplitTableText("|x;"), (Rows{{"", "x"}}));
  EXPECT_TRUE(report::SplitTableText("").empty());
}

TEST(ReportTableFormat, MaxCellCountAgreesWithTheSplitRows) {
  for (const char* text : {"", ";", ";;", "a", "a;", "a|b;c|d|e;", "a|b|c;d", "|;||", "x;|||;y;"}) {
    std::size_t most = 0;
    for (const auto& row : report::SplitTableText(text))
      most = std::max(most, row.size());
    EXPECT_EQ(report::MaxCellCount(text), most) << text;
  }
}

TEST(ReportTableFormat, ColumnWidthsShareThePage) {
  const auto widths = [](const char* format, std::size_t cells, Long page) {
    return report::ColumnWidths(report::TableColumns(report::ParseTableFormat(format), cells),
                                page);
  };
  using W = std::vector<Long>;
  EXPECT_EQ(widths("<560|<1680|<+!7200|<+560", 4, 10000), (W{560, 1680, 7200, 560}));
  EXPECT_EQ(widths("<5000|<15000", 2, 10000), (W{2500, 7500}));  // scaled down to the page
  EXPECT_EQ(widths("<2000", 3, 10000), (W{2000, 4000, 4000}));   // cells beyond the format
  EXPECT_EQ(widths("", 4, 10000), (W{2500, 2500, 2500, 2500}));
  EXPECT_TRUE(report::TableColumns({}, 2)[1].wraps);
}

TEST(ReportRichText, ReadsLinesOfFormattedRuns) {
  using report::TextLook;
  const auto lines = report::RichTextLines("plain {\\b bold {\\i both}}\\line {\\fs30 big}\tx<&");
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].size(), 3u);
  EXPECT_EQ(lines[0][0].text, "plain ");
  EXPECT_EQ(lines[0][0].look, TextLook{});
  EXPECT_EQ(lines[0][1].text, "bold ");
  EXPECT_TRUE(lines[0][1].look.bold);
  EXPECT_EQ(lines[0][2].text, "both");
  EXPECT_TRUE(lines[0][2].look.bold && lines[0][2].look.italic);
  ASSERT_EQ(lines[1].size(), 2u);
  EXPECT_EQ(lines[1][0].look.halfPoints, 30);
  EXPECT_EQ(lines[1][1].text, "\u2003x<&");  // printable, not escaped: no markup
  // A data text keeps what is no rich text; raw line ends break the line.
  const auto data = report::RichTextLines("C:\\temp\r\nA;B|C");
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0][0].text, "C:\\temp");
  EXPECT_EQ(data[1][0].text, "A;B|C");
  EXPECT_EQ(report::RichTextLines("").size(), 1u);
  String printable;
  report::AppendPrintable(printable, String("a\0\xFF", 3));
  EXPECT_EQ(printable, "a\uFFFD\u00FF");
}

TEST(HtmlReportTable, WidthsThatAddUpToThePageFillTheLine) {
  HtmlReport report;
  const Long w = report.PageWidth(-1);
  report.PrintTable("<560|<1680|<+!" + std::to_string(w - 2800) + "|<+560;", "", "a;;", 0, 0, 0);
  const String html = Printed(report);
  EXPECT_NE(html.find("style=\"width:100%;"), String::npos) << html;
  EXPECT_NE(html.find("<col style=\"width:5.6%\"><col style=\"width:16.8%\">"
                      "<col style=\"width:72%\"><col style=\"width:5.6%\">"),
            String::npos)
      << html;
  EXPECT_EQ(Count(html, "<tr>"), 2u);
  EXPECT_EQ(Count(html, "<td"), 8u);
  EXPECT_EQ(Count(html, " rr\""), 2u);  // the "!" column of both rows

  // Rows of empty cells only (the spacer row after an element) are a small gap.
  HtmlReport spacer;
  spacer.PrintTable("<560|<1680|<+!" + std::to_string(w - 2800) + "|<+560;", "", ";;", 0, 0, 0);
  EXPECT_EQ(Count(Printed(spacer), "<div class=\"gap\"></div>"), 1u);
  EXPECT_EQ(Count(Printed(spacer), "<table"), 0u);

  // The limits table at a page width of 8000: 560, 2240, four times 1160 and 560.
  HtmlReport limits;
  limits.SetPageWidth(8000);
  limits.PrintTable("<560|<+2240|>+1160|>+1160|^+1160|<!1160|<+560;", "|a|b|c|d;", "", 0, 0, 0);
  EXPECT_NE(Printed(limits).find("style=\"width:100%;"), String::npos);
  EXPECT_NE(Printed(limits).find("<col style=\"width:14.5%\">"), String::npos);
}

TEST(HtmlReportTable, NarrowAndOverfullFormats) {
  HtmlReport report;
  report.PrintTable("<+2500|<+2500", "", "a|b;", 0, 0, 0);               // half the page
  report.PrintTable("<6000|>6000", "", "a|b;", 0, 0, 0);                 // scaled to the line
  report.PrintTable("", "", "name|{\\fs16\\i type}|NA|Fail;", 0, 0, 0);  // from the cells
  const String html = Printed(report);
  EXPECT_NE(html.find("width:50%;"), String::npos);
  EXPECT_EQ(Count(html, "<col style=\"width:50%\">"), 4u);
  EXPECT_NE(html.find("<td class=\"ar nw\">b</td>"), String::npos) << html;
  EXPECT_EQ(Count(html, "<col>"), 4u);
}

TEST(HtmlReportTable, OneFormatLaysOutByItsCellsAndThePage) {
  // A writer lays out a format once per cell count and page width: each table still gets its own.
  HtmlReport report;
  report.PrintTable("", "", "a|b;", 0, 0, 0);
  report.PrintTable("", "", "a|b|c;", 0, 0, 0);
  report.PrintTable("<2000|<2000", "", "a;", 0, 0, 0);
  report.SetPageWidth(8000);
  report.PrintTable("<2000|<2000", "", "a;", 0, 0, 0);
  report.PrintTable("", "", "a|b;", 0, 0, 0);
  const String html = Printed(report);
  EXPECT_EQ(Count(html, "<colgroup><col><col></colgroup>"), 2u) << html;
  EXPECT_EQ(Count(html, "<colgroup><col><col><col></colgroup>"), 1u);
  EXPECT_EQ(Count(html, "style=\"width:40%;"), 1u);  // 4000 of 10000
  EXPECT_EQ(Count(html, "style=\"width:50%;"), 1u);  // 4000 of 8000
  EXPECT_EQ(Count(html, "<td class=\"al\">c</td>"), 1u);
}

TEST(HtmlReportTable, BackColourShadesTheHeader) {
  HtmlReport report;
  report.PrintTable("^+10000", "TEST PASSED", "", kReportLightGrey, 0, 0);
  report.PrintTable("<+5000|<+5000", "A|B", "1|2;", 255, 0, 0);
  report.PrintTable("<+10000", "", "x;", ErrorNumber(0x80000005u), 0, 0);  // no colour
  const String html = Printed(report);
  EXPECT_NE(html.find("<th class=\"ac shaded\" style=\"background-color:#c0c0c0\">TEST PASSED"),
            String::npos)
      << html;
  EXPECT_EQ(Count(html, "background-color:#ff0000"), 2u);  // the header cells, not the body
  EXPECT_EQ(Count(html, "background-color"), 3u);
}

TEST(HtmlReportText, EscapesEveryDataText) {
  HtmlReport report("Run <1> & \"2\"");
  report.PrintHeading("<script>alert('x')</script>");
  report.PrintTable("<+5000|<+5000", "<b>|a&b", "<img src=x onerror=y>|a\"b;", 0, 0, 0);
  const String html = report.Html();
  EXPECT_EQ(html.find("<script"), String::npos);
  EXPECT_EQ(html.find("<img"), String::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), String::npos);
  EXPECT_NE(html.find(">a&amp;b<"), String::npos);
  EXPECT_NE(html.find("<title>Run &lt;1&gt; &amp; &quot;2&quot;</title>"), String::npos);
  EXPECT_EQ(report::Escaped(String("a\x01\xE9z", 4)), "a\uFFFD\u00E9z");  // no broken UTF-8
}

TEST(HtmlReportText, RichTextGroupsBecomeMarkup) {
  struct Case {
    const char* text;
    const char* html;
  };
  const Case cases[] = {
      {"{\\i Limits:}", "<i>Limits:</i>"},
      {"{\\b x}y", "<b>x</b>y"},
      {"{\\i\\b Procedure:}", "<b><i>Procedure:</i></b>"},
      {"{\\fs16\\i Leakage\\line 230 V}",
       "<span style=\"font-size:8pt\"><i>Leakage</i></span><br>"
       "<span style=\"font-size:8pt\"><i>230 V</i></span>"},
      {"C:\\temp\\new x", "C:\\temp\\new x"},  // unknown words of data print as they stand
      {"a\\{b\\}\\\\", "a{b}\\"},
      {"\\'e9t\\u8364?", "\u00E9t\u20AC"},
      {"line 1\r\nline 2", "line 1<br>line 2"},
      {"}}x{", "x"},
      {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\generator W;}\\f0 Hello \\b World\\b0\\par\n}",
       "Hello <b>World</b>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(report::RenderRichText(c.text).html, c.html) << c.text;

  const String deep = String(5000, '{') + "deep" + String(5000, '}');
  EXPECT_EQ(report::RenderRichText(deep).html, "deep");
}

TEST(HtmlReportText, PlainTextsPrintAsTheyDoInsideAGroup) {
  // A text without groups, control words or line ends takes a shorter way; inside a group that
  // changes nothing it goes through the whole reader. Both must print the same.
  const String texts[] = {
      "",
      "TEST PASSED",
      "a\tb",
      "<b>&amp;\"x\" 'y'",
      "Gr\u00FC\u00DFe \u20AC \U0001F600",
      String("caf\xE9 \xFF", 6),     // not UTF-8: the characters of those codes
      String("\xC3\xA9\xC3", 3),     // a sequence cut at the end
      String("a\x01\x1F\x7F z", 6),  // control characters
      String("\xE2\x82", 2) + "x",   // a sequence cut by ASCII
  };
  for (const String& text : texts) {
    const report::RenderedText plain = report::RenderRichText(text);
    const report::RenderedText grouped = report::RenderRichText("{" + text + "}");
    EXPECT_EQ(plain.html, grouped.html) << text;
    EXPECT_EQ(plain.lineChars, grouped.lineChars) << text;
  }
  EXPECT_EQ(report::RenderRichText("a\tb<c>&\"'").html, "a&emsp;b&lt;c&gt;&amp;&quot;&#39;");
  EXPECT_EQ(report::RenderRichText(String("\xE9t\xC3\xA9", 4)).html, "\u00E9t\u00E9");
  // Lead and continuation bytes that form no well-formed sequence (beyond U+10FFFF, overlong,
  // a surrogate) are single characters too: the page stays valid UTF-8.
  EXPECT_EQ(report::RenderRichText("\xF4\xB8\xB8\xB8").html, "\u00F4\u00B8\u00B8\u00B8");
  EXPECT_EQ(report::RenderRichText("\xC0\xAF\xED\xA0\x80").html, "\u00C0\u00AF\u00ED\u00A0\u0080");
  EXPECT_EQ(report::RenderRichText("Gr\u00FC\u00DFe").lineChars, std::vector<std::size_t>{5});
  // Bytes that are no UTF-8 on their own but meet across a group read as the one character.
  const report::RenderedText joined = report::RenderRichText(String("\xC3{}\xA9", 4));
  EXPECT_EQ(joined.html, "\u00E9");
  EXPECT_EQ(joined.lineChars, std::vector<std::size_t>{1});
  EXPECT_EQ(report::RenderRichText("a\\line b\r\nc").lineChars,
            (std::vector<std::size_t>{1, 1, 1}));
}

TEST(HtmlReportText, ReplaceCharsMapsCharacterByPosition) {
  HtmlReport report;
  // The reserved characters of the table language become stand-ins, printed back as entered.
  const String bar = report::StandInFor('|');
  const String semi = report::StandInFor(';');
  const String open = report::StandInFor('{');
  const String close = report::StandInFor('}');
  const String slash = report::StandInFor('\\');
  struct Case {
    String text;
    const char* from;
    const char* to;
    String expected;
  };
  const Case cases[] = {
      {"a|b;c{d}\\e", "|;{}", " ,()",
       "a" + bar + "b" + semi + "c" + open + "d" + close + slash + "e"},
      {"Grüße|x", "ü|", "u/", "Gruße" + bar + "x"},
      {"a-b", "-", "\u2013", "a\u2013b"},
      {"abc", "ab", "x", "xbc"},  // no counterpart: the character stays
      {"", "|", " ", ""},
      {"a\\b", "|", " ", "a\\b"},  // a backslash stays where the braces are not protected
      // ASCII characters to replace in text with multi-byte characters and bytes that are no
      // UTF-8: only whole characters are replaced.
      {"Gr\u00FC\u00DFe-\u20AC", "-", "\u00B7", "Gr\u00FC\u00DFe\u00B7\u20AC"},
      {"\xFC-\xC3,", "-,", "\u00B7", "\xFC\u00B7\xC3,"},
      {"a-b", "-", "\xFF",
       "a\xFF"
       "b"},                                // a counterpart that is no UTF-8 stays a byte
      {"abab", "aab", "xyz", "xzxz"},       // the first occurrence decides
      {"abab", "bab", "x", "axax"},         // "a" has no counterpart: stays
      {"a\u00FCb", "\u00FCa", "u", "aub"},  // the same by character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(report.ReplaceChars(c.text, c.from, c.to), c.expected) << c.text;
  }
  // Maps used in turn by one writer stay apart.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(report.ReplaceChars("a|b-", "|-", " ,"), "a" + bar + "b,");
    EXPECT_EQ(report.ReplaceChars("a-b;", "-", "/"), "a/b;");
  }
}

TEST(HtmlReportText, ADeviceTextPrintsExactlyAsEnteredWhileTheTableKeepsItsCells) {
  HtmlReport report;
  const String serial = "A;B|C{D}\\E \\line x";
  const String cell = report.ReplaceChars(serial, "|;{}", " ,()");
  report.PrintTable("<1000|<1000", "", "{\\i Serial}|" + cell + ";next|row;", 0, 0, 0);
  const String html = Printed(report);
  EXPECT_NE(html.find("<td class=\"al nw\">A;B|C{D}\\E \\line x</td></tr>"), String::npos) << html;
  EXPECT_EQ(Count(html, "<tr>"), 2u);
  EXPECT_EQ(report::WithOriginals(cell), serial);  // for writers that print plain text
}

TEST(HtmlReportText, TextWidthCountsVisibleCharacters) {
  HtmlReport report;
  const Long unit = HtmlReport::kCharWidth;
  EXPECT_EQ(report.TextWidth("abc"), 3 * unit);
  EXPECT_EQ(report.TextWidth("äöü"), 3 * unit);
  EXPECT_EQ(report.TextWidth("{\\i ab}"), 2 * unit);
  EXPECT_EQ(report.TextWidth("a\\line abcd"), 4 * unit);
  EXPECT_EQ(report.TextWidth(""), 0);
}

TEST(HtmlReportText, TranslateFallsBackToTheDefaultText) {
  HtmlReport report;
  EXPECT_EQ(report.Translate("", "460::Selections", VariantArray{}), "Selections");
  const Variant inner = Variant::Array({Variant::Array({"A", 7})});
  EXPECT_EQ(report.Translate("", "9::%%1 has %%2 (%%3)", inner), "A has 7 ()");
  EXPECT_EQ(DefaultMessageText("5::a\\nb %%1", Variant::Array({"%%1"})), "a\nb %%1");
  EXPECT_EQ(DefaultMessageText("plain"), "plain");
  EXPECT_EQ(report.Translate("", "", {}), "");
}

TEST(HtmlReportSettings, HostSetsWidthsLevelAndOptions) {
  HtmlReport report;
  EXPECT_EQ(report.PageWidth(-1), HtmlReport::kDefaultPageWidth);
  report.SetPageWidth(8000);
  EXPECT_EQ(report.RightEdge(-1), 8000);  // follows the page until set
  report.SetRightEdge(8500);
  report.SetReportLevel(1);
  report.SetReportOptions(16);
  EXPECT_EQ(report.PageWidth(10), 8000);
  EXPECT_EQ(report.RightEdge(-1), 8500);
  EXPECT_EQ(report.ReportLevel(), 1);
  EXPECT_EQ(report.ReportOptions(), 16);
  EXPECT_THROW(report.SetPageWidth(0), Error);
  EXPECT_THROW(report.SetRightEdge(-1), Error);
  EXPECT_EQ(report.PageWidth(-1), 8000);
}

TEST(HtmlReportLayout, VerticalRuleBordersTheFramedBlock) {
  HtmlReport report;
  report.SetStyle(3);
  report.PrintHeading("Results");
  report.SetStyle(11);
  const Long y0 = report.PositionY();
  report.PrintHeading("{\\i\\b Comment:}");
  report.PrintHeading("checked\r\nby me");
  const Long y1 = report.PositionY();
  EXPECT_GT(y1 - y0, HtmlReport::kLineHeight * 2);  // two lines of text and the title
  const Long x = report.RightEdge(-1) - 560;
  report.DrawLine(x, y0, x, y1);
  report.PrintHeading("after");
  const String html = Printed(report);
  // The rule beside the block only frames it: the block becomes one framed block.
  const std::size_t div = html.find("<div class=\"framed\">");
  ASSERT_NE(div, String::npos) << html;
  EXPECT_LT(html.find("Results"), div);
  const std::size_t end = html.find("</div>", div);
  EXPECT_LT(html.find("Comment:"), end);
  EXPECT_LT(html.find("by me"), end);
  EXPECT_GT(html.find("after"), end);
  EXPECT_EQ(Count(html, "<div"), 1u);
}

TEST(HtmlReportLayout, LinesThatMatchNothingDrawNothing) {
  HtmlReport report;
  report.PrintHeading("a");
  report.DrawLine(100, 5000, 100, 9000);  // below everything printed
  report.DrawLine(0, 0, 500, 500);        // slanted
  report.DrawLine(7, 7, 7, 7);            // a point
  EXPECT_EQ(Count(Printed(report), "<div"), 0u);
  EXPECT_EQ(Count(Printed(report), "<hr"), 0u);
}

TEST(HtmlReportLayout, ExtremeNumbersAreHandled) {
  HtmlReport report;
  report.SetTableParam(INT32_MAX);
  report.PrintTable("<4294967296|>+0", "\\u99999999999|\\u-3", String(100000, 'x') + ";", 0, 0, 0);
  report.PrintHeading(String(100000, '\n'));
  const Long bottom = report.PositionY();
  EXPECT_GT(bottom, 0);
  report.DrawLine(INT32_MIN, 0, INT32_MIN, bottom);
  report.DrawLine(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX);
  report.DrawLine(INT32_MIN, bottom, INT32_MAX, bottom);
  const String html = Printed(report);
  EXPECT_NE(html.find("margin-left:0%"), String::npos);
  EXPECT_NE(html.find("margin-top:6pt"), String::npos);  // the most space above a table
  EXPECT_NE(html.find("\uFFFD"), String::npos);          // \u-3 is U+FFFD
}

TEST(HtmlReportLayout, RecordedSequenceGivesTheDocumentStructure) {
  // The calls of a setup report with a test instrument section, recorded, then written.
  test::RecordingReport recorded;
  recorded.SetStyle(3);
  recorded.PrintHeading(recorded.Translate("", "462::MTI Data", VariantArray{}));
  recorded.SetStyle(5);
  const Long w = recorded.PageWidth(-1) / 4;
  const String format = "<+" + std::to_string(w) + "|<+" + std::to_string(w) + "|<+" +
                        std::to_string(w) + "|<+" + std::to_string(w);
  recorded.SetTableStyle(3);
  recorded.SetTableParam(20);
  recorded.PrintTable(format, "Test instrument|Serial number|Firmware version|Calibration date", "",
                      kReportLightGrey, 0, 0);
  recorded.SetStyle(6);
  recorded.SetTableStyle(0);
  recorded.SetTableParam(1);
  const String cell = recorded.ReplaceChars("Analyser {A|B}", "|;{}", " ,()");
  recorded.PrintTable(format, "", cell + "|123|1.0|2024-01-01;Probe|9|2.1|;", 0, 0, 0);

  HtmlReport report("Setup");
  Replay(recorded, report);
  const Long y = report.PositionY();
  report.DrawLine(0, y, report.RightEdge(-1), y);  // a rule under what was printed
  const String html = Printed(report);
  const std::size_t h2 = html.find("<h2 class=\"hd s-3\">MTI Data</h2>");
  const std::size_t shaded =
      html.find("<table class=\"t s-5 ts-3\" style=\"width:100%;margin-top:6pt\">");
  const std::size_t body =
      html.find("<table class=\"t s-6 ts-0\" style=\"width:100%;margin-top:1pt\">");
  const std::size_t rule = html.find("<hr class=\"line\" style=\"margin-left:0%;width:100%\">");
  ASSERT_NE(h2, String::npos) << html;
  ASSERT_NE(shaded, String::npos) << html;
  ASSERT_NE(body, String::npos) << html;
  ASSERT_NE(rule, String::npos) << html;
  EXPECT_LT(h2, shaded);
  EXPECT_LT(shaded, body);
  EXPECT_LT(body, rule);
  EXPECT_EQ(Count(html, "<th class=\"al shaded\" style=\"background-color:#c0c0c0\">"), 4u);
  EXPECT_EQ(Count(html.substr(body), "<td"), 8u);
  EXPECT_NE(html.find("<td class=\"al\">Analyser (A B)</td>"), String::npos);
  EXPECT_EQ(Count(html, "<col style=\"width:25%\">"), 8u);
}

TEST(HtmlReportFile, SavesAtomically) {
  const String dir = test::MakeTempDir("velko-report");
  HtmlReport report("Saved");
  report.PrintHeading("body");
  const String path = dir + "/report.html";
  { std::ofstream(path) << "old"; }
  report.SaveToFile(path);
  std::stringstream content;
  content << std::ifstream(path).rdbuf();
  EXPECT_EQ(content.str(), report.Html());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind

  try {
    report.SaveToFile(dir + "/missing/report.html");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 75);
    EXPECT_EQ(e.Source(), "VelkoCore.HtmlReport");
    EXPECT_NE(e.Description().find("missing/report.html"), String::npos);
  }
  std::filesystem::remove_all(dir);
}

TEST(HtmlReportDocument, IsOneSelfContainedPageWithAPrintStyleSheet) {
  HtmlReport report;
  const String html = report.Html();
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), String::npos);
  EXPECT_NE(html.find("@media print"), String::npos);
  EXPECT_NE(html.find("@page"), String::npos);
  EXPECT_EQ(html.find("<link"), String::npos);
  EXPECT_EQ(html.find("<script"), String::npos);
  EXPECT_EQ(html.find("<h1>"), String::npos);  // no title, no heading
}

}  // namespace
}  // namespace velko
