// actionkit.dll: custom actions that the chained Windows Installer packages call. It
// stands alone (no common code); the actions are added here as they are built.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
