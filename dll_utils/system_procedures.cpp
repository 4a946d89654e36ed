// The system queries and access-right procedures of utils.dll over the machine interfaces.

#include "system_procedures.h"

#include <vector>

#include "access_rules.h"
#include "deletion_guard.h"
#include "file_procedures.h"
#include "log_file.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"
#include "utils_machine.h"
#include "version_compare.h"

namespace {

const unsigned kUnknownArchitecture = 0xFFFF;
const unsigned long long kMebibyte = 1048576ULL;

// The account of a rule as a security identifier: "CurrentUser" is looked up.
bool RuleSid(const AccessRule& rule, std::string* sid, long* errorCode) {
    if (rule.account != "CurrentUser") {
        *sid = rule.account;
        return true;
    }
    return Machine().access->CurrentUserSid(sid, errorCode);
}

// An object path as the access procedures take it: a registry key (trimmed of "\") or an
// absolute file system path.
bool AccessObject(PluginSession session, const char* argument, bool registryKey,
                  std::string* object) {
    *object = registryKey ? Trim(argument, " \\") : ProcPath(session, argument);
    const bool valid = registryKey ? IsRegistryObject(*object) : DepthBelowVolume(*object) >= 0;
    if (!valid)
        PluginLog(session, kLogError, "'%s' is not a %s", object->c_str(),
                  registryKey ? "registry key path" : "full path");
    return valid;
}

bool GrantRules(PluginSession session, const std::string& object, bool registryKey,
                const std::vector<AccessRule>& rules, bool inherit) {
    for (const AccessRule& rule : rules) {
        std::string sid;
        long code = 0;
        if (RuleSid(rule, &sid, &code))
            code = Machine().access->GrantAccess(object, registryKey, sid, rule.mask, inherit);
        if (code != 0) {
            PluginLog(session, kLogPlain, "    Proc call : Error %d setting access permissions: %s",
                      static_cast<int>(code), SystemErrorText(code).c_str());
            return false;
        }
    }
    return true;
}

int TakeOwnership(PluginSession session, const char* argument, bool registryKey) {
    std::string object;
    if (!AccessObject(session, argument, registryKey, &object))
        return 0;
    const long code = Machine().access->TakeOwnership(object, registryKey);
    if (code == 0)
        return 1;
    PluginLog(session, kLogPlain, "    Proc call : Error %d taking ownership of '%s': %s",
              static_cast<int>(code), object.c_str(), SystemErrorText(code).c_str());
    return 0;
}

}  // namespace

int RunningAsAdminProc(PluginSession session, int argc, char**, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 0, 0, error))
        return 0;
    bool member = false;
    long code = 0;
    if (Machine().system->IsAdministrator(&member, &code))
        return member ? 1 : 0;
    PluginLog(session, kLogPlain, "    Proc call : Error %d checking the administrators group: %s",
              static_cast<int>(code), SystemErrorText(code).c_str());
    return 0;
}

int IsOSVersionProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const std::string version = Machine().system->OsVersion();
    const std::string list = Trim(argv[1], " \t");
    const bool inside = VersionInList(version.c_str(), list.c_str());
    const std::string text = FormatText("OS version '%s' is %sin the specified range [%s]",
                                        version.c_str(), inside ? "" : "NOT ", list.c_str());
    PluginLog(session, kLogPlain, "    Proc call : %s", text.c_str());
    return inside ? 1 : 0;
}

int GetDiskFreeSpaceProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    unsigned long long bytes = 0;
    long code = 0;
    if (!Machine().system->FreeBytes(ProcPath(session, argv[1]), &bytes, &code)) {
        PluginLog(session, kLogPlain, "    Proc call : Error %d reading the free space of '%s': %s",
                  static_cast<int>(code), argv[1], SystemErrorText(code).c_str());
        return -1;
    }
    const unsigned long long mebibytes = bytes / kMebibyte;
    return mebibytes > 0x7FFFFFFFULL ? 0x7FFFFFFF : static_cast<int>(mebibytes);
}

int GetProcessorArchitectureProc(PluginSession, int, char**, char*, int, int* error) {
    SetPluginStatus(error, 0);
    unsigned code = kUnknownArchitecture;
    if (!Machine().system->ProcessorArchitecture(&code) || code == kUnknownArchitecture)
        return -1;
    return static_cast<int>(code);
}

int GetAccountNameProc(PluginSession, int argc, char** argv, char* result, int resultSize,
                       int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    std::string name;
    long code = 0;
    if (!Machine().system->AccountName(Trim(argv[1], " \t"), &name, &code)) {
        SetPluginStatus(error, static_cast<int>(code != 0 ? code : 1332));
        return 0;
    }
    StrCopyTruncated(result, name.c_str(), resultSize);
    return 0;
}

// SetAccessPermissions(object|rules|inherit): rules as in access_rules.h; inherit "1" (the
// default) passes the rules on to what lies below the object, "0" keeps them on the object.
int SetAccessPermissionsProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    const std::string inherit = argc > 3 ? Trim(argv[3], " \t") : "1";
    const bool registryKey = IsRegistryObject(Trim(argv[1], " "));
    std::vector<AccessRule> rules;
    std::string reason;
    if ((inherit != "0" && inherit != "1") ||
        !ParseAccessRules(argv[2], registryKey, &rules, &reason)) {
        PluginLog(session, kLogError, "SetAccessPermissions: %s",
                  reason.empty() ? "the third value must be 0 or 1" : reason.c_str());
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    std::string object;
    if (AccessObject(session, argv[1], registryKey, &object) &&
        GrantRules(session, object, registryKey, rules, inherit == "1"))
        return 1;
    PluginLog(session, kLogPlain, "    Proc call : Error modifying access permissions");
    return 0;
}

int TakeFileOwnershipProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    return TakeOwnership(session, argv[1], false);
}

int TakeRegistryOwnershipProc(PluginSession session, int argc, char** argv, char*, int,
                              int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    return TakeOwnership(session, argv[1], true);
}

// The current user may read and change the key and everything below it, but not its rules
// or its owner.
int RegistryGrantAccessToCrtUserProc(PluginSession session, int argc, char** argv, char*, int,
                                     int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    std::string key;
    if (!AccessObject(session, argv[1], true, &key))
        return 0;
    const std::vector<AccessRule> rules = {{"CurrentUser", RightsMask("M", true)}};
    return GrantRules(session, key, true, rules, true) ? 1 : 0;
}
