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

unsigned long long SystemTickCount() {
    return GetTickCount64();
}
