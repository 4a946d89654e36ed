#pragma once
// The guard in front of every deletion of a cache folder. A cache location comes from the
// configuration and from properties, so a mistyped or hostile one must never delete a drive,
// a share or a folder the system lives in. The guard compares full, normalised paths: the
// same folder can be spelt "C:\", "C:\\", "C:/", "\\?\C:\" or "C:\.".

#include <string>
#include <vector>

struct NormalizedFolder {
    std::string path;   // full path, single backslashes, no final backslash but for a root
    bool root = false;  // a drive or share root, or a text that names no folder
};

// The full form of folder: "/" becomes "\", the "\\?\" and "\\.\" prefixes go, "." and ".."
// are resolved, and trailing dots and blanks of each part are dropped as Windows does. A
// relative path is taken in currentFolder; a drive-relative one ("C:x") names no folder.
NormalizedFolder NormalizeFolder(const std::string& folder, const std::string& currentFolder);

// Whether a normalised folder must not be deleted: it is, or lies above, one of
// systemFolders (the Windows, system, program files and temporary folders, the profiles
// root); it lies inside the Windows folder (windowsFolder); or it is one user's profile (a
// folder right below profilesRoot).
bool IsProtectedFolder(const std::string& folder, const std::vector<std::string>& systemFolders,
                       const std::string& windowsFolder, const std::string& profilesRoot);
