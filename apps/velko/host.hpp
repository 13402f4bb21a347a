// The host's shared pieces: starting the core, reporting errors and load problems, writing files
// safely, and the options of the commands.
#pragma once

#include <vector>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/core/initialize.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/setup/test_setup.hpp"
#include "velko/velko.hpp"

namespace velko::host {

// Exit statuses: the run passed, the run failed, an error (bad input, a failing operation).
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitError = 2;

// The source of the errors the host raises itself.
inline constexpr const char* kHostSource = "velko";

// "error 0x8004A677 (VelkoCore.CPlugInManager): <translated description>".
String ErrorText(const Error& error);
// One line per problem the log collected: level, translated message, number, section.
std::vector<String> LogProblems(const CollectingLog& log);
// Prints the problems to stderr under a heading naming the file; nothing when there are none.
void PrintProblems(const String& file, const std::vector<String>& problems);

// Writes `text` to `path` atomically: a temporary file in the same folder, flushed to disk, then
// renamed over the target. On failure the target is unchanged and error 75 names the path.
void WriteFileAtomically(const String& path, const String& text);

// The core on this thread for the life of the object: InitCore, the language, the plug-ins
// (loaded with a collecting log); ShutDownCore at the end. Message boxes that the plug-in
// manager shows while loading are collected, not shown.
class CoreSession {
 public:
  explicit CoreSession(const String& language);
  ~CoreSession();
  CoreSession(const CoreSession&) = delete;
  CoreSession& operator=(const CoreSession&) = delete;

  Ref<IPlugInManager> Manager() const { return manager_; }
  // What the plug-in manager reported while loading the plug-ins (their message boxes).
  std::vector<String> PlugInWarnings() const;

 private:
  Ref<HeadlessUserInterface> ui_;
  Ref<IPlugInManager> manager_;
};

// How a report is printed: the language and the report options.
struct ReportSettings {
  String language = "en";
  bool detail = false;      // report level 3: procedure, configuration and limits too
  bool onlyFailed = false;  // only the elements that failed
};

}  // namespace velko::host
