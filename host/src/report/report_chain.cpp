#include "velko/host/report/report_chain.hpp"

#include <fmt/format.h>

#include "velko/core/error_module.hpp"
#include "velko/host/report/history_section.hpp"
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

void PrintRunReport(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                    const Ref<IReport>& report, const DeviceComparison& history) {
  setup->PrintReport(report);
  setup->Status()->PrintReport(report);
  tree.Root()->PrintReport(report, setup);
  PrintHistorySection(report, history);
}

// A line across the page above the report, in the verdict line's style on a red ground.
void PrintNotice(const Ref<IReport>& report, const String& notice) {
  constexpr Long kLightRed = 0xC8C8FF;  // RGB 255, 200, 200 (red in the low byte)
  Quietly([&] {
    report->SetStyle(4);
    report->SetOption(1);
    const String width = std::to_string(report->PageWidth(-1));
    report->PrintTable("^+" + width, report->ReplaceChars(notice, "|;", "/,"), String(), kLightRed,
                       0, 0);
  });
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
