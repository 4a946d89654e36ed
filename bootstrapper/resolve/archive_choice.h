#pragma once
// The checks of the prerequisite dialog's OK: the text the user typed or browsed to must
// name the expected archive, which must exist and must let the resolver find the installer.

#include <functional>
#include <string>

class FileSystem;

struct ArchiveChoice {
    bool ok = false;
    std::string message;      // what the user is told when the choice is refused
    std::string archivePath;  // the accepted archive
    std::string folder;       // the folder that holds it
};

// Whether the resolver finds the package's installer with the archive at this path.
using ArchiveResolvable = std::function<bool(const std::string& archivePath)>;

// Checks chosen, a file or a folder that holds the archive (blanks and quotes around it are
// dropped). The file name is compared with archiveName without regard to case. A null
// resolvable accepts every existing archive.
ArchiveChoice CheckArchiveChoice(FileSystem& files, const std::string& chosen,
                                 const std::string& archiveName,
                                 const ArchiveResolvable& resolvable);
