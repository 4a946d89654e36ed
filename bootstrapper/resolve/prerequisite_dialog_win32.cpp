// The prerequisite dialog: the missing archive, a field for the archive or its folder (typed
// or chosen with Browse), Download, OK and Cancel. The checks and the download are the
// choices' own; this file shows the dialog and the messages.

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "download_fetcher_factory.h"
#include "log_file.h"
#include "resource.h"
#include "system_error.h"
#include "window_position_win32.h"

namespace {

const char kCanceledBySetup[] = "Setup canceled by the user";
const char kBoxCaption[] = "Tarvex setup";

struct DialogSession {
    const DialogRequest* request;
    PrerequisiteChoices* choices;
    DialogAnswer answer;
};

void Tell(HWND dialog, const std::string& text, UINT icon) {
    MessageBoxA(dialog, text.c_str(), kBoxCaption, MB_OK | MB_TOPMOST | icon);
}

std::string ErrorText(const char* format, DWORD code) {
    return FormatText(format, static_cast<int>(code),
                      SystemErrorText(static_cast<long>(code)).c_str());
}

// The file-open dialog changes the current folder of the process, which setup's relative
// paths depend on: it is saved before and put back after.
void Browse(HWND dialog, const std::string& archiveName) {
    char saved[MAX_PATH] = {};
    if (!GetCurrentDirectoryA(MAX_PATH, saved)) {
        Tell(dialog,
             ErrorText("Cannot retrieve current directory: error code %d (%s)", GetLastError()),
             MB_ICONERROR);
        return;
    }
    char file[MAX_PATH] = {};
    lstrcpynA(file, archiveName.c_str(), MAX_PATH);
    OPENFILENAMEA open{};
    open.lStructSize = sizeof(open);
    open.hwndOwner = dialog;
    open.lpstrFilter = "Tarvex archives (*.exe)\0*.exe\0";
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    const BOOL chosen = GetOpenFileNameA(&open);
    const DWORD failure = chosen ? 0 : CommDlgExtendedError();
    if (!SetCurrentDirectoryA(saved)) {
        Tell(dialog,
             ErrorText("Cannot restore current directory: error code %d (%s)", GetLastError()),
             MB_ICONERROR);
    }
    if (failure)
        Tell(dialog, FormatText("Error code %d on GetOpenFileName()", static_cast<int>(failure)),
             MB_ICONERROR);
    if (chosen)
        SetDlgItemTextA(dialog, IDC_PREREQUISITE_FILE, file);
}

void Accept(HWND dialog, DialogSession& session) {
    char text[MAX_PATH * 2] = {};
    GetDlgItemTextA(dialog, IDC_PREREQUISITE_FILE, text, sizeof(text));
    const ArchiveChoice choice = session.choices->Check(text);
    if (!choice.ok) {
        Tell(dialog, choice.message, MB_ICONWARNING);
        return;
    }
    session.answer = DialogAnswer{true, choice.archivePath, choice.folder, false, ""};
    EndDialog(dialog, IDOK);
}

void Download(HWND dialog, DialogSession& session) {
    // The download dialog is the one window the user works with meanwhile.
    EnableWindow(dialog, FALSE);
    const DownloadOutcome outcome = session.choices->Download();
    EnableWindow(dialog, TRUE);
    SetForegroundWindow(dialog);
    if (!outcome.ok)
        return;  // the failure was shown; the user may choose again
    session.answer = DialogAnswer{true, outcome.target, "", true, ""};
    const std::size_t slash = outcome.target.find_last_of('\\');
    if (slash != std::string::npos)
        session.answer.folder = outcome.target.substr(0, slash);
    EndDialog(dialog, IDOK);
}

void Cancel(HWND dialog, DialogSession& session) {
    if (MessageBoxA(dialog, "Do you want to cancel the setup?", kBoxCaption,
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    session.answer = DialogAnswer{false, "", "", false, kCanceledBySetup};
    EndDialog(dialog, IDCANCEL);
}

void Initialize(HWND dialog, const DialogRequest& request) {
    const std::string text = FormatText(
        "Setup cannot find the archive '%s' that holds '%s'. Choose the archive or its folder, "
        "or download it.",
        request.archiveName.c_str(), request.fileName.c_str());
    SetDlgItemTextA(dialog, IDC_PREREQUISITE_TEXT, text.c_str());
    SendDlgItemMessageA(dialog, IDC_PREREQUISITE_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(request.listEntry.c_str()));
    CentreOnDesktop(dialog);
    SetForegroundWindow(dialog);
}

INT_PTR CALLBACK PrerequisiteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        Initialize(dialog, *reinterpret_cast<DialogSession*>(lParam)->request);
        return TRUE;
    }
    auto* session = reinterpret_cast<DialogSession*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (message != WM_COMMAND || !session)
        return FALSE;
    switch (LOWORD(wParam)) {
        case IDC_PREREQUISITE_BROWSE:
            Browse(dialog, session->request->archiveName);
            return TRUE;
        case IDC_PREREQUISITE_DOWNLOAD:
            Download(dialog, *session);
            return TRUE;
        case IDOK:
            Accept(dialog, *session);
            return TRUE;
        case IDCANCEL:
            Cancel(dialog, *session);
            return TRUE;
        default:
            return FALSE;
    }
}

class Win32PrerequisiteDialog : public PrerequisiteDialog {
  public:
    explicit Win32PrerequisiteDialog(void* module) : module_(static_cast<HMODULE>(module)) {}

    DialogAnswer Ask(const DialogRequest& request, PrerequisiteChoices& choices) override {
        DialogSession session{&request, &choices, DialogAnswer{}};
        session.answer.error = kCanceledBySetup;
        const INT_PTR result =
            DialogBoxParamA(module_, MAKEINTRESOURCEA(IDD_PREREQUISITE_DIALOG), nullptr,
                            PrerequisiteDialogProc, reinterpret_cast<LPARAM>(&session));
        if (result == -1 || result == 0) {
            const DWORD code = GetLastError();
            session.answer = DialogAnswer{};
            session.answer.error =
                FormatText("Cannot show the prerequisite dialog: error code %lu (%s)", code,
                           SystemErrorText(static_cast<long>(code)).c_str());
        }
        return session.answer;
    }

    void ShowError(const std::string& text) override { Tell(nullptr, text, MB_ICONERROR); }

  private:
    HMODULE module_;
};

}  // namespace

std::unique_ptr<PrerequisiteDialog> MakePrerequisiteDialog(void* module) {
    return std::make_unique<Win32PrerequisiteDialog>(module);
}
