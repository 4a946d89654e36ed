#pragma once
// The Win32 kinds of UniqueHandle. Which value means "no handle" depends on the call that
// hands the handle out, not on its type: CreateFile, CreateNamedPipe and FindFirstFile fail
// with INVALID_HANDLE_VALUE, while CreateEvent, CreateProcess and the registry calls leave
// null. A kind that took the wrong one would close a failed handle or keep a live one open.
// Windows Installer handles use the installer library's own PMSIHANDLE (msi.h).

#include <windows.h>

#include "unique_handle.h"

enum class NoHandle { kNull, kInvalidHandleValue };

// A kind: its handle type, the function that closes it and its "no handle" value.
template <typename H, auto CloseFunction, NoHandle None>
struct Win32HandleTraits {
    using Handle = H;
    static Handle Invalid() {
        if constexpr (None == NoHandle::kNull)
            return nullptr;
        else
            return INVALID_HANDLE_VALUE;
    }
    static void Close(Handle handle) { CloseFunction(handle); }
};

// Events, processes and threads.
using KernelHandle = UniqueHandle<Win32HandleTraits<HANDLE, CloseHandle, NoHandle::kNull>>;
// Files and pipe ends opened with CreateFile or CreateNamedPipe.
using FileHandle =
    UniqueHandle<Win32HandleTraits<HANDLE, CloseHandle, NoHandle::kInvalidHandleValue>>;
// A FindFirstFile search.
using FindHandle =
    UniqueHandle<Win32HandleTraits<HANDLE, FindClose, NoHandle::kInvalidHandleValue>>;
// An open registry key.
using KeyHandle = UniqueHandle<Win32HandleTraits<HKEY, RegCloseKey, NoHandle::kNull>>;
// A window, destroyed on the thread that created it.
using WindowHandle = UniqueHandle<Win32HandleTraits<HWND, DestroyWindow, NoHandle::kNull>>;
// Fonts and bitmaps a program created (not stock objects).
using FontHandle = UniqueHandle<Win32HandleTraits<HFONT, DeleteObject, NoHandle::kNull>>;
using BitmapHandle = UniqueHandle<Win32HandleTraits<HBITMAP, DeleteObject, NoHandle::kNull>>;
