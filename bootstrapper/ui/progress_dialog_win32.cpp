#include "progress_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "instance_map.h"
#include "log_file.h"
#include "message_pump.h"
#include "messages.h"
#include "periodic_thread.h"
#include "progress_cancel.h"
#include "progress_list_win32.h"
#include "progress_rows.h"
#include "resource.h"
#include "run_texts.h"
#include "system_error.h"
#include "unique_handle_win32.h"
#include "window_position_win32.h"

namespace {

const std::chrono::milliseconds kRefreshInterval(500);
// Attempts at the block's spin lock per reading: a reading that does not get it is skipped
// and the next turn tries again.
const int kReadLockAttempts = 10;
// Posted by the refresh thread when what it read differs from what it posted last.
const UINT kReadingsMessage = WM_APP + 0x51;
const LONG kBoldWeight = 700;
// The banner control's size in dialog units, as the dialog resource places it.
const RECT kBannerUnits = {0, 0, 343, 33};

INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace

struct ProgressDialog::Impl {
    Impl(HINSTANCE moduleHandle, InstanceMap* statusMap, PropertyStore& runProperties)
        : module(moduleHandle), map(statusMap), properties(runProperties) {}

    bool Create();
    void FillList();
    void LoadBanner();
    void SetBoldCaption();
    void SetControlText(int id, const std::string& text);
    bool ReadSlots(std::vector<SlotReading>* readings);
    void Tick();
    void ApplyPosted();
    void Apply(const std::vector<SlotReading>& readings);
    void Refresh();
    void OnCancel();
    HWND List() const { return GetDlgItem(window.Get(), IDC_PROGRESS_LIST); }

    HINSTANCE module;
    InstanceMap* map;  // read by the refresh thread until it has ended
    PropertyStore& properties;
    std::string title;
    std::string caption;
    std::string subtitle;
    ProgressRows rows;  // the window's thread only
    // Members go in the reverse order: the thread first, then the window, then what it shows.
    FontHandle boldFont;
    BitmapHandle banner;
    WindowHandle window;
    bool closed = false;
    bool asking = false;

