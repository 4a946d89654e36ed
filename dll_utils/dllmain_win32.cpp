// utils.dll: the plug-in with the named procedures of setup (processes, services,
// registry, files, versions, products, dialogs). The plug-in interface and the
// procedures are added here as they are built; today the library loads and does nothing.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
