#include "velko/outside/progress_log.hpp"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/outside/html_report.hpp"

namespace velko {
namespace {

// The translation of a key, or its default text when there is no translation.
String TranslatedOrDefault(const String& plugInId, const String& key, const Variant& params) {
  if (key.empty()) return {};
  String text = TranslateText(plugInId, key, params);
  return text.empty() ? DefaultMessageText(key, params) : text;
}

// The parameters as a plain array: an array as it stands, Empty and Missing as none, any other
// value as the one parameter.
VariantArray ParamsOf(const Variant& params) {
  if (params.IsArray()) return params.Elements();
  if (params.IsEmpty() || params.IsMissing()) return {};
  return {params};
}

String HexNumber(Long number) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(number));
  return text;
}

}  // namespace

String LogLevelWord(Long level) {
  switch (level) {
    case kLevelItem:
      return "Note";
    case kLevelData:
      return "Warning";
    case kLevelSave:
      return "Error";
    case kLevelFatal:
      return "Fatal";
    default:
      return "Level " + std::to_string(level);
  }
}

Long CollectingLog::OpenSection(const String& plugInId, const String& contextKey) {
  LogSection section;
  section.handle = static_cast<Long>(sections_.size()) + 1;
  section.plugInId = plugInId;
  section.contextKey = contextKey;
  section.title = TranslatedOrDefault(plugInId, contextKey, {});
  section.parent = stack_.empty() ? 0 : stack_.back();
  sections_.push_back(section);
  stack_.push_back(section.handle);
  return section.handle;
}

void CollectingLog::LogError(Long errNo, Long level, const String& messageKey,
                             const Variant& params) {
  LogEntry entry;
  entry.section = stack_.empty() ? 0 : stack_.back();
  entry.errNo = errNo;
  entry.level = level;
  entry.messageKey = messageKey;
  entry.params = QuietlyOr(VariantArray{}, [&] { return ParamsOf(params); });
  const LogSection* section = Section(entry.section);
  entry.message = TranslatedOrDefault(section ? section->plugInId : String{}, messageKey, params);
  entries_.push_back(std::move(entry));
}

void CollectingLog::CloseSection(Long handle) {
  if (handle == 0) return;
  const auto open = std::find(stack_.begin(), stack_.end(), handle);
  if (open == stack_.end()) {
    ++strayCloses_;
    return;
  }
  // Closing an outer section also leaves the inner ones open: they were not closed by anyone.
  stack_.erase(open);
  sections_[static_cast<std::size_t>(handle) - 1].open = false;
}

std::vector<LogEntry> CollectingLog::EntriesOf(Long handle) const {
  std::vector<LogEntry> found;
  for (const auto& entry : entries_) {
    if (entry.section == handle) found.push_back(entry);
  }
  return found;
}

const LogSection* CollectingLog::Section(Long handle) const {
  if (handle < 1 || static_cast<std::size_t>(handle) > sections_.size()) return nullptr;
  return &sections_[static_cast<std::size_t>(handle) - 1];
}

std::vector<Long> CollectingLog::OpenHandles() const {
  std::vector<Long> open = stack_;
  std::sort(open.begin(), open.end());
  return open;
}

Long CollectingLog::HighestLevel() const {
  Long highest = 0;
  for (const auto& entry : entries_)
    highest = std::max(highest, entry.level);
  return highest;
}

void CollectingLog::Clear() {
  sections_.clear();
  entries_.clear();
  stack_.clear();
  strayCloses_ = 0;
}

ConsoleLog::ConsoleLog(std::ostream& out) : out_(out) {}

String ConsoleLog::Indent() const {
  return String(stack_.size() * 2, ' ');
}

Long ConsoleLog::OpenSection(const String& plugInId, const String& contextKey) {
  const Long handle = nextHandle_++;
  String line = Indent() + TranslatedOrDefault(plugInId, contextKey, {});
  if (!plugInId.empty()) line += " [" + plugInId + "]";
  out_ << line << '\n';
  stack_.push_back({handle, plugInId});
  return handle;
}

void ConsoleLog::LogError(Long errNo, Long level, const String& messageKey, const Variant& params) {
  const String plugInId = stack_.empty() ? String{} : stack_.back().plugInId;
  String message = TranslatedOrDefault(plugInId, messageKey, params);
  // Continuation lines of a message are indented under the entry.
  const String indent = Indent();
  const String more = indent + "  ";
  std::size_t at = 0;
  while ((at = message.find('\n', at)) != String::npos) {
    message.insert(at + 1, more);
    at += more.size() + 1;
  }
  out_ << indent << LogLevelWord(level) << ": " << message << " (error " << HexNumber(errNo)
       << ")\n";
  ++entryCount_;
}

void ConsoleLog::CloseSection(Long handle) {
  const auto open =
      std::find_if(stack_.begin(), stack_.end(), [&](const Open& o) { return o.handle == handle; });
  if (open != stack_.end()) stack_.erase(open);
  out_.flush();
}

}  // namespace velko
