// The progress dialog on the bench's display: in this process, over a status block that the
// tests drive, with the resources of the built setup.exe; and in real runs of setup.exe over
// a chain of slow fake installers, where Cancel ends the run.

#include "progress_dialog.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "child_process.h"
#include "instance_map.h"
#include "package_state.h"
#include "property_store.h"
#include "test_folder.h"
#include "window_probe.h"

namespace {

const char kCaption[] = "Setup progress";
const char kQuestion[] = "Do you want to cancel the setup?";
const int kListId = 1015;
const int kCaptionId = 1019;
const int kSubtitleId = 1021;

// The resources of the built setup.exe: dialog 104, its banner and its icons.
HMODULE SetupResources() {
    static HMODULE module =
        LoadLibraryExA((TestProgramFolder() + "\\..\\bin\\setup.exe").c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

// Dispatches this thread's window messages until done() holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, ULONGLONG timeoutMs = 15000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (GetTickCount64() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

void PumpFor(ULONGLONG ms) {
    PumpUntil([] { return false; }, ms);
}

std::string CellText(HWND list, int row, int column) {
    char text[256] = {};
    ListView_GetItemText(list, row, column, text, sizeof(text));
    return text;
}

int CellImage(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ListView_GetItem(list, &item);
    return item.iImage;
}

int ImageOf(int state) {
    return FindProgressStatus(state)->imageIndex;
}

// The state of the list's vertical bar: shown, and whether it can be used.
struct BarState {
    bool visible;
    bool enabled;
};
BarState VerticalBar(HWND list) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    if (!GetScrollBarInfo(list, OBJID_VSCROLL, &info))
        return {false, false};
    return {(info.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0,
            (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0};
}

RECT RectIn(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The threads of this process.
int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    CloseHandle(snapshot);
    return count;
}

// A dialog over a private status block whose slots are named as the run names them: slot 0
// holds the state of the whole run, the packages follow from slot 1, then the integrity check.
class DialogBench {
  public:
    explicit DialogBench(int packages)
        : map_(nullptr), dialog_(SetupResources(), &map_, properties_) {
        for (int i = 1; i <= packages; ++i) {
            const std::string name = "Package " + std::to_string(100 + i).substr(1);
            map_.SetItemName(i, name.c_str());
            dialog_.AddRow(name, "1.0." + std::to_string(i), PS_None);
        }
        map_.SetItemName(packages + 1, "Package Integrity Check");
        dialog_.AddRow("Package Integrity Check", "", PS_None);
        map_.SetItemState(0, PS_Failed);  // the run's own state shows in no row
        dialog_.SetTitle(kCaption);
        dialog_.SetCaption("Tarvex setup");
        dialog_.SetSubtitle("Installing application 'Dialog Test'");
    }
    ~DialogBench() { dialog_.Close(); }

    HWND Window() const { return static_cast<HWND>(dialog_.Window()); }
    HWND List() const { return GetDlgItem(Window(), kListId); }
    // Waits (dispatching messages, as the run does) until the row shows text.
    bool RowShows(int row, const std::string& text) {
        return PumpUntil([&] { return CellText(List(), row, 3) == text; });
    }

    PropertyStore properties_;
    InstanceMap map_;
    ProgressDialog dialog_;
};

class ProgressDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(nullptr, SetupResources()) << GetLastError(); }
};

TEST_F(ProgressDialogTest, TwoPackagesMakeAListOfThreeRowsThatDoesNotScroll) {
    DialogBench bench(2);
    bench.dialog_.Show();
    HWND window = bench.Window();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(IsWindowVisible(window));
    char text[128] = {};
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ(kCaption, text);
    GetDlgItemTextA(window, kCaptionId, text, sizeof(text));
    EXPECT_STREQ("Tarvex setup", text);
    GetDlgItemTextA(window, kSubtitleId, text, sizeof(text));
    EXPECT_STREQ("Installing application 'Dialog Test'", text);
    HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageA(window, kCaptionId, WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    ASSERT_TRUE(font && GetObjectA(font, sizeof(logFont), &logFont));
    EXPECT_EQ(700, logFont.lfWeight);

    HWND list = bench.List();
    ASSERT_EQ(3, ListView_GetItemCount(list));
    EXPECT_EQ("Package 01", CellText(list, 0, 1));
    EXPECT_EQ("1.0.2", CellText(list, 1, 2));
    EXPECT_EQ("Package Integrity Check", CellText(list, 2, 1));
    EXPECT_EQ("", CellText(list, 0, 3));  // waiting, although slot 0 reads failed
    EXPECT_EQ(ImageOf(PS_None), CellImage(list, 0));
    EXPECT_EQ(8, ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL)));
    EXPECT_EQ(3, ListView_GetCountPerPage(list));
    const BarState bar = VerticalBar(list);
    EXPECT_TRUE(bar.visible);
    EXPECT_FALSE(bar.enabled);
    // The Cancel button lies under the list, inside the dialog.
    RECT client{};
    GetClientRect(window, &client);
    const RECT listRect = RectIn(window, list);
    const RECT cancel = RectIn(window, GetDlgItem(window, IDCANCEL));
    EXPECT_GE(cancel.top, listRect.bottom);
    EXPECT_LE(cancel.bottom, client.bottom);
    // A shorter subtitle over the longer one (maintenance): the banner is drawn again under
    // it (the screenshot shows no rest of the old text).
    bench.dialog_.SetSubtitle("Maintenance for 'Dialog Test'");
    GetDlgItemTextA(window, kSubtitleId, text, sizeof(text));
    EXPECT_STREQ("Maintenance for 'Dialog Test'", text);
    PumpFor(300);
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\progress_dialog_2_packages.bmp"));

    // A row added while the dialog is up (a rollback adds one) gets its place and its state.
    bench.map_.SetItemName(4, "Rollback installed product");
    bench.dialog_.AddRow("Rollback installed product", "", PS_None);
    EXPECT_EQ(4, ListView_GetItemCount(list));
    EXPECT_EQ(4, ListView_GetCountPerPage(list));
    bench.map_.SetItemState(4, PS_InProgress);
    EXPECT_TRUE(bench.RowShows(3, "In progress..."));
}

TEST_F(ProgressDialogTest, FifteenPackagesMakeAListOfTenRowsThatScrolls) {
    DialogBench small(2);
    small.dialog_.Show();
    RECT smallRect{};
    GetWindowRect(small.Window(), &smallRect);
    small.dialog_.Close();

    DialogBench bench(15);
    bench.dialog_.Show();
    HWND list = bench.List();
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(16, ListView_GetItemCount(list));
    EXPECT_EQ(10, ListView_GetCountPerPage(list));
    const BarState bar = VerticalBar(list);
    EXPECT_TRUE(bar.visible);
    EXPECT_TRUE(bar.enabled);
    // The dialog grew by the seven rows the list grew by.
    RECT rect{}, item{};
    GetWindowRect(bench.Window(), &rect);
    ListView_GetItemRect(list, 0, &item, LVIR_BOUNDS);
    EXPECT_EQ(7 * (item.bottom - item.top),
              (rect.bottom - rect.top) - (smallRect.bottom - smallRect.top));
    // The row in progress is brought into view.
    EXPECT_EQ(0, ListView_GetTopIndex(list));
    bench.map_.SetItemState(14, PS_InProgress);
    ASSERT_TRUE(bench.RowShows(13, "In progress..."));
    EXPECT_GT(ListView_GetTopIndex(list), 3);
    PumpFor(300);
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\progress_dialog_15_packages.bmp"));
}

// Nothing but the refresh thread reads the block here: the rows change while this thread
// only dispatches its messages, as the run's thread does while an installer runs.
TEST_F(ProgressDialogTest, RowsFollowTheStatesOfTheSharedBlock) {
    DialogBench bench(3);
    bench.dialog_.Show();
    HWND list = bench.List();
    bench.map_.SetItemState(1, PS_InProgress);
    ASSERT_TRUE(bench.RowShows(0, "In progress..."));
    EXPECT_EQ(ImageOf(PS_InProgress), CellImage(list, 0));

    bench.map_.SetItemState(1, PS_Completed);
    bench.map_.SetItemState(2, PS_Skipped);
    bench.map_.SetItemState(3, PS_Failed);
    bench.map_.SetItemState(4, PS_Completed);
    ASSERT_TRUE(bench.RowShows(3, "Completed"));
    EXPECT_EQ("Completed", CellText(list, 0, 3));
    EXPECT_EQ("Skipped", CellText(list, 1, 3));
    EXPECT_EQ("Failed", CellText(list, 2, 3));
    EXPECT_EQ(ImageOf(PS_Completed), CellImage(list, 0));
    EXPECT_EQ(ImageOf(PS_Skipped), CellImage(list, 1));
    EXPECT_EQ(ImageOf(PS_Failed), CellImage(list, 2));
    EXPECT_NE(ImageOf(PS_Skipped), ImageOf(PS_Completed));

    ProgressStatus* preprocessed = FindProgressStatus(PS_Preprocessed);
    lstrcpynA(preprocessed->overrideText, "Version uninstalled",
              sizeof(preprocessed->overrideText));
    bench.map_.SetItemState(3, PS_Preprocessed);
    const bool overridden = bench.RowShows(2, "Version uninstalled");
    preprocessed->overrideText[0] = '\0';
    EXPECT_TRUE(overridden);
}

// Answers the box that Cancel opens over window, with answer, from another thread.
class CancelAnswer {
  public:
    CancelAnswer(HWND window, DWORD processId, int answer, std::string screenshot = "") {
        thread_ = std::thread([=] {
            box_ = WaitForWindowThat(
                kCaption, processId,
                [window](void* candidate) {
                    return candidate != window &&
                           FindControlByTextPrefix(candidate, kQuestion).window != nullptr;
                },
                30000);
            if (box_ && !screenshot.empty())
                SaveScreenshot(ArtifactFolder() + "\\" + screenshot);
            if (box_)
                PressButton(box_, answer);
            done_ = true;
        });
    }
    ~CancelAnswer() { thread_.join(); }
    bool Done() const { return done_; }
    bool Answered() const { return box_ != nullptr; }

