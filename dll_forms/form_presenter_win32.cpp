// Forms as modeless dialogs from the templates of forms.dll, with a message loop of their
// own on the calling thread.
//
// A dialog is created from its template each time its form is shown and destroyed when the
// form ends, so that a form that was closed (by a button or by its window going away) can
// always be shown again, and no hidden window of a form waits in the caller's process.

#include "form_presenter_win32.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "own_module_win32.h"
#include "plugin_interface.h"
#include "system_error.h"
#include "unique_handle_win32.h"
#include "window_position_win32.h"

namespace {

// What the dialog procedure records for the loop of the form it belongs to.
struct FormState {
    int clicked = 0;
};

INT_PTR CALLBACK FormDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
            return TRUE;
        case WM_COMMAND: {
            // Only clicks: an edit control of the template sends notifications with its own
            // identifier too, and those are no answer.
            auto* state = reinterpret_cast<FormState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (state && HIWORD(wParam) == BN_CLICKED)
                state->clicked = LOWORD(wParam);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

std::string LastErrorText(DWORD code) {
    return "last error " + std::to_string(code) + " - " + SystemErrorText(static_cast<long>(code));
}

// The fonts and pictures a shown form uses; they live until its window is gone.
struct FormResources {
    std::vector<FontHandle> fonts;
    std::vector<BitmapHandle> bitmaps;
};

void SetBold(HWND control, FormResources& resources) {
    FontHandle font(CreateFontA(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, "MS Shell Dlg"));
    if (!font.Valid())
        return;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    resources.fonts.push_back(std::move(font));
}

void SetImage(PluginSession session, HWND control, const std::string& uri,
              FormResources& resources) {
    BitmapHandle loaded(static_cast<HBITMAP>(
        LoadImageA(nullptr, uri.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    if (!loaded.Valid()) {
        const DWORD code = GetLastError();
        PluginLog(session, kLogError, "Cannot load image '%s'.\r\nError code %ld (%s)", uri.c_str(),
                  static_cast<long>(code), SystemErrorText(code).c_str());
        return;
    }
    RECT area{};
    GetClientRect(control, &area);
    BitmapHandle scaled(
        static_cast<HBITMAP>(CopyImage(loaded.Get(), IMAGE_BITMAP, area.right, area.bottom, 0)));
    // A static that is not a picture yet becomes one, drawn at the size of the control.
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    if ((style & SS_TYPEMASK) != SS_BITMAP)
        SetWindowLongPtrA(control, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_BITMAP);
    SetLastError(0);
    if (scaled.Valid())
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.Get()));
    if (!scaled.Valid() || reinterpret_cast<HBITMAP>(SendMessageA(
                               control, STM_GETIMAGE, IMAGE_BITMAP, 0)) != scaled.Get()) {
        const DWORD code = GetLastError();
        PluginLog(session, kLogError, "Cannot set image '%s'.\r\nError code %ld (%s)", uri.c_str(),
                  static_cast<long>(code), SystemErrorText(code).c_str());
        return;
    }
    resources.bitmaps.push_back(std::move(scaled));
}

void ApplyControl(PluginSession session, HWND dialog, const FormControl& control,
                  FormResources& resources) {
    HWND item = GetDlgItem(dialog, control.resourceId);
    if (!item) {
        PluginLog(session, kLogWarning, "Form control %d (%s) is not in the dialog",
                  control.resourceId, control.element.c_str());
        return;
    }
    ShowWindow(item, control.visible ? SW_SHOW : SW_HIDE);
    if (control.kind == FormControlKind::kLabel) {
        SetWindowTextA(item, control.text.c_str());
        if (control.bold)
            SetBold(item, resources);
    }
    if (control.kind == FormControlKind::kImage && !control.uri.empty())
        SetImage(session, item, control.uri, resources);
}

void SetTitle(HWND dialog, const FormDefinition& form,
              const FormPresenter::TitleExpander& expandTitle) {
    if (form.hasCaption)
        SetWindowTextA(dialog, form.caption.c_str());
    char title[512] = {};
    GetWindowTextA(dialog, title, sizeof(title));
    SetWindowTextA(dialog, expandTitle(title).c_str());
}

// Runs the thread's messages until a button of the table is pressed or the window is gone.
std::string WaitForAnswer(HWND dialog, const FormDefinition& form, FormState& state) {
    while (IsWindow(dialog)) {
        MSG message;
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The thread is asked to end: the form ends without an answer, and the request
            // stays for the caller's own loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return std::string();
        }
        if (got < 0)
            return std::string();
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (state.clicked == 0)
            continue;
        if (const std::string* answer = form.AnswerFor(state.clicked))
            return *answer;
        state.clicked = 0;  // a template button the form does not describe
    }
    return std::string();
}

class Win32Presenter : public FormPresenter {
  public:
    std::string Show(PluginSession session, const FormDefinition& form,
                     const TitleExpander& expandTitle) override {
        FormState state;
        // Declared before the window's handle: the window goes first, then what it showed.
        FormResources resources;
        WindowHandle dialog(CreateDialogParamA(OwnModule(), MAKEINTRESOURCEA(form.resourceId),
                                               nullptr, FormDialogProc,
                                               reinterpret_cast<LPARAM>(&state)));
        if (!dialog.Valid()) {
            const DWORD code = GetLastError();
            PluginLog(session, kLogError, "Dialog '%s' (res ID %d) cannot be created: %s",
                      form.id.c_str(), form.resourceId, LastErrorText(code).c_str());
            return std::string();
        }
        SetTitle(dialog.Get(), form, expandTitle);
        for (const FormControl& control : form.controls)
            ApplyControl(session, dialog.Get(), control, resources);
        CentreOnDesktop(dialog.Get());
        ShowWindow(dialog.Get(), SW_SHOW);
        SetForegroundWindow(dialog.Get());
        const std::string answer = WaitForAnswer(dialog.Get(), form, state);
        if (!IsWindow(dialog.Get()))
            dialog.Release();  // destroyed by someone else already
        return answer;
    }
};

}  // namespace

FormPresenter& Win32FormPresenter() {
    static Win32Presenter presenter;
    return presenter;
}
