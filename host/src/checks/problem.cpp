#include "velko/host/checks/problem.hpp"

#include "velko/host/session/host_text.hpp"

namespace velko::host {

void FileProblems::Add(Problem problem) {
  if (strict_) problem.severity = Severity::kError;
  (problem.severity == Severity::kError ? errors_ : warnings_) += 1;
  if (listed_.size() >= kMaxListedProblems) return;
  problem.file = file_;
  listed_.push_back(std::move(problem));
}

void FileProblems::AddUnreadable(const String& message) {
  unreadable_ = true;
  Add({Severity::kError, {}, 0, {}, {}, {}, message});
}

void FileProblems::Merge(const FileProblems& other) {
  unreadable_ = unreadable_ || other.unreadable_;
  std::size_t listedErrors = 0;
  for (const Problem& problem : other.listed_) {
    listedErrors += problem.severity == Severity::kError ? 1 : 0;
    Add(problem);
  }
  // What the other list only counted stays counted.
  const std::size_t moreErrors = other.errors_ - listedErrors;
  const std::size_t moreWarnings = other.warnings_ - (other.listed_.size() - listedErrors);
  errors_ += moreErrors + (strict_ ? moreWarnings : 0);
  warnings_ += strict_ ? 0 : moreWarnings;
}

void FileProblems::TreatWarningsAsErrors() {
  strict_ = true;
  for (Problem& problem : listed_)
    problem.severity = Severity::kError;
  errors_ += warnings_;
  warnings_ = 0;
}

String SeverityWord(Severity severity) {
  return severity == Severity::kError ? HostText("200::error") : HostText("201::warning");
}

}  // namespace velko::host