  private:
    std::thread thread_;
    std::atomic<void*> box_{nullptr};
    std::atomic<bool> done_{false};
};

TEST_F(ProgressDialogTest, CancelAnsweredNoChangesNothing) {
    DialogBench bench(3);
    bench.dialog_.Show();
    bench.map_.SetItemState(1, PS_InProgress);
    ASSERT_TRUE(bench.RowShows(0, "In progress..."));
    {
        CancelAnswer answer(bench.Window(), GetCurrentProcessId(), IDNO,
                            "progress_dialog_cancel_question.bmp");
        PressButton(bench.Window(), IDCANCEL);
        ASSERT_TRUE(PumpUntil([&] { return answer.Done(); }, 40000));
        EXPECT_TRUE(answer.Answered());
    }
    PumpFor(700);
    EXPECT_FALSE(bench.properties_.IsDefined("Quit"));
    EXPECT_EQ(PS_Failed, bench.map_.GetItemState(0));
    EXPECT_EQ(PS_InProgress, bench.map_.GetItemState(1));
    for (int slot = 2; slot < 64; ++slot) EXPECT_EQ(PS_None, bench.map_.GetItemState(slot)) << slot;
    EXPECT_EQ("", CellText(bench.List(), 1, 3));
    EXPECT_TRUE(IsWindowVisible(bench.Window()));
}

TEST_F(ProgressDialogTest, CloseEndsTheRefreshThreadAndTheWindow) {
    const int before = ThreadCount();
    DialogBench bench(2);
    bench.dialog_.Show();
    HWND window = bench.Window();
    EXPECT_EQ(before + 1, ThreadCount());
    bench.dialog_.Close();
    EXPECT_EQ(before, ThreadCount());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, bench.dialog_.Window());
    // Changes of the block after the close reach nothing; a closed dialog is not shown again.
    bench.map_.SetItemState(1, PS_Completed);
    PumpFor(700);
    bench.dialog_.Show();
    EXPECT_EQ(nullptr, bench.dialog_.Window());
    EXPECT_EQ(before, ThreadCount());
}

