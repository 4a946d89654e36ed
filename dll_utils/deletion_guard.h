#pragma once
// The checks before anything is deleted by a path that came from a configuration: a
// property that did not resolve, or resolved to nothing, must never turn a deletion into
// "delete the drive".

#include <string>

// The number of folders below the volume of an absolute path ("C:\a\b" gives 2,
// "\\server\share\a" gives 1); -1 for a path that is not absolute (no drive and no share),
// that climbs with "..", or that still holds an unresolved "[reference]".
int DepthBelowVolume(const std::string& path);

// Whether a folder may be removed: absolute, and at least two folders below its volume.
// false with the reason otherwise.
bool FolderMayBeRemoved(const std::string& folder, std::string* reason);
// Whether the files of folder that match name may be deleted: the folder absolute and not a
// volume root; with a wildcard in name, at least two folders below the volume.
bool FilesMayBeDeleted(const std::string& folder, const std::string& name, std::string* reason);
// Whether a registry key may be deleted: a known root and at least two keys below it
// ("HKEY_LOCAL_MACHINE\Software\Vendor").
bool KeyMayBeDeleted(const std::string& keyPath, std::string* reason);

// Windows wildcard match of a long file name, without regard to ASCII case: "*" any run,
// "?" one character, and "*.*" every name. The system's own search also matches the short
// 8.3 names, which match more; each name it finds is tested again with this.
bool WildcardMatches(const std::string& pattern, const std::string& name);
