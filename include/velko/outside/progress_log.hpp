// The production progress logs: a collecting log (the host's load summary, and tests) and a log
// that writes to a stream.
//
// Both hand out section handles 1, 2, 3 ... Sections nest: an entry belongs to the innermost
// section that is still open. Closing handle 0 does nothing; closing a handle that was never
// handed out, or a section that is already closed, changes nothing and is counted as a stray
// close. Messages and section titles are translated (TranslateText, the section's plug-in
// catalogue); without a translation they show the key's default text.
#pragma once

#include <iosfwd>
#include <vector>

#include "velko/typelib/progress.hpp"

namespace velko {

struct LogEntry {
  Long section = 0;  // handle of the innermost open section; 0 when none was open
  Long errNo = 0;
  Long level = 0;
  String messageKey;
  VariantArray params;
  String message;  // translated, parameters filled in
};

struct LogSection {
  Long handle = 0;
  String plugInId;
  String contextKey;
  String title;     // the translated context key
  Long parent = 0;  // the section that was innermost when this one opened
  bool open = true;
};

class CollectingLog final : public IProgressLog {
 public:
  Long OpenSection(const String& plugInId, const String& contextKey) override;
  void LogError(Long errNo, Long level, const String& messageKey, const Variant& params) override;
  void CloseSection(Long handle) override;

  const std::vector<LogSection>& Sections() const { return sections_; }
  // Every entry in the order logged.
  const std::vector<LogEntry>& Entries() const { return entries_; }
  // The entries of one section (0: those logged outside any section).
  std::vector<LogEntry> EntriesOf(Long handle) const;
  // The section of a handle, or nullptr for 0 and unknown handles.
  const LogSection* Section(Long handle) const;
  // Handles of sections that were opened and not yet closed, in opening order.
  std::vector<Long> OpenHandles() const;
  bool AllSectionsClosed() const { return OpenHandles().empty(); }
  // CloseSection calls with a handle that was unknown or already closed.
  Long StrayCloses() const { return strayCloses_; }
  // The highest level logged (0 without entries).
  Long HighestLevel() const;
  void Clear();

 private:
  std::vector<LogSection> sections_;
  std::vector<LogEntry> entries_;
  std::vector<Long> stack_;  // open sections, innermost last
  Long strayCloses_ = 0;
};

// Writes each section as a title line and each entry as an indented line to a stream that the
// caller keeps alive. Lines: "<title> [<plug-in id>]" for a section, then per entry
// "<level word>: <message> (error <hex number>)", indented by two blanks per open section.
class ConsoleLog final : public IProgressLog {
 public:
  explicit ConsoleLog(std::ostream& out);

  Long OpenSection(const String& plugInId, const String& contextKey) override;
  void LogError(Long errNo, Long level, const String& messageKey, const Variant& params) override;
  void CloseSection(Long handle) override;

  Long EntryCount() const { return entryCount_; }

 private:
  String Indent() const;

  std::ostream& out_;
  struct Open {
    Long handle;
    String plugInId;
  };
  std::vector<Open> stack_;
  Long nextHandle_ = 1;
  Long entryCount_ = 0;
};

// The word for an error level: 1 "Note", 2 "Warning", 3 "Error", 4 "Fatal"; others "Level <n>".
String LogLevelWord(Long level);

}  // namespace velko
