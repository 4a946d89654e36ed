// ShellExec with real child processes: the fixture program plays the installer, and the
// wait dialog is loaded from setup.exe and shown on the bench's display.

#include "shell_exec.h"
#include "shell_exec_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "child_process.h"
#include "log_capture.h"
#include "system_error.h"
#include "test_folder.h"
#include "text_util.h"
#include "unique_handle_win32.h"
#include "window_probe.h"

namespace {

const char kDialogCaption[] = "Setup progress";
const int kWaitDialog = 102;
const int kWaitProgress = 1007;
const int kWaitText = 1000;

std::string Fixture(const std::string& arguments) {
    return "\"" + TestProgramFolder() + "\\fixture_child.exe\" " + arguments;
}

// Runs the fixture hidden and waits for it, without dialog or events.
long RunFixture(ShellExec& exec, const std::string& arguments, bool inheritHandles = true) {
    if (!exec.SetCommand("%s", Fixture(arguments).c_str()))
        return -100;
    return exec.ExecuteCommand(false, inheritHandles, true, false);
}

std::string OutputOf(const ShellExec& exec) {
    std::string text;
    exec.GetOutput(&text);
    return text;
}

// The numbered records the fixture writes for --stdout and --stderr.
std::string Pattern(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 16);
    char record[17];
    for (unsigned i = 0; text.size() < bytes; ++i) {
        std::snprintf(record, sizeof(record), "%015u\n", i);
        text += record;
    }
    text.resize(bytes);
    return text;
}

std::string Ansi(const std::wstring& wide) {
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size,
                        nullptr, nullptr);
    return text;
}

ULONGLONG MsSince(ULONGLONG start) {
    return GetTickCount64() - start;
}

// Exit codes ----------------------------------------------------------------------------

TEST(ShellExecTest, ReturnsTheWholeExitCode) {
    // 259 is the value a polling loop mistakes for "still running".
    for (long code : {0L, 1603L, 3010L, 259L, -1073741819L}) {
        ShellExec exec;
        EXPECT_EQ(code, RunFixture(exec, "--exit " + std::to_string(code))) << code;
        EXPECT_EQ(code, exec.ExitCode()) << code;
    }
}

TEST(ShellExecTest, MissingProgramGivesMinusOneAndTheStartError) {
    LogCapture log;
    ShellExec exec;
    const std::string missing = TestProgramFolder() + "\\no_such_installer.exe";
    ASSERT_TRUE(exec.SetCommand("\"%s\" /quiet", missing.c_str()));
    EXPECT_EQ(-1, exec.ExecuteCommand(false, true, true, false));
    EXPECT_EQ(-1, exec.ExitCode());
    const std::string systemText = SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string::npos, systemText.find("CANNOT FORMAT"));
    EXPECT_TRUE(log.Contains(FormatText(
        "[ERROR] ShellExec::ExecuteCommand(...) on '\"%s\" /quiet' returns error '%d': '%s'",
        missing.c_str(), static_cast<int>(ERROR_FILE_NOT_FOUND), systemText.c_str())))
        << log.Text();
}

// Output ----------------------------------------------------------------------------------

TEST(ShellExecOutputTest, OneMegabyteDoesNotBlockAndIsCapturedWhole) {
    ShellExec exec;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(7, RunFixture(exec, "--stdout 1048576 --exit 7"));
    EXPECT_LT(MsSince(start), 30000u);
    std::string text;
    ASSERT_TRUE(exec.GetOutput(&text));
    ASSERT_EQ(1048576u, text.size());
    EXPECT_TRUE(text == Pattern(1048576));
}

TEST(ShellExecOutputTest, StandardErrorFollowsStandardOutputInTheCapture) {
    ShellExec exec;
    EXPECT_EQ(0, RunFixture(exec, "--stdout 100000 --stderr 50000"));
    EXPECT_TRUE(OutputOf(exec) == Pattern(100000) + Pattern(50000));
}

