#include "window_probe.h"

#include <windows.h>

#include <cstdio>

#include "child_process.h"

namespace {

struct WindowSearch {
    const char* caption;
    DWORD processId;
    HWND found;
    const std::function<bool(void*)>* accept;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (IsWindowVisible(window) && lstrcmpA(text, search->caption) == 0 &&
        (search->processId == 0 || owner == search->processId) &&
        (!search->accept || (*search->accept)(window))) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
    auto* controls = reinterpret_cast<std::vector<ProbedControl>*>(parameter);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    char text[2048] = {};
    // WM_GETTEXT works across processes for the standard controls.
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    controls->push_back({window, className, text, GetDlgCtrlID(window)});
    return TRUE;
}

}  // namespace

void* WaitForWindow(const char* caption, unsigned long processId, unsigned long timeoutMs) {
    return WaitForWindowThat(caption, processId, nullptr, timeoutMs);
}

void* WaitForWindowThat(const char* caption, unsigned long processId,
                        const std::function<bool(void*)>& accept, unsigned long timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        WindowSearch search{caption, processId, nullptr, accept ? &accept : nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(100);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

void* WaitForWindowWithText(const char* caption, unsigned long processId,
                            const std::string& textPrefix, unsigned long timeoutMs) {
    return WaitForWindowThat(
        caption, processId,
        [&textPrefix](void* window) {
            return FindControlByTextPrefix(window, textPrefix).window != nullptr;
        },
        timeoutMs);
}

std::string DescribeWindows(unsigned long processId) {
    struct Listing {
        DWORD processId;
        std::string text;
    } listing{processId, ""};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* list = reinterpret_cast<Listing*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != list->processId || !IsWindowVisible(window))
                return TRUE;
            char caption[256] = {};
            GetWindowTextA(window, caption, sizeof(caption));
            list->text += std::string("'") + caption + "':";
            for (const ProbedControl& control : ChildControls(window))
                list->text += " [" + control.text + "]";
            list->text += "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&listing));
    return listing.text;
}

bool WindowAlive(void* window) {
    return IsWindow(static_cast<HWND>(window)) != FALSE;
}

std::vector<ProbedControl> ChildControls(void* window) {
    std::vector<ProbedControl> controls;
    EnumChildWindows(static_cast<HWND>(window), CollectChild, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

ProbedControl FindControlByTextPrefix(void* window, const std::string& prefix) {
    for (const ProbedControl& control : ChildControls(window)) {
        if (control.text.compare(0, prefix.size(), prefix) == 0)
            return control;
    }
    return ProbedControl{nullptr, "", "", 0};
}

bool ControlFontIsUnderlined(void* control) {
    HFONT font =
        reinterpret_cast<HFONT>(SendMessageA(static_cast<HWND>(control), WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    return font && GetObjectA(font, sizeof(logFont), &logFont) && logFont.lfUnderline;
}

void PressButton(void* dialog, int id) {
    HWND button = GetDlgItem(static_cast<HWND>(dialog), id);
    PostMessageA(static_cast<HWND>(dialog), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool SaveScreenshot(const std::string& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD rowSize = ((width * 3 + 3) / 4) * 4;
    header.biSizeImage = rowSize * height;
    std::string pixels(header.biSizeImage, '\0');
    const int lines = GetDIBits(memory, bitmap, 0, height, &pixels[0],
                                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        return false;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&header, sizeof(header), 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

std::string ArtifactFolder() {
    const std::string folder = TestProgramFolder() + "\\artifacts";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}
