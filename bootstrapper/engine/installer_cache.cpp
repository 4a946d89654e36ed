// The package cache: copies of installer files kept for later repairs and uninstalls, and
// their deletion at the end of an uninstall.

#include <vector>

#include "cache_folder_guard.h"
#include "command_line.h"
#include "config_interpreter.h"
#include "f_package.h"
#include "file_system.h"
#include "installer.h"
#include "log_file.h"
#include "product_info.h"
#include "property_store.h"
#include "registry.h"
#include "run_services.h"
#include "system_error.h"
#include "text_util.h"

namespace {

constexpr char kCacheFolderName[] = "BootstrapperCache";
constexpr long kRestartRequired = 3010;
constexpr char kProfilesDirectory[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\"
    "ProfilesDirectory";

std::string LeafName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasPackageDatabase(const FPackage& package) {
    return EqualsNoCase(package.type.c_str(), "MSI") ||
           EqualsNoCase(package.type.c_str(), "ISEXEMSI");
}

std::string ReplaceNoCase(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t at = ToLowerAscii(text).find(ToLowerAscii(from));
    return at == std::string::npos ? text : text.substr(0, at) + to + text.substr(at + from.size());
}

}  // namespace

// The default cache folder is one per package name below the common files folder: a
// package shared by several products is cached once, and its folder goes when its last
// reference does.
std::string Installer::CacheFolder(const FPackage& package) const {
    const std::string location =
        package.cacheLocation.empty()
            ? std::string("[CommonFilesFolder]\\") + kCacheFolderName + "\\" + package.name
            : package.cacheLocation;
    return TrimRight(store_.Expand(location.c_str()), "\\/");
}

// The installer file the package runs with. A package with the cache flag runs from its
// cached copy, refreshed from the resolved file; when the file cannot be found any more (the
// installation medium is gone), a copy cached by an earlier run serves a repair or an
// uninstall. Returns "" when there is no file to run.
std::string Installer::ResolveCachedInstaller(FPackage& package,
                                              const ResolvedInstaller& resolved) {
    if (!package.cached)
        return resolved.found ? resolved.path : std::string();
    if (!resolved.found) {
        const std::string copy =
            CacheFolder(package) + "\\" + LeafName(store_.Expand(package.fileName.c_str()));
        if (LeafName(copy).empty() || !run_.files.FileExists(copy))
            return std::string();
        log_.Line("    Cache     : Using cached file '%s'", copy.c_str());
        return copy;
    }
    std::string cached;
    if (Cache(package, resolved.path, &cached) != 0) {
        log_.Line("    Cache     : %s", "File cache ERROR");
        return resolved.path;
    }
    log_.Line("    Cache     : %s", FormatText("File cached -> '%s'", cached.c_str()).c_str());
    // The command templates put [PackageFileName] in quotes themselves: the package runs
    // with the bare path, a quoted one would end up in doubled quotes.
    return Trim(cached, "\"");
}

// Copies source into the package's cache folder unless an identical copy is there. cached
// receives the copy's path in double quotes; 0, or -1 on an error (logged as a warning; the
// package then runs from source).
int Installer::Cache(const FPackage& package, const std::string& source, std::string* cached) {
    cached->clear();
    if (source.empty() || LeafName(source).empty()) {
        log_.Warning("File cannot be cached: file not specified!");
        return -1;
    }
    const std::string folder = CacheFolder(package);
    log_.Line("    Cache     : Location -> '%s'", folder.c_str());
    const std::string destination = folder + "\\" + LeafName(source);
    if (!CachedCopyIsCurrent(package, source, destination)) {
        // The copy creates the missing folders and replaces an outdated copy.
        const long code = run_.files.CopyFileTo(source, destination);
        if (code != 0) {
            log_.Warning("Installer::Cache(...) returned code %d trying to copy '%s' to '%s': %s",
                         static_cast<int>(code), source.c_str(), destination.c_str(),
                         SystemErrorText(code).c_str());
            return -1;
        }
    }
    *cached = "\"" + destination + "\"";
    return 0;
}

// A cached copy is current when it has the source's last-write time and, for a package
// with an installer database, the same product code. A time that cannot be read makes a
// new copy.
bool Installer::CachedCopyIsCurrent(const FPackage& package, const std::string& source,
                                    const std::string& destination) {
    if (!run_.files.FileExists(destination))
        return false;
    unsigned long long sourceTime = 0, destinationTime = 0;
    long code = run_.files.LastWriteTime(source, &sourceTime);
    if (code != 0) {
        log_.Warning("%s: error code %d (%s)",
                     "Installer::Cache - while retrieving source file time", static_cast<int>(code),
                     SystemErrorText(code).c_str());
        return false;
    }
    code = run_.files.LastWriteTime(destination, &destinationTime);
    if (code != 0) {
        log_.Warning("%s: error code %d (%s)",
                     "Installer::Cache - while retrieving destination file time",
                     static_cast<int>(code), SystemErrorText(code).c_str());
        return false;
    }
    if (sourceTime != destinationTime)
        return false;
    if (!HasPackageDatabase(package))
        return true;
    ProductInfo fromSource, fromCache;
    fromSource.ReadFromPackage(source.c_str(), 2, run_.detection);
    fromCache.ReadFromPackage(destination.c_str(), 2, run_.detection);
    return EqualsNoCase(fromSource.productCode, fromCache.productCode);
}

// A package whose last reference this run removed leaves its cache folder to the cache
// deletion.
void Installer::NoteReleasedCache(const FPackage& package, int before, int after) {
    if (package.cached && before > 0 && after == 0)
        releasedCaches_.push_back(CacheFolder(package));
}

void Installer::DeleteCacheStep() {
    const char* name = "DeleteCache";
    if (!store_.IsDefined(name))
        return;
    const bool removing = action_ == 1 || (maintenance_ && !main_->Product().installed);
    if (!mainInstance_ || !removing) {
        log_.Warning(
            "'%s' property ignored! This property is interpreted only on main instance during "
            "uninstall.",
            name);
        return;
    }
    if (!success_ || (returnCode_ != -1 && returnCode_ != 0 && returnCode_ != 2))
        return;
    if (!store_.IsYes(name)) {
        log_.Line("'%s=%s' -> cache NOT deleted", name, store_.Get(name).c_str());
        return;
    }
    const int result = DeleteCache(releasedCaches_);
    if (result == kRestartRequired) {
        rebootRequired_ = true;
        rebootNow_ = true;
        rebootQuestion_ = "REBOOT_CACHE_DELETED";
    } else if (result != 0) {
        log_.Error("Delete cache operation returned code %d (%s)", result,
                   SystemErrorText(result).c_str());
    }
}

// Deletes the cache folders; what is in use goes at the next restart (3010). The folder of
// this setup follows at the restart when it holds nothing but setup's own files.
int Installer::DeleteCache(const std::vector<std::string>& folders) {
    log_.Line("DELETING CACHE...");
    long result = 0;
    for (const std::string& given : folders) {
        const NormalizedFolder folder = NormalizeFolder(given, run_.files.CurrentDirectory());
        if (RefuseFolder(given, folder) || !run_.files.FileExists(folder.path))
            continue;
        log_.Line("  Folder '%s'", folder.path.c_str());
        const long code = run_.files.RemoveFolder(folder.path);
        if (code != 0) {
            log_.Error("Error deleting cache folder '%s': %s", folder.path.c_str(),
                       SystemErrorText(code).c_str());
            result = code;
            continue;
        }
        if (run_.files.FileExists(folder.path)) {
            log_.Line("Preparing to delete %s ", folder.path.c_str());
            run_.files.RemoveAtRestart(folder.path);
            if (result == 0)
                result = kRestartRequired;
        }
    }
    // Setup's own folder goes whenever the machine restarts next: it is no reason to ask
    // for a restart.
    MarkSetupFolderForRestart();
    return static_cast<int>(result);
}

// Drive and share roots in any spelling, and the folders the system lives in, are never
// deleted, whatever the configuration or a property says.
bool Installer::RefuseFolder(const std::string& given, const NormalizedFolder& folder) {
    if (folder.root) {
        log_.Error("Cannot delete cache folder '%s': it is a ROOT DRIVE", given.c_str());
        return true;
    }
    const std::string current = run_.files.CurrentDirectory();
    const std::string windows = NormalizeFolder(store_.Get("WindowsFolder"), current).path;
    std::vector<std::string> system;
    for (const char* name : {"WindowsFolder", "SystemFolder", "ProgramFilesFolder",
                             "CommonFilesFolder", "TempFolder"}) {
        const std::string value = store_.Get(name);
        if (!value.empty())
            system.push_back(NormalizeFolder(value, current).path);
    }
    std::string profiles;
    long error = 0;
    if (run_.registry.ReadValue(kProfilesDirectory, &profiles, kRegistryDefaultView, &error) &&
        !profiles.empty()) {
        profiles = ReplaceNoCase(profiles, "%SystemDrive%", windows.substr(0, 2));
        profiles = NormalizeFolder(profiles, current).path;
        system.push_back(profiles);
    }
    if (!IsProtectedFolder(folder.path, system, store_.Get("WindowsFolder").empty() ? "" : windows,
                           profiles))
        return false;
    log_.Error("Cannot delete cache folder '%s': it is a SYSTEM FOLDER", given.c_str());
    return true;
}

// This setup's folder is compared in two listings: all its files, and those of its files
// that setup itself brings (the program, its XML files and plug-ins, the checksum list and
// the packages' installer files). Only when both have the same number of entries, so that
// nothing of the user's lies beside setup, is the folder marked for deletion at the
// restart; it is never deleted at once, since setup runs from it. Returns whether it was
// marked.
bool Installer::MarkSetupFolderForRestart() {
    const CommandLine& command = config_.Command();
    const std::string own = ParentFolder(command.FullProgramPath());
    const NormalizedFolder folder = NormalizeFolder(own, run_.files.CurrentDirectory());
    std::vector<std::string> all;
    if (own.empty() || RefuseFolder(own, folder) ||
        run_.files.ListMatches(folder.path, "*", &all) != 0 || all.empty())
        return false;
    std::vector<std::string> known = {LeafName(command.FullProgramPath()),
                                      "config.xml",
                                      "standard.xml",
                                      "settings.xml",
                                      "utils.dll",
                                      "forms.dll",
                                      "crc32.txt"};
    for (FBase* element : elements_) {
        if (auto* package = dynamic_cast<FPackage*>(element))
            known.push_back(LeafName(store_.Expand(package->fileName.c_str())));
    }
    std::vector<std::string> setupFiles;
    for (const std::string& name : all) {
        for (const std::string& mine : known) {
            if (EqualsNoCase(name.c_str(), mine.c_str())) {
                setupFiles.push_back(name);
                break;
            }
        }
    }
    if (setupFiles.size() != all.size())
        return false;
    log_.Line("Preparing to delete %s ", folder.path.c_str());
    for (const std::string& name : setupFiles)
        run_.files.RemoveAtRestart(folder.path + "\\" + name);
    run_.files.RemoveAtRestart(folder.path);
    return true;
}
