#include "velko/host/report/report_chain.hpp"

#include <fmt/format.h>

#include "velko/core/error_module.hpp"
#include "velko/host/report/history_section.hpp"
#include "velko/host/run/run_summary.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/outside/html_report.hpp"

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

// A line across the page in the verdict line's style on a coloured ground.
void PrintShadedLine(const Ref<IReport>& report, const String& text, Long colour) {
  Quietly([&] {
    report->SetStyle(4);
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
  if (OutcomeOf(setup->Status()->TestStatus(), summary) != RunOutcome::kIncomplete) {
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

}  // namespace

void PrintRunReport(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                    const Ref<IReport>& report, const DeviceComparison& history) {
  setup->PrintReport(report);
  PrintVerdictLine(report, tree, setup);
  tree.Root()->PrintReport(report, setup);
  PrintHistorySection(report, history);
}

String ReportHtml(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const ReportSettings& settings, const DeviceComparison& history) {
  auto report = MakeRef<HtmlReport>(tree.Name() + " - " + DateText(setup->Status()->TestDate()));
  report->SetReportLevel(ReportLevelOf(settings));
  report->SetReportOptions(ReportOptionsOf(settings));
  if (!settings.notice.empty()) PrintNotice(report, settings.notice);
  PrintRunReport(tree, setup, report, history);
  return report->Html();
}

}  // namespace velko::host
