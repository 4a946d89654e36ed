#pragma once
// How setup unpacks a prerequisite archive. An archive is a self-extracting program; the
// property "ArchiveExtractCommand" holds the command that unpacks it, in which
// "[ArchivePath]" is the archive and "[ExtractFolder]" the folder it unpacks into (other
// property references are expanded too). Without the property the default fits archives
// built with makensis: "\"[ArchivePath]\" /S /D=[ExtractFolder]" (silent; such an archive
// takes everything after /D= as the folder, blanks included, so it comes last and is never
// quoted).

#include <string>

class PropertyStore;

extern const char kArchiveExtractCommandName[];     // "ArchiveExtractCommand"
extern const char kDefaultArchiveExtractCommand[];  // "\"[ArchivePath]\" /S /D=[ExtractFolder]"

// The folder an archive unpacks into: "TarvexPrerequisites\<archive name without its
// extension>" under the temporary folder. It is setup's own, never the prerequisites
// location: that may be a read-only medium or a share, and unpacking there would leave
// files in the user's folder.
std::string ExtractFolder(const std::string& tempFolder, const std::string& archiveName);

// The command line that unpacks archivePath into folder (without a final "\").
std::string ExtractCommand(const PropertyStore& properties, const std::string& archivePath,
                           const std::string& folder);
