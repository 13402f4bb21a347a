#include "report/report_utils.hpp"

#include <gtest/gtest.h>

#include "support/fake_language_set.hpp"
#include "support/recording_report.hpp"
#include "velko/core/translation.hpp"
#include "velko/outside/registry.hpp"
#include "velko/sequence/element_filter.hpp"
#include "velko/sequence/element_info.hpp"
#include "velko/service/service_record.hpp"
#include "velko/setup/system_options.hpp"
#include "velko/typelib/registry.hpp"

namespace velko {
namespace {

// A step's result: a verdict and, on request, a service record entry.
class FakeResult final : public IResult {
 public:
  explicit FakeResult(Long status, Ref<IServiceRecord> record = nullptr)
      : status_(status), record_(std::move(record)) {}
  String Comment() override { return {}; }
  Long Status() override { return status_; }
  void Load(const Ref<IXmlElement>&, const Ref<IProgressLog>&) override {}
  Ref<IXmlElement> Save(const Ref<IXmlDocument>&) override { return nullptr; }
  void PrintReport(const Ref<IReport>&, const Ref<ITestSetup>&) override {}
  Ref<IMeasurement> Measurement(const String&) override { return nullptr; }
  Ref<IServiceRecord> ServiceRecord() override { return record_; }

 private:
  Long status_;
  Ref<IServiceRecord> record_;
};

Ref<IResult> Result(Long status, const String& recordId = String()) {
  Ref<IServiceRecord> record;
  if (!recordId.empty()) {
    record = MakeRef<CServiceRecord>();
    record->SetID(recordId);
  }
  return MakeRef<FakeResult>(status, record);
}

Ref<IElementFilter> Filter(bool include, const String& recordId = String()) {
  auto filter = CreateElementFilter();
  filter->SetIncludeInReport(include);
  filter->SetServiceRecordID(recordId);
  return filter;
}

Ref<IElementInfo2> Procedure(Long format, const String& text) {
  auto info = QueryInterface<IElementInfo2>(CreateElementInfo());
  info->SetProcedure(text);
  info->SetProcedureFormat(format);
  return info;
}

TEST(ReportUtils, IsElementReportedByFilterResultAndOptions) {
  struct Case {
    bool include;
    bool hasResult;
    Long status;
    const char* recordId;
    Long options;
    bool reported;
  };
  const Case cases[] = {
      {false, true, kStatusFailed, "SR", 0, false},
      {false, true, kStatusFailed, "SR", kReportOnlyFailed, false},
      {true, false, kStatusFailed, "SR", 0, false},
      {true, true, kStatusPassed, "", 0, true},
      {true, true, kStatusPassed, "", kReportOnlyFailed, false},
      {true, true, kStatusFailed, "", kReportOnlyFailed, true},
      {true, true, kStatusPassed, "", kReportOnlyServiceRecord, false},
      {true, true, kStatusPassed, "SR", kReportOnlyServiceRecord, true},
      {true, true, kStatusFailed, "", kReportOnlyFailed | kReportOnlyServiceRecord, false},
      {true, true, kStatusFailed, "SR", kReportOnlyFailed | kReportOnlyServiceRecord, true},
  };
  for (const Case& c : cases) {
    const Ref<IResult> result = c.hasResult ? Result(c.status) : nullptr;
    EXPECT_EQ(IsElementReported(Filter(c.include, c.recordId), result, c.options), c.reported)
        << c.include << c.hasResult << c.status << c.recordId << c.options;
  }
  EXPECT_FALSE(IsElementReported(nullptr, Result(kStatusPassed), 0));
}

TEST(ReportUtils, IsTextEmptyByFormat) {
  struct Case {
    Long format;
    const char* text;
    bool empty;
  };
  const Case cases[] = {
      {kProcedureLink, "http://example", true},
      {kProcedureLink2, "anything", true},
      {kProcedurePlain, "   ", true},
      {kProcedurePlain, " x ", false},
      {kProcedureNone, "", true},
      {7, " ", true},
      {kProcedureHtml, "<b><i></i></b>", true},
      {kProcedureHtml, "<br>", false},  // a line break is something to print
      {kProcedureHtml, "<P>", false},
      {kProcedureHtml, "</p>", false},
      {kProcedureHtml, "<br/>", true},
      {kProcedureHtml, " ", false},  // not trimmed
      {kProcedureRtf, "{\\rtf1 }", true},
      {kProcedureRtf, "{\\rtf1 x}", false},
      {kProcedureRtf, "  ", false},  // not rich text: unchanged, not trimmed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTextEmpty(c.format, c.text), c.empty) << c.format << " '" << c.text << "'";
  }
}

TEST(ReportUtils, HeadingRowCells) {
  test::EchoLanguageGuard language;
  const String fail = TranslateText("", "303::Fail");
  ASSERT_FALSE(fail.empty());
  const String typeCell = "{\\fs16\\i Type 1}";
  struct Case {
    const char* what;
    Ref<IResult> result;
    const char* filterRecord;
    bool display;
    String body;
  };
  const Case cases[] = {
      {"no result: two cells", nullptr, "", false, "Name|" + typeCell},
      {"passed", Result(kStatusPassed), "", false, "Name|" + typeCell + "|"},
      {"not applicable", Result(kStatusNotApplicable), "", false, "Name|" + typeCell + "|NA"},
      {"failed: four cells", Result(kStatusFailed), "", false, "Name|" + typeCell + "||" + fail},
      {"service record", Result(kStatusPassed, " SR-1 "), "SR", true, "Name|" + typeCell + "|SR-1"},
      {"service record, failed", Result(kStatusFailed, "SR-1"), "SR", true,
       "Name|" + typeCell + "|SR-1|" + fail},
      {"no record id in the filter", Result(kStatusPassed, "SR-1"), "", true,
       "Name|" + typeCell + "|"},
      {"no record in the result", Result(kStatusNotApplicable), "SR", true,
       "Name|" + typeCell + "|"},
  };
  for (const Case& c : cases) {
    auto info = CreateElementInfo();
    info->SetName("Name");
    info->Initialize("Type 1", "");
    auto report = MakeRef<test::RecordingReport>();
    PrintElementHeader(info, Filter(true, c.filterRecord), c.result, report, c.display);
    const auto tables = report->Calls("PrintTable");
    ASSERT_EQ(tables.size(), 1u) << c.what;
    EXPECT_EQ(tables[0].Arg(2), c.body) << c.what;
  }
}

TEST(ReportUtils, HeadingRowEscapesDataAndSetsTheTableUp) {
  auto info = CreateElementInfo();
  info->SetName("A|B;C");
  info->Initialize("T|1;2", "{10 A}");
  auto report = MakeRef<test::RecordingReport>();
  report->reportLevel = 2;
  PrintElementHeader(info, Filter(true), nullptr, report, false);
  EXPECT_EQ(report->Transcript(),
            "SetStyle(9)\nSetTableStyle(2)\nSetTableParam(1)\nSetTableMode(1)\n"
            "PrintTable(\"\", \"\", \"A B,C|{\\fs16\\i T 1,2\\line (10 A)}\", 0, 0, 0)\n");

  report->Clear();
  report->reportLevel = kReportLevelDetailed;
  PrintElementHeader(info, Filter(true), nullptr, report, false);
  EXPECT_EQ(report->Calls("SetTableParam").at(0).Arg(0), "20");
}

TEST(ReportUtils, HeadingRowReadsTheServiceRecordOptionFromTheSystemOptions) {
  UseInMemoryRegistry();
  SetSharedSystemOptions(nullptr);
  const auto print = [] {
    auto info = CreateElementInfo();
    auto report = MakeRef<test::RecordingReport>();
    PrintElementHeader(info, Filter(true, "SR"), Result(kStatusNotApplicable, "SR-9"), report);
    return report->Calls("PrintTable").at(0).Arg(2);
  };
  EXPECT_EQ(print(), "|{\\fs16\\i }|NA");
  auto key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathGeneral));
  key->SetValue("DisplayServiceRecord", Variant(Long{1}));
  EXPECT_EQ(print(), "|{\\fs16\\i }|SR-9");
  SetSharedSystemOptions(nullptr);
  UseDefaultRegistry();
}

