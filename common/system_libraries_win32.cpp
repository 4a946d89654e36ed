#include "system_libraries_win32.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {

// VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND): what the delayed-import helper
// raises for a library it cannot load.
const DWORD kModuleNotFound = ((ERROR_SEVERITY_ERROR | (0x6d << 16)) | ERROR_MOD_NOT_FOUND);

// Loads the library from the system folder only. The bare name is given with the search
// restricted to the system folder, so that the manifest's side-by-side redirection (common
// controls 6) still applies; a system without that search flag (Windows 7 before its loader
// update) gets the full path in the system folder instead. A library that is not there is
// not looked for anywhere else: the helper would fall back to the usual search order,
// whose first place is the program's folder.
HMODULE LoadSystemLibrary(const char* name) {
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    if (length == 0 || length >= sizeof(folder))
        return nullptr;
    const std::string path = std::string(folder) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    HMODULE module = LoadSystemLibrary(info->szDll);
    if (!module) {
        info->dwLastError = GetLastError();
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        RaiseException(kModuleNotFound, 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

void LoadSystemLibrariesFromSystemFolder() {
    __pfnDliNotifyHook2 = LoadFromSystemFolder;
}
