#pragma once
// Registry helpers shared by the Win32 parts of common: the owning key handle (KeyHandle of
// unique_handle_win32.h) and the view flags of the registry views.

#include <windows.h>

#include "registry.h"
#include "unique_handle_win32.h"

inline REGSAM ViewFlag(RegistryView view) {
    if (view == kRegistry32View)
        return KEY_WOW64_32KEY;
    if (view == kRegistry64View)
        return KEY_WOW64_64KEY;
    return 0;
}
