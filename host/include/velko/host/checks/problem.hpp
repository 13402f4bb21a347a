// What the checks of a file found, as data: the command line prints it, the station shows the
// same list.
#pragma once

#include <cstddef>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::host {

enum class Severity { kError, kWarning };

// One problem of a file.
struct Problem {
  Severity severity = Severity::kError;
  String file;
  Long line = 0;    // 1-based line of the element concerned; 0 when no line is known
  String element;   // the ID of the test element concerned, as written; "" when none
  String found;     // the text found; "" when nothing was there
  String expected;  // what was expected instead; "" when the message says it all
  String message;   // translated, in the language of the session
};

// At most this many problems are listed per file; the rest are only counted.
inline constexpr std::size_t kMaxListedProblems = 100;

// The problems of one file: the first kMaxListedProblems in the order found, and counts of all.
class FileProblems {
 public:
  FileProblems() = default;
  explicit FileProblems(String file) : file_(std::move(file)) {}

  const String& File() const { return file_; }
  const std::vector<Problem>& Listed() const { return listed_; }
  // Problems found but not listed (beyond kMaxListedProblems).
  std::size_t Unlisted() const { return errors_ + warnings_ - listed_.size(); }
  std::size_t Errors() const { return errors_; }
  std::size_t Warnings() const { return warnings_; }
  bool Empty() const { return errors_ + warnings_ == 0; }
  // Whether the file could not be read at all (missing, unreadable, not well-formed XML).
  bool Unreadable() const { return unreadable_; }

  // Adds a problem of this file (its `file` is set here).
  void Add(Problem problem);
  // A file that cannot be read: one error with the reason.
  void AddUnreadable(const String& message);
  // Every problem of `other` (another part of the same file).
  void Merge(const FileProblems& other);
  // Warnings count as errors from now on (--strict); those already added become errors.
  void TreatWarningsAsErrors();

 private:
  String file_;
  std::vector<Problem> listed_;
  std::size_t errors_ = 0;
  std::size_t warnings_ = 0;
  bool unreadable_ = false;
  bool strict_ = false;
};

// "error" / "warning" in the current language.
String SeverityWord(Severity severity);

}  // namespace velko::host
