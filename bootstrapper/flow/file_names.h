#pragma once
// The checks that keep a File entry inside the folders it owns. The names it works on come
// from the configuration, from property values and from its own bookkeeping in the
// registry, which anyone with administrator rights can change: none of them may lead a copy,
// a move or a deletion anywhere else.

#include <string>
#include <vector>

// A folder written the one way the checks compare: blanks and tabs trimmed, "/" made "\",
// repeated separators made one (the two of a share's "\\" stay) and no final "\".
std::string NormalFolder(const std::string& folder);

// A full folder path ("C:\..." or "\\server\share\...") below the volume's root, without
// "." or ".." parts. Expects a NormalFolder.
bool IsFullFolder(const std::string& folder);

// A file name that stays inside the folder it is joined to: not empty, relative (no drive,
// no leading "\" or "/"), without ":" (streams), wildcards or "," (the separator of the
// bookkeeping lists), and without a part that is empty or made of dots and blanks only
// ("..", and names that Windows would shorten to it).
bool IsContainedName(const std::string& name);

// Whether folder is folder itself, inside it, or one of the folders above it (compared
// without regard to case; both NormalFolder).
bool IsOnPathOf(const std::string& folder, const std::string& path);
// Whether folder is protected or above one of them (every such folder holds them).
bool HoldsAny(const std::string& folder, const std::vector<std::string>& protectedFolders);
