#pragma once
// The module this code is linked into: setup.exe, or the plug-in library whose own dialog
// templates and pictures are wanted, whatever file name it was loaded under. The common
// library is linked into each of them, so each has its own copy of this function.

#include <windows.h>

HMODULE OwnModule();
