#include "window_position_win32.h"

void CentreOnDesktop(HWND window) {
    RECT desktop{};
    RECT dialog{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &dialog);
    const int left = (desktop.right - (dialog.right - dialog.left)) / 2;
    const int top = (desktop.bottom - (dialog.bottom - dialog.top)) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
