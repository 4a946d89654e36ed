#include "archive_choice.h"

#include "file_system.h"
#include "log_file.h"
#include "text_util.h"

namespace {

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ArchiveChoice Refuse(const std::string& message) {
    ArchiveChoice choice;
    choice.message = message;
    return choice;
}

}  // namespace

ArchiveChoice CheckArchiveChoice(FileSystem& files, const std::string& chosen,
                                 const std::string& archiveName,
                                 const ArchiveResolvable& resolvable) {
    std::string path = Trim(chosen, " \t\"");
    if (path.empty())
        return Refuse("No package file provided!");
    // A folder stands for the archive inside it.
    if (!EqualsNoCase(FileNamePart(path).c_str(), archiveName.c_str())) {
        const std::string inFolder = TrimRight(path, "\\/") + "\\" + archiveName;
        if (!files.FileExists(inFolder)) {
            return Refuse(
                FormatText("Package archive name is not correct!\r\nPlease choose archive '%s'!",
                           archiveName.c_str()));
        }
        path = inFolder;
    }
    if (!files.FileExists(path))
        return Refuse(FormatText("Package archive '%s' not found!", path.c_str()));
    if (resolvable && !resolvable(path))
        return Refuse("Package archive cannot be resolved!");
    ArchiveChoice choice;
    choice.ok = true;
    choice.archivePath = path;
    choice.folder = ParentFolder(path);
    return choice;
}
