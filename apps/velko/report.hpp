// The report of a test run, printed through the library's own PrintReport chain: the setup
// (selections, device under test, the plug-ins' device data, instruments), the verdict line, then
// the elements of the sequence.
#pragma once

#include "documents.hpp"

namespace velko::host {

// Report options always printed: configuration, limits, result and the procedure as plain text.
inline constexpr Long kBaseReportOptions =
    kReportConfiguration | kReportLimits | kReportResult | kReportProcedureText;

// The complete HTML document. The same record and settings always give the same text.
String ReportHtml(const SequenceTree& tree, const Ref<CTestSetup>& setup,
                  const ReportSettings& settings);

// "2024-06-03 14:05:09"
String DateText(Date date);

}  // namespace velko::host
