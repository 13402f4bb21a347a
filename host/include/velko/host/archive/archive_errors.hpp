// The numbers of the archive's errors. Each reaches the user as its own translated message naming
// the archive and the store's own words for the cause.
#pragma once

#include "velko/frame/types.hpp"

namespace velko::host::archive_error {

inline constexpr Long kUnavailable = ErrorNumber(0x8004B800u);       // cannot be opened or reached
inline constexpr Long kNotAnArchive = ErrorNumber(0x8004B801u);      // corrupt, or another file
inline constexpr Long kLocked = ErrorNumber(0x8004B802u);            // another program holds it
inline constexpr Long kReadOnly = ErrorNumber(0x8004B803u);          // may not be written
inline constexpr Long kFull = ErrorNumber(0x8004B804u);              // no room left
inline constexpr Long kRefused = ErrorNumber(0x8004B805u);           // the server refused the login
inline constexpr Long kConnectionLost = ErrorNumber(0x8004B806u);    // the server went away
inline constexpr Long kNewerSchema = ErrorNumber(0x8004B807u);       // made by a newer program
inline constexpr Long kDuplicateRecord = ErrorNumber(0x8004B808u);   // the record ID is stored
inline constexpr Long kUnknownRecord = ErrorNumber(0x8004B809u);     // no record with that ID
inline constexpr Long kAmbiguousRecord = ErrorNumber(0x8004B80Au);   // a prefix of several IDs
inline constexpr Long kFailed = ErrorNumber(0x8004B80Bu);            // any other failure
inline constexpr Long kUnknownSupersede = ErrorNumber(0x8004B80Cu);  // superseding a record
                                                                     // that is not stored

}  // namespace velko::host::archive_error
