// FindWindow and SetWindowTitle: top-level windows by exact title, and their titles.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "machine_procedures.h"
#include "str_util.h"
#include "text_util.h"

namespace {

// The handle as text: decimal, "0x" hexadecimal or leading-0 octal; 0 for anything else.
HWND ParseHandle(const char* text) {
    const std::string trimmed = Trim(text, " \t");
    char* end = nullptr;
    const unsigned long long value = std::strtoull(trimmed.c_str(), &end, 0);
    if (trimmed.empty() || trimmed[0] == '-' || *end != '\0')
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

}  // namespace

int UtilsFindWindow(PluginSession, int argc, char** argv, char* result, int resultSize,
                    int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    StrCopyTruncated(result, "0x0", resultSize);
    HWND window = FindWindowA(nullptr, argv[1]);
    if (!window)
        return 0;
    const std::string text =
        FormatText("0x%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
    StrCopyTruncated(result, text.c_str(), resultSize);
    return 1;
}

int UtilsSetWindowTitle(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    HWND window = ParseHandle(argv[1]);
    if (!window || !IsWindow(window))
        return 0;
    const std::string title = Trim(argv[2], " \t");
    return SetWindowTextA(window, title.c_str()) ? 1 : 0;
}
