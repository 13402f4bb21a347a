// The progress-log section of one Load: opened when a log is given, closed on every path.
#pragma once

#include "velko/typelib/progress.hpp"

namespace velko {

// Opens a section of `log` (when it is given) for the life of the object and closes it when the
// object goes, also when an error leaves the Load: the section is closed before the error reaches
// the operation's handler. Problems are logged only while a section is open (handle not 0).
class ScopedLogSection {
 public:
  ScopedLogSection(const Ref<IProgressLog>& log, const String& plugInId, const String& contextKey)
      : log_(log) {
    if (log_) handle_ = log_->OpenSection(plugInId, contextKey);
  }
  ~ScopedLogSection() { Close(); }
  ScopedLogSection(const ScopedLogSection&) = delete;
  ScopedLogSection& operator=(const ScopedLogSection&) = delete;

  Long Handle() const { return handle_; }
  bool IsOpen() const { return handle_ != 0; }

  // Records one problem while the section is open; does nothing otherwise. A failing log loses
  // only that entry: logging never fails the load.
  void LogError(Long errNo, Long level, const String& messageKey,
                const Variant& params = Variant(VariantArray{})) noexcept {
    if (!IsOpen()) return;
    try {
      log_->LogError(errNo, level, messageKey, params);
    } catch (...) {  // the log's own failure is not the load's
    }
  }

  // Closes the section now (once); a failing log is ignored, closing must not mask the error
  // that may be on its way out.
  void Close() noexcept {
    if (!IsOpen()) return;
    const Long handle = handle_;
    handle_ = 0;
    try {
      log_->CloseSection(handle);
    } catch (...) {  // the log's own failure is not the load's
    }
  }

 private:
  Ref<IProgressLog> log_;
  Long handle_ = 0;
};

}  // namespace velko
