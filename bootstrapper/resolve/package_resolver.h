#pragma once
// The resolver of the run: searches for a package's installer file (resolver_search.h),
// unpacks the archive it finds instead and searches again, and when nothing is found asks
// the prerequisite fetcher (a download or the user's choice) for the archive.

#include <string>
#include <vector>

#include "installer_resolver.h"
#include "resolver_search.h"

class Clock;
class FileSystem;
class LogFile;
class PrerequisiteFetcher;
class ProcessRunner;
class PropertyStore;
class RegistryAccess;

struct ResolverServices {
    LogFile& log;
    PropertyStore& properties;
    RegistryAccess& registry;
    FileSystem& files;
    ProcessRunner& processes;
    Clock& clock;
    PrerequisiteFetcher& fetcher;
};

struct ResolverSettings {
    std::string setupFolder;
    std::string productName;
    std::vector<ResolverServer> servers;
    bool quiet = false;  // quiet mode: nothing may show, not even the wait dialog
};

class PackageResolver : public InstallerResolver {
  public:
    PackageResolver(const ResolverServices& services, ResolverSettings settings);
    ResolvedInstaller Resolve(const InstallerRequest& request) override;

  private:
    SearchResult SearchAndUnpack(const std::string& fileName, const std::string& archiveName);
    SearchResult SearchOnce(const std::string& fileName, const std::string& archiveName);
    bool Unpack(const std::string& archivePath, const std::string& archiveName);
    void LogFailure(const SearchResult& search, const std::string& archiveName);
    ResolvedInstaller Fetch(const std::string& fileName, const std::string& archiveName);
    ResolvedInstaller Found(const std::string& path);

    ResolverServices services_;
    ResolverSettings settings_;
    std::vector<std::string> extractFolders_;
};
