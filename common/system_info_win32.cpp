#include "system_info.h"

#include <windows.h>

#include <vector>

#include "log_file.h"
#include "system_error.h"

namespace {

std::string VersionQueryPath(const std::vector<char>& data, const char* key) {
    void* translation = nullptr;
    UINT size = 0;
    if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &translation, &size) &&
        size == 4) {
        const unsigned char* bytes = static_cast<const unsigned char*>(translation);
        // Language (little-endian word) then code page, as eight upper-case hex digits.
        return FormatText("\\StringFileInfo\\%02X%02X%02X%02X\\%s", bytes[1], bytes[0], bytes[3],
                          bytes[2], key);
    }
    return FormatText("\\StringFileInfo\\%04X04B0\\%s", GetUserDefaultLangID(), key);
}

// The true system version: GetVersionEx answers what the program's manifest declares.
bool RealOsVersion(OSVERSIONINFOEXW* info) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                     GetProcAddress(ntdll, "RtlGetVersion")))
                               : nullptr;
    info->dwOSVersionInfoSize = sizeof(*info);
    return rtlGetVersion && rtlGetVersion(info) == 0;
}

// True when this 32-bit process runs under the 64-bit subsystem. Looked up at run time:
// systems without the function have no such subsystem.
bool RunsUnderWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    auto isWow64Process = kernel ? reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(
                                       GetProcAddress(kernel, "IsWow64Process")))
                                 : nullptr;
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

std::string GetVersion(const char* file, const char* key) {
    if (!file || !key)
        return std::string();
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {
        Log().Line("GetVersion: file not exists '%s'", file);
        return std::string();
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &handle);
    if (size == 0) {
        const DWORD code = GetLastError();
        Log().Line("Error %lu on ::GetFileVersionInfoSize(\"%s\") -> %s", code, file,
                   SystemErrorText(code).c_str());
        return std::string();
    }
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(file, 0, size, data.data())) {
        const DWORD code = GetLastError();
        Log().Line("Error %lu on ::GetFileVersionInfo(\"%s\") -> %s", code, file,
                   SystemErrorText(code).c_str());
        return std::string();
    }
    void* value = nullptr;
    UINT length = 0;
    const std::string path = VersionQueryPath(data, key);
    if (!VerQueryValueA(data.data(), path.c_str(), &value, &length) || !value) {
        const DWORD code = GetLastError();
        Log().Line("Error %lu on ::VerQueryValue() -> %s", code, SystemErrorText(code).c_str());
        return std::string();
    }
    return std::string(static_cast<const char*>(value));
}

int OsPlatform() {
    OSVERSIONINFOEXW info{};
    return RealOsVersion(&info) ? static_cast<int>(info.dwPlatformId) : 0;
}

std::string OsVersionText(int platformId, int fieldCount) {
    OSVERSIONINFOEXW info{};
    if (!RealOsVersion(&info) || static_cast<int>(info.dwPlatformId) != platformId)
        return std::string();
    const bool nt = platformId == kPlatformNT;
    const unsigned long fields[5] = {info.dwMajorVersion, info.dwMinorVersion,
                                     nt ? info.wServicePackMajor : 0u,
                                     nt ? info.wServicePackMinor : 0u, info.dwBuildNumber};
    if (fieldCount <= 0 || fieldCount > 5)
        fieldCount = 5;
    std::string text;
    for (int i = 0; i < fieldCount; ++i) text += FormatText("%s%lu", i == 0 ? "" : ".", fields[i]);
    return text;
}

std::string OsArchitecture() {
    // The native information describes the machine, not the view of an emulated process,
    // so a native 64-bit program is not taken for a 32-bit system.
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    switch (info.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_AMD64:
        case PROCESSOR_ARCHITECTURE_IA64:
        case PROCESSOR_ARCHITECTURE_ARM64:
            return "64-bit";
        case PROCESSOR_ARCHITECTURE_INTEL:
        case PROCESSOR_ARCHITECTURE_ARM:
            return RunsUnderWow64() ? "64-bit" : "32-bit";
        default:
            return "UNKNOWN";
    }
}

bool OsIsWorkstation() {
    OSVERSIONINFOEXW info{};
    return RealOsVersion(&info) && info.wProductType == VER_NT_WORKSTATION;
}

unsigned long long SystemTickCount() {
    return GetTickCount64();
}
