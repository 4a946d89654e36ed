// The options dialog: a checked list of options whose choice comes back as text. Its template
// is taken from this library's own module, found by an address inside it, so that a copy of
// the library that Windows Installer loaded under another name still finds it, and no module
// of the same name elsewhere can stand in for it.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "dialog_procedures.h"
#include "options_model.h"
#include "own_module_win32.h"
#include "str_util.h"
#include "system_error.h"
#include "utils_machine.h"
#include "utils_resource.h"

namespace {

const int kStateUnchecked = 1;
const int kStateChecked = 2;
const std::size_t kAnswerLimit = 512;

struct DialogState {
    OptionsContent* content;
    bool accepted = false;
    bool updating = false;
};

DialogState* StateOf(HWND dialog) {
    return reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

HWND List(HWND dialog) {
    return GetDlgItem(dialog, IDC_OPTIONS_LIST);
}

// The list's check boxes from the model; options that cannot be chosen show none.
void ShowChoices(HWND dialog, DialogState* state) {
    state->updating = true;
    const std::vector<OptionItem>& options = state->content->options;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const int image = !options[i].choosable ? 0
                          : options[i].chosen   ? kStateChecked
                                                : kStateUnchecked;
        ListView_SetItemState(List(dialog), static_cast<int>(i), INDEXTOSTATEIMAGEMASK(image),
                              LVIS_STATEIMAGEMASK);
    }
    state->updating = false;
    EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_CONTINUE),
                 ChosenCount(options) >= state->content->minimum);
}

void AddColumns(HWND list, const OptionsContent& content) {
    RECT area{};
    GetClientRect(list, &area);
    const int count = static_cast<int>(std::max<std::size_t>(content.columns.size(), 1));
    for (int i = 0; i < count; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = (area.right - area.left) / count;
        std::string text = i < static_cast<int>(content.columns.size()) ? content.columns[i] : "";
        column.pszText = &text[0];
        ListView_InsertColumn(list, i, &column);
    }
}

void AddOptions(HWND list, const OptionsContent& content) {
    for (std::size_t i = 0; i < content.options.size(); ++i) {
        const std::vector<std::string>& texts = content.options[i].columns;
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        std::string first = texts.empty() ? std::string() : texts[0];
        item.pszText = &first[0];
        ListView_InsertItem(list, &item);
        for (std::size_t column = 1; column < texts.size(); ++column) {
            std::string text = texts[column];
            ListView_SetItemText(list, static_cast<int>(i), static_cast<int>(column), &text[0]);
        }
    }
}

void Initialize(HWND dialog, DialogState* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    const OptionsContent& content = *state->content;
    SetWindowTextA(dialog, content.caption.c_str());
    SetDlgItemTextA(dialog, IDC_OPTIONS_TITLE, content.title.c_str());
    if (!content.button.empty())
        SetDlgItemTextA(dialog, IDC_OPTIONS_CONTINUE, content.button.c_str());
    EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_SELECT_ALL), !content.single);
    HWND list = List(dialog);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    AddColumns(list, content);
    AddOptions(list, content);
    ShowChoices(dialog, state);
}

bool IsCheckChange(const NMLISTVIEW* change) {
    return (change->uChanged & LVIF_STATE) != 0 &&
           ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) != 0;
}

// Check boxes follow the model: a click changes the model, and the list is drawn from it.
INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    DialogState* state = StateOf(dialog);
    if (!state || state->updating || header->idFrom != IDC_OPTIONS_LIST)
        return FALSE;
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (header->code == LVN_ITEMCHANGING && IsCheckChange(change) && change->iItem >= 0) {
        const bool choosable = state->content->options[change->iItem].choosable;
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, choosable ? FALSE : TRUE);
        return TRUE;
    }
    if (header->code == LVN_ITEMCHANGED && IsCheckChange(change) && change->iItem >= 0) {
        const bool checked = ((change->uNewState & LVIS_STATEIMAGEMASK) >> 12) == kStateChecked;
        ChooseOption(&state->content->options, change->iItem, checked, state->content->single);
        ShowChoices(dialog, state);
    }
    return FALSE;
}

