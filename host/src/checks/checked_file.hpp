// A file opened for the checks: through the library's XML service (as the loaders read it) and
// once more with the lines of its elements.
#pragma once

#include <memory>
#include <optional>

#include "problem_sink.hpp"
#include "velko/frame/error.hpp"
#include "velko/host/documents/xml_source.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko::host::checks {

struct CheckedFile {
  XmlSource source;
  std::unique_ptr<LocatedXml> xml;
};

// Opens `path`; a file that cannot be read or is not well-formed is one unreadable problem, and
// nothing is returned.
std::optional<CheckedFile> OpenCheckedFile(const String& path, FileProblems& problems);

// Every problem the loaders logged, as errors without a line (the log knows none). Entries logged
// inside a plug-in's section are left out when `withoutPlugIns` (the plug-in data checks report
// them at their line).
void AddLogProblems(const CollectingLog& log, bool withoutPlugIns, ProblemSink& sink);

// Whether the file's root element is `tag`; when not, an error with `message` (which names the
// root found as %%1).
bool RootIs(pugi::xml_node root, const char* tag, const String& keyedMessage, ProblemSink& sink);

// An error that ended a load, at `where`.
void AddLoadFailure(const Error& error, pugi::xml_node where, ProblemSink& sink);

// The lenient reading of a whole number as the loaders make it; nullopt when out of range.
std::optional<Long> LenientLong(const String& text);

// The children of `parent` tagged `tag`, in document order.
std::vector<pugi::xml_node> ChildrenTagged(pugi::xml_node parent, const char* tag);

}  // namespace velko::host::checks
