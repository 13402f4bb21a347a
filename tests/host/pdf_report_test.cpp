#include "velko/host/report/pdf_report.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "host_fixture.hpp"
#include "support/test_paths.hpp"
#include "velko/host/report/report_chain.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/test_run.hpp"

namespace velko::test {
namespace {

// The text of a PDF as pdftotext reads it, one string per page.
std::vector<std::string> PageTexts(const std::string& pdf) {
  TempDir dir;
  WriteFileText(dir / "report.pdf", pdf);
  const std::string command =
      "pdftotext -enc UTF-8 '" + (dir / "report.pdf") + "' '" + (dir / "report.txt") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::vector<std::string> pages;
  std::string text = ReadFileText(dir / "report.txt");
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\f', start);
    if (end == std::string::npos) break;
    pages.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pages;
}

std::string Joined(const std::vector<std::string>& pages) {
  std::string all;
  for (const auto& page : pages)
    all += page;
  return all;
}

std::size_t Count(const std::string& text, const std::regex& pattern) {
  return static_cast<std::size_t>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), {}));
}

TEST(PdfReport, PrintsHeadingsTablesAndRichTextAsSelectableText) {
  auto report = MakeRef<host::PdfReport>();
  report->SetTitle("Class I BF - 2024-06-03 14:05:09");
  report->SetStyle(3);
  report->PrintHeading("Device under test");
  report->SetStyle(6);
  report->PrintTable("<2000|<+4000", "Caption|Value;", "Serial|SN-42;Room|{\\b Lab} 3;", 0, 0, 0);
  report->SetStyle(11);
  report->PrintHeading("{\\i\\b Procedure:}");
  report->PrintHeading("first line\\line second line");
  const std::string all = Joined(PageTexts(report->Pdf()));
  for (const char* expected : {"Class I BF - 2024-06-03 14:05:09", "Device under test", "Caption",
                               "SN-42", "Lab 3", "Procedure:", "first line", "second line"})
    EXPECT_NE(all.find(expected), std::string::npos) << expected << " in\n" << all;
}

TEST(PdfReport, TextsThatAreNoValidUtf8OrHoldControlsStillPrint) {
  auto report = MakeRef<host::PdfReport>();
  const std::vector<String> texts = {
      String("nul\0byte", 8), "lone \xFF byte", "surrogate \xED\xA0\x80", "overlong \xC0\xAF",
      "beyond \xF4\x90\x80\x80", "{\\u-10240 ?}{\\u1114112 ?}", "{{{{{{{deep", "}}} closes",
      "tab\there \x01\x7F", "{\\fs400 huge}{\\fs0 none}",
      // noncharacters, which cairo refuses for the whole document
      "plane \xEF\xBF\xBF \xF2\xBF\xBF\xBF \xEF\xB7\x90 end"};
  for (const String& text : texts) {
    report->SetTitle(text);
    report->PrintHeading(text);
    report->PrintTable("", "", text + "|" + text + ";", 0, 0, 0);
    report->SetPageTexts(text, text, text, {});
    EXPECT_GE(report->TextWidth(text), 0);
  }
  const std::string all = Joined(PageTexts(report->Pdf()));
  for (const char* expected : {"nul", "byte", "surrogate", "overlong", "beyond", "deep", "closes",
                               "tab", "huge", "none", "plane \uFFFD \uFFFD \uFFFD end"})
    EXPECT_NE(all.find(expected), std::string::npos) << expected;
}

TEST(PdfReport, MeasuresInTwipsOfTheRealPage) {
  auto a4 = MakeRef<host::PdfReport>(host::Paper::kA4);
  auto letter = MakeRef<host::PdfReport>(host::Paper::kLetter);
  EXPECT_EQ(a4->PageWidth(-1), 10204);  // 210 mm less two margins of 15 mm
  EXPECT_EQ(letter->PageWidth(-1), 10539);
  EXPECT_EQ(a4->RightEdge(-1), a4->PageWidth(-1));
  // Twice the text is twice as wide; bold is wider than plain.
  const Long width = a4->TextWidth("Protective earth");
  EXPECT_GT(width, 1000);
  EXPECT_NEAR(a4->TextWidth("Protective earthProtective earth"), 2 * width, 40);
  EXPECT_GT(a4->TextWidth("{\\b Protective earth}"), width);
  // PositionY grows by what a table takes: a wrapped cell takes more.
  const Long before = a4->PositionY();
  a4->PrintTable("<+1000", "", "one;", 0, 0, 0);
  const Long oneLine = a4->PositionY() - before;
  a4->PrintTable("<+1000", "", "many words that wrap in a narrow column;", 0, 0, 0);
  EXPECT_GT(a4->PositionY() - before - oneLine, 2 * oneLine);
}

TEST(PdfReport, PageTextsPrintDataExactlyOnEveryPage) {
  auto report = MakeRef<host::PdfReport>(host::Paper::kLetter);
  report->SetPageTexts("Monitor A;B|C{D}\\E", "2024-06-03 14:05:09", "Record 0123abcd",
                       [](std::size_t page, std::size_t pages) {
                         return "page " + std::to_string(page) + " of " + std::to_string(pages);
                       });
  for (int i = 0; i < 120; ++i)
    report->PrintTable("<3000|<+3000", "", "row " + std::to_string(i) + "|value;", 0, 0, 0);
  const std::vector<std::string> pages = PageTexts(report->Pdf());
  ASSERT_GT(pages.size(), 1u);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const std::string& page = pages[p];
    EXPECT_NE(page.find("Monitor A;B|C{D}\\E"), std::string::npos) << page;
    EXPECT_NE(page.find("Record 0123abcd"), std::string::npos);
    EXPECT_NE(page.find("page " + std::to_string(p + 1) + " of " + std::to_string(pages.size())),
              std::string::npos)
        << page;
  }
  // Every row once, none lost at a page break.
  const std::string all = Joined(pages);
  for (int i = 0; i < 120; ++i)
    EXPECT_EQ(std::regex_search(all, std::regex("row " + std::to_string(i) + "\\b")), true) << i;
}

