// What the command line prints besides the commands' own output.
#pragma once

#include <optional>
#include <vector>

#include "velko/host/checks/problem.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/run/run_summary.hpp"

namespace velko::cli {

// Prints the problems to stderr under a heading naming the file; nothing when there are none.
void PrintProblems(const String& file, const std::vector<String>& problems);
// Each problem of the file on stderr, one line each ("FILE:LINE: error: message (element 12;
// found "1O"; expected ...)"), then how many there were; nothing when there are none.
void PrintProblems(const host::FileProblems& problems);
void PrintProblems(const std::vector<host::FileProblems>& problems);
// "warning: <text>" on stderr for each warning.
void PrintWarnings(const std::vector<String>& warnings);
// A report's documents where the command line names them: the PDF into `pdf` when given, the HTML
// into `html` when given, else (without a PDF) on standard output. Both files are written or
// neither; one file named for both is refused before anything is written.
void EmitReports(const std::optional<String>& html, const std::optional<String>& pdf,
                 const host::ReportDocuments& documents);
// The counts of a run and every step that was not judged.
void PrintSummary(const host::RunSummary& summary);

}  // namespace velko::cli
