// Replacing a file's content so that a reader, a crash or a failed write never sees a
// half-written file.
#pragma once

#include <string_view>

#include "velko/frame/types.hpp"

namespace velko {

// Writes `bytes` to a new temporary file beside the target, syncs it, renames it over the target
// and syncs the folder: the target is the old file or the complete new one, never a mix. A
// symbolic link is followed (the file it points to is replaced, the link stays); the new file
// keeps the permissions of the file it replaces (0644 for a new one). A file this process may not
// write (one without any write permission, for the superuser too) is never replaced. Returns "" on
// success, otherwise the reason ("rename: No such file or directory"); on failure the target is
// unchanged and no temporary file is left behind.
String ReplaceFileContent(const String& path, std::string_view bytes);

// Makes the file `path`, which must not exist yet, with `bytes` and the permissions `mode`
// (0600 for a secret): written and synced beside it, then linked into place, so that the file
// appears complete or not at all and an existing file is never replaced. Returns "" on success,
// "exists" when the file is there already, otherwise the reason; no temporary file is left.
String CreateFileContent(const String& path, std::string_view bytes, unsigned mode);

}  // namespace velko
