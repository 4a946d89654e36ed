#pragma once
// Where setup puts its own windows.

#include <windows.h>

// Moves window to the middle of the desktop, keeping its size.
void CentreOnDesktop(HWND window);
