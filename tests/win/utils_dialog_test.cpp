// The dialogs of the real utils.dll on the bench's display: each call runs on its own thread,
// as on setup's main thread, while the test reads and answers the dialog it shows.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "property_store.h"
#include "utils_library.h"
#include "utils_resource.h"
#include "window_probe.h"

namespace {

const int kAllButtons[] = {IDOK, IDCANCEL, IDRETRY, IDYES, IDNO};

// One procedure call on a thread of its own. A test that failed half-way leaves its dialog
// open: the windows of the caption are closed so that the join cannot hang the program.
class CallThread {
  public:
    CallThread(UtilsLibrary& utils, std::string call, std::string caption)
        : caption_(std::move(caption)) {
        thread_ = std::thread([this, &utils, call] {
            outcome_ = utils.Call(call);
            done_ = true;
        });
    }
    ~CallThread() {
        if (!thread_.joinable())
            return;
        for (int i = 0; i < 100 && !done_; ++i) {
            if (void* window = WaitForWindow(caption_.c_str(), GetCurrentProcessId(), 100))
                PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
        }
        thread_.join();
    }
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;
    UtilsOutcome Join() {
        thread_.join();
        return outcome_;
    }

  private:
    std::string caption_;
    std::thread thread_;
    UtilsOutcome outcome_{};
    std::atomic<bool> done_{false};
};

std::string Artifact(const char* name) {
    return ArtifactFolder() + "\\" + name;
}

HWND Wait(const std::string& caption) {
    return static_cast<HWND>(WaitForWindow(caption.c_str(), GetCurrentProcessId(), 20000));
}

int CheckImage(HWND list, int item) {
    return static_cast<int>(
        (SendMessageA(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >>
        12);
}

void SetCheck(HWND list, int item, bool checked) {
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
}

class UtilsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(utils_.Loaded());
        utils_.HandOver(&store_);
    }
    PropertyStore store_;
    UtilsLibrary utils_;
};

TEST_F(UtilsDialogTest, EveryButtonCodeShowsItsButtonsAndAnswersWithItsLetter) {
    const struct {
        const char* code;
        std::vector<int> buttons;
        int press;
        const char* letter;
    } rows[] = {
        {"OC", {IDOK, IDCANCEL}, IDCANCEL, "C"},
        {"Ok", {IDOK}, IDOK, "O"},
        {"R", {IDRETRY, IDCANCEL}, IDRETRY, "R"},
        {"rc", {IDRETRY, IDCANCEL}, IDCANCEL, "C"},
        {"YNC", {IDYES, IDNO, IDCANCEL}, IDYES, "Y"},
        {"yn", {IDYES, IDNO}, IDNO, "N"},
        {"", {IDOK, IDCANCEL}, IDOK, "O"},
        {"X", {IDOK, IDCANCEL}, IDCANCEL, "C"},
    };
    int index = 0;
    for (const auto& row : rows) {
        const std::string caption = "UtilsSys box " + std::to_string(++index);
        CallThread call(
            utils_,
            "MessageBox(Question " + std::to_string(index) + "|" + caption + "|" + row.code + "|Q)",
            caption);
        HWND box = Wait(caption);
        ASSERT_NE(nullptr, box) << row.code << DescribeWindows(GetCurrentProcessId());
        for (const int id : kAllButtons) {
            const bool wanted =
                std::find(row.buttons.begin(), row.buttons.end(), id) != row.buttons.end();
            EXPECT_EQ(wanted, GetDlgItem(box, id) != nullptr) << row.code << " button " << id;
        }
        if (index == 5)
            SaveScreenshot(Artifact("utils_message_box_ync.bmp"));
        PressButton(box, row.press);
        const UtilsOutcome out = call.Join();
        EXPECT_EQ(0, out.status) << row.code;
        EXPECT_EQ(1, out.kind) << row.code;
        EXPECT_EQ(row.letter, out.text) << row.code;
        const bool warned =
            out.log.find("incorrect parameter format for buttons") != std::string::npos;
        EXPECT_EQ(std::string(row.code).empty() || std::string(row.code) == "X", warned)
            << row.code;
    }
}

TEST_F(UtilsDialogTest, DefaultsAreWarnedAndTheLanguageVariantAnswersToo) {
    CallThread call(utils_, "MessageBox(Text|UtilsSys defaults)", "UtilsSys defaults");
    HWND box = Wait("UtilsSys defaults");
    ASSERT_NE(nullptr, box);
    EXPECT_NE(nullptr, GetDlgItem(box, IDCANCEL));
    PressButton(box, IDOK);
    const UtilsOutcome out = call.Join();
    EXPECT_EQ("O", out.text);
    EXPECT_NE(std::string::npos, out.log.find("butttons valid format! Defaulting to 'Ok Cancel'"));
    EXPECT_NE(std::string::npos, out.log.find("icons valid format! Defaulting to 'Info'"));
    CallThread ex(utils_, "MessageBoxEx(Text|UtilsSys language|yn|W|S|unused)",
                  "UtilsSys language");
    HWND exBox = Wait("UtilsSys language");
    ASSERT_NE(nullptr, exBox);
    PressButton(exBox, IDNO);
    EXPECT_EQ("N", ex.Join().text);
}

TEST_F(UtilsDialogTest, SingleSelectionAnswersThePositionOfTheOneChoice) {
    const std::string caption = "UtilsSys pick one";
    CallThread call(
        utils_,
        "OptionsDialogEx(SingleSel|1|" + caption +
            "|Choose a component|Name~Size|&Install|1~Core~10 MB|-~Docs~2 MB|0~Extras~1 MB)",
        caption);
    HWND dialog = Wait(caption);
    ASSERT_NE(nullptr, dialog) << DescribeWindows(GetCurrentProcessId());
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_LIST);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(3, ListView_GetItemCount(list));
    char text[64] = {};
    GetDlgItemTextA(dialog, IDC_OPTIONS_TITLE, text, sizeof(text));
    EXPECT_STREQ("Choose a component", text);
    GetDlgItemTextA(dialog, IDC_OPTIONS_CONTINUE, text, sizeof(text));
    EXPECT_STREQ("&Install", text);
    EXPECT_EQ(2, CheckImage(list, 0));
    EXPECT_EQ(0, CheckImage(list, 1));
    SetCheck(list, 2, true);
    EXPECT_EQ(1, CheckImage(list, 0));
    EXPECT_EQ(2, CheckImage(list, 2));
    SetCheck(list, 1, true);
    EXPECT_EQ(0, CheckImage(list, 1));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPTIONS_CONTINUE)));
    SetCheck(list, 2, false);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPTIONS_CONTINUE)));
    SetCheck(list, 2, true);
    // A second options dialog while this one is up is refused at once.
    const UtilsOutcome second = utils_.Call("OptionsDialog(MultiSel|x|y|z|1~a)");
    EXPECT_NE(std::string::npos, second.log.find("another dialog already exist"));
    SaveScreenshot(Artifact("utils_options_single.bmp"));
    PressButton(dialog, IDC_OPTIONS_CONTINUE);
    const UtilsOutcome out = call.Join();
    EXPECT_EQ(0, out.status);
    EXPECT_EQ("2", out.text);
}

