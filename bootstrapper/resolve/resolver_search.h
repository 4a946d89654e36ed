#pragma once
// One search for a package's installer file and its archive, in a fixed order: the folder
// registered for the prerequisite, beside setup, the prerequisites location, the folders
// setup unpacked archives into, then the archive in the prerequisites location, the
// registered installation source, beside setup and on the servers. The first place where
// the file exists wins; every miss is recorded.

#include <string>
#include <vector>

#include "share_connection.h"

class Clock;
class FileSystem;
class LogFile;
class ProcessRunner;
class RegistryAccess;

struct SearchPlaces {
    std::string setupFolder;
    std::string productName;                  // names its installation source in the registry
    std::string prerequisitesLocation;        // as the property gives it
    std::vector<std::string> extractFolders;  // where this run unpacked archives
    std::vector<ResolverServer> servers;
};

// Why a search ended without the installer file.
enum class SearchEnd {
    kFoundOrSearched,  // the places were searched (see packageFound, archiveFound)
    kNoFileName,
    kNoArchiveName,
    kRefusedName,  // the file or archive name would leave the searched folders
};

struct SearchResult {
    SearchEnd end = SearchEnd::kFoundOrSearched;
    bool packageFound = false;
    std::string installerPath;
    bool archiveFound = false;
    std::string archivePath;
    std::vector<std::string> misses;  // every place looked at in vain, in order
    std::string reason;               // why nothing was found
    std::string serversSummary;       // the timed attempts on the servers, "" when none ran
};

struct SearchServices {
    FileSystem& files;
    RegistryAccess& registry;
    ProcessRunner& processes;
    Clock& clock;
    LogFile& log;
};

SearchResult SearchInstaller(SearchServices& services, const std::string& fileName,
                             const std::string& archiveName, const SearchPlaces& places);

// The registry keys the search reads, below HKEY_LOCAL_MACHINE.
std::string PrerequisitesKey();    // "SOFTWARE\...\InstallInfo\Prerequisites"
std::string InstallerSourceKey();  // "SOFTWARE\...\InstallInfo\InstallerSource"
