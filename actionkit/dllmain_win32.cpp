// actionkit.dll: custom actions that the chained Windows Installer packages call. Windows
// Installer loads it; setup does not. The exports are in exports_win32.cpp, their logic in
// the platform-neutral actions.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