TEST_F(UtilsDialogTest, MultipleSelectionAnswersOneCharacterPerOption) {
    const std::string caption = "UtilsSys pick some";
    store_.Set("Pick", "Pick what to add", true);
    CallThread call(utils_, "OptionsDialog(MultiSel|" + caption + "|[Pick]|Name|0~A|1~B|-~C|0~D)",
                    caption);
    HWND dialog = Wait(caption);
    ASSERT_NE(nullptr, dialog);
    char text[64] = {};
    GetDlgItemTextA(dialog, IDC_OPTIONS_TITLE, text, sizeof(text));
    EXPECT_STREQ("Pick what to add", text);
    PressButton(dialog, IDC_OPTIONS_SELECT_ALL);
    Sleep(200);
    SetCheck(GetDlgItem(dialog, IDC_OPTIONS_LIST), 3, false);
    SaveScreenshot(Artifact("utils_options_multi.bmp"));
    PressButton(dialog, IDC_OPTIONS_CONTINUE);
    EXPECT_EQ("11_0", call.Join().text);
    const UtilsOutcome wrong = utils_.Call("OptionsDialog(Both|c|t|n|1~a)");
    EXPECT_EQ(-1, wrong.kind);
    EXPECT_NE(
        std::string::npos,
        wrong.log.find(
            "Invalid option Both for 'Dialog type'. Allowed values: 'SingleSel', 'MultiSel'"));
}

// setup.exe carries the version 1.0.0.1; a copy of it stands for the file the user is asked
// for.
TEST_F(UtilsDialogTest, FileOfTheWrongVersionIsRefusedAndTheDialogAsksAgain) {
    const std::string folder = FreshTestFolder("browse");
    const std::string tool = folder + "\\tool.exe";
    ASSERT_TRUE(CopyFileA((BinFolder() + "\\setup.exe").c_str(), tool.c_str(), FALSE));
    const UtilsOutcome right = utils_.Call("BrowseForFile(\"tool.exe\"|1.0|" + folder + ")");
    EXPECT_EQ(tool, right.text) << right.log;
    CallThread call(utils_, "BrowseForFile(tool.exe|2.5|" + folder + ")", "tool.exe");
    HWND refusal = Wait("tool.exe");
    ASSERT_NE(nullptr, refusal) << DescribeWindows(GetCurrentProcessId());
    const ProbedControl told = FindControlByTextPrefix(refusal, "File '");
    EXPECT_NE(std::string::npos, told.text.find("has version '1.0.0.1'")) << told.text;
    EXPECT_NE(std::string::npos, told.text.find("Please select a file with version '2.5'"));
    SaveScreenshot(Artifact("utils_browse_wrong_version.bmp"));
    PressButton(refusal, IDOK);
    HWND open = Wait("Please select 'tool.exe' file having '2.5' version.");
    ASSERT_NE(nullptr, open) << DescribeWindows(GetCurrentProcessId());
    SaveScreenshot(Artifact("utils_browse_open_dialog.bmp"));
    PressButton(open, IDCANCEL);
    const UtilsOutcome out = call.Join();
    EXPECT_EQ("", out.text);
    EXPECT_NE(std::string::npos, out.log.find("    Proc call : GetOpenFileName() canceled"));
}

}  // namespace
