#include <string>

#include "actions.h"
#include "machine_probe.h"

namespace {

// An ini path the actions read: a full path ("C:\..." or "\\server\..."). The system would
// look for a bare name in the Windows folder, which is not what a package names.
bool FullPath(const std::string& path) {
    return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           path.rfind("\\\\", 0) == 0;
}

}  // namespace

// The database version below "DATASTOREINIROOT" goes to "CleanMe" (for CleanString to
// follow); a root that is not set or a file that is not there sets "INIReadException" =
// "HELP" and leaves "CleanMe" alone.
unsigned ReadDBVersionAction(ActionContext& context) {
    std::string root = context.Get("DATASTOREINIROOT");
    while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
    const std::string path = root + "\\mendrel\\bin\\win\\datastore.install.ini";
    if (root.empty() || !FullPath(path) || !context.machine.FileExists(path)) {
        context.log(".Error: ReadDBVersionMSI> Could not read '%s'", path.c_str());
        context.Set("INIReadException", "HELP");
        return kActionSuccess;
    }
    const std::string version = context.machine.IniEntry(path, "datastore", "dbversion", ".");
    context.log(".Info: ReadDBVersionMSI> dbversion = %s", version.c_str());
    context.Set("CleanMe", version);
    return kActionSuccess;
}

bool ChassisFromIni(ActionContext& context, const std::string& path) {
    std::string manufacturer = "NO";
    if (FullPath(path))
        manufacturer = context.machine.IniEntry(path, "General", "Manufacturer", "NO");
    const bool chassis = IsChassisManufacturer(manufacturer);
    context.log(".Info: IsChassis> Manufacturer = %s, chassis = %d", manufacturer.c_str(),
                chassis ? 1 : 0);
    return chassis;
}

// "CHASSISARG" names the ini file ("NONE" when not set, which names no file); the answer
// goes to "ISCHASSIS" as "1" or "0".
unsigned IsChassisAction(ActionContext& context) {
    std::string path = context.Get("CHASSISARG");
    if (path.empty())
        path = "NONE";
    context.Set("ISCHASSIS", Flag(ChassisFromIni(context, path)));
    return kActionSuccess;
}
