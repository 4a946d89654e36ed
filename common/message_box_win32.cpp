#include "message_box.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "log_file.h"
#include "messages.h"

namespace {

const COLORREF kLinkColour = 0xC00000;
const COLORREF kLinkFocusColour = 0xFF0000;
const int kLinkMargin = 10;
// Posted to the box when it is first activated: the system may still lay out its text and
// buttons after the activation, so the link is placed once the box has settled.
const UINT kAddLinkMessage = WM_APP + 0x71;

void OpenWithShell(const char* logPath) {
    ShellExecuteA(nullptr, "open", logPath, nullptr, nullptr, SW_SHOWNORMAL);
}

LogLinkOpener g_opener = OpenWithShell;

// One box is open at a time per process; these records live while it is.
struct LinkHookRecord {
    std::string logPath;
    std::string linkText;
    HHOOK hook = nullptr;
    WNDPROC originalProc = nullptr;
    HWND link = nullptr;
    HFONT font = nullptr;
    bool activated = false;
} g_link;

struct EnterHookRecord {
    HHOOK hook = nullptr;
    WNDPROC originalProc = nullptr;
    HWND dummyButton = nullptr;
    bool activated = false;
} g_enter;

bool IsDialogWindow(HWND window) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    return lstrcmpA(className, "#32770") == 0;
}

// The static control that holds the box's message text.
HWND FindTextControl(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text)
        return text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {};
        GetClassNameA(child, className, sizeof(className));
        if (lstrcmpiA(className, "Static") == 0 && GetWindowTextLengthA(child) > 0)
            return child;
    }
    return nullptr;
}

RECT ChildRect(HWND box, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HFONT UnderlinedFont(HWND box) {
    HFONT boxFont = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    if (!boxFont || !GetObjectA(boxFont, sizeof(logFont), &logFont))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
    logFont.lfUnderline = TRUE;
    return CreateFontIndirectA(&logFont);
}

int TextHeight(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

bool IsButton(HWND window) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    return lstrcmpiA(className, "Button") == 0;
}

// The top of the row of buttons, or -1 when the box has none.
int ButtonsTop(HWND box) {
    int top = -1;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsButton(child))
            continue;
        const int childTop = ChildRect(box, child).top;
        if (top < 0 || childTop < top)
            top = childTop;
    }
    return top;
}

// Moves the buttons down by offset; the link takes the space they leave.
void MoveButtonsDown(HWND box, int offset) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsButton(child))
            continue;
        const RECT rect = ChildRect(box, child);
        SetWindowPos(child, nullptr, rect.left, rect.top + offset, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void AddLink(HWND box);

LRESULT CALLBACK LinkBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kAddLinkMessage:
            AddLink(box);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kLogLinkControlId && HIWORD(wParam) == STN_CLICKED) {
                if (g_opener)
                    g_opener(g_link.logPath.c_str());
                return 0;  // the box stays open
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == g_link.link) {
                LRESULT brush = CallWindowProcA(g_link.originalProc, box, message, wParam, lParam);
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, GetFocus() == g_link.link ? kLinkFocusColour : kLinkColour);
                SetBkMode(dc, TRANSPARENT);
                return brush;
            }
            break;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == g_link.link) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_NCDESTROY: {
            WNDPROC original = g_link.originalProc;
            SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            g_link.originalProc = nullptr;
            return CallWindowProcA(original, box, message, wParam, lParam);
        }
    }
    return CallWindowProcA(g_link.originalProc, box, message, wParam, lParam);
}

