#include "report.hpp"

#include <fmt/format.h>

namespace velko::host {

String DateText(Date date) {
  const DateParts p = date.Parts();
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", p.year, p.month, p.day, p.hour,
                     p.minute, p.second);
}

String ReportHtml(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const ReportSettings& settings) {
  const Ref<ITestStatus> status = setup->Status();
  auto report = MakeRef<HtmlReport>(tree.Name() + " - " + DateText(status->TestDate()));
  report->SetReportLevel(settings.detail ? kReportLevelDetailed : 1);
  report->SetReportOptions(kBaseReportOptions | (settings.onlyFailed ? kReportOnlyFailed : 0));
  setup->PrintReport(report);
  status->PrintReport(report);
  tree.Root()->PrintReport(report, setup);
  return report->Html();
}

}  // namespace velko::host
