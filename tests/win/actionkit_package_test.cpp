// actionkit.dll inside Windows Installer: packages built at build time call its actions as
// immediate and deferred custom actions, are installed with msiexec, and record the output
// properties in HKLM\Software\TarvexTests\ActionKit; the deferred actions leave files.

#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "child_process.h"

namespace {

const char kAlphaUpgradeCode[] = "{7A45E001-A1FA-4000-8000-0000000000FF}";
const char kAlphaProductCode[] = "{7A45E001-A1FA-4000-8000-000000000100}";

std::string FixtureFolder() {
    return TestProgramFolder() + "\\..\\fixtures";
}

std::string WorkFolder() {
    return TestProgramFolder() + "\\actionkit-work\\";
}

long Install(const std::string& package, const std::string& properties,
             const std::string& logPath) {
    const std::string command = "msiexec /i \"" + FixtureFolder() + "\\" + package +
                                ".msi\" /qn /l*v \"" + logPath + "\" " + properties;
    ChildProcess installer(command, TestProgramFolder(), {});
    EXPECT_TRUE(installer.Started());
    return installer.Wait(180000);
}

// A recorded value without its "v:" mark, or "<absent>".
std::string Recorded(const std::string& key, const std::string& name) {
    char value[512] = {};
    DWORD size = sizeof(value);
    const std::string path = "Software\\TarvexTests\\ActionKit\\" + key;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "<absent>";
    const std::string text = value;
    return text.compare(0, 2, "v:") == 0 ? text.substr(2) : "<unmarked>" + text;
}

std::string FileText(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return "<missing>";
    return TextWithoutZeros(path);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string FixtureChild() {
    return TestProgramFolder() + "\\fixture_child.exe";
}

std::string FileVersionOf(const std::string& path) {
    char version[128] = {};
    DWORD size = sizeof(version);
    if (MsiGetFileVersionA(path.c_str(), version, &size, nullptr, nullptr) != ERROR_SUCCESS)
        return std::string();
    return version;
}

// A window titled "TarvexTestsActionKitDialog" with a button "Press me", on a thread of its
// own, that notes when the button is clicked.
class TestDialog {
  public:
    TestDialog() : thread_([this] { Run(); }) {
        for (int i = 0; i < 100 && !window_; ++i) Sleep(50);
    }
    ~TestDialog() {
        if (window_)
            PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    bool Shown() const { return window_ != nullptr; }
    bool Clicked() const { return clicked_; }

  private:
    static constexpr int kButtonId = 101;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COMMAND && LOWORD(w) == kButtonId && HIWORD(w) == BN_CLICKED && self)
            self->clicked_ = true;
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcA(window, message, w, l);
    }
    void Run() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TarvexTestsActionKitWindow";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowA("TarvexTestsActionKitWindow", "TarvexTestsActionKitDialog",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                    nullptr, windowClass.hInstance, nullptr);
        if (!window)
            return;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        CreateWindowA("BUTTON", "Press me", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 120, 30,
                      window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                      windowClass.hInstance, nullptr);
        window_ = window;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> clicked_{false};
    std::thread thread_;
};

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        Sleep(100);
    }
    return false;
}

class ActionKitPackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateDirectoryA(WorkFolder().c_str(), nullptr);
        // What the packages leave behind must come from this run.
        for (const char* name : {"copied.ini", "deferred-call.txt", "deferred-launch.txt",
                                 "immediate-args.txt", "quoted.txt", "shell-open.txt"})
            DeleteFileA((WorkFolder() + name).c_str());
        SetFileAttributesA((WorkFolder() + "deferred2.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteText(WorkFolder() + "immediate.ini", "a=@OLD@;b=@OLD@");
        WriteText(WorkFolder() + "deferred.ini", "x=@OLD@\r\n");
        WriteText(WorkFolder() + "deferred2.ini", "k=@GONE@v");
        CreateDirectoryA((WorkFolder() + "db").c_str(), nullptr);
        CreateDirectoryA((WorkFolder() + "db\\mendrel").c_str(), nullptr);
        CreateDirectoryA((WorkFolder() + "db\\mendrel\\bin").c_str(), nullptr);
        CreateDirectoryA((WorkFolder() + "db\\mendrel\\bin\\win").c_str(), nullptr);
        WriteText(WorkFolder() + "db\\mendrel\\bin\\win\\datastore.install.ini",
                  "[datastore]\r\ndbversion=12.3 beta\r\n");
        WriteText(WorkFolder() + "vireo.tcl", "cd @INSTALLDIR@\nsource x.tcl\n");
        DeleteFileA((WorkFolder() + "vireoext.tcl").c_str());
        DeleteFileA((WorkFolder() + "ravelo.ini").c_str());
        const std::string wish = WorkFolder() + "wish\\TclScripts\\tarvexwish.tcl";
        SetFileAttributesA(wish.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(wish.c_str());
        WriteText(WorkFolder() + "oem.ini", "[General]\r\nManufacturer=TARVEX\r\n");
        WriteText(WorkFolder() + "other-oem.ini", "[General]\r\nManufacturer=Other Corp\r\n");
        SetFileAttributesA((WorkFolder() + "deferred2.ini").c_str(), FILE_ATTRIBUTE_READONLY);
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, sizeof(system));
        ASSERT_TRUE(CopyFileA((std::string(system) + "\\msi.dll").c_str(),
                              (WorkFolder() + "versioned.exe").c_str(), FALSE));
        HKEY key = nullptr;
        ASSERT_EQ(
            ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\TarvexTests\\ActionKit\\Counted", 0,
                            nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr));
        for (const char* name : {"one", "two", "three"})
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(key);
    }
};

