// actionkit.dll: custom actions that the chained Windows Installer packages call. Windows
// Installer loads it; setup does not. The exports are in exports_win32.cpp, their logic in
// the platform-neutral actions.

#include <windows.h>

#include "system_libraries_win32.h"

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    // Libraries imported on first use come from the system folder, never from the folder
    // the installer extracted this library to.
    if (reason == DLL_PROCESS_ATTACH)
        LoadSystemLibrariesFromSystemFolder();  // only sets the loader; loads nothing here
    return TRUE;
}
