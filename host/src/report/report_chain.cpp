#include "velko/host/report/report_chain.hpp"

#include <fmt/format.h>

#include "velko/core/error_module.hpp"
#include "velko/host/archive/archive_entry.hpp"
#include "velko/host/report/history_section.hpp"
#include "velko/host/run/run_summary.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/station_settings.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/setup/mti_data.hpp"

namespace velko::host {

String DateText(Date date) {
  const DateParts p = date.Parts();
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", p.year, p.month, p.day, p.hour,
                     p.minute, p.second);
}

Long ReportLevelOf(const ReportSettings& settings) {
  return settings.detail ? kReportLevelDetailed : 1;
}

Long ReportOptionsOf(const ReportSettings& settings) {
  return kBaseReportOptions | (settings.onlyFailed ? kReportOnlyFailed : 0);
}

namespace {

constexpr Long kLightRed = 0xC8C8FF;     // RGB 255, 200, 200 (red in the low byte)
constexpr Long kLightOrange = 0xA0DCFF;  // RGB 255, 220, 160

constexpr Long kVerdictStyle = 4;
constexpr Long kNoteStyle = 5;

// A line across the page on a coloured ground: a verdict (large) or a note.
void PrintShadedLine(const Ref<IReport>& report, const String& text, Long colour,
                     Long style = kVerdictStyle) {
  Quietly([&] {
    report->SetStyle(style);
    report->SetOption(1);
    const String width = std::to_string(report->PageWidth(-1));
    report->PrintTable("^+" + width, report->ReplaceChars(text, "|;", "/,"), String(), colour, 0,
                       0);
  });
}

// The verdict line: the test status's own, unless a step of the run was performed but not judged,
// whatever the status says (records kept before such runs were refused a pass may still say so).
void PrintVerdictLine(const Ref<IReport>& report, const SequenceTree& tree,
                      const Ref<CTestSetup>& setup) {
  const RunSummary summary = SummariseRecordedRun(tree.Root(), setup);
  const Long status = setup->Status()->TestStatus();
  // A failed or aborted run says so whatever else it holds; only a pass (or the "not performed"
  // an incomplete run is kept with) gives way.
  const bool passOrNone = status == kStatusPassed || status == kStatusNotPerformed;
  if (!passOrNone || OutcomeOf(status, summary) != RunOutcome::kIncomplete) {
    setup->Status()->PrintReport(report);
    return;
  }
  PrintShadedLine(report,
                  HostText("400::TEST INCOMPLETE: %%1 step(s) performed but not judged",
                           static_cast<Long>(summary.NotJudged())),
                  kLightOrange);
}

// A line across the page above the report, on a red ground.
void PrintNotice(const Ref<IReport>& report, const String& notice) {
  PrintShadedLine(report, notice, kLightRed);
}

// A data text as a table cell: the writer keeps its separators from the table language.
String Cell(const Ref<IReport>& report, const String& text) {
  return report->ReplaceChars(text, "|;{}", " ,()");
}

// Caption and value pairs, two pairs to a row, as the device under test prints them.
void PrintCaptionTable(const Ref<IReport>& report,
                       const std::vector<std::pair<String, String>>& items) {
  Quietly([&] {
    const Long page = report->PageWidth(-1);
    const String caption = std::to_string(page / 5);
    const String value = std::to_string(page / 2 - page / 5);
    const String format = "<+" + caption + "|<+" + value + "|<+" + caption + "|<+" + value;
    const std::size_t half = (items.size() + 1) / 2;
    String rows;
    for (std::size_t i = 0; i < half; ++i) {
      rows += items[i].first + "|" + Cell(report, items[i].second) + "|";
      if (i + half < items.size())
        rows += items[i + half].first + "|" + Cell(report, items[i + half].second);
      else
        rows += "|";
      rows += ";";
    }
    report->SetStyle(6);
    report->SetOption(1);
    report->SetTableStyle(4);
    report->SetTableParam(1);
    report->PrintTable(format, String(), rows, 0, 0, 0);
  });
}

String Joined(const std::vector<String>& parts) {
  String text;
  for (const String& part : parts)
    text += (text.empty() ? "" : ", ") + part;
  return text;
}

// Who tested for whom, where and when, and which record this is: above everything else.
void PrintRecordSection(const Ref<IReport>& report, const RecordSummary& record) {
  Quietly([&] {
    report->SetStyle(3);
    report->PrintHeading(HostText("401::Test record"));
  });
  const String none = HostText("416::not given");
  const auto given = [&](const String& text) { return text.empty() ? none : text; };
  PrintCaptionTable(report, {{HostText("402::Testing organisation"), given(record.organisation)},
                             {HostText("403::Tester"), given(record.tester)},
                             {HostText("404::Test station"), given(record.station)},
                             {HostText("408::Standards applied"), given(Joined(record.standards))},
                             {HostText("405::Record ID"), given(record.recordId)},
                             {HostText("406::Started"), given(record.started)},
                             {HostText("407::Finished"), given(record.finished)}});
}

String IsoDate(std::chrono::sys_days day) {
  const std::chrono::year_month_day date(day);
  return fmt::format("{:04}-{:02}-{:02}", static_cast<int>(date.year()),
                     static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

// Beneath the instruments: each whose calibration is due or has no date, on a red ground.
void PrintCalibrationWarnings(const Ref<IReport>& report, const Ref<CTestSetup>& setup,
                              std::chrono::sys_days today) {
  const Ref<IMTIDataColl> instruments = setup->TestInstruments();
  const Long months = CalibrationIntervalMonths();
  for (Long i = 1; i <= QuietlyOr(Long{0}, [&] { return instruments->Count(); }); ++i) {
    Quietly([&] {
      const Ref<IMTIData> instrument = instruments->Item(i);
      const auto own = QueryInterface<CMTIData>(instrument);
      const String date = own ? own->CalDate() : String();
      const auto calibrated = ParseIsoDate(date);
      if (calibrated && CalibrationDue(*calibrated, months) >= today) return;
      const String text =
          calibrated ? HostText(
                           "409::Calibration overdue: %%1 (serial number %%2) was calibrated "
                           "on %%3 and was due again on %%4.",
                           instrument->MTIType(), instrument->SerialNo(), date,
                           IsoDate(CalibrationDue(*calibrated, months)))
                     : HostText("410::%%1 (serial number %%2) has no valid calibration date.",
                                instrument->MTIType(), instrument->SerialNo());
      PrintShadedLine(report, text, kLightRed, kNoteStyle);
    });
  }
}

// The lines the tester and the evaluating person sign, each with its date.
void PrintSignatureSection(const Ref<IReport>& report, const RecordSummary& record) {
  Quietly([&] {
    report->SetStyle(3);
    report->PrintHeading(HostText("411::Signatures"));
    const Long page = report->PageWidth(-1);
    const String format = "<+" + std::to_string(page * 2 / 10) + "|<+" +
                          std::to_string(page * 3 / 10) + "|<+" + std::to_string(page * 15 / 100) +
                          "|<+" +
                          std::to_string(page - page * 2 / 10 - page * 3 / 10 - page * 15 / 100);
    const String header = "|" + HostText("417::Name") + "|" + HostText("414::Date") + "|" +
                          HostText("415::Signature") + ";";
    // Room to write in: the rows are three lines high.
    const String body = HostText("412::Tested by") + "|" + Cell(report, record.tester) +
                        "||\\line\\line;" + HostText("413::Evaluated by") + "|||\\line\\line;";
    report->SetStyle(6);
    report->SetOption(1);
    report->SetTableStyle(3);
    report->SetTableMode(1);
    report->SetTableParam(1);
    report->PrintTable(format, header, body, 0, 0, 0);
  });
}

String TitleOf(const SequenceTree& tree, const Ref<CTestSetup>& setup) {
  return tree.Name() + " - " + DateText(setup->Status()->TestDate());
}

// Everything a report holds, into a writer that was given the settings' level and options.
void PrintWholeReport(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                      const ReportSettings& settings, const Ref<IReport>& report,
                      const RecordSummary& record, const DeviceComparison& history) {
  if (!settings.notice.empty()) PrintNotice(report, settings.notice);
  PrintRunReport(tree, setup, report, record, history);
}

}  // namespace

String DeviceLine(const DeviceIdentity& device) {
  String line = device.manufacturer;
  if (!device.model.empty()) line += (line.empty() ? "" : " ") + device.model;
  String number;
  if (!device.serial.empty()) {
    number = HostText("1302::serial number %%1", device.serial);
  } else if (!device.asset.empty()) {
    number = HostText("1303::asset number %%1", device.asset);
  }
  if (!number.empty()) line += (line.empty() ? "" : ", ") + number;
  return line;
}

void PrintRunReport(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                    const Ref<IReport>& report, const RecordSummary& record,
                    const DeviceComparison& history) {
  PrintRecordSection(report, record);
  setup->PrintReport(report);
  // Judged on the day of the test, so that a reprint says what the report of the run said.
  const DateParts tested = setup->Status()->TestDate().Parts();
  PrintCalibrationWarnings(
      report, setup,
      std::chrono::sys_days(std::chrono::year(tested.year) / static_cast<unsigned>(tested.month) /
                            static_cast<unsigned>(tested.day)));
  PrintVerdictLine(report, tree, setup);
  tree.Root()->PrintReport(report, setup);
  PrintHistorySection(report, history);
  PrintSignatureSection(report, record);
}

String ReportHtml(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const ReportSettings& settings, const RecordSummary& record,
                  const DeviceComparison& history) {
  const String date = DateText(setup->Status()->TestDate());
  auto report = MakeRef<HtmlReport>(TitleOf(tree, setup));
  report->SetPageFrame({DeviceLine(record.device), date,
                        HostText("405::Record ID") + " " + record.recordId,
                        HostText("418::Page %%1 of %%2", "%%1", "%%2")});  // numbers: the writer's
  report->SetReportLevel(ReportLevelOf(settings));
  report->SetReportOptions(ReportOptionsOf(settings));
  PrintWholeReport(tree, setup, settings, report, record, history);
  return report->Html();
}

String ReportPdf(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                 const ReportSettings& settings, const RecordSummary& record,
                 const DeviceComparison& history) {
  auto report = MakeRef<PdfReport>(settings.paper);
  report->SetReportLevel(ReportLevelOf(settings));
  report->SetReportOptions(ReportOptionsOf(settings));
  const String& recordId = record.recordId;
  report->SetPageTexts(DeviceLine(record.device), DateText(setup->Status()->TestDate()),
                       recordId.empty() ? String() : HostText("1301::Record %%1", recordId),
                       [](std::size_t page, std::size_t pages) {
                         return HostText("1300::Page %%1 of %%2", static_cast<Long>(page),
                                         static_cast<Long>(pages));
                       });
  report->SetTitle(TitleOf(tree, setup));
  PrintWholeReport(tree, setup, settings, report, record, history);
  return report->Pdf();
}

}  // namespace velko::host
