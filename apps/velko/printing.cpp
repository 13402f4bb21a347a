#include "printing.hpp"

#include <fmt/format.h>

#include <filesystem>
#include <iostream>

#include "velko/host/files/file_system.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::cli {
namespace {

String Details(const host::Problem& problem) {
  std::vector<String> parts;
  if (!problem.element.empty())
    parts.push_back(host::HostText("302::element %%1", problem.element));
  if (!problem.found.empty()) parts.push_back(host::HostText("303::found \"%%1\"", problem.found));
  if (!problem.expected.empty())
    parts.push_back(host::HostText("304::expected %%1", problem.expected));
  String text;
  for (const String& part : parts)
    text += (text.empty() ? " (" : "; ") + part;
  return text.empty() ? text : text + ")";
}

}  // namespace

void PrintProblems(const String& file, const std::vector<String>& problems) {
  if (problems.empty()) return;
  std::cerr << fmt::format("{} problem{} in {}:\n", problems.size(),
                           problems.size() == 1 ? "" : "s", file);
  for (const String& problem : problems)
    std::cerr << "  " << problem << "\n";
}

void PrintProblems(const host::FileProblems& problems) {
  if (problems.Empty()) return;
  for (const host::Problem& problem : problems.Listed()) {
    const String where =
        problem.line > 0 ? fmt::format("{}:{}", problem.file, problem.line) : problem.file;
    std::cerr << fmt::format("{}: {}: {}{}\n", where, host::SeverityWord(problem.severity),
                             problem.message, Details(problem));
  }
  if (problems.Unlisted() > 0) {
    std::cerr << host::HostText("306::... and %%1 more problems that are not listed",
                                std::to_string(problems.Unlisted()))
              << "\n";
  }
  std::cerr << host::HostText("305::%%1: %%2 error(s), %%3 warning(s)", problems.File(),
                              std::to_string(problems.Errors()),
                              std::to_string(problems.Warnings()))
            << "\n";
}

void PrintProblems(const std::vector<host::FileProblems>& problems) {
  for (const host::FileProblems& file : problems)
    PrintProblems(file);
}

void PrintWarnings(const std::vector<String>& warnings) {
  for (const String& warning : warnings)
    std::cerr << host::HostText("1315::warning: %%1", warning) << "\n";
}

void PrintSummary(const host::RunSummary& summary) {
  fmt::print("{}\n",
             host::HostText("310::%%1 steps judged (%%2 passed, %%3 failed), %%4 not "
                            "applicable, %%5 not judged",
                            std::to_string(summary.Judged()), std::to_string(summary.passed),
                            std::to_string(summary.failed), std::to_string(summary.notApplicable),
                            std::to_string(summary.NotJudged())));
  for (const host::UnjudgedStep& step : summary.unjudged) {
    String readings;
    for (const String& key : step.readings)
      readings += (readings.empty() ? "" : ", ") + key;
    fmt::print("{}\n", host::HostText(
                           "311::INCOMPLETE: step %%1 \"%%2\" was performed but not judged "
                           "(%%3).",
                           std::to_string(step.node->ID()), host::NodeName(step.node),
                           readings.empty() ? host::HostText("313::no verdict at all") : readings));
  }
}

void EmitReports(const std::optional<String>& html, const std::optional<String>& pdf,
                 const host::ReportDocuments& documents) {
  constexpr Long kErrorFileAccess = 75;
  std::vector<host::FileContent> files;
  if (html) files.push_back({*html, documents.html});
  if (pdf) files.push_back({*pdf, documents.pdf});
  if (html && pdf &&
      std::filesystem::path(*html).lexically_normal() ==
          std::filesystem::path(*pdf).lexically_normal()) {
    throw Error(
        kErrorFileAccess, host::kHostSource,
        host::HostText("1309::The report and its PDF cannot both be written to %%1.", *pdf));
  }
  if (files.empty()) {
    std::cout << documents.html;
    return;
  }
  host::WriteAllOrNone(host::LocalFileSystem(), files);
}

}  // namespace velko::cli
