#include "package_resolver.h"

#include <algorithm>
#include <utility>

#include "archive_extraction.h"
#include "file_system.h"
#include "log_file.h"
#include "prereq_location.h"
#include "prerequisite_fetcher.h"
#include "process_runner.h"
#include "property_store.h"
#include "resolver_paths.h"

PackageResolver::PackageResolver(const ResolverServices& services, ResolverSettings settings)
    : services_(services), settings_(std::move(settings)) {}

ResolvedInstaller PackageResolver::Resolve(const InstallerRequest& request) {
    LogFile& log = services_.log;
    const std::string archiveName = services_.properties.Expand(request.archiveName.c_str());
    ResolvedInstaller result;
    const SearchResult search = SearchAndUnpack(request.fileName, archiveName);
    if (search.packageFound)
        return Found(search.installerPath);
    result.reason = search.reason;
    switch (search.end) {
        case SearchEnd::kNoFileName:
            log.Line("    Resolver  : IGNORED - no file name provided");
            return result;
        case SearchEnd::kNoArchiveName:  // nothing to fetch either
            log.Line("    Resolver  : IGNORED - no archive name provided");
            LogFailure(search, archiveName);
            return result;
        case SearchEnd::kRefusedName:  // nothing is fetched for a name setup would not run
            LogFailure(search, archiveName);
            return result;
        case SearchEnd::kFoundOrSearched:
            break;
    }
    LogFailure(search, archiveName);
    return Fetch(request.fileName, archiveName);
}

ResolvedInstaller PackageResolver::Found(const std::string& path) {
    services_.log.Line("    Resolver  : INSTALLER '%s'", path.c_str());
    ResolvedInstaller result;
    result.found = true;
    result.path = path;
    return result;
}

SearchResult PackageResolver::SearchOnce(const std::string& fileName,
                                         const std::string& archiveName) {
    SearchServices search{services_.files, services_.registry, services_.processes, services_.clock,
                          services_.log};
    const SearchPlaces places{settings_.setupFolder, settings_.productName,
                              services_.properties.Get("PrerequisitesLocation"), extractFolders_,
                              settings_.servers};
    SearchResult result = SearchInstaller(search, fileName, archiveName, places);
    if (!result.serversSummary.empty())
        services_.log.Line("    Resolver  : SERVERS   %s", result.serversSummary.c_str());
    return result;
}

// One search; when it finds only the archive, the archive is unpacked and searched again.
SearchResult PackageResolver::SearchAndUnpack(const std::string& fileName,
                                              const std::string& archiveName) {
    SearchResult result = SearchOnce(fileName, archiveName);
    if (result.packageFound || !result.archiveFound)
        return result;
    services_.log.Line("    Resolver  : UNARCHIVE '%s'", result.archivePath.c_str());
    if (!Unpack(result.archivePath, archiveName)) {
        result.reason = FormatText("Archive '%s' could not be unpacked", archiveName.c_str());
        return result;
    }
    SearchResult again = SearchOnce(fileName, archiveName);
    if (!again.packageFound)
        again.reason = FormatText("Package file '%s' not found in archive '%s'", fileName.c_str(),
                                  archiveName.c_str());
    return again;
}

// Runs the archive's extraction hidden (no wait dialog in quiet mode) and remembers the
// folder, which every later search of this run looks into. An archive on a network share
// is copied beside that folder first and started from there: a program started from a
// share may be stopped by the security warning for network files, and a share that drops
// during the extraction would leave half a package.
bool PackageResolver::Unpack(const std::string& archivePath, const std::string& archiveName) {
    std::string name;
    SafeRelativeName(archiveName, &name);
    const std::string folder = ExtractFolder(services_.properties.Get("TempFolder"), name);
    std::string program = archivePath;
    if (!ShareRoot(archivePath).empty()) {
        program = ParentFolder(folder) + "\\" + name.substr(name.find_last_of("\\/") + 1);
        const long copied = services_.files.CopyFileTo(archivePath, program);
        if (copied != 0) {
            services_.log.Line("    Resolver  : UNARCHIVE ERROR -> CODE %ld", copied);
            return false;
        }
    }
    const std::string command = ExtractCommand(services_.properties, program, folder);
    const long code = services_.processes.Run(name, command, !settings_.quiet, false).exitCode;
    if (program != archivePath)
        services_.files.RemoveFile(program);
    if (code != 0) {
        services_.log.Line("    Resolver  : UNARCHIVE ERROR -> CODE %ld", code);
        return false;
    }
    if (std::find(extractFolders_.begin(), extractFolders_.end(), folder) == extractFolders_.end())
        extractFolders_.push_back(folder);
    return true;
}

void PackageResolver::LogFailure(const SearchResult& search, const std::string& archiveName) {
    if (!archiveName.empty()) {
        for (const std::string& miss : search.misses)
            services_.log.Line("    Resolver  : Not found '%s'", miss.c_str());
    }
    services_.log.Line("    Resolver  : FAILED resolving installer file location%s %s", ":",
                       search.reason.c_str());
}

// The last resort: a download, or the user's choice of a folder or archive.
ResolvedInstaller PackageResolver::Fetch(const std::string& fileName,
                                         const std::string& archiveName) {
    LogFile& log = services_.log;
    PropertyStore& properties = services_.properties;
    FetchRequest request;
    request.fileName = fileName;
    request.archiveName = archiveName;
    request.folder = properties.Get("TempFolder");
    request.autoDownload = properties.IsYes("AutoDownloadPrerequisites");
    request.showDialog = properties.IsYes("ShowDownloadPrereqDlg");
    request.quiet = settings_.quiet;
    log.Line(
        "    Resolver  : Try auto-download (in %s) or ask user how to resolve file '%s' or "
        "'%s'",
        request.folder.c_str(), fileName.c_str(), archiveName.c_str());
    const FetchResult fetched = services_.fetcher.Fetch(request);
    ResolvedInstaller result;
    if (!fetched.found) {
        log.Line("    Resolver  : FAILED resolving archive or package");
        result.reason = fetched.error.empty() ? "No package/archive file found" : fetched.error;
        return result;
    }
    log.Line("    Resolver  : Archive '%s' found in '%s'", archiveName.c_str(),
             fetched.chosenFolder.c_str());
    properties.Set("AutoDownloadPrerequisites", fetched.autoDownload ? "Yes" : "No", true);
    properties.Set("PrerequisitesLocation", fetched.chosenFolder.c_str(), true);
    if (properties.IsYes("MainInstance"))
        SetRegPrereqLocation(services_.registry, log, fetched.chosenFolder);
    SearchResult search;
    if (!fetched.archivePath.empty()) {
        log.Line("    Resolver  : UNARCHIVE '%s'", fetched.archivePath.c_str());
        if (Unpack(fetched.archivePath, archiveName))
            search = SearchOnce(fileName, archiveName);
    } else {
        search = SearchAndUnpack(fileName, archiveName);
    }
    if (search.packageFound) {
        log.Line("    Resolver  : Package found '%s'", search.installerPath.c_str());
        return Found(search.installerPath);
    }
    log.Line("    Resolver  : FAILED resolving archive or package");
    result.reason = FormatText("Package file '%s' not found in archive '%s'", fileName.c_str(),
                               archiveName.c_str());
    return result;
}
