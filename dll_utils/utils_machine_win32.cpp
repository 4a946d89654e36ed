// The real machine of the utils procedures: file rewrites, system queries, access rules and
// installer session properties.

#include "utils_machine.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "event_log_access.h"
#include "file_system.h"
#include "installer_session_win32.h"
#include "registry.h"
#include "system_info.h"
#include "unique_handle_win32.h"

namespace {

long LastCode() {
    return static_cast<long>(GetLastError());
}

class SystemRewriter : public FileRewriter {
  public:
    long WriteTemporary(const std::string& folder, const std::string& content,
                        std::string* tempPath) override;
    // ReplaceFile keeps the original's security, attributes and streams.
    long ReplaceWith(const std::string& original, const std::string& tempPath) override {
        return ReplaceFileA(original.c_str(), tempPath.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                   ? 0
                   : LastCode();
    }
    long Remove(const std::string& path) override {
        return DeleteFileA(path.c_str()) ? 0 : LastCode();
    }
    // RemoveDirectory removes a link itself, never what it points to.
    long RemoveEmptyFolder(const std::string& folder) override {
        return RemoveDirectoryA(folder.c_str()) ? 0 : LastCode();
    }
    bool IsFolder(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

long SystemRewriter::WriteTemporary(const std::string& folder, const std::string& content,
                                    std::string* tempPath) {
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "bst", 0, name) == 0)
        return LastCode();
    *tempPath = name;
    FileHandle file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return LastCode();
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file.Get(), content.data() + done, chunk, &written, nullptr))
            return LastCode();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        done += written;
    }
    return FlushFileBuffers(file.Get()) ? 0 : LastCode();
}

class SystemFacts : public SystemQueries {
  public:
    std::string OsVersion() override { return OsVersionText(kPlatformNT, 3); }
    bool FreeBytes(const std::string& folder, unsigned long long* bytes, long* errorCode) override {
        ULARGE_INTEGER free{};
        if (GetDiskFreeSpaceExA(folder.c_str(), nullptr, nullptr, &free)) {
            *bytes = free.QuadPart;
            return true;
        }
        *errorCode = LastCode();
        return false;
    }
    bool ProcessorArchitecture(unsigned* code) override {
        SYSTEM_INFO info{};
        GetNativeSystemInfo(&info);
        *code = info.wProcessorArchitecture;
        return true;
    }
    bool IsAdministrator(bool* member, long* errorCode) override;
    bool AccountName(const std::string& sid, std::string* name, long* errorCode) override;
    bool Environment(const std::string& name, std::string* value) override {
        std::vector<char> buffer(256);
        DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), buffer.size());
        if (length >= buffer.size()) {
            buffer.resize(length + 1);
            length = GetEnvironmentVariableA(name.c_str(), buffer.data(), buffer.size());
        }
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return false;
        value->assign(buffer.data(), length);
        return true;
    }
};

// CheckTokenMembership without a token looks at the thread's impersonation token, else the
// process's; a group that a filtered token lists for denial only is no membership.
bool SystemFacts::IsAdministrator(bool* member, long* errorCode) {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        *errorCode = LastCode();
        return false;
    }
    BOOL isMember = FALSE;
    const BOOL checked = CheckTokenMembership(nullptr, administrators, &isMember);
    *errorCode = checked ? 0 : LastCode();
    FreeSid(administrators);
    *member = checked && isMember;
    return checked != FALSE;
}

bool SystemFacts::AccountName(const std::string& sidText, std::string* name, long* errorCode) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(sidText.c_str(), &sid)) {
        *errorCode = LastCode();
        return false;
    }
    char account[256] = {};
    char domain[256] = {};
    DWORD accountSize = sizeof(account);
    DWORD domainSize = sizeof(domain);
    SID_NAME_USE use;
    const BOOL found =
        LookupAccountSidA(nullptr, sid, account, &accountSize, domain, &domainSize, &use);
    *errorCode = found ? 0 : LastCode();
    LocalFree(sid);
    if (found)
        *name = domain[0] != '\0' ? std::string(domain) + "\\" + account : std::string(account);
    return found != FALSE;
}

class SessionReader : public SessionProperties {
  public:
    std::string Read(PluginSession session, const std::string& name) override {
        return ReadSessionProperty(static_cast<MSIHANDLE>(session), name.c_str());
    }
};

}  // namespace

AccessControl& SystemAccessControl();

UtilsMachine RealUtilsMachine() {
    static SystemRewriter rewriter;
    static SystemFacts system;
    static SessionReader session;
    return {&SystemRegistry(), &SystemFileSystem(), &rewriter, &system, &SystemAccessControl(),
            &session,          &SystemEventLog()};
}
