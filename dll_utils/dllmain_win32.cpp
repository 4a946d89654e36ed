// utils.dll: the plug-in with the named procedures of setup (processes, services,
// registry, files, versions, products, dialogs). The exports come from the shared
// plug-in interface (common/plugin_interface_win32.cpp), the table from utils_procedures.cpp.

#include <windows.h>

#include "system_libraries_win32.h"

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH)
        LoadSystemLibrariesFromSystemFolder();  // only sets the loader; loads nothing here
    return TRUE;
}