TEST_F(ActionKitPackageTest, ImmediateAndDeferredActionsDoTheirJobs) {
    ASSERT_EQ(0, Install("alpha", "", TestProgramFolder() + "\\actionkit_alpha.log"));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "TarvexTestsActionKitEvent");
    ASSERT_NE(nullptr, event);
    ChildProcess sleeper("\"" + FixtureChild() + "\" --sleep 120000", TestProgramFolder(), {});
    ASSERT_TRUE(sleeper.Started());
    TestDialog dialog;
    ASSERT_TRUE(dialog.Shown());

    const std::string log = TestProgramFolder() + "\\actionkit_actions.log";
    const std::string properties = "FIXTURECHILD=\"" + FixtureChild() + "\" WORKDIR=\"" +
                                   WorkFolder() + "\" OLDUPGRADECODE=" + kAlphaUpgradeCode;
    EXPECT_EQ(0, Install("actionkit_actions", properties, log)) << FileText(log);
    CloseHandle(event);
    // KillApp ended the sleeping fixture with exit code 1 (never 259, "still running").
    EXPECT_EQ(1, sleeper.Wait(10000));

    const struct {
        const char* name;
        std::string expected;
    } values[] = {
        {"FindRunning", "1"},
        {"FindMissing", "0"},
        {"EventFound", "1"},
        {"EventMissing", "0"},
        {"MemoryLow", "1"},
        {"MemoryHuge", "0"},
        {"CmpVersions", "1"},
        {"ShortVersion", "4.10.1234"},
        {"ProductCodeFound", kAlphaProductCode},
        {"OldAppGuid", kAlphaProductCode},
        {"OldAppCounter", "1"},
        {"ProductVersion", "1.0.0"},
        {"CheckVersion", "1"},
        {"FileVersion", FileVersionOf(WorkFolder() + "versioned.exe")},
        {"SubstCount", "2"},
        {"CleanMe", "My_App_1_0"},
        {"FileDoesExist", "1"},
        {"CopyFileResult", "1"},
        {"KeyValueCount", "3"},
        {"PasswordHash", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"LaunchExeRetCode", "7"},
        {"LaunchExeQuoted", "-1"},
        {"LaunchAppRetCode", "0"},
        {"CallProcCompare", "-1"},
        {"CallProcProduct", "1.0.0"},
        {"CallProcRange", "1"},
        {"CallProcDismiss", "1"},
        {"RemoveAll", "Y"},
        {"DbVersion", "12_3_beta"},
        {"IniReadException", "HELP"},
        {"IsChassis", "1"},
        {"CallProcChassis", "0"},
    };
    for (const auto& value : values)
        EXPECT_EQ(value.expected, Recorded("Actions", value.name)) << value.name;
    EXPECT_NE("", FileVersionOf(WorkFolder() + "versioned.exe"));

    EXPECT_EQ("a=immediate-new;b=immediate-new", FileText(WorkFolder() + "immediate.ini"));
    EXPECT_EQ("a=immediate-new;b=immediate-new", FileText(WorkFolder() + "copied.ini"));
    EXPECT_EQ("x=deferred|new\r\n", FileText(WorkFolder() + "deferred.ini"));
    EXPECT_EQ("k=v", FileText(WorkFolder() + "deferred2.ini"));
    EXPECT_EQ("done", FileText(WorkFolder() + "deferred-launch.txt"));
    EXPECT_EQ("done", FileText(WorkFolder() + "deferred-call.txt"));
    // DismissDialog pressed the button; the shell started the fixture, which leaves a file.
    for (int i = 0; i < 50 && !dialog.Clicked(); ++i) Sleep(100);
    EXPECT_TRUE(dialog.Clicked());
    EXPECT_TRUE(WaitForFile(WorkFolder() + "shell-open.txt"));
    // The file value with a quote started nothing: no file was touched.
    EXPECT_EQ("<missing>", FileText(WorkFolder() + "quoted.txt"));
    // The unquoted program path was quoted; the quoted argument stayed one argument.
    EXPECT_EQ("one\ntwo three\n", FileText(WorkFolder() + "immediate-args.txt"));

    const std::string text = FileText(log);
    EXPECT_NE(std::string::npos, text.find(".Info: CallProc> Calling CompareVersionsProc(), "
                                           "Params = 3"));
    EXPECT_NE(std::string::npos, text.find(".Info: CallProc> Return property: AK_CMP = -1"));
    EXPECT_NE(std::string::npos, text.find(".Info: LaunchExeProc> Cmd = \"" + FixtureChild()));
    EXPECT_NE(std::string::npos, text.find(".FileDoesExist = 1"));

    // ConfigureFiles named the folder in the product script, the Tcl way.
    std::string tclFolder = WorkFolder();
    tclFolder.pop_back();
    for (char& c : tclFolder) c = c == '\\' ? '/' : c;
    EXPECT_EQ("cd " + tclFolder + "\r\nsource x.tcl\r\n", FileText(WorkFolder() + "vireo.tcl"));

    // CreateTarvexWishTcl made the folders and wrote the new script.
    const std::string wishText = FileText(WorkFolder() + "wish\\TclScripts\\tarvexwish.tcl");
    EXPECT_EQ(0u, wishText.find("console show\n")) << wishText;
    EXPECT_NE(std::string::npos,
              wishText.find("lappend auto_path \"" + tclFolder + "/wish/TclScripts/lib\"\n"))
        << wishText;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((WorkFolder() + "wish\\TclScripts\\bin").c_str()));

    // The version records of UpdateRaveloIni and UpdateQuentiDll.
    char entry[64] = {};
    GetPrivateProfileStringA("Product", "Build", "", entry, sizeof(entry),
                             (WorkFolder() + "ravelo.ini").c_str());
    EXPECT_STREQ("b77", entry);
    EXPECT_EQ("<unmarked>5.2", Recorded("Ravelo", "Version"));
    char quenti[64] = {};
    DWORD quentiSize = sizeof(quenti);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvex\\Quenti", "Build",
                                          RRF_RT_REG_SZ, nullptr, quenti, &quentiSize));
    EXPECT_STREQ("b1", quenti);

    // SystemLog registered its event source with the installer's messages.
    char messageFile[MAX_PATH] = {};
    DWORD fileSize = sizeof(messageFile);
    EXPECT_EQ(ERROR_SUCCESS,
              RegGetValueA(HKEY_LOCAL_MACHINE,
                           "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
                           "TarvexInstaller",
                           "EventMessageFile", RRF_RT_REG_SZ, nullptr, messageFile, &fileSize));
    EXPECT_NE(std::string::npos, std::string(messageFile).find("\\msi.dll")) << messageFile;

    // The registry actions: the deferred updates, and the list that keeps "Suite" once.
    // (the actions write plain texts, without the mark of the package's records)
    EXPECT_EQ("<unmarked>" + WorkFolder() + "a|b", Recorded("Updated", "Folder"));
    EXPECT_EQ("<unmarked>", Recorded("Updated", "Emptied"));
    DWORD count = 0;
    DWORD size = sizeof(count);
    EXPECT_EQ(ERROR_SUCCESS,
              RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\TarvexTests\\ActionKit\\AppList", "Suite",
                           RRF_RT_REG_DWORD, nullptr, &count, &size));
    EXPECT_EQ(1u, count);
    size = sizeof(count);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\TarvexTests\\ActionKit\\AppList", "Solo",
                           RRF_RT_REG_DWORD, nullptr, &count, &size));
}