TEST(ShellExecOutputTest, OutputBeyondTheLimitKeepsTheLastBytes) {
    LogCapture log;
    ShellExec exec;
    const std::size_t total = ShellExec::kOutputLimit + 1048576 + 8;
    EXPECT_EQ(0, RunFixture(exec, "--stdout " + std::to_string(total)));
    const std::string text = OutputOf(exec);
    ASSERT_EQ(ShellExec::kOutputLimit, text.size());
    EXPECT_TRUE(text == Pattern(total).substr(total - ShellExec::kOutputLimit));
    EXPECT_TRUE(log.Contains(FormatText("kept the last %lu of %lu bytes of output",
                                        static_cast<unsigned long>(ShellExec::kOutputLimit),
                                        static_cast<unsigned long>(total))))
        << log.Text();
}

template <typename Text>
Text Repeat(const Text& text, std::size_t times) {
    Text result;
    result.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) result += text;
    return result;
}

TEST(ShellExecOutputTest, CutKeepsWholeCharactersAndIsReadByWhatIsKept) {
    const std::size_t limit = ShellExec::kOutputLimit;
    struct Case {
        const char* what;
        std::string arguments;
        std::string expected;
    };
    const Case cases[] = {
        // 8-byte records and 6 bytes more: a cut at the limit falls between CR and LF.
        {"UTF-16 lines",
         "--times " + std::to_string(limit / 8) + " --utf16 ab\\u000D\\u000A --utf16 xyz",
         Repeat(std::string("ab\r\n"), limit / 8 - 1) + "xyz"},
        // A byte-order mark, one unit, pairs of surrogates and one unit more: the cut falls
        // between the two halves of a pair.
        {"UTF-16 surrogate pairs",
         "--utf16-bom x --times " + std::to_string(limit / 4) + " --utf16 \\uD83D\\uDE00 --utf16 !",
         Ansi(Repeat(std::wstring(L"\U0001F600"), limit / 4 - 1) + L"!")},
        // An 8-bit banner of odd length before UTF-16 lines, cut away.
        {"UTF-16 after an 8-bit banner",
         "--ansi Start --times " + std::to_string(limit / 12 + 1) + " --utf16 line\\u000D\\u000A",
         "\r\n" + Repeat(std::string("line\r\n"), limit / 12)},
        // A UTF-16 banner longer than a sample before 8-bit text, cut away.
        {"8-bit after a UTF-16 banner",
         "--times 60 --utf16 Wide\\u000D\\u000A --times " + std::to_string(limit / 7 + 1) +
             " --ansi \"narrow \"",
         "w " + Repeat(std::string("narrow "), limit / 7)},
    };
    for (const Case& c : cases) {
        ShellExec exec;
        EXPECT_EQ(0, RunFixture(exec, c.arguments)) << c.what;
        const std::string text = OutputOf(exec);
        EXPECT_EQ(c.expected.size(), text.size()) << c.what;
        EXPECT_TRUE(text == c.expected) << c.what << ": " << text.substr(0, 40);
    }
}

TEST(ShellExecOutputTest, WideAndNarrowOutputBothComeBackReadable) {
    struct Case {
        const char* arguments;
        std::string expected;
    };
    const Case cases[] = {
        {"--utf16 \"Wide child says hello\"", "Wide child says hello"},
        // A unit above 0xFF: only the byte-order mark tells that this is UTF-16.
        {"--utf16-bom \"Price: \\u20AC 5 \\u0416\"", Ansi(L"Price: \u20AC 5 \u0416")},
        {"--ansi \"Plain 8-bit text, 100% done.\"", "Plain 8-bit text, 100% done."},
        {"--ansi abc", "abc"},
    };
    for (const Case& c : cases) {
        ShellExec exec;
        EXPECT_EQ(0, RunFixture(exec, c.arguments)) << c.arguments;
        std::string text;
        EXPECT_TRUE(exec.GetOutput(&text)) << c.arguments;
        EXPECT_EQ(c.expected, text) << c.arguments;
    }
}

