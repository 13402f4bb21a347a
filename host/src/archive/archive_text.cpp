#include "archive/archive_text.hpp"

#include "velko/host/archive/archive_errors.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::host {
namespace {

String MessageOf(Long number, const String& location, const String& cause) {
  using namespace archive_error;
  switch (number) {
    case kUnavailable:
      return HostText("800::The archive %%1 cannot be opened: %%2.", location, cause);
    case kNotAnArchive:
      return HostText("801::The archive %%1 is damaged or is not an archive: %%2.", location,
                      cause);
    case kLocked:
      return HostText(
          "802::The archive %%1 is locked by another program: %%2. Nothing was stored; try "
          "again when that program has finished.",
          location, cause);
    case kReadOnly:
      return HostText("803::The archive %%1 may not be written: %%2.", location, cause);
    case kFull:
      return HostText("804::The archive %%1 has no room left: %%2.", location, cause);
    case kRefused:
      return HostText("805::The archive server %%1 refused the connection: %%2.", location, cause);
    case kConnectionLost:
      return HostText(
          "806::The connection to the archive server %%1 was lost: %%2. Nothing of the "
          "unfinished transaction was stored.",
          location, cause);
    case kNewerSchema:
      return HostText("807::The archive %%1 was made by a newer version of this program: %%2.",
                      location, cause);
    case kDuplicateRecord:
      return HostText("808::The archive %%1 already holds the record %%2.", location, cause);
    case kUnknownRecord:
      return HostText("809::The archive %%1 holds no record %%2.", location, cause);
    case kAmbiguousRecord:
      return HostText(
          "810::In the archive %%1, %%2 is the start of several record IDs; give more "
          "of the ID.",
          location, cause);
    case kUnknownSupersede:
      return HostText("812::The record %%2 that this run supersedes is not in the archive %%1.",
                      location, cause);
    default:
      return HostText("811::The archive %%1 failed: %%2.", location, cause);
  }
}

}  // namespace

Error ArchiveError(Long number, const String& location, const String& cause) {
  return Error(number, kHostSource, MessageOf(number, location, cause));
}

}  // namespace velko::host