// BackupFiles saves the scripts and licence files of an install folder at the root of its
// drive and records where; RestoreFiles copies them back after they were lost.
TEST_F(ActionKitPackageTest, BackupAndRestoreKeepTheProductsScripts) {
    const std::string product = "C:\\TarvexTestsAk\\Prod\\";
    CreateDirectoryA("C:\\TarvexTestsAk", nullptr);
    CreateDirectoryA(product.c_str(), nullptr);
    CreateDirectoryA((product + "Scripts").c_str(), nullptr);
    WriteText(product + "Scripts\\run.scr", "script");
    WriteText(product + "site.lic", "licence");
    WriteText(product + "prod.exe", "program");
    const std::string log = TestProgramFolder() + "\\actionkit_backup.log";
    ASSERT_EQ(0, Install("actionkit_backup", "", log)) << FileText(log);
    EXPECT_EQ("script", FileText("C:\\Preserved_Vireo_Scripts\\run.scr"));
    EXPECT_EQ("licence", FileText("C:\\Preserved_Vireo_Files\\site.lic"));
    EXPECT_EQ("<missing>", FileText("C:\\Preserved_Vireo_Files\\prod.exe"));
    char saved[MAX_PATH] = {};
    DWORD size = sizeof(saved);
    EXPECT_EQ(ERROR_SUCCESS,
              RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Vireo Files",
                           "Saved Vireo Files Location", RRF_RT_REG_SZ, nullptr, saved, &size));
    EXPECT_STREQ("C:\\Preserved_Vireo_Files", saved);

    DeleteFileA((product + "Scripts\\run.scr").c_str());
    DeleteFileA((product + "site.lic").c_str());
    const std::string restoreLog = TestProgramFolder() + "\\actionkit_restore.log";
    ASSERT_EQ(0, Install("actionkit_restore", "", restoreLog)) << FileText(restoreLog);
    EXPECT_EQ("script", FileText(product + "Scripts\\run.scr"));
    EXPECT_EQ("licence", FileText(product + "site.lic"));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Vireo Files",
                            0, KEY_READ | KEY_WOW64_64KEY, &key));
}

// Codes of the dispatcher and of a failed program reach the installer as 1603: the
// installation stops, and nothing is recorded.
TEST_F(ActionKitPackageTest, DispatcherCodesAndFailedProgramsStopTheInstallation) {
    const struct {
        const char* package;
        const char* line;
    } cases[] = {
        {"actionkit_notfound", ".Error: CallProc> Proc NoSuchProc not found"},
        {"actionkit_badcount",
         ".Error: CallProc> Proc CompareVersionsProc - incorrect number of parameters"},
        {"actionkit_exitcode", ".Info: LaunchApp> Exit code 5"},
    };
    for (const auto& c : cases) {
        const std::string log = TestProgramFolder() + "\\" + c.package + ".log";
        EXPECT_EQ(1603, Install(c.package, "FIXTURECHILD=\"" + FixtureChild() + "\"", log))
            << c.package;
        EXPECT_EQ("<absent>", Recorded(c.package, "Result")) << c.package;
        EXPECT_NE(std::string::npos, FileText(log).find(c.line)) << c.package;
    }
    const std::string log = TestProgramFolder() + "\\actionkit_callok.log";
    EXPECT_EQ(0, Install("actionkit_callok", "", log));
    EXPECT_EQ("1", Recorded("actionkit_callok", "Result"));
}