// A data text that callers pass through ReplaceChars, as every report cell of a device text is:
// the table keeps its cells and the page shows the text as entered.
TEST(PdfReport, ADeviceTextInACellPrintsExactlyAsEntered) {
  auto report = MakeRef<host::PdfReport>();
  const String serial = report->ReplaceChars("A;B|C{D}\\E", "|;{}", " ,()");
  report->PrintTable("<3000|<3000|<3000", "", "Serial number|" + serial + "|after;", 0, 0, 0);
  const std::string text = Joined(PageTexts(report->Pdf()));
  EXPECT_NE(text.find("A;B|C{D}\\E"), std::string::npos) << text;
  EXPECT_NE(text.find("after"), std::string::npos) << "the cell after it is kept";
}

TEST(PdfReport, ALongTableRepeatsItsHeaderAndARowTallerThanAPageContinues) {
  auto report = MakeRef<host::PdfReport>();
  String body;
  for (int i = 0; i < 150; ++i)
    body += "item " + std::to_string(i) + "|value;";
  report->PrintTable("<3000|<+3000", "Caption|Reading;", body, kReportLightGrey, 0, 0);
  String tall;
  for (int i = 0; i < 200; ++i)
    tall += "line " + std::to_string(i) + "\\line ";
  report->PrintTable("<+5000", "", tall + ";", 0, 0, 0);
  const std::vector<std::string> pages = PageTexts(report->Pdf());
  ASSERT_GT(pages.size(), 4u);
  const std::string all = Joined(pages);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    if (pages[p].find("item ") != std::string::npos) {
      EXPECT_NE(pages[p].find("Caption"), std::string::npos) << "page " << p + 1;
    }
  }
  // Every line of the tall row once: none lost and none printed twice at a page break.
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(Count(all, std::regex("line " + std::to_string(i) + "\\b")), 1u) << i;
}

// A sequence of `count` insulation tests named "Check 1".."Check <count>", each with its limit.
String LongSequence(int count) {
  String xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TestElement ID=\"1\">"
      "<PlugIn Name=\"Simulator\" TestID=\"1\"/><Info><Type>IEC 62353</Type>"
      "<Name>Long sequence</Name></Info>\n";
  for (int i = 1; i <= count; ++i) {
    xml += "<TestElement ID=\"" + std::to_string(1000 + i) +
           "\"><PlugIn Name=\"Simulator\" TestID=\"300\"/><Info><Type>IEC 62353, 5.3.4</Type>"
           "<Name>Check " +
           std::to_string(i) +
           "</Name><Procedure Format=\"2\">Apply 500 V DC between the mains conductors and "
           "protective earth.</Procedure></Info><ExpectedResult><Standards><Standard "
           "AlphaName=\"IEC 62353\" CompleteName=\"IEC 62353:2014 Class I\" "
           "Type=\"Predefined\"><Limit Key=\"INS_MAINS_PE\"><Unit>M\xCE\xA9</Unit><Value "
           "Type=\"Low\">2</Value></Limit></Standard></Standards></ExpectedResult>"
           "</TestElement>\n";
  }
  return xml + "</TestElement>\n";
}

class PdfRunReport : public HostFixture {};

TEST_F(PdfRunReport, ALongSequenceNumbersEveryPageAndSplitsNoElement) {
  constexpr int kElements = 300;
  TempDir dir;
  WriteFileText(dir / "long.xml", LongSequence(kElements));
  const host::PreparedRun prepared =
      host::PrepareRun({dir / "long.xml", kHealthySetup, {}}, session->Manager());
  ASSERT_TRUE(prepared.Ready());
  host::TestRun(prepared.tree, prepared.setup).Perform();
  host::ReportSettings settings;
  settings.detail = true;
  host::RecordSummary record;
  record.recordId = "0123abcd-0000-4000-8000-0000";
  const std::vector<std::string> pages =
      PageTexts(host::ReportPdf(prepared.tree, prepared.setup, settings, record));
  ASSERT_GT(pages.size(), 30u);
  const std::regex heading(R"(Check \d+\b)");
  const std::regex reading(R"(Verdict\s+Passed)");
  std::size_t headings = 0;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const std::string& page = pages[p];
    const std::string pageOf =
        "Page " + std::to_string(p + 1) + " of " + std::to_string(pages.size());
    EXPECT_NE(page.find(pageOf), std::string::npos) << pageOf << " in\n" << page;
    EXPECT_NE(page.find("Record 0123abcd-0000-4000-8000-0000"), std::string::npos);
    // Each element's heading and its reading on the same page.
    EXPECT_EQ(Count(page, heading), Count(page, reading)) << page;
    headings += Count(page, heading);
  }
  EXPECT_EQ(headings, static_cast<std::size_t>(kElements));
}

}  // namespace
}  // namespace velko::test
