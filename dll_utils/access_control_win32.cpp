// Access rules and owners of files, folders and registry keys through the named-object
// security calls. Rules are merged into the object's existing list; whether the object
// inherits from its parent stays as it was.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "registry.h"
#include "text_util.h"
#include "unique_handle_win32.h"
#include "utils_machine.h"

namespace {

const DWORD kNullListRefused = ERROR_INVALID_SECURITY_DESCR;

long LastCode() {
    return static_cast<long>(GetLastError());
}

// Memory that the security calls allocate with LocalAlloc.
struct LocalMemory {
    void* pointer = nullptr;
    ~LocalMemory() {
        if (pointer)
            LocalFree(pointer);
    }
};

// "HKEY_LOCAL_MACHINE\Software\X" as the named-object calls spell it: "MACHINE\Software\X".
std::string SecurityObjectName(const std::string& object, bool registryKey) {
    if (!registryKey)
        return object;
    static const struct {
        const char* root;
        const char* name;
    } kRoots[] = {{"HKEY_LOCAL_MACHINE", "MACHINE"},
                  {"HKEY_CURRENT_USER", "CURRENT_USER"},
                  {"HKEY_USERS", "USERS"},
                  {"HKEY_CLASSES_ROOT", "CLASSES_ROOT"}};
    const std::size_t slash = object.find('\\');
    const std::string root = object.substr(0, slash);
    for (const auto& row : kRoots) {
        if (EqualsNoCase(root.c_str(), row.root))
            return row.name + (slash == std::string::npos ? std::string() : object.substr(slash));
    }
    return std::string();
}

SE_OBJECT_TYPE ObjectType(bool registryKey) {
    return registryKey ? SE_REGISTRY_KEY : SE_FILE_OBJECT;
}

// Enables a privilege of the process for the life of the object, then restores it.
class PrivilegeScope {
  public:
    explicit PrivilegeScope(const char* name) {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
            return;
        token_.Reset(token);
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueA(nullptr, name, &wanted.Privileges[0].Luid))
            return;
        DWORD size = sizeof(previous_);
        adjusted_ = AdjustTokenPrivileges(token_.Get(), FALSE, &wanted, sizeof(previous_),
                                          &previous_, &size) &&
                    GetLastError() == ERROR_SUCCESS;
    }
    ~PrivilegeScope() {
        if (adjusted_)
            AdjustTokenPrivileges(token_.Get(), FALSE, &previous_, 0, nullptr, nullptr);
    }
    PrivilegeScope(const PrivilegeScope&) = delete;
    PrivilegeScope& operator=(const PrivilegeScope&) = delete;

  private:
    KernelHandle token_;
    TOKEN_PRIVILEGES previous_{};
    bool adjusted_ = false;
};

class SystemAccess : public AccessControl {
  public:
    bool CurrentUserSid(std::string* sid, long* errorCode) override;
    long GrantAccess(const std::string& object, bool registryKey, const std::string& sid,
                     unsigned long mask, bool inherit) override;
    long TakeOwnership(const std::string& object, bool registryKey) override;
};

bool SystemAccess::CurrentUserSid(std::string* sid, long* errorCode) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        *errorCode = LastCode();
        return false;
    }
    KernelHandle owned(token);
    char buffer[256] = {};
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size)) {
        *errorCode = LastCode();
        return false;
    }
    LocalMemory text;
    char* converted = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &converted)) {
        *errorCode = LastCode();
        return false;
    }
    text.pointer = converted;
    *sid = converted;
    return true;
}

// A null list lets everyone do everything; a rule merged into it would become a list of one
// rule and shut everyone else out, so such an object is left alone.
long SystemAccess::GrantAccess(const std::string& object, bool registryKey,
                               const std::string& sidText, unsigned long mask, bool inherit) {
    std::string name = SecurityObjectName(object, registryKey);
    if (name.empty())
        return ERROR_INVALID_PARAMETER;
    LocalMemory sid;
    if (!ConvertStringSidToSidA(sidText.c_str(), &sid.pointer))
        return LastCode();
    PACL list = nullptr;
    LocalMemory descriptor;
    DWORD code =
        GetNamedSecurityInfoA(name.c_str(), ObjectType(registryKey), DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &list, nullptr, &descriptor.pointer);
    if (code != ERROR_SUCCESS)
        return static_cast<long>(code);
    if (!list)
        return kNullListRefused;
    EXPLICIT_ACCESSA rule{};
    rule.grfAccessPermissions = mask;
    rule.grfAccessMode = GRANT_ACCESS;
    rule.grfInheritance = !inherit      ? NO_INHERITANCE
                          : registryKey ? CONTAINER_INHERIT_ACE
                                        : CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE;
    rule.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    rule.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    rule.Trustee.ptstrName = static_cast<char*>(sid.pointer);
    LocalMemory merged;
    PACL mergedList = nullptr;
    code = SetEntriesInAclA(1, &rule, list, &mergedList);
    merged.pointer = mergedList;
    if (code != ERROR_SUCCESS)
        return static_cast<long>(code);
    if (!mergedList)
        return kNullListRefused;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor.pointer, &control, &revision);
    const SECURITY_INFORMATION protection = (control & SE_DACL_PROTECTED) != 0
                                                ? PROTECTED_DACL_SECURITY_INFORMATION
                                                : UNPROTECTED_DACL_SECURITY_INFORMATION;
    return static_cast<long>(SetNamedSecurityInfoA(&name[0], ObjectType(registryKey),
                                                   DACL_SECURITY_INFORMATION | protection, nullptr,
                                                   nullptr, mergedList, nullptr));
}

// The Administrators group becomes the owner: taking ownership needs its privilege, and
// naming a group other than one's own user needs the restore privilege.
long SystemAccess::TakeOwnership(const std::string& object, bool registryKey) {
    std::string name = SecurityObjectName(object, registryKey);
    if (name.empty())
        return ERROR_INVALID_PARAMETER;
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        return LastCode();
    PrivilegeScope takeOwnership(SE_TAKE_OWNERSHIP_NAME);
    PrivilegeScope restore(SE_RESTORE_NAME);
    const DWORD code =
        SetNamedSecurityInfoA(&name[0], ObjectType(registryKey), OWNER_SECURITY_INFORMATION,
                              administrators, nullptr, nullptr, nullptr);
    FreeSid(administrators);
    return static_cast<long>(code);
}

}  // namespace

AccessControl& SystemAccessControl() {
    static SystemAccess access;
    return access;
}
