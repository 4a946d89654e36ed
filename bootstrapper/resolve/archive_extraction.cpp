#include "archive_extraction.h"

#include "files.h"
#include "property_store.h"
#include "text_util.h"

const char kArchiveExtractCommandName[] = "ArchiveExtractCommand";
const char kDefaultArchiveExtractCommand[] = "\"[ArchivePath]\" /S /D=[ExtractFolder]";

namespace {

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
    for (std::size_t at = text->find(from); at != std::string::npos;
         at = text->find(from, at + to.size()))
        text->replace(at, from.size(), to);
}

}  // namespace

std::string ExtractFolder(const std::string& tempFolder, const std::string& archiveName) {
    std::string base = archiveName.substr(archiveName.find_last_of("\\/") + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    return Files::JoinPath(Files::JoinPath(TrimRight(tempFolder, "\\/"), "TarvexPrerequisites"),
                           base);
}

std::string ExtractCommand(const PropertyStore& properties, const std::string& archivePath,
                           const std::string& folder) {
    std::string command = Trim(properties.Get(kArchiveExtractCommandName), " \t");
    if (command.empty())
        command = kDefaultArchiveExtractCommand;
    // The store expands first (it leaves the two names alone, having no such properties),
    // so that brackets in the paths are never taken for references.
    command = properties.Expand(command.c_str());
    ReplaceAll(&command, "[ArchivePath]", archivePath);
    ReplaceAll(&command, "[ExtractFolder]", folder);
    return command;
}
