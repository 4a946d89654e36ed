#include "system_libraries_win32.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {

// VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND): what the delayed-import helper
// raises for a library it cannot load.
const DWORD kModuleNotFound = ((ERROR_SEVERITY_ERROR | (0x6d << 16)) | ERROR_MOD_NOT_FOUND);

// Loads the library by its full path in the system folder; its own imports are looked for
// beside it. A library that is not there is not looked for anywhere else: the helper would
// fall back to the usual search order, whose first place is the program's folder.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    HMODULE module = nullptr;
    if (length > 0 && length < sizeof(folder)) {
        const std::string path = std::string(folder) + "\\" + info->szDll;
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
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
