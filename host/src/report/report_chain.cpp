#include "velko/host/report/report_chain.hpp"

#include <fmt/format.h>

#include "velko/core/error_module.hpp"
#include "velko/host/archive/archive_entry.hpp"
#include "velko/host/report/history_section.hpp"
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

namespace {

String TitleOf(const SequenceTree& tree, const Ref<CTestSetup>& setup) {
  return tree.Name() + " - " + DateText(setup->Status()->TestDate());
}

// Everything a report holds, into a writer that was given the settings' level and options.
void PrintWholeReport(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                      const ReportSettings& settings, const Ref<IReport>& report,
                      const DeviceComparison& history) {
  if (!settings.notice.empty()) PrintNotice(report, settings.notice);
  PrintRunReport(tree, setup, report, history);
}

// "Manufacturer Model, serial number S" of what the device's identity holds.
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

}  // namespace

String ReportHtml(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const ReportSettings& settings, const DeviceComparison& history) {
  auto report = MakeRef<HtmlReport>(TitleOf(tree, setup));
  report->SetReportLevel(ReportLevelOf(settings));
  report->SetReportOptions(ReportOptionsOf(settings));
  PrintWholeReport(tree, setup, settings, report, history);
  return report->Html();
}

String ReportPdf(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                 const ReportSettings& settings, const String& recordId,
                 const DeviceComparison& history) {
  auto report = MakeRef<PdfReport>(settings.paper);
  report->SetReportLevel(ReportLevelOf(settings));
  report->SetReportOptions(ReportOptionsOf(settings));
  report->SetPageTexts(DeviceLine(DeviceOf(setup)), DateText(setup->Status()->TestDate()),
                       recordId.empty() ? String() : HostText("1301::Record %%1", recordId),
                       [](std::size_t page, std::size_t pages) {
                         return HostText("1300::Page %%1 of %%2", static_cast<Long>(page),
                                         static_cast<Long>(pages));
                       });
  report->SetTitle(TitleOf(tree, setup));
  PrintWholeReport(tree, setup, settings, report, history);
  return report->Pdf();
}

}  // namespace velko::host
