// forms.dll: the plug-in that shows forms described in XML. The exports come from the shared
// plug-in interface (common/plugin_interface_win32.cpp), the table from forms_procedures.cpp.

#include <windows.h>

#include "system_libraries_win32.h"

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH)
        LoadSystemLibrariesFromSystemFolder();  // only sets the loader; loads nothing here
    return TRUE;
}
