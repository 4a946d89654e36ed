#include "resolver_search.h"

#include <algorithm>

#include "clock.h"
#include "file_system.h"
#include "files.h"
#include "log_file.h"
#include "registry.h"
#include "resolver_paths.h"
#include "text_util.h"

std::string PrerequisitesKey() {
    return std::string(kInstallInfoKey) + "\\Prerequisites";
}
std::string InstallerSourceKey() {
    return std::string(kInstallInfoKey) + "\\InstallerSource";
}

namespace {

// A value under HKEY_LOCAL_MACHINE as a folder; a missing value reads as "".
std::string RegisteredFolder(RegistryAccess& registry, const std::string& key,
                             const std::string& name) {
    std::string value;
    long error = 0;
    const std::string path =
        FormatText("%s%s\\%s", "HKEY_LOCAL_MACHINE\\", key.c_str(), name.c_str());
    if (!registry.ReadValue(path, &value, kRegistryDefaultView, &error))
        return "";
    return ResolverFolder(Trim(value.substr(0, 4096), " \t"));
}

class Search {
  public:
    Search(SearchServices& services, const SearchPlaces& places)
        : services_(services), places_(places) {}

    SearchResult Run(const std::string& fileName, const std::string& archiveName);

  private:
    bool Try(const std::string& folder, const std::string& name, std::string* found);
    bool FindPackage(const std::string& name);
    bool FindArchive(const std::string& name);
    bool SearchServers(const std::string& name);

    SearchServices& services_;
    const SearchPlaces& places_;
    SearchResult result_;
};

// Whether folder + name exists; a folder that is not set is not a place.
bool Search::Try(const std::string& folder, const std::string& name, std::string* found) {
    if (folder.empty())
        return false;
    const std::string path = ResolverFolder(folder) + name;
    if (services_.files.FileExists(path)) {
        *found = path;
        return true;
    }
    if (std::find(result_.misses.begin(), result_.misses.end(), path) == result_.misses.end())
        result_.misses.push_back(path);
    return false;
}

bool Search::FindPackage(const std::string& name) {
    std::string* path = &result_.installerPath;
    const std::string location = ResolverFolder(places_.prerequisitesLocation);
    if (Try(RegisteredFolder(services_.registry, PrerequisitesKey(), name), name, path) ||
        Try(places_.setupFolder, name, path) ||
        Try(services_.files.CurrentDirectory(), name, path) || Try(location, name, path) ||
        Try(location.empty() ? "" : location + "Prerequisites", name, path))
        return true;
    for (const std::string& folder : places_.extractFolders) {
        if (Try(folder, name, path))
            return true;
    }
    return false;
}

bool Search::FindArchive(const std::string& name) {
    std::string* path = &result_.archivePath;
    const std::string location = ResolverFolder(places_.prerequisitesLocation);
    if (Try(location, name, path) ||
        Try(location.empty() ? "" : location + "Prerequisites", name, path) ||
        Try(RegisteredFolder(services_.registry, InstallerSourceKey(), places_.productName), name,
            path) ||
        Try(places_.setupFolder, name, path))
        return true;
    for (const ResolverServer& server : places_.servers) {
        if (Try(Trim(server.folder, " \t"), name, path))
            return true;
    }
    return SearchServers(name);
}

// Each server in turn, a share connected first, each attempt timed for the summary. A
// share that cannot be connected is a miss like a server without the archive.
bool Search::SearchServers(const std::string& name) {
    std::vector<std::string> attempts;
    bool found = false;
    for (const ResolverServer& server : places_.servers) {
        const std::string folder = ResolverFolder(Trim(server.folder, " \t"));
        if (folder.empty())
            continue;
        const std::time_t start = services_.clock.Now();
        const bool shared = !ShareRoot(folder).empty();
        const bool reached = !shared || ConnectShare({folder, server.user, server.password},
                                                     services_.processes, services_.log) == 0;
        found = reached && Try(folder, name, &result_.archivePath);
        const double seconds = std::difftime(services_.clock.Now(), start);
        attempts.push_back(FormatText("%s (%.1f sec, %s)", folder.c_str(), seconds,
                                      found ? "archive found" : "archive not found or no access"));
        if (found)
            break;
    }
    for (const std::string& attempt : attempts)
        result_.serversSummary += (result_.serversSummary.empty() ? "" : ", ") + attempt;
    return found;
}

SearchResult Search::Run(const std::string& fileName, const std::string& archiveName) {
    std::string name;
    const bool safeName = SafeRelativeName(fileName, &name);
    if (name.empty()) {
        result_.end = SearchEnd::kNoFileName;
        result_.reason = "No package file name provided";
        return result_;
    }
    if (!safeName) {
        result_.end = SearchEnd::kRefusedName;
        result_.reason = FormatText(
            "Package file name '%s' must name a file inside the "
            "searched folders",
            fileName.c_str());
        return result_;
    }
    result_.packageFound = FindPackage(name);
    if (result_.packageFound)
        return result_;
    if (archiveName.empty()) {
        result_.end = SearchEnd::kNoArchiveName;
        result_.reason = "Package file name not found and archive name not provided";
        return result_;
    }
    std::string archive;
    if (!SafeRelativeName(archiveName, &archive)) {
        result_.end = SearchEnd::kRefusedName;
        result_.reason = FormatText(
            "Archive name '%s' must name a file inside the searched "
            "folders",
            archiveName.c_str());
        return result_;
    }
    result_.archiveFound = FindArchive(archive);
    if (!result_.archiveFound)
        result_.reason = "No package/archive file found";
    return result_;
}

}  // namespace

SearchResult SearchInstaller(SearchServices& services, const std::string& fileName,
                             const std::string& archiveName, const SearchPlaces& places) {
    return Search(services, places).Run(fileName, archiveName);
}