TEST(ShellExecOutputTest, RunWithoutOutputReportsNoneAfterOneWithOutput) {
    ShellExec exec;
    EXPECT_EQ(0, RunFixture(exec, "--ansi first"));
    EXPECT_EQ("first", OutputOf(exec));
    EXPECT_EQ(0, RunFixture(exec, "--exit 0"));
    std::string text = "stale";
    EXPECT_FALSE(exec.GetOutput(&text));
    EXPECT_EQ("", text);
}

TEST(ShellExecOutputTest, HelperLeftRunningByTheChildDoesNotHoldTheRun) {
    // The helper inherits the pipe and keeps it open long after the child has ended.
    ShellExec exec;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(4, RunFixture(exec, "--spawn \"--sleep 6000 --ansi late\" --ansi early --exit 4"));
    EXPECT_LT(MsSince(start), 4000u);
    EXPECT_EQ("early", OutputOf(exec));
}

TEST(ShellExecOutputTest, WithoutInheritedHandlesNothingIsCaptured) {
    ShellExec exec;
    EXPECT_EQ(9, RunFixture(exec, "--ansi lost --exit 9", false));
    std::string text;
    EXPECT_FALSE(exec.GetOutput(&text));
}

// Inherited handles -----------------------------------------------------------------------

std::string HandleText(HANDLE handle) {
    return FormatText("0x%llx",
                      static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
}

// The handle under which this process holds a file whose path ends with tail, or null. The log
// does not hand out its streams, so every handle value is asked which file it names.
HANDLE HandleOfFile(const std::string& tail) {
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (!GetHandleInformation(handle, &flags) || GetFileType(handle) != FILE_TYPE_DISK)
            continue;
        char name[MAX_PATH * 4] = {};
        const DWORD length = GetFinalPathNameByHandleA(handle, name, sizeof(name), 0);
        if (length > 0 && length < sizeof(name) && EndsWithNoCase(name, tail.c_str()))
            return handle;
    }
    return nullptr;
}

TEST(ShellExecHandleTest, LogFilesAreOpenedNonInheritable) {
    TestFolder folder;
    LogFile probeLog("inherit-probe.log", folder.Child("first"), folder.Child("second"));
    probeLog.Line("probe");
    for (const char* path : {"\\first\\inherit-probe.log", "\\second\\inherit-probe.log"}) {
        const HANDLE handle = HandleOfFile(path);
        ASSERT_NE(nullptr, handle) << path;
        DWORD flags = HANDLE_FLAG_INHERIT;
        ASSERT_TRUE(GetHandleInformation(handle, &flags)) << path;
        EXPECT_EQ(0u, flags & HANDLE_FLAG_INHERIT) << path;
    }
}

TEST(ShellExecHandleTest, ChildGetsItsOutputPipeAndNoOtherHandleOfOurs) {
    TestFolder folder;
    LogFile probeLog("inherit-probe.log", folder.Path().string(), "");
    probeLog.Line("probe");
    const HANDLE logHandle = HandleOfFile("\\inherit-probe.log");
    ASSERT_NE(nullptr, logHandle);
    // Any inheritable handle of the process, as a plug-in or a library might open one.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const FileHandle other(CreateFileA(folder.Child("other-probe.txt").c_str(), GENERIC_WRITE, 0,
                                       &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    ASSERT_TRUE(other.Valid());

    ShellExec exec;
    EXPECT_EQ(0, RunFixture(exec, "--handle-info " + HandleText(logHandle) + " --handle-info " +
                                      HandleText(other.Get()) + " --ansi captured"));
    const std::string text = OutputOf(exec);
    // The reports came back through the output pipe, so the child did get that handle.
    EXPECT_NE(std::string::npos, text.find("handle " + HandleText(logHandle) + ": ")) << text;
    EXPECT_NE(std::string::npos, text.find("handle " + HandleText(other.Get()) + ": ")) << text;
    EXPECT_NE(std::string::npos, text.find("captured")) << text;
    EXPECT_EQ(std::string::npos, text.find("inherit-probe.log")) << text;
    EXPECT_EQ(std::string::npos, text.find("other-probe.txt")) << text;
}

