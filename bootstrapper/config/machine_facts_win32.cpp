// The facts of the running machine that the standard properties carry.

#include <windows.h>

#include <string>

#include "log_file.h"
#include "platform.h"
#include "standard_properties.h"
#include "system_error.h"
#include "system_info.h"

namespace {

std::string Environment(const char* name) {
    std::string value;
    platform::GetEnvironment(name, &value);
    return value;
}

std::string SystemDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(buffer, sizeof(buffer));
    return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

std::string WindowsDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(buffer, sizeof(buffer));
    return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

int InstallerMajorVersion(const std::string& systemFolder) {
    if (systemFolder.empty())
        return 0;
    const std::string version = GetVersion((systemFolder + "\\msi.dll").c_str(), "FileVersion");
    return version.empty() ? 0 : version[0] - '0';
}

// The localized name (and domain) of a well-known account of the NT authority; the
// presets stay when the lookup fails.
void LookupAccount(DWORD subAuthority, std::string* name, std::string* domain) {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&authority, 1, subAuthority, 0, 0, 0, 0, 0, 0, 0, &sid))
        return;
    char nameBuffer[256] = {};
    char domainBuffer[256] = {};
    DWORD nameSize = sizeof(nameBuffer);
    DWORD domainSize = sizeof(domainBuffer);
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, sid, nameBuffer, &nameSize, domainBuffer, &domainSize, &use)) {
        *name = nameBuffer;
        if (domain)
            *domain = domainBuffer;
    } else {
        const DWORD code = GetLastError();
        Log().Warning("GetAccountInfo() error %lu - %s", code, SystemErrorText(code).c_str());
        if (code == ERROR_NONE_MAPPED)
            *name = "NONE_MAPPED";
    }
    FreeSid(sid);
}

}  // namespace

MachineFacts GatherMachineFacts() {
    MachineFacts facts;
    facts.platform = OsPlatform();
    facts.osVersion = OsVersionText(kPlatformNT, 3);
    facts.osArchitecture = OsArchitecture();
    facts.ntWorkstation = OsIsWorkstation();
    facts.systemFolder = SystemDirectory();
    facts.windowsFolder = WindowsDirectory();
    facts.installerMajorVersion = InstallerMajorVersion(facts.systemFolder);
    facts.programFilesFolder = Environment("ProgramFiles");
    facts.tempFolder = Environment("TEMP");
    facts.commonFilesFolder = Environment("CommonProgramFiles");
    LookupAccount(SECURITY_LOCAL_SYSTEM_RID, &facts.systemAccount, &facts.systemDomain);
    LookupAccount(SECURITY_LOCAL_SERVICE_RID, &facts.localServiceAccount, nullptr);
    return facts;
}