// Reads cells of a list view of another process, through memory in that process.
class RemoteList {
  public:
    explicit RemoteList(HWND list) : list_(list) {
        DWORD processId = 0;
        GetWindowThreadProcessId(list, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_)
            memory_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteList() {
        if (memory_)
            VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;

    std::string Cell(int row, int column) const {
        if (!memory_)
            return "<no access>";
        LVITEMA item{};
        item.iSubItem = column;
        item.cchTextMax = kTextSize;
        item.pszText = memory_ + sizeof(item);
        WriteProcessMemory(process_, memory_, &item, sizeof(item), nullptr);
        SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(memory_));
        char text[kTextSize + 1] = {};
        ReadProcessMemory(process_, memory_ + sizeof(item), text, kTextSize, nullptr);
        return text;
    }
    bool CellBecomes(int row, int column, const std::string& text, ULONGLONG timeoutMs) const {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (Cell(row, column) != text) {
            if (GetTickCount64() > deadline)
                return false;
            Sleep(100);
        }
        return true;
    }

  private:
    static const int kTextSize = 256;
    static const SIZE_T kSize = sizeof(LVITEMA) + kTextSize;
    HWND list_;
    HANDLE process_ = nullptr;
    char* memory_ = nullptr;
};

// Whether a child of window shows a text that holds part (a box may start its text with an
// empty line).
bool HasControlWithText(void* window, const std::string& part) {
    for (const ProbedControl& control : ChildControls(window)) {
        if (control.text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

std::string ControlText(HWND window, int id) {
    char text[256] = {};
    SendDlgItemMessageA(window, id, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// setup.exe in normal mode over a chain of fake installers (fixture_child): the first one
// takes its time, so that the test can cancel while it runs.
class NormalModeRun : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = folder_.Child("app");
        temp_ = folder_.Child("temp");
        CreateDirectoryA(app_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
        CopyIn(TestProgramFolder() + "\\..\\bin\\setup.exe", "setup.exe");
        CopyIn(TestProgramFolder() + "\\fixture_child.exe", "fake.exe");
        std::ofstream(app_ + "\\standard.xml") << "<Standard><Contents/></Standard>";
        std::ofstream(app_ + "\\config.xml")
            << "<Config><Version>2</Version><ProductInfo Name=\"Dialog Chain\" Version=\"1.0\"/>"
               "<Contents>"
            << Package("Slow Runtime", "--touch runtime.done --sleep 6000", "")
            << Package("Dialog Suite", "--touch suite.done", "Feature=\"MAIN\"")
            << Package("Dialog Tools", "--touch tools.done", "") << "</Contents></Config>";
    }
    void CopyIn(const std::string& from, const std::string& name) {
        ASSERT_TRUE(CopyFileA(from.c_str(), (app_ + "\\" + name).c_str(), FALSE)) << from;
    }
    static std::string Package(const std::string& name, const std::string& switches,
                               const std::string& attributes) {
        return "<Package Tag=\"" + name + "\" Type=\"EXE\" Name=\"" + name +
               "\" FileName=\"fake.exe\" " + attributes +
               "><Version Version=\"1.0\" Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\"
               "TarvexTests\\Dialog\\" +
               name + "\"/><Install CmdLine=\"&quot;[PackageFileName]&quot; " + switches +
               "\" CmdLineSilent=\"&quot;[PackageFileName]&quot; " + switches + "\"/></Package>";
    }
    bool Ran(const char* marker) const { return FileExists(app_ + "\\" + marker); }

    TestFolder folder_;
    std::string app_, temp_;
};

// The progress dialog of the process: among its windows of that caption (the installers'
// wait dialog and the boxes have it too) the one with the package list. Waits up to timeoutMs
// (0: looks once).
HWND FindProgressDialog(DWORD processId, unsigned long timeoutMs) {
    return static_cast<HWND>(WaitForWindowThat(
        kCaption, processId,
        [](void* window) { return GetDlgItem(static_cast<HWND>(window), kListId) != nullptr; },
        timeoutMs));
}

TEST_F(NormalModeRun, CancelAnsweredYesEndsTheRunAsCanceled) {
    ChildProcess setup("\"" + app_ + "\\setup.exe\"", app_, {"TEMP=" + temp_});
    ASSERT_TRUE(setup.Started());
    HWND dialog = FindProgressDialog(setup.Id(), 60000);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Tarvex setup", ControlText(dialog, kCaptionId));
    EXPECT_EQ("Installing application 'Dialog Chain'", ControlText(dialog, kSubtitleId));
    HWND list = GetDlgItem(dialog, kListId);
    RemoteList rows(list);
    EXPECT_EQ(4, ListView_GetItemCount(list));
    EXPECT_EQ("Slow Runtime", rows.Cell(0, 1));
    EXPECT_EQ("1.0", rows.Cell(0, 2));
    EXPECT_EQ("Package Integrity Check", rows.Cell(3, 1));
    ASSERT_TRUE(rows.CellBecomes(0, 3, "In progress...", 60000));
    EXPECT_EQ("", rows.Cell(1, 3));
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\setup_progress_running.bmp"));

    {
        CancelAnswer answer(dialog, setup.Id(), IDYES);
        PressButton(dialog, IDCANCEL);
    }
    // The waiting rows read canceled at once; the slow installer is left to end.
    EXPECT_TRUE(rows.CellBecomes(1, 3, "Canceled", 10000));
    EXPECT_EQ("Canceled", rows.Cell(2, 3));
    // The run ends canceled and asks whether to roll back, with the dialog still up.
    void* rollback = WaitForWindowThat(
        kCaption, setup.Id(),
        [](void* window) { return HasControlWithText(window, "Operation canceled."); }, 60000);
    ASSERT_NE(nullptr, rollback) << ReadTextFile(temp_ + "\\Bootstrapper.log");
    // The package that ran to its end shows it at the next refresh.
    EXPECT_TRUE(rows.CellBecomes(0, 3, "Completed", 10000));
    EXPECT_EQ("Canceled", rows.Cell(1, 3));
    EXPECT_EQ("Canceled", rows.Cell(2, 3));
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\setup_progress_canceled.bmp"));
    PressButton(rollback, IDNO);
    EXPECT_EQ(12, setup.Wait(60000));  // RC_ActionCanceled
    EXPECT_TRUE(Ran("runtime.done"));
    EXPECT_FALSE(Ran("suite.done"));
    EXPECT_FALSE(Ran("tools.done"));
    const std::string log = ReadTextFile(temp_ + "\\Bootstrapper.log");
    EXPECT_NE(std::string::npos, log.find("Property Quit=Cancel -> QUITTING")) << log;
    EXPECT_NE(std::string::npos, log.find("Returned  12  [RC_ActionCanceled]"));
    EXPECT_FALSE(IsWindow(dialog));
}

// A silent run shows no progress dialog, only the installers' wait bar: it is looked for
// while the run lasts (the first installer alone takes seconds).
TEST_F(NormalModeRun, SilentRunShowsNoProgressDialog) {
    ChildProcess setup("\"" + app_ + "\\setup.exe\" -s", app_, {"TEMP=" + temp_});
    ASSERT_TRUE(setup.Started());
    bool seen = false;
    long code = -1;
    for (int turn = 0; turn < 600 && (code = setup.Wait(200)) == -1; ++turn)
        seen = seen || FindProgressDialog(setup.Id(), 0);
    EXPECT_FALSE(seen);
    EXPECT_EQ(0, code);
    EXPECT_TRUE(Ran("tools.done"));
}

}  // namespace