    // Shared with the refresh thread.
    std::mutex mutex;
    std::vector<std::string> names;   // the rows' slot names
    std::vector<SlotReading> posted;  // the thread's last reading that was posted
    PeriodicThread refresher;
};

namespace {

// The process-wide list of dialogs.
std::mutex g_dialogsMutex;
std::vector<ProgressDialog::Impl*> g_dialogs;

void EnterDialog(ProgressDialog::Impl* dialog) {
    std::lock_guard<std::mutex> lock(g_dialogsMutex);
    g_dialogs.push_back(dialog);
}

void LeaveDialog(ProgressDialog::Impl* dialog) {
    std::lock_guard<std::mutex> lock(g_dialogsMutex);
    g_dialogs.erase(std::remove(g_dialogs.begin(), g_dialogs.end(), dialog), g_dialogs.end());
}

ProgressDialog::Impl* FindDialog(HWND window) {
    std::lock_guard<std::mutex> lock(g_dialogsMutex);
    for (ProgressDialog::Impl* dialog : g_dialogs) {
        if (dialog->window.Get() == window)
            return dialog;
    }
    return nullptr;
}

bool IsBannerText(HWND control) {
    const int id = GetDlgCtrlID(control);
    return id == IDC_PROGRESS_CAPTION || id == IDC_PROGRESS_SUBTITLE;
}

// Messages that arrive before CreateDialogParam has returned (WM_INITDIALOG among them)
// find no object yet and get the default handling.
INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    ProgressDialog::Impl* dialog = FindDialog(window);
    if (!dialog)
        return FALSE;
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL)
                return FALSE;
            dialog->OnCancel();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            // The caption and the subtitle lie over the banner.
            if (!IsBannerText(reinterpret_cast<HWND>(lParam)))
                return FALSE;
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
        case kReadingsMessage:
            dialog->ApplyPosted();
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool ProgressDialog::Impl::Create() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND created = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_PROGRESS_DIALOG), nullptr,
                                      ProgressDialogProc, 0);
    if (!created) {
        const DWORD code = GetLastError();
        Log().Error("Cannot create Main progress dialog: error code '%d' (%s)",
                    static_cast<int>(code), SystemErrorText(static_cast<long>(code)).c_str());
        return false;
    }
    window.Reset(created);
    LoadBanner();
    FillList();
    for (WPARAM kind : {ICON_BIG, ICON_SMALL}) {
        const int size = GetSystemMetrics(kind == ICON_BIG ? SM_CXICON : SM_CXSMICON);
        HANDLE icon =
            LoadImageA(module, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, size, size, LR_SHARED);
        SendMessageA(created, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
    // Only the run closes the dialog.
    EnableMenuItem(GetSystemMenu(created, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    CentreOnDesktop(created);
    return true;
}

void ProgressDialog::Impl::FillList() {
    HWND list = List();
    if (!list) {
        const DWORD code = GetLastError();
        Log().Error("Cannot obtain list view control in order to populate it: error code '%d' (%s)",
                    static_cast<int>(code), SystemErrorText(static_cast<long>(code)).c_str());
        return;
    }
    LoadStatusIcons(list, module);
    AddColumns(list);
    rows.Apply({});  // the icons have their indexes now
    for (int i = 0; i < rows.Count(); ++i) InsertRow(list, i, rows.Rows()[i]);
    DecorateList(list);  // grid lines change the height of a row
    FitList(window.Get(), list, rows.Count());
}

// The banner bitmap, scaled to the banner control, whatever the font and resolution make of
// the dialog units.
void ProgressDialog::Impl::LoadBanner() {
    RECT size = kBannerUnits;
    MapDialogRect(window.Get(), &size);
    banner.Reset(static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(IDB_PROGRESS_BANNER),
                                                 IMAGE_BITMAP, size.right, size.bottom, 0)));
    HWND control = GetDlgItem(window.Get(), IDC_PROGRESS_BANNER);
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner.Get()));
    SetWindowPos(control, nullptr, 0, 0, size.right, size.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressDialog::Impl::SetBoldCaption() {
    if (boldFont.Valid())
        return;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window.Get(), WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    if (!font || !GetObjectA(font, sizeof(logFont), &logFont))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
    logFont.lfWeight = kBoldWeight;
    boldFont.Reset(CreateFontIndirectA(&logFont));
    SendDlgItemMessageA(window.Get(), IDC_PROGRESS_CAPTION, WM_SETFONT,
                        reinterpret_cast<WPARAM>(boldFont.Get()), TRUE);
}

// A transparent static does not erase its old text: the banner under it is drawn again first.
void ProgressDialog::Impl::SetControlText(int id, const std::string& text) {
    HWND control = GetDlgItem(window.Get(), id);
    SetWindowTextA(control, text.c_str());
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window.Get(), reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(window.Get(), &rect, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Reads the slot of every row, by the row's name, under the block's lock. The engine names
// the slots after slot 0, which holds the state of the whole run, so a row is found by its
// name rather than by its position.
bool ProgressDialog::Impl::ReadSlots(std::vector<SlotReading>* readings) {
    std::vector<std::string> slotNames;
    {
        std::lock_guard<std::mutex> lock(mutex);
        slotNames = names;
    }
    if (!map || !map->TryLock(kReadLockAttempts))
        return false;
    readings->clear();
    for (const std::string& name : slotNames) {
        const int slot = map->FindItem(name.c_str());
        if (slot < 0)
            readings->push_back({kStateUnreadable, std::string()});
        else
            readings->push_back({map->GetItemState(slot), map->GetItemText(slot)});
    }
    map->Unlock();
    return true;
}

// The refresh thread's turn: it reads, and hands a reading that changed to the window's thread.
void ProgressDialog::Impl::Tick() {
    std::vector<SlotReading> readings;
    if (!ReadSlots(&readings))
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (readings == posted)
            return;
        posted = readings;
    }
    PostMessageA(window.Get(), kReadingsMessage, 0, 0);
}

void ProgressDialog::Impl::ApplyPosted() {
    std::vector<SlotReading> readings;
    {
        std::lock_guard<std::mutex> lock(mutex);
        readings = posted;
    }
    Apply(readings);
}

void ProgressDialog::Impl::Apply(const std::vector<SlotReading>& readings) {
    HWND list = List();
    for (int index : rows.Apply(readings)) ShowRowDisplay(list, index, rows.Rows()[index].display);
    const int inProgress = rows.RowInProgress();
    if (inProgress >= 0)
        ListView_EnsureVisible(list, inProgress, FALSE);
}

void ProgressDialog::Impl::Refresh() {
    std::vector<SlotReading> readings;
    if (window.Valid() && ReadSlots(&readings))
        Apply(readings);
}

// The question is asked once at a time; the dialog owns the box, so it cannot be pressed
// again meanwhile. Yes cancels and shows the canceled rows at once. The dialog stays open
// until the run closes it.
void ProgressDialog::Impl::OnCancel() {
    if (asking)
        return;
    asking = true;
    const int answer =
        UserMessages().Show(nullptr, kCancelQuestion, kSetupCaption, MB_YESNO | MB_ICONQUESTION,
                            nullptr, window.Get(), false);
    asking = false;
    if (answer != IDYES)
        return;
    CancelRun(properties, map);
    Refresh();
}

ProgressDialog::ProgressDialog(void* module, InstanceMap* map, PropertyStore& properties)
    : impl_(std::make_unique<Impl>(static_cast<HINSTANCE>(module), map, properties)) {
    EnterDialog(impl_.get());
}

ProgressDialog::~ProgressDialog() {
    Close();
    LeaveDialog(impl_.get());
}

void ProgressDialog::AddRow(const std::string& name, const std::string& version, int state) {
    Impl& dialog = *impl_;
    dialog.rows.Add(name, version, state);
    {
        std::lock_guard<std::mutex> lock(dialog.mutex);
        dialog.names.push_back(name);
    }
    if (!dialog.window.Valid())
        return;
    HWND list = dialog.List();
    InsertRow(list, dialog.rows.Count() - 1, dialog.rows.Rows().back());
    FitList(dialog.window.Get(), list, dialog.rows.Count());
}

void ProgressDialog::SetTitle(const std::string& text) {
    impl_->title = text;
    if (impl_->window.Valid())
        SetWindowTextA(impl_->window.Get(), text.c_str());
}

void ProgressDialog::SetCaption(const std::string& text) {
    impl_->caption = text;
    if (impl_->window.Valid())
        impl_->SetControlText(IDC_PROGRESS_CAPTION, text);
}

void ProgressDialog::SetSubtitle(const std::string& text) {
    impl_->subtitle = text;
    if (impl_->window.Valid())
        impl_->SetControlText(IDC_PROGRESS_SUBTITLE, text);
}

void ProgressDialog::Show() {
    Impl& dialog = *impl_;
    if (dialog.closed || (!dialog.window.Valid() && !dialog.Create()))
        return;
    dialog.refresher.Start(kRefreshInterval, [&dialog] { dialog.Tick(); });
    dialog.SetBoldCaption();
    SetWindowTextA(dialog.window.Get(), dialog.title.c_str());
    dialog.SetControlText(IDC_PROGRESS_CAPTION, dialog.caption);
    dialog.SetControlText(IDC_PROGRESS_SUBTITLE, dialog.subtitle);
    ShowWindow(dialog.window.Get(), SW_SHOWNORMAL);
    UpdateWindow(dialog.window.Get());
    dialog.Refresh();
    SystemMessagePump().DispatchPending();
}

// The thread is joined before anything it uses goes: it reads the block and posts to the
// window. The window goes before the font and the bitmap it shows.
void ProgressDialog::Close() {
    Impl& dialog = *impl_;
    if (dialog.closed)
        return;
    dialog.closed = true;
    dialog.refresher.Stop();
    dialog.map = nullptr;
    dialog.window.Reset();
    dialog.boldFont.Reset();
    dialog.banner.Reset();
    LeaveDialog(impl_.get());
}

void ProgressDialog::Refresh() {
    impl_->Refresh();
}

void* ProgressDialog::Window() const {
    return impl_->window.Get();
}