// Waiting ---------------------------------------------------------------------------------

// Puts the system's own calls back when the test ends.
class CallsScope {
  public:
    CallsScope() = default;
    ~CallsScope() { ShellExecSystemCalls() = ShellExecCalls{}; }
    CallsScope(const CallsScope&) = delete;
    CallsScope& operator=(const CallsScope&) = delete;
};

std::atomic<int> g_waits{0};

DWORD WINAPI FailingWait(DWORD, const HANDLE*, DWORD, DWORD, DWORD) {
    ++g_waits;
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

DWORD WINAPI CountedWait(DWORD count, const HANDLE* handles, DWORD timeout, DWORD wakeMask,
                         DWORD flags) {
    ++g_waits;
    return MsgWaitForMultipleObjectsEx(count, handles, timeout, wakeMask, flags);
}

HANDLE WINAPI BusyPipe(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    SetLastError(ERROR_PIPE_BUSY);
    return INVALID_HANDLE_VALUE;
}

TEST(ShellExecWaitTest, FailedWaitGivesMinusOneAndLeavesTheChildAlone) {
    CallsScope calls;
    ShellExecSystemCalls().waitForChild = FailingWait;
    LogCapture log;
    TestFolder folder;
    const std::string marker = folder.Child("finished.txt");
    ShellExec exec;
    const std::string command = Fixture("--sleep 2000 --touch \"" + marker + "\" --exit 5");
    ASSERT_TRUE(exec.SetCommand("%s", command.c_str()));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(-1, exec.ExecuteCommand(false, true, true, false));
    EXPECT_LT(MsSince(start), 1000u);
    EXPECT_EQ(-1, exec.ExitCode());
    EXPECT_TRUE(log.Contains(FormatText("    Error code: %ld\n", ERROR_INVALID_HANDLE)))
        << log.Text();
    EXPECT_TRUE(log.Contains("[ERROR] ShellExec::ExecuteCommand(...) cannot wait for '" + command +
                             "'; its result is unknown"))
        << log.Text();

    // Nothing of the child was ended: it finishes its work.
    for (int i = 0; i < 100 && !FileExists(marker); ++i) Sleep(100);
    EXPECT_TRUE(FileExists(marker));
    Sleep(300);  // lets it close the file before the folder goes
}

TEST(ShellExecWaitTest, QuitRequestWhileWaitingIsKeptWithoutSpinningAndPutBack) {
    CallsScope calls;
    ShellExecSystemCalls().waitForChild = CountedWait;
    g_waits = 0;
    long result = -100;
    bool quitAfterwards = false;
    WPARAM quitCode = 0;
    // A thread of its own, so that the quit request cannot reach the test's own thread.
    std::thread([&] {
        PostQuitMessage(7);
        ShellExec exec;
        result = RunFixture(exec, "--sleep 1500 --exit 3");
        MSG message;
        quitAfterwards = PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        quitCode = message.wParam;
    }).join();
    EXPECT_EQ(3, result);
    // A few turns a second (the idle wake-up, the output, the end); a loop that wakes for the
    // quit request again and again takes thousands.
    EXPECT_LT(g_waits.load(), 50);
    EXPECT_TRUE(quitAfterwards);
    EXPECT_EQ(7u, quitCode);
}

TEST(ShellExecWaitTest, FailedPipeLogsItsOwnError) {
    CallsScope calls;
    ShellExecSystemCalls().openPipeWriteEnd = BusyPipe;
    LogCapture log;
    ShellExec exec;
    const std::string command = Fixture("--exit 0");
    ASSERT_TRUE(exec.SetCommand("%s", command.c_str()));
    EXPECT_EQ(-1, exec.ExecuteCommand(false, true, true, false));
    EXPECT_TRUE(log.Contains(
        "[WARNING] ShellExec::ExecuteCommand(...) cannot capture output for command: '" + command +
        "'"))
        << log.Text();
    EXPECT_TRUE(log.Contains(FormatText("    Error code: %ld\n", ERROR_PIPE_BUSY))) << log.Text();
}

// Programs named without a path ----------------------------------------------------------

// A copy of the fixture beside the test program under the name of a system program: the
// folder of the calling program is the first that Windows searches for a bare name.
class PlantedProgram {
  public:
    explicit PlantedProgram(const std::string& name)
        : path_(TestProgramFolder() + "\\" + name),
          planted_(CopyFileA((TestProgramFolder() + "\\fixture_child.exe").c_str(), path_.c_str(),
                             TRUE) != FALSE) {}
    ~PlantedProgram() {
        if (planted_)
            DeleteFileA(path_.c_str());
    }
    PlantedProgram(const PlantedProgram&) = delete;
    PlantedProgram& operator=(const PlantedProgram&) = delete;
    bool Planted() const { return planted_; }

  private:
    std::string path_;
    bool planted_;
};

TEST(ShellExecSystemProgramTest, ProgramPlantedBesideTheCallerDoesNotRunForABareName) {
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof(system)), 0u);
    ASSERT_TRUE(FileExists(std::string(system) + "\\whoami.exe"));
    TestFolder folder;
    const std::string marker = folder.Child("planted-ran.txt");
    const PlantedProgram planted("whoami.exe");
    ASSERT_TRUE(planted.Planted());
    for (const char* name : {"whoami", "whoami.exe", "\"whoami\""}) {
        ShellExec exec;
        ASSERT_TRUE(exec.SetCommand("%s --touch \"%s\" --ansi planted", name, marker.c_str()));
        exec.ExecuteCommand(false, true, true, false);
        EXPECT_FALSE(FileExists(marker)) << name;
        EXPECT_EQ(std::string::npos, OutputOf(exec).find("planted")) << name;
        DeleteFileA(marker.c_str());
    }
}