void AddLink(HWND box) {
    g_link.font = UnderlinedFont(box);
    const int height = TextHeight(box, g_link.font);
    RECT client{};
    GetClientRect(box, &client);
    // The link takes the place of the buttons, which move down by its height and a margin
    // on each side; without buttons it goes under the text.
    HWND text = FindTextControl(box);
    int top = ButtonsTop(box);
    if (top < 0)
        top = text ? ChildRect(box, text).bottom + kLinkMargin : kLinkMargin;
    g_link.link = CreateWindowExA(0, "STATIC", g_link.linkText.c_str(),
                                  WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOTIFY, kLinkMargin, top,
                                  client.right - 2 * kLinkMargin, height, box,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogLinkControlId)),
                                  GetModuleHandleA(nullptr), nullptr);
    SendMessageA(g_link.link, WM_SETFONT, reinterpret_cast<WPARAM>(g_link.font), TRUE);
    const int growth = height + 2 * kLinkMargin;
    MoveButtonsDown(box, growth);
    RECT outer{};
    GetWindowRect(box, &outer);
    SetWindowPos(box, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + growth,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK LinkHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && !g_link.activated && IsDialogWindow(window)) {
        g_link.activated = true;
        g_link.originalProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkBoxProc)));
        PostMessageA(window, kAddLinkMessage, 0, 0);
    }
    return CallNextHookEx(g_link.hook, code, wParam, lParam);
}

LRESULT CALLBACK EnterBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kEnterSinkButtonId)
        return 0;
    if (message == WM_NCDESTROY) {
        WNDPROC original = g_enter.originalProc;
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        g_enter.originalProc = nullptr;
        return CallWindowProcA(original, box, message, wParam, lParam);
    }
    return CallWindowProcA(g_enter.originalProc, box, message, wParam, lParam);
}

LRESULT CALLBACK EnterHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && !g_enter.activated && IsDialogWindow(box)) {
        g_enter.activated = true;
        g_enter.dummyButton =
            CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_DEFPUSHBUTTON, 0, 0, 0, 0, box,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEnterSinkButtonId)),
                            GetModuleHandleA(nullptr), nullptr);
        g_enter.originalProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EnterBoxProc)));
        SendMessageA(box, DM_SETDEFID, kEnterSinkButtonId, 0);
        SetFocus(g_enter.dummyButton);
    }
    return CallNextHookEx(g_enter.hook, code, wParam, lParam);
}

int ShowBox(const char* text, const char* caption, unsigned type, HWND owner) {
    const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    int result = MessageBoxExA(owner, text, caption, type, english);
    if (result == 0)
        result = MessageBoxA(owner, text, caption, type);
    return result;
}

}  // namespace

LogLinkOpener SetLogLinkOpener(LogLinkOpener opener) {
    LogLinkOpener previous = g_opener;
    g_opener = opener;
    return previous;
}

int MessageBoxWithLink(const char* text, const char* caption, unsigned type, const char* logPath,
                       void* owner, bool absorbEnter) {
    type |= MB_TOPMOST;
    std::string message = text ? text : "";
    if (!caption)
        caption = "";
    HWND ownerWindow = static_cast<HWND>(owner);
    const DWORD thread = GetCurrentThreadId();
    if (!logPath || !*logPath) {
        g_enter = EnterHookRecord{};
        if (absorbEnter)
            g_enter.hook = SetWindowsHookExA(WH_CBT, EnterHook, nullptr, thread);
        const int result = ShowBox(message.c_str(), caption, type, ownerWindow);
        if (g_enter.hook)
            UnhookWindowsHookEx(g_enter.hook);
        g_enter = EnterHookRecord{};
        return result;
    }
    g_link = LinkHookRecord{};
    g_link.logPath = logPath;
    g_link.linkText = FormatText("Open log file: %s", logPath);
    // The tabs widen the box so that the link line fits under the text.
    message += '\n';
    message.append(g_link.linkText.size() / 6 + 1, '\t');
    g_link.hook = SetWindowsHookExA(WH_CBT, LinkHook, nullptr, thread);
    const int result = ShowBox(message.c_str(), caption, type, ownerWindow);
    if (g_link.hook)
        UnhookWindowsHookEx(g_link.hook);
    if (g_link.font)
        DeleteObject(g_link.font);
    g_link = LinkHookRecord{};
    return result;
}

int Messages::Show(const char* tag, const char* text, const char* caption, unsigned type,
                   const char* logPath, void* owner, bool absorbEnter) const {
    const std::string message = Compose(tag, text);
    return MessageBoxWithLink(message.c_str(), caption, type, logPath, owner, absorbEnter);
}
