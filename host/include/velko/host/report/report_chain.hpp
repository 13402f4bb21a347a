// The report of a test run, printed through the library's own PrintReport chain: the setup
// (selections, device under test, the plug-ins' device data, instruments), the verdict line, then
// the elements of the sequence.
#pragma once

#include "velko/host/archive/archive.hpp"
#include "velko/host/archive/comparison.hpp"
#include "velko/host/documents/sequence_document.hpp"
#include "velko/host/report/pdf_report.hpp"
#include "velko/setup/test_setup.hpp"
#include "velko/typelib/report.hpp"

namespace velko::host {

// How a report is printed: the language and the report options.
struct ReportSettings {
  String language = "en";
  bool detail = false;       // report level 3: procedure, configuration and limits too
  bool onlyFailed = false;   // only the elements that failed
  String notice;             // printed above everything, shaded red: a record that did not verify
  bool pdf = false;          // a PDF of the report too, beside the HTML
  Paper paper = Paper::kA4;  // the PDF's
};

// Report options always printed: configuration, limits, result and the procedure as plain text.
inline constexpr Long kBaseReportOptions =
    kReportConfiguration | kReportLimits | kReportResult | kReportProcedureText;

// The report level and options a writer is given for the settings.
Long ReportLevelOf(const ReportSettings& settings);
Long ReportOptionsOf(const ReportSettings& settings);

// Prints the whole report of a tree and its setup into a writer that was given the settings'
// level and options: the record's header (organisation, tester, station, standards, record ID,
// times), the setup with a warning for each instrument whose calibration was due on the day of
// the test, the verdict line, the elements, the comparison with the device's earlier tests
// (`history`, when there is one) and the signature lines.
void PrintRunReport(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                    const Ref<IReport>& report, const RecordSummary& record,
                    const DeviceComparison& history = {});

// The complete HTML document, with the device and the date in its running page header and the
// record ID beside the page numbers. The same record, history and settings always give the same
// text.
String ReportHtml(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const ReportSettings& settings, const RecordSummary& record,
                  const DeviceComparison& history = {});

// The same report as a PDF on the settings' paper; every page has a running header (the device
// and the date of the test) and a footer ("page n of m" and the record ID).
String ReportPdf(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                 const ReportSettings& settings, const RecordSummary& record,
                 const DeviceComparison& history = {});

// "2024-06-03 14:05:09"
String DateText(Date date);

// The device as a page header names it: manufacturer, model and serial number.
String DeviceLine(const DeviceIdentity& device);

}  // namespace velko::host