// Event hook ------------------------------------------------------------------------------

struct HookRecord {
    int calls = 0;
    std::int64_t from = 0;
    std::int64_t to = 0;
    unsigned typeMask = 0;
};
HookRecord g_hook;

int RecordHook(std::int64_t from, std::int64_t to, unsigned typeMask, unsigned long, unsigned long,
               unsigned long* lastRecord) {
    ++g_hook.calls;
    g_hook.from = from;
    g_hook.to = to;
    g_hook.typeMask = typeMask;
    if (lastRecord)
        *lastRecord = 0;
    return 0;
}

class HookScope {
  public:
    HookScope() {
        g_hook = HookRecord();
        Log().SetEventHook(RecordHook);
    }
    ~HookScope() { Log().SetEventHook(nullptr); }
};

TEST(ShellExecEventTest, HandsTheRunsTimeWindowToTheEventHook) {
    HookScope hook;
    ShellExec exec;
    ASSERT_TRUE(exec.SetCommand("%s", Fixture("--sleep 1200 --exit 3010").c_str()));
    const std::int64_t before = std::time(nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(3010, exec.ExecuteCommand(false, true, true, true));
    const std::int64_t after = std::time(nullptr);
    // The hook is called as soon as the child has ended: waiting for late events is the
    // hook's own decision, taken only where the event log keeps them.
    EXPECT_GE(MsSince(start), 1200u);
    EXPECT_LT(MsSince(start), 2500u);

    ASSERT_EQ(1, g_hook.calls);
    EXPECT_GE(g_hook.from, before);
    EXPECT_LE(g_hook.to, after);
    EXPECT_GE(g_hook.to - g_hook.from, 1);
    EXPECT_EQ(7u, g_hook.typeMask);  // errors, warnings and information
    EXPECT_EQ(exec.StartTime(), g_hook.from);
    EXPECT_EQ(exec.CurrentTime(), g_hook.to);
}

TEST(ShellExecEventTest, NoHookCallWithoutCollectingOrWithoutARun) {
    HookScope hook;
    ShellExec exec;
    ASSERT_TRUE(exec.SetCommand("%s", Fixture("--exit 0").c_str()));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(0, exec.ExecuteCommand(false, true, true, false));
    EXPECT_LT(MsSince(start), 2000u);
    ASSERT_TRUE(exec.SetCommand("\"%s\\no_such_installer.exe\"", TestProgramFolder().c_str()));
    EXPECT_EQ(-1, exec.ExecuteCommand(false, true, true, true));
    EXPECT_EQ(0, g_hook.calls);
}

// Without waiting -------------------------------------------------------------------------

TEST(ShellExecTest, WithoutWaitReturnsZeroAtOnceWhileTheChildRunsOn) {
    HookScope hook;
    TestFolder folder;
    const std::string marker = folder.Child("ran.txt");
    ShellExec exec;
    ASSERT_TRUE(exec.SetCommand(
        "%s", Fixture("--sleep 1500 --stdout 200000 --touch \"" + marker + "\" --exit 5").c_str()));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(0, exec.ExecuteCommand(false, true, false, true));
    EXPECT_LT(MsSince(start), 1000u);
    EXPECT_EQ(0, exec.ExitCode());
    EXPECT_FALSE(FileExists(marker));
    EXPECT_EQ(0, g_hook.calls);

    // It gets past its output although nobody reads it.
    for (int i = 0; i < 150 && !FileExists(marker); ++i) Sleep(100);
    EXPECT_TRUE(FileExists(marker));
    Sleep(300);  // lets it close the file before the folder goes
}

// Limits ----------------------------------------------------------------------------------

TEST(ShellExecLimitTest, CommandLineOfExactly2048CharactersRunsWhole) {
    const std::string head = Fixture("--ansi ");
    const std::string padding(ShellExec::kMaxCommandLength - head.size(), 'x');
    ShellExec exec;
    ASSERT_TRUE(exec.SetCommand(" \t%s%s\t ", head.c_str(), padding.c_str()));
    EXPECT_EQ(2048u, exec.CommandLine().size());
    EXPECT_EQ(head + padding, exec.CommandLine());
    EXPECT_EQ(0, exec.ExecuteCommand(false, true, true, false));
    EXPECT_EQ(padding, OutputOf(exec));
}

TEST(ShellExecLimitTest, LongerCommandLineIsRefusedAndNothingRunsInItsPlace) {
    LogCapture log;
    const std::string head = Fixture("--ansi ");
    const std::string padding(ShellExec::kMaxCommandLength + 1 - head.size(), 'x');
    ShellExec exec;
    ASSERT_TRUE(exec.SetCommand("%s", Fixture("--exit 3").c_str()));
    EXPECT_FALSE(exec.SetCommand("%s%s", head.c_str(), padding.c_str()));
    EXPECT_TRUE(
        log.Contains("[ERROR] ShellExec::SetCommand(...) Reserved size for 'szCmdLine' is less "
                     "than the length of the passed value"))
        << log.Text();
    EXPECT_EQ("", exec.CommandLine());
    EXPECT_EQ(-1, exec.ExecuteCommand(false, true, true, false));
}

// The wait dialog ------------------------------------------------------------------------

// setup.exe's resources, for the dialog, while the test lives.
class SetupResources {
  public:
    SetupResources()
        : module_(LoadLibraryExA((TestProgramFolder() + "\\..\\bin\\setup.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE)) {
        ShellExec::SetWaitDialog(module_, kWaitDialog, kWaitProgress, kWaitText);
    }
    ~SetupResources() {
        ShellExec::SetWaitDialog(nullptr, 0, 0, 0);
        if (module_)
            FreeLibrary(module_);
    }
    bool Loaded() const { return module_ != nullptr; }

  private:
    HMODULE module_;
};

// Runs the command with the dialog on a thread of its own, as setup's main thread would,
// so that the test's thread can watch the dialog.
class DialogRun {
  public:
    explicit DialogRun(ShellExec& exec)
        : thread_([this, &exec] { result_ = exec.ExecuteCommand(true, true, true, false); }) {}
    ~DialogRun() {
        if (thread_.joinable())
            thread_.join();
    }
    long Join() {
        thread_.join();
        return result_;
    }

  private:
    std::atomic<long> result_{-100};
    std::thread thread_;
};

// The text is set once the child runs, a moment after the dialog appears.
std::string WaitForText(void* window, const std::string& prefix) {
    for (int i = 0; i < 50; ++i) {
        const ProbedControl control = FindControlByTextPrefix(window, prefix);
        if (control.window)
            return control.id == kWaitText ? control.text : "wrong control";
        Sleep(100);
    }
    return "";
}

// The bar's position, answered by the waiting thread only while it dispatches messages.
long BarPosition(void* window) {
    DWORD_PTR position = 0;
    HWND bar = GetDlgItem(static_cast<HWND>(window), kWaitProgress);
    if (!SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 2000, &position))
        return -1;
    return static_cast<long>(position);
}

TEST(ShellExecDialogTest, EmptyNameShowsPackageWhileTheBarMoves) {
    SetupResources resources;
    ASSERT_TRUE(resources.Loaded());
    ShellExec exec;
    ASSERT_TRUE(exec.SetName(""));
    ASSERT_TRUE(exec.SetCommand("%s", Fixture("--sleep 3000 --exit 3010").c_str()));
    DialogRun run(exec);
    void* window = WaitForWindow(kDialogCaption, GetCurrentProcessId(), 10000);
    ASSERT_NE(nullptr, window);

    EXPECT_EQ("Package setup in progress. Please wait...", WaitForText(window, "Package"));
    const long first = BarPosition(window);
    Sleep(1200);
    const long later = BarPosition(window);
    EXPECT_GE(first, 0);
    EXPECT_GT(later, first);

    RECT dialog{};
    RECT desktop{};
    GetWindowRect(static_cast<HWND>(window), &dialog);
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_NEAR((desktop.right - (dialog.right - dialog.left)) / 2, dialog.left, 1);
    EXPECT_NEAR((desktop.bottom - (dialog.bottom - dialog.top)) / 2, dialog.top, 1);
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\shell_exec_wait_dialog.bmp"));

    EXPECT_EQ(3010, run.Join());
    EXPECT_FALSE(WindowAlive(window));
}

TEST(ShellExecDialogTest, ShowsTheName) {
    SetupResources resources;
    ASSERT_TRUE(resources.Loaded());
    ShellExec exec;
    ASSERT_TRUE(exec.SetName("Sample Tools"));
    ASSERT_TRUE(exec.SetCommand("%s", Fixture("--sleep 1500").c_str()));
    DialogRun run(exec);
    void* window = WaitForWindow(kDialogCaption, GetCurrentProcessId(), 10000);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("Sample Tools setup in progress. Please wait...", WaitForText(window, "Sample"));
    EXPECT_EQ(0, run.Join());
}

TEST(ShellExecDialogTest, DialogThatCannotBeCreatedIsLoggedAndTheRunGoesOn) {
    LogCapture log;
    ShellExec::SetWaitDialog(nullptr, kWaitDialog, kWaitProgress, kWaitText);  // not in here
    ShellExec exec;
    ASSERT_TRUE(exec.SetCommand("%s", Fixture("--ansi ok --exit 3010").c_str()));
    EXPECT_EQ(3010, exec.ExecuteCommand(true, true, true, false));
    ShellExec::SetWaitDialog(nullptr, 0, 0, 0);
    EXPECT_TRUE(log.Contains("    Context:    ShellExec::ExecuteCommand\n")) << log.Text();
    EXPECT_EQ("ok", OutputOf(exec));
}

}  // namespace
