// The production registry: a store kept in one file in the registry export text format
// ("Windows Registry Editor Version 5.00", [HKEY_LOCAL_MACHINE\...] sections, "name"="text",
// "name"=dword:0000000a, @ for the default value). The file's path comes from VELKO_REGISTRY;
// without it the store is $XDG_CONFIG_HOME/velko/registry.reg (~/.config/velko/registry.reg when
// XDG_CONFIG_HOME is unset or not an absolute path).
//
// A user who has no registry file yet works on the installed default (InitialRegistryFile): the
// store reads as that file until the user's first write, which creates the user's file from it.
// The installed default is the machine-wide registry of a packaged build (/etc/velko/registry.reg
// in the Debian package, which lists the installed plug-ins), else share/velko/registry/
// default.reg of the prefix the library is installed in, else the source tree's
// data/registry/default.reg. VELKO_REGISTRY overrides all of this: its file is used exactly as it
// is, and a missing file is an empty registry. Other value kinds (hex:, hex(2):) are kept
// and written back unchanged but cannot be read (0x8004A68E). Key paths and value names compare
// case-insensitively. A file with a syntax error fails with 0x8004A68F naming the file and line,
// and is never overwritten; a file that cannot be written fails with 0x8004A690.
// Enumeration order is file order. Every write re-reads the file under an exclusive lock and
// replaces it atomically (temporary file, fsync, rename), so concurrent writers lose nothing and
// a crash never leaves a broken file.
#pragma once

#include <memory>

#include "velko/typelib/registry.hpp"

namespace velko {

class RegistryStore;  // src/outside/registry: a file store or an in-memory store

// A new registry-key object over the calling thread's store.
Ref<IRegistryKey> CreateRegistryKey();

// The application-global path service of the calling thread: key paths 1002 to 1007 under
// "Software\Brenn\Velko"; any other identifier fails with 0x8004A68B.
Ref<IRegistryPaths> RegistryPaths();

// The root key of the library's settings.
inline constexpr const char* kVelkoRootKey = "Software\\Brenn\\Velko";

// The file the calling thread's store uses by default (VELKO_REGISTRY or the default above).
String DefaultRegistryFile();

// The user's configuration folder of the library and its hosts: $XDG_CONFIG_HOME/velko, or
// ~/.config/velko when XDG_CONFIG_HOME is unset or not an absolute path.
String UserConfigFolder();

// The user's cache folder of the library: $XDG_CACHE_HOME/velko, or ~/.cache/velko when
// XDG_CACHE_HOME is unset or not an absolute path ("" when the user has no home folder). What
// lies there can be made again from the files it was made from.
String UserCacheFolder();

// The installed default registry a user without a registry file starts from (see above), or ""
// when there is none.
String InitialRegistryFile();

// True when the calling thread works on the user's default store and the user has no registry
// file yet (it reads as the installed default): the first use of an installation by this user.
bool IsFirstUseOfUserRegistry();

// Points the calling thread's registry at a store file (created on the first write; a relative
// path is made absolute now; an empty path means the default store described above).
void UseRegistryFile(const String& path);
// Points the calling thread's registry at a fresh in-memory store (for tests and tools).
void UseInMemoryRegistry();
// Back to the default file store.
void UseDefaultRegistry();

}  // namespace velko