TEST(ReportUtils, FramedBlocksForProcedureAndComment) {
  auto report = MakeRef<test::RecordingReport>();
  report->positionY = 1000;
  PrintComment(report, "");
  EXPECT_TRUE(report->Calls().empty());
  PrintComment(report, "checked");
  EXPECT_EQ(report->Transcript(),
            "SetStyle(11)\nPrintHeading(\"{\\i\\b Comment:}\")\nPrintHeading(\"checked\")\n"
            "DrawLine(9440, 1000, 9440, 1480)\n");

  report->Clear();
  PrintProcedure(Procedure(kProcedureHtml, "<b>x</b>"), report);
  EXPECT_EQ(report->Calls("PrintHeading").at(0).Arg(0), "{\\i\\b Procedure:}");
  EXPECT_EQ(report->Calls("PrintHeading").at(1).Arg(0), "<b>x</b>");  // as stored

  report->Clear();
  PrintProcedure(Procedure(kProcedureHtml, "<b></b>"), report);
  PrintProcedure(Procedure(kProcedureLink, "http://x"), report);
  EXPECT_TRUE(report->Calls().empty());
}

TEST(ReportUtils, ProcedureTextIsReducedToPlainText) {
  struct Case {
    Long format;
    const char* text;
    const char* printed;  // nullptr: nothing printed
  };
  const Case cases[] = {
      {kProcedureHtml, "<p>A</p><p>B</p>", "A\r\nB"},
      {kProcedureHtml, "  <br>x&amp;y<br>  ", "x&y"},
      {kProcedureHtml, "<b></b>", nullptr},
      {kProcedureRtf, "{\\rtf1 A\\par  \\par B}", "A\r\nB"},
      {kProcedureRtf, "{\\rtf1 A\\par \\par \\par B}", "A\r\n\r\nB"},  // one pass only
      {kProcedurePlain, "  x\r\n\r\ny  ", "  x\r\n\r\ny  "},           // plain text as it stands
      {kProcedureNone, "x", "x"},
      {kProcedurePlain, "   ", nullptr},
      {kProcedureLink, "http://x", nullptr},
      {9, "x", nullptr},
  };
  for (const Case& c : cases) {
    auto report = MakeRef<test::RecordingReport>();
    PrintProcedureText(Procedure(c.format, c.text), report);
    const auto headings = report->Calls("PrintHeading");
    if (c.printed == nullptr) {
      EXPECT_TRUE(headings.empty()) << c.text;
      continue;
    }
    ASSERT_EQ(headings.size(), 2u) << c.text;
    EXPECT_EQ(headings[1].Arg(0), c.printed) << c.text;
  }
}

TEST(ReportUtils, NoneArgumentsPrintWhatTheyCanAndNeverRaise) {
  EXPECT_NO_THROW(PrintElementHeader(nullptr, nullptr, nullptr, nullptr, false));
  EXPECT_NO_THROW(PrintProcedure(nullptr, nullptr));
  EXPECT_NO_THROW(PrintProcedureText(Procedure(kProcedurePlain, "x"), nullptr));
  EXPECT_NO_THROW(PrintComment(nullptr, "x"));
  auto report = MakeRef<test::RecordingReport>();
  PrintElementHeader(nullptr, nullptr, Result(kStatusPassed), report, true);
  EXPECT_EQ(report->Calls("PrintTable").at(0).Arg(2), "|{\\fs16\\i }|");
}

}  // namespace
}  // namespace velko
