#include <string>
#include <vector>

#include "actions.h"
#include "file_system.h"
#include "registry.h"

// The product's own scripts and licence files survive an uninstall or an upgrade: before
// it, BackupFiles copies them to folders at the root of the install folder's drive and
// records where; after it, RestoreFiles copies them back and removes the records. The
// preserved folders are left in place: nothing is deleted but what the package installs.

namespace {

const char* const kScriptsRecordKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Vireo Scripts";
const char* const kFilesRecordKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Vireo Files";
const char* const kScriptsRecordValue = "Saved Vireo Scripts Location";
const char* const kFilesRecordValue = "Saved Vireo Files Location";
const long kNotFound = 2;
const long kPathNotFound = 3;

// The install folder: "CustomActionData" (deferred), else "INSTALLDIR"; without a final
// "\". Empty unless it is a full path below a drive or a share.
std::string InstallFolder(ActionContext& context, const char* action) {
    std::string folder = context.Get("CustomActionData");
    if (folder.empty())
        folder = context.Get("INSTALLDIR");
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    const bool full = (folder.size() > 2 && folder[1] == ':' && folder[2] == '\\') ||
                      folder.rfind("\\\\", 0) == 0;
    if (!full || IsVolumeRoot(folder)) {
        context.log(".Error: %s> '%s' is no install folder", action, folder.c_str());
        return std::string();
    }
    return folder;
}

// The root of the folder's drive or share ("C:", "\\server\share").
std::string VolumeOf(const std::string& folder) {
    if (folder[1] == ':')
        return folder.substr(0, 2);
    const std::size_t share = folder.find('\\', 2);
    const std::size_t end = share == std::string::npos ? share : folder.find('\\', share + 1);
    return folder.substr(0, end);
}

// Copies the files of folder matching each pattern into target; the number copied, or -1
// with the failure logged. A folder that does not exist holds nothing to copy.
int CopyMatches(ActionContext& context, const char* action, const std::string& folder,
                const std::vector<const char*>& patterns, const std::string& target) {
    FileSystem& files = context.machine.Files();
    int copied = 0;
    for (const char* pattern : patterns) {
        std::vector<std::string> names;
        const long listed = files.ListMatches(folder, pattern, &names);
        if (listed != 0 && listed != kNotFound && listed != kPathNotFound) {
            context.log(".Error: %s> Could not search %s (error code %ld)", action, folder.c_str(),
                        listed);
            return -1;
        }
        for (const std::string& name : names) {
            const long error = files.CopyFileTo(folder + "\\" + name, target + "\\" + name);
            if (error != 0) {
                context.log(".Error: %s> Could not copy %s\\%s to %s (error code %ld)", action,
                            folder.c_str(), name.c_str(), target.c_str(), error);
                return -1;
            }
            ++copied;
        }
    }
    return copied;
}

bool Record(ActionContext& context, const char* key, const char* value, const std::string& folder) {
    RegistryAccess& registry = context.machine.Registry();
    long error = 0;
    if (registry.CreateKey(key, kRegistry64View, &error) &&
        registry.WriteString(std::string(key) + "\\" + value, folder, kRegistry64View, &error))
        return true;
    context.log(".Error: BackupFiles> Could not record %s (error code %ld)", key, error);
    return false;
}

// The recorded folder, empty when there is none or it is no full path.
std::string Recorded(ActionContext& context, const char* key, const char* value) {
    std::string folder;
    long error = 0;
    context.machine.Registry().ReadValue(std::string(key) + "\\" + value, &folder, kRegistry64View,
                                         &error);
    const bool full = folder.size() > 2 && (folder[1] == ':' || folder.rfind("\\\\", 0) == 0);
    return full && !IsVolumeRoot(folder) ? folder : std::string();
}

}  // namespace

// A file that could not be saved stops the installation: the uninstall that follows would
// delete the only copy.
unsigned BackupFilesAction(ActionContext& context) {
    const std::string folder = InstallFolder(context, "BackupFiles");
    if (folder.empty())
        return kActionFailure;
    const std::string scripts = VolumeOf(folder) + "\\Preserved_Vireo_Scripts";
    const std::string data = VolumeOf(folder) + "\\Preserved_Vireo_Files";
    const int savedScripts =
        CopyMatches(context, "BackupFiles", folder + "\\Scripts", {"*.*"}, scripts);
    const int savedFiles = CopyMatches(context, "BackupFiles", folder, {"*.lic", "*.dat"}, data);
    if (savedScripts < 0 || savedFiles < 0)
        return kActionFailure;
    if ((savedScripts > 0 && !Record(context, kScriptsRecordKey, kScriptsRecordValue, scripts)) ||
        (savedFiles > 0 && !Record(context, kFilesRecordKey, kFilesRecordValue, data)))
        return kActionFailure;
    context.log(".Info: BackupFiles> %d script(s) saved to %s, %d file(s) to %s", savedScripts,
                scripts.c_str(), savedFiles, data.c_str());
    return kActionSuccess;
}

// A record whose files could not all be copied back is kept, so that a repair can try
// again; the installation goes on.
unsigned RestoreFilesAction(ActionContext& context) {
    const std::string folder = InstallFolder(context, "RestoreFiles");
    if (folder.empty())
        return kActionSuccess;
    struct Group {
        const char* key;
        const char* value;
        std::vector<const char*> patterns;
        std::string target;
    };
    const Group groups[] = {
        {kScriptsRecordKey, kScriptsRecordValue, {"*.scr"}, folder + "\\Scripts"},
        {kFilesRecordKey, kFilesRecordValue, {"*.lic", "*.dat"}, folder},
    };
    for (const Group& group : groups) {
        const std::string saved = Recorded(context, group.key, group.value);
        if (saved.empty())
            continue;
        const int restored =
            CopyMatches(context, "RestoreFiles", saved, group.patterns, group.target);
        if (restored < 0)
            continue;
        context.log(".Info: RestoreFiles> %d file(s) restored from %s", restored, saved.c_str());
        long error = 0;
        context.machine.Registry().DeleteKey(group.key, kRegistry64View, &error);
    }
    return kActionSuccess;
}
