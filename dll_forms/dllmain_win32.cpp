// forms.dll: the plug-in that shows forms described in XML. The plug-in interface and
// ShowForm are added here as they are built; today the library loads and does nothing.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
