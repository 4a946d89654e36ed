// The registry operation engine and the environment-variable element against the real
// registry: every operation on present, empty and missing values, the types that are
// refused, keys removed only when empty, values longer than any fixed buffer, the views,
// an expandable variable that keeps its type, and the broadcast of the change while a
// window that never answers is open.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "f_machine.h"
#include "fake_run.h"
#include "message_pump.h"
#include "registry.h"
#include "registry_operation.h"
#include "run_services.h"

namespace {

const char kKey[] = "HKEY_CURRENT_USER\\Software\\TarvexTests\\Engine";
const char kValue[] = "HKEY_CURRENT_USER\\Software\\TarvexTests\\Engine\\V";
const char kSystemEnvironment[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const kMissing = nullptr;

void Reset() {
    long error = 0;
    DeleteRegistryKey(kKey, kRegistryDefaultView, &error);
}

void Put(const std::string& path, const std::string& text, unsigned long type) {
    long error = 0;
    const std::string key = path.substr(0, path.find_last_of('\\'));
    ASSERT_TRUE(CreateRegistryKey(key, kRegistryDefaultView, &error)) << error;
    ASSERT_TRUE(WriteRegistryText(path, text, type, kRegistryDefaultView, &error)) << error;
}

bool Read(const std::string& path, TypedRegistryValue* value, RegistryView view) {
    long error = 0;
    return ReadRegistryTyped(path, value, view, &error);
}

bool KeyExists(const std::string& key, RegistryView view = kRegistryDefaultView) {
    RegistryKeyCounts counts;
    long error = 0;
    return CountRegistryKeyEntries(key, &counts, view, &error);
}

long Apply(MemoryLog& log, int operation, const std::string& path, const std::string& value,
           const std::string& separator, unsigned long type,
           RegistryView view = kRegistryDefaultView) {
    RegistryRequest request;
    request.operation = operation;
    request.path = path;
    request.value = value;
    request.separator = separator;
    request.type = type;
    request.view = view;
    RegistryOutcome outcome;
    return RegistryOperation(SystemRegistry(), log.File(), request, &outcome);
}

TEST(RegistryEngineTest, OperationsOnTheRealRegistry) {
    struct Row {
        const char* before;  // kMissing: neither the value nor its key exists
        unsigned long beforeType;
        int operation;
        const char* value;
        unsigned long type;
        long code;
        const char* after;  // kMissing: no value
        unsigned long afterType;
        const char* logged;  // "" when nothing is logged
    } const rows[] = {
        {kMissing, 0, kRegOpSet, "x", kRegString, 0, kMissing, 0, ""},
        {kMissing, 0, kRegOpCreate, "x", kRegString, 0, "x", kRegString, ""},
        {"C:\\A", kRegString, kRegOpAppend, "C:\\Tools", kRegString, 0, "C:\\A;C:\\Tools",
         kRegString, ""},
        {"", kRegString, kRegOpAppend, "C:\\Tools", kRegString, 0, "C:\\Tools", kRegString, ""},
        {kMissing, 0, kRegOpAppend, "C:\\Tools", kRegString, 0, "C:\\Tools", kRegString, ""},
        {"C:\\A", kRegString, kRegOpPrefix, "C:\\Tools", kRegString, 0, "C:\\Tools;C:\\A",
         kRegString, ""},
        {"", kRegString, kRegOpPrefix, "C:\\Tools", kRegString, 0, "C:\\Tools", kRegString, ""},
        {kMissing, 0, kRegOpPrefix, "C:\\Tools", kRegString, 0, "C:\\Tools", kRegString, ""},
        {"C:\\A;C:\\Tools;C:\\B", kRegString, kRegOpExtract, "c:\\tools", kRegString, 0,
         "C:\\A;C:\\B", kRegString, ""},
        {"C:\\A;C:\\Tools2;C:\\B", kRegString, kRegOpExtract, "C:\\Tools", kRegString, 0,
         "C:\\A;C:\\Tools2;C:\\B", kRegString, ""},
        {"", kRegString, kRegOpExtract, "C:\\Tools", kRegString, 0, "", kRegString, ""},
        {kMissing, 0, kRegOpExtract, "C:\\Tools", kRegString, 0, kMissing, 0, ""},
        {"1", kRegString, kRegOpRemove, "", kRegString, 0, kMissing, 0, ""},
        {kMissing, 0, kRegOpRemove, "", kRegString, 0, kMissing, 0, ""},
        {"%SystemRoot%", kRegExpandString, kRegOpAppend, "x", kRegExpandString, 0, "%SystemRoot%;x",
         kRegExpandString, ""},
        {kMissing, 0, kRegOpCreate, "42", kRegDword, 0, "42", kRegDword, ""},
        {kMissing, 0, kRegOpCreate, "12a", kRegDword, 13, kMissing, 0,
         "[ERROR] Registry set: cannot convert '12a' value to DWORD\n"},
        {kMissing, 0, kRegOpCreate, "a", kRegMultiString, 50, kMissing, 0,
         "[ERROR] Registry operations for multiline string entries are not implemented!\n"},
        {kMissing, 0, kRegOpCreate, "00", kRegBinary, 50, kMissing, 0,
         "[ERROR] Registry operations for binary entries are not implemented!\n"},
    };
    for (const Row& row : rows) {
        Reset();
        if (row.before)
            Put(kValue, row.before, row.beforeType);
        MemoryLog log;
        const std::string label = std::string(RegistryOperationName(row.operation)) + " '" +
                                  row.value + "' on " + (row.before ? row.before : "NONE");
        EXPECT_EQ(row.code, Apply(log, row.operation, kValue, row.value, ";", row.type)) << label;
        EXPECT_EQ(row.logged, log.Text()) << label;
        TypedRegistryValue after;
        EXPECT_EQ(row.after != kMissing, Read(kValue, &after, kRegistryDefaultView)) << label;
        if (row.after) {
            EXPECT_EQ(row.after, after.text) << label;
            EXPECT_EQ(row.afterType, after.type) << label;
        }
        // Only the operations that create a value create its key.
        if (!row.before && !row.after) {
            EXPECT_FALSE(KeyExists(kKey)) << label;
        }
    }
    Reset();
}

TEST(RegistryEngineTest, KeysAreRemovedOnlyWhenEmpty) {
    Reset();
    const std::string sub = std::string(kKey) + "\\Sub";
    long error = 0;
    ASSERT_TRUE(CreateRegistryKey(sub, kRegistryDefaultView, &error));
    MemoryLog log;
    EXPECT_EQ(0, Apply(log, kRegOpRemove, std::string(kKey) + "\\", "", "", kRegString));
    EXPECT_TRUE(KeyExists(sub));
    EXPECT_EQ("[WARNING] Registry key '" + std::string(kKey) +
                  "' not empty and it will not be deleted!\n",
              log.Text());

    Put(sub + "\\V", "x", kRegString);
    log.Clear();
    EXPECT_EQ(0, Apply(log, kRegOpRemove, sub + "\\", "", "", kRegString));
    EXPECT_TRUE(KeyExists(sub));
    EXPECT_TRUE(log.Contains("[WARNING] Registry key '" + sub + "' not empty"));

    EXPECT_EQ(0, Apply(log, kRegOpRemove, sub + "\\V", "", "", kRegString));
    EXPECT_EQ(0, Apply(log, kRegOpRemove, sub + "\\", "", "", kRegString));
    EXPECT_FALSE(KeyExists(sub));
    EXPECT_TRUE(KeyExists(kKey));
    Reset();
}

// A long PATH is the common case: a value far longer than 16 KB is read, appended to and
// written back whole.
TEST(RegistryEngineTest, LongValuesAreNotCut) {
    Reset();
    std::string longText;
    for (int i = 0; longText.size() < 40000; ++i)
        longText += "C:\\Folder" + std::to_string(i) + ";";
    longText += "C:\\Last";
    Put(kValue, longText, kRegExpandString);
    MemoryLog log;
    EXPECT_EQ(0, Apply(log, kRegOpAppend, kValue, "C:\\Tools", ";", kRegExpandString));
    TypedRegistryValue after;
    ASSERT_TRUE(Read(kValue, &after, kRegistryDefaultView));
    EXPECT_EQ(longText.size() + 9, after.text.size());
    EXPECT_EQ(longText + ";C:\\Tools", after.text);

    EXPECT_EQ(0, Apply(log, kRegOpExtract, kValue, "C:\\Folder1", ";", kRegExpandString));
    ASSERT_TRUE(Read(kValue, &after, kRegistryDefaultView));
    EXPECT_EQ(std::string::npos, after.text.find(";C:\\Folder1;"));
    EXPECT_NE(std::string::npos, after.text.find(";C:\\Folder10;"));
    EXPECT_EQ(longText.size() + 9 - 11, after.text.size());
    Reset();
}

// The 32-bit and the 64-bit view are both reachable from setup, which is a 64-bit program.
TEST(RegistryEngineTest, ViewsAreNamedExplicitly) {
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\Views";
    const std::string path = key + "\\V";
    MemoryLog log;
    long error = 0;
    DeleteRegistryKey(key, kRegistry32View, &error);
    DeleteRegistryKey(key, kRegistry64View, &error);
    EXPECT_EQ(0, Apply(log, kRegOpCreate, path, "32", "", kRegString, kRegistry32View));
    TypedRegistryValue value;
    EXPECT_TRUE(Read(path, &value, kRegistry32View));
    EXPECT_FALSE(Read(path, &value, kRegistry64View));
    EXPECT_EQ(0, Apply(log, kRegOpAppend, path, "64", ";", kRegString, kRegistry64View));
    ASSERT_TRUE(Read(path, &value, kRegistry64View));
    EXPECT_EQ("64", value.text);
    ASSERT_TRUE(Read(path, &value, kRegistry32View));
    EXPECT_EQ("32", value.text);
    EXPECT_EQ("", log.Text());
    DeleteRegistryKey(key, kRegistry32View, &error);
    DeleteRegistryKey(key, kRegistry64View, &error);
}

// The run's services of a fake run, with the real registry and the real message pump.
class RealRegistryRun {
  public:
    RealRegistryRun()
        : base_(fake_.Services()), services_{base_.log,           base_.properties,
                                             base_.prompts,       base_.progress,
                                             base_.processes,     base_.resolver,
                                             base_.detection,     base_.machine,
                                             SystemRegistry(),    base_.files,
                                             base_.clock,         base_.events,
                                             SystemMessagePump(), base_.restart,
                                             base_.progressDialog} {}
    RunServices& Services() { return services_; }
    MemoryLog& Log() { return fake_.log; }

  private:
    FakeRun fake_;
    RunServices& base_;
    RunServices services_;
};

// The machine's PATH is an expandable string that refers to %SystemRoot%: adding to it and
// taking away from it keeps both its type and the references unexpanded.
TEST(RegistryEngineTest, AnExpandableVariableKeepsItsType) {
    const std::string path = std::string(kSystemEnvironment) + "\\TARVEX_TEST_PATH";
    Put(path, "%SystemRoot%\\system32;%SystemRoot%", kRegExpandString);
    RealRegistryRun run;
    FEnvVar append;
    append.name = "TARVEX_TEST_PATH";
    append.value = "+C:\\Tools";
    append.type = "system";
    append.separator = ";";
    EXPECT_EQ(0, append.Execute(run.Services(), 0)) << run.Log().Text();
    TypedRegistryValue value;
    ASSERT_TRUE(Read(path, &value, kRegistryDefaultView));
    EXPECT_EQ(static_cast<unsigned long>(REG_EXPAND_SZ), value.type);
    EXPECT_EQ("%SystemRoot%\\system32;%SystemRoot%;C:\\Tools", value.text);

    FEnvVar extract = append;
    extract.value = "/C:\\Tools";
    EXPECT_EQ(0, extract.Execute(run.Services(), 0)) << run.Log().Text();
    ASSERT_TRUE(Read(path, &value, kRegistryDefaultView));
    EXPECT_EQ(static_cast<unsigned long>(REG_EXPAND_SZ), value.type);
    EXPECT_EQ("%SystemRoot%\\system32;%SystemRoot%", value.text);
    EXPECT_FALSE(run.Log().Contains("[ERROR]")) << run.Log().Text();

    FEnvVar remove = append;
    remove.value = "-";
    EXPECT_EQ(0, remove.Execute(run.Services(), 0));
    EXPECT_FALSE(Read(path, &value, kRegistryDefaultView));
    EXPECT_TRUE(KeyExists(kSystemEnvironment));
}

// A window that takes no messages: its thread blocks until it is released.
struct SilentWindow {
    SilentWindow() = default;
    SilentWindow(const SilentWindow&) = delete;
    SilentWindow& operator=(const SilentWindow&) = delete;
    ~SilentWindow() {
        for (HANDLE event : {ready, release, done}) CloseHandle(event);
    }
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // the broadcast returned
};

std::string g_area;

LRESULT CALLBACK ListeningProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTINGCHANGE && lParam != 0)
        g_area = reinterpret_cast<const char*>(lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateTopWindow(const char* title) {
    return CreateWindowExA(0, "TarvexBroadcastTest", title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

DWORD WINAPI SilentThread(void* parameter) {
    SilentWindow* silent = static_cast<SilentWindow*>(parameter);
    HWND window = CreateTopWindow("Tarvex silent window");
    SetEvent(silent->ready);
    WaitForSingleObject(silent->release, INFINITE);  // no message is taken meanwhile
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}

// Releases the silent window after a minute at the latest, so that a broadcast without a
// time-out ends too and the test reports it instead of hanging.
DWORD WINAPI Watchdog(void* parameter) {
    SilentWindow* silent = static_cast<SilentWindow*>(parameter);
    if (WaitForSingleObject(silent->done, 60000) == WAIT_TIMEOUT)
        SetEvent(silent->release);
    return 0;
}

TEST(RegistryEngineTest, TheBroadcastDoesNotWaitForAWindowThatNeverAnswers) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ListeningProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TarvexBroadcastTest";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    HWND listening = CreateTopWindow("Tarvex listening window");
    ASSERT_NE(nullptr, listening) << "no display";

    SilentWindow silent;
    HANDLE silentThread = CreateThread(nullptr, 0, SilentThread, &silent, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(silent.ready, 10000));
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, &silent, 0, nullptr);

    g_area.clear();
    RealRegistryRun run;
    FEnvVar variable;
    variable.name = "TARVEX_BROADCAST";
    variable.value = "told";
    const ULONGLONG before = GetTickCount64();
    const int result = variable.Execute(run.Services(), 0);
    const ULONGLONG elapsed = GetTickCount64() - before;

    SetEvent(silent.done);
    SetEvent(silent.release);
    WaitForSingleObject(silentThread, 10000);
    WaitForSingleObject(watchdog, 10000);
    CloseHandle(watchdog);
    CloseHandle(silentThread);
    DestroyWindow(listening);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
    long error = 0;
    DeleteRegistryValue("HKEY_CURRENT_USER\\Environment\\TARVEX_BROADCAST", kRegistryDefaultView,
                        &error);

    EXPECT_EQ(0, result) << run.Log().Text();
    EXPECT_EQ("Environment", g_area);
    EXPECT_LT(elapsed, kSettingChangeTimeoutMs + 10000ull);
    EXPECT_FALSE(run.Log().Contains("notify")) << run.Log().Text();
}

}  // namespace