// An export of library as a function of type F (through void (*)(), the generic function
// pointer type, so that the cast is one the compiler accepts without a warning).
template <typename F>
F Export(HMODULE library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The exports that programs call directly, with the signatures the library defines.
TEST(ActionKitPlainExportsTest, HashCopyLaunchAndEnd) {
    HMODULE library = LoadLibraryA((TestProgramFolder() + "\\..\\bin\\actionkit.dll").c_str());
    ASSERT_NE(nullptr, library);
    using Hash = int(__stdcall*)(const char*, char*);
    using Copy = int(__stdcall*)(const char*, const char*);
    using Launch = long(__stdcall*)(const char*, const char*, const char*);
    using End = int(__stdcall*)(const char*);
    using Process = int(__stdcall*)(const char*, const char*);
    auto hash = Export<Hash>(library, "GetShaHash");
    auto copy = Export<Copy>(library, "copy1file");
    auto launch = Export<Launch>(library, "LaunchExecutable");
    auto end = Export<End>(library, "MyKillProcess");
    auto process = Export<Process>(library, "ProcessFile");
    ASSERT_TRUE(hash && copy && launch && end && process);

    char digest[41] = {};
    EXPECT_EQ(1, hash("abc", digest));
    EXPECT_STREQ("a9993e364706816aba3e25717850c26c9cd0d89d", digest);
    EXPECT_EQ(0, hash(nullptr, digest));

    CreateDirectoryA(WorkFolder().c_str(), nullptr);
    WriteText(WorkFolder() + "plain-source.txt", "plain");
    DeleteFileA((WorkFolder() + "plain-copy.txt").c_str());
    EXPECT_EQ(1, copy((WorkFolder() + "plain-source.txt").c_str(),
                      (WorkFolder() + "plain-copy.txt").c_str()));
    EXPECT_EQ("plain", FileText(WorkFolder() + "plain-copy.txt"));
    EXPECT_EQ(0, copy((WorkFolder() + "no-such-file.txt").c_str(),
                      (WorkFolder() + "plain-copy.txt").c_str()));

    WriteText(WorkFolder() + "plain.tcl", "lappend auto_path @INSTALLDIR@/lib\n");
    EXPECT_EQ(1, process((WorkFolder() + "plain.tcl").c_str(), "C:\\Prod\\"));
    EXPECT_EQ("lappend auto_path C:/Prod/lib\r\n", FileText(WorkFolder() + "plain.tcl"));
    EXPECT_EQ(0, process((WorkFolder() + "no-such.tcl").c_str(), "C:\\Prod"));

    EXPECT_EQ(3, launch(FixtureChild().c_str(), "--exit 3", nullptr));
    EXPECT_EQ(-1, launch((WorkFolder() + "no-such-program.exe").c_str(), "", nullptr));

    ChildProcess sleeper("\"" + FixtureChild() + "\" --sleep 120000", TestProgramFolder(), {});
    ASSERT_TRUE(sleeper.Started());
    EXPECT_EQ(1, end("fixture_child.exe"));
    EXPECT_EQ(1, sleeper.Wait(10000));
    FreeLibrary(library);
}

// A program named without a folder comes from the system folder only: a program of that name
// in the current folder, where a download may have put one, is never started in its place.
TEST(ActionKitPlainExportsTest, BareProgramNamesComeOnlyFromTheSystemFolder) {
    HMODULE library = LoadLibraryA((TestProgramFolder() + "\\..\\bin\\actionkit.dll").c_str());
    ASSERT_NE(nullptr, library);
    using Launch = long(__stdcall*)(const char*, const char*, const char*);
    auto launch = Export<Launch>(library, "LaunchExecutable");
    ASSERT_TRUE(launch);

    EXPECT_EQ(4, launch("cmd", "/c exit 4", nullptr));

    CreateDirectoryA(WorkFolder().c_str(), nullptr);
    const std::string planted = WorkFolder() + "planted_tool.exe";
    ASSERT_TRUE(CopyFileA(FixtureChild().c_str(), planted.c_str(), FALSE));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(WorkFolder().c_str()));
    EXPECT_EQ(-1, launch("planted_tool", "--exit 9", nullptr));
    EXPECT_EQ(-1, launch("planted_tool.exe", "--exit 9", WorkFolder().c_str()));
    SetCurrentDirectoryA(previous);
    // The same program named by its path does start.
    EXPECT_EQ(9, launch(planted.c_str(), "--exit 9", nullptr));
    DeleteFileA(planted.c_str());
    FreeLibrary(library);
}

}  // namespace
