// The report a technician signs: every item that test documentation needs, device texts exactly
// as entered, and the page frame of the printed document.
#include "velko/host/report/report_chain.hpp"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "host_fixture.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/archive/archive_entry.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/test_run.hpp"

namespace velko::test {
namespace {

std::size_t Count(const String& text, const String& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != String::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// The texts of a catalogue by key (single-line entries, as the catalogues write them).
std::map<String, String> CatalogueTexts(const String& file) {
  std::map<String, String> texts;
  const String text = ReadFileText(file);
  const std::regex entry(
      R"re(msgctxt "([^"]+)"\nmsgid "((?:[^"\\]|\\.)*)"\nmsgstr "((?:[^"\\]|\\.)*)")re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), entry);
       it != std::sregex_iterator(); ++it)
    texts[(*it)[1]] = (*it)[3];
  return texts;
}

// The texts between the tags of a page, blanks trimmed.
std::vector<String> TextNodes(const String& html) {
  std::vector<String> nodes;
  const std::size_t body = html.find("<body>");
  for (std::size_t open = html.find('>', body); open != String::npos;
       open = html.find('>', open + 1)) {
    const std::size_t close = html.find('<', open);
    if (close == String::npos) break;
    const String node = TrimBlanks(html.substr(open + 1, close - open - 1));
    if (!node.empty()) nodes.push_back(node);
  }
  return nodes;
}

const String kLanguages = VELKO_SOURCE_DATA_DIR "/lang";

class ReportChainTest : public HostFixture {
 protected:
  // The sample performed with `setup`, a copy of a sample setup with `from` replaced by `to`.
  String Report(const String& sample, const String& from = {}, const String& to = {},
                const host::ReportSettings& settings = {}) {
    String text = ReadFileText(sample);
    if (!from.empty()) text = ReplaceAll(text, from, to);
    const String setup = dir / "setup.xml";
    WriteFileText(setup, text);
    const host::PreparedRun run =
        host::PrepareRun({kSampleSequence, setup, {}}, session->Manager());
    EXPECT_TRUE(run.Ready());
    host::TestRun(run.tree, run.setup).Perform();
    host::RecordSummary record;
    record.recordId = "0f8e6c1a-2b4d-4e6f-8a0b-1c2d3e4f5a6b";
    record.tester = "J. Fischer";
    record.station = "bench-3";
    record.organisation = "Medical Engineering, St. Anna";
    record.started = "2026-12-10 09:00:00";
    record.finished = "2026-12-10 09:04:10";
    record.device = host::DeviceOf(run.setup);
    record.standards = host::SelectedStandardNames(run.setup);
    return host::ReportHtml(run.tree, run.setup, settings, record);
  }

  TempDir dir;
};

TEST_F(ReportChainTest, HoldsEveryItemOfTheTestDocumentation) {
  const String html = Report(kHealthySetup);
  for (const char* item : {
           "Testing organisation",
           "Medical Engineering, St. Anna",  // who tested for whom
           "Tester", "J. Fischer", "Test station", "bench-3", "Record ID",
           "0f8e6c1a-2b4d-4e6f-8a0b-1c2d3e4f5a6b",  // which record
           "2026-12-10 09:00:00",
           "2026-12-10 09:04:10",  // when
           "Standards applied", "IEC 62353:2014 Class I, In-house limits", "NM300-04711",
           "Norvale Medical", "InfuSafe 300",
           "A-2231",  // the device
           "Simulated safety analyser", "SIM-0001", "1.2.0",
           "2026-09-14",  // the instrument
           "TEST PASSED", "Tested by", "Evaluated by", "Signature",
           // every reading with its value, the limits of each standard that judged it, its unit
           // and verdict, in the summary report too
           "Protective earth, equipment alone", "<td class=\"ar\">0.043</td>",
           "\u2264 0.200 <span style=\"font-size:7pt\">IEC 62353</span><br>\u2264 0.150",
           "<td class=\"al\">\u03A9</td><td class=\"al\">Passed</td>",
           "0.456 \u2026 0.558",  // the repeat's limits, relative to the first reading
       }) {
    EXPECT_NE(html.find(item), String::npos) << item;
  }
  // The page frame: device and date above, record ID and page numbers below.
  EXPECT_NE(
      html.find("@top-left{content:\"Norvale Medical InfuSafe 300, serial number NM300-04711\""),
      String::npos);
  EXPECT_NE(html.find("@bottom-left{content:\"Record ID 0f8e6c1a-2b4d-4e6f-8a0b-1c2d3e4f5a6b\""),
            String::npos);
  EXPECT_NE(html.find("content:\"Page \" counter(page) \" of \" counter(pages)"), String::npos);
  EXPECT_EQ(html.find("Calibration overdue"), String::npos);
  // The verdict of every step and group, passed ones too.
  EXPECT_EQ(Count(html, "<b>Result of the test</b>"), 9u);
  EXPECT_EQ(Count(html, "<b>Passed</b>"), 9u);
}

TEST_F(ReportChainTest, MarksAnInstrumentWhoseCalibrationWasDueOnTheDayOfTheTest) {
  const String html = Report(kFaultySetup);
  EXPECT_NE(html.find("Calibration overdue: Simulated safety analyser (serial number SIM-0001) "
                      "was calibrated on 2025-06-30 and was due again on 2026-06-30."),
            String::npos);
  EXPECT_NE(html.find("TEST FAILED"), String::npos);
}

TEST_F(ReportChainTest, PrintsADeviceTextExactlyAsEntered) {
  const String html = Report(kHealthySetup, ">NM300-04711<", ">A;B|C{D}\\E<");
  EXPECT_NE(html.find(">A;B|C{D}\\E<"), String::npos);
  EXPECT_NE(
      html.find("@top-left{content:\"Norvale Medical InfuSafe 300, serial number A;B|C{D}\\\\E\""),
      String::npos);
}

TEST_F(ReportChainTest, TheGermanReportHoldsNoEnglishTextOfTheCatalogues) {
  GTranslate::Instance()->SelectLanguageSet("de");
  const String html = Report(kFaultySetup);
  GTranslate::Instance()->SelectLanguageSet("en");
  // The sample setup names its instrument in English: data that happens to match the plug-in's
  // texts, not a text the report took from a catalogue. The sequence names its elements by keys.
  const String samples = ReadFileText(kSampleSequence) + ReadFileText(kFaultySetup);
  std::set<String> english;  // texts whose German differs
  for (const char* catalogue : {"velkocore", "velkohost", "Simulator"}) {
    const auto en = CatalogueTexts(kLanguages + "/en/" + catalogue + ".po");
    const auto de = CatalogueTexts(kLanguages + "/de/" + catalogue + ".po");
    for (const auto& [key, text] : en) {
      const auto german = de.find(key);
      const bool sampleData = samples.find(">" + text + "<") != String::npos;
      if (german != de.end() && german->second != text && !sampleData) english.insert(text);
    }
  }
  ASSERT_GT(english.size(), 100u);
  for (const String& node : TextNodes(html))
    EXPECT_EQ(english.count(node), 0u) << node;
  EXPECT_NE(html.find("Kalibrierung \u00FCberf\u00E4llig"), String::npos);
  EXPECT_NE(html.find(">Sichtpr\u00FCfung<"), String::npos);  // the sample's names, translated
  EXPECT_NE(html.find(">0,463<"), String::npos);              // the decimal comma
  EXPECT_NE(html.find("\u2264 0,200"), String::npos);
  EXPECT_NE(html.find("Seite \" counter(page) \" von \" counter(pages)"), String::npos);
}

}  // namespace
}  // namespace velko::test