void ChooseAll(HWND dialog, bool chosen) {
    DialogState* state = StateOf(dialog);
    for (std::size_t i = 0; i < state->content->options.size(); ++i)
        ChooseOption(&state->content->options, i, chosen, false);
    ShowChoices(dialog, state);
}

INT_PTR CALLBACK OptionsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Initialize(dialog, reinterpret_cast<DialogState*>(lParam));
            return TRUE;
        case WM_NOTIFY:
            return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_OPTIONS_CONTINUE:
                    StateOf(dialog)->accepted = true;
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDC_OPTIONS_SELECT_ALL:
                    ChooseAll(dialog, true);
                    return TRUE;
                case IDC_OPTIONS_DESELECT_ALL:
                    ChooseAll(dialog, false);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

// The dialog is owned by the foreground window only when that window is one of this
// process's: a window of another program must not be disabled while the dialog is up.
HWND OwnerWindow() {
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

class DialogSlot {
  public:
    DialogSlot() : held_(AcquireOptionsDialogSlot()) {}
    ~DialogSlot() {
        if (held_)
            ReleaseOptionsDialogSlot();
    }
    DialogSlot(const DialogSlot&) = delete;
    DialogSlot& operator=(const DialogSlot&) = delete;
    bool Held() const { return held_; }

  private:
    bool held_;
};

bool ParseArguments(PluginSession session, int argc, char** argv, bool extended,
                    OptionsContent* content, int* error) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(ProcExpand(session, argv[i]));
    std::string reason;
    if (ParseOptionsArguments(arguments, extended, content, &reason))
        return true;
    if (reason == "type")
        PluginLog(session, kLogError,
                  "Invalid option %s for 'Dialog type'. Allowed values: '%s', '%s'",
                  arguments[0].c_str(), "SingleSel", "MultiSel");
    else
        PluginLog(session, kLogError, "Options dialog: %s", reason.c_str());
    SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
    return false;
}

int RunOptionsDialog(PluginSession session, int argc, char** argv, char* result, int resultSize,
                     int* error, bool extended) {
    if (!CheckPluginArgCount(argc, extended ? 7 : 5, -1, error))
        return 0;
    DialogSlot slot;
    if (!slot.Held()) {
        PluginLog(session, kLogPlain,
                  extended ? "    Proc call : Error in COptionsDialog::NewActiveDialog()"
                           : "    Proc call : Error in COptionsDialog::NewActiveDialog() - another "
                             "dialog already exist");
        return 0;
    }
    OptionsContent content;
    if (!ParseArguments(session, argc, argv, extended, &content, error))
        return 0;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    DialogState state{&content};
    const INT_PTR shown =
        DialogBoxParamA(OwnModule(), MAKEINTRESOURCEA(IDD_OPTIONS_DIALOG), OwnerWindow(),
                        OptionsWindowProc, reinterpret_cast<LPARAM>(&state));
    if (shown == -1 || shown == 0) {
        const DWORD code = GetLastError();
        PluginLog(session, kLogPlain, "    Proc call : Error %d opening OptionsDialog: %s",
                  static_cast<int>(code), SystemErrorText(code).c_str());
        return 0;
    }
    if (!state.accepted) {
        PluginLog(session, kLogPlain, "    Proc call : OptionsDialog closed without a choice");
        return 0;
    }
    const std::string answer = OptionsAnswer(content.options, extended && content.single);
    if (answer.size() <= kAnswerLimit && static_cast<int>(answer.size()) < resultSize)
        StrCopyTruncated(result, answer.c_str(), resultSize);
    return 0;
}

}  // namespace

int OptionsDialogProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                      int* error) {
    return RunOptionsDialog(session, argc, argv, result, resultSize, error, false);
}

int OptionsDialogExProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error) {
    return RunOptionsDialog(session, argc, argv, result, resultSize, error, true);
}
