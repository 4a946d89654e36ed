// The chain runs for real: setup.exe installs, repairs and uninstalls the sample product
// (two MSI packages and an EXE) under Wine, and runs small chains of fake installers whose
// exit codes steer the run. The decisions of the walk (quit values, selection, code sets,
// package-list errors, ...) are proved by the walk tests of the host build; what stays here
// needs real processes, the real registry or real files.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "http_test_server.h"
#include "test_folder.h"
#include "window_probe.h"

namespace {

const std::string kSeparator(60, '=');

// A text value of the 64-bit view of HKEY_LOCAL_MACHINE, or "" when it is missing.
std::string ReadRegistry(const char* key, const char* name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) !=
        ERROR_SUCCESS)
        return "";
    char value[256] = {};
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(value) : std::string();
}

// Where each part occurs in text, in order; npos for a part that is missing.
std::vector<std::size_t> Positions(const std::string& text, const std::vector<std::string>& parts) {
    std::vector<std::size_t> positions;
    std::size_t from = 0;
    for (const std::string& part : parts) {
        const std::size_t at = text.find(part, from);
        positions.push_back(at);
        if (at != std::string::npos)
            from = at + part.size();
    }
    return positions;
}

// A fake installer package: fake.exe runs with the given switches when installing.
std::string FakePackage(const std::string& name, const std::string& switches,
                        const std::string& attributes = "") {
    return "<Package Tag=\"" + name + "\" Type=\"EXE\" Name=\"" + name +
           "\" FileName=\"fake.exe\" " + attributes +
           "><Version Version=\"1.0\" Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\" +
           name + "\\Version\"/><Install CmdLine=\"&quot;[PackageFileName]&quot; " + switches +
           "\" CmdLineSilent=\"&quot;[PackageFileName]&quot; " + switches + "\"/></Package>";
}

class ChainRun : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = folder_.Child("app");
        temp_ = folder_.Child("temp");
        CreateDirectoryA(app_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
    }
    void CopyIn(const std::string& from, const std::string& name) {
        ASSERT_TRUE(CopyFileA(from.c_str(), (app_ + "\\" + name).c_str(), FALSE)) << from;
    }
    void CopySample() {
        const std::string sample = TestProgramFolder() + "\\..\\sample\\";
        for (const char* name :
             {"setup.exe", "utils.dll", "forms.dll", "standard.xml", "config.xml", "settings.xml",
              "forms.xml", "SampleRuntime.msi", "SampleProduct.msi", "SampleTools.exe"})
            CopyIn(sample + name, name);
        CreateDirectoryA((app_ + "\\extras").c_str(), nullptr);
        CopyIn(sample + "extras\\release-notes.txt", "extras\\release-notes.txt");
    }
    void UseFakeInstallers(const std::string& contents) {
        CopyIn(TestProgramFolder() + "\\..\\bin\\setup.exe", "setup.exe");
        CopyIn(TestProgramFolder() + "\\..\\bin\\utils.dll", "utils.dll");
        CopyIn(TestProgramFolder() + "\\fixture_child.exe", "fake.exe");
        std::ofstream(app_ + "\\standard.xml") << "<Standard><Contents/></Standard>";
        std::ofstream(app_ + "\\config.xml")
            << "<Config><Version>2</Version><ProductInfo Name=\"Fake Chain\" Version=\"1.0\"/>"
               "<Contents>"
            << contents << "</Contents></Config>";
    }
    // Runs setup with arguments (started in startIn, by default its own folder) and returns
    // its exit code; the log is read into log_.
    long Setup(const std::string& arguments, const std::string& startIn = "") {
        DeleteFileA((temp_ + "\\Bootstrapper.log").c_str());
        ChildProcess setup("\"" + app_ + "\\setup.exe\" " + arguments,
                           startIn.empty() ? app_ : startIn, {"TEMP=" + temp_});
        EXPECT_TRUE(setup.Started());
        const long code = setup.Wait(240000);
        log_ = ReadTextFile(temp_ + "\\Bootstrapper.log");
        return code;
    }
    bool Ran(const char* marker) const { return FileExists(app_ + "\\" + marker); }

    // Runs setup in normal mode, answers its reboot question with button and returns its
    // exit code.
    long SetupAnsweringReboot(int button) {
        DeleteFileA((temp_ + "\\Bootstrapper.log").c_str());
        ChildProcess setup("\"" + app_ + "\\setup.exe\"", app_, {"TEMP=" + temp_});
        EXPECT_TRUE(setup.Started());
        void* box =
            WaitForWindowWithText("Setup progress", setup.Id(),
                                  "\nReboot is required! Do you want to reboot now?", 120000);
        EXPECT_NE(nullptr, box) << DescribeWindows(setup.Id());
        if (box)
            PressButton(box, button);
        const long code = setup.Wait(120000);
        log_ = ReadTextFile(temp_ + "\\Bootstrapper.log");
        return code;
    }

    // Sets the machine's list of file operations pending for the restart (none: removed).
    static void SetPendingRenames(const std::vector<std::string>& strings) {
        const char* key = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
        HKEY handle = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                                  KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle, nullptr));
        if (strings.empty()) {
            RegDeleteValueA(handle, "PendingFileRenameOperations");
        } else {
            std::string data;
            for (const std::string& text : strings) data += text + '\0';
            data += '\0';
            RegSetValueExA(handle, "PendingFileRenameOperations", 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size()));
        }
        RegCloseKey(handle);
    }

    // A chain whose prerequisite asks for a restart before the rest can be installed, the
    // first time only: the resumed run carries SkipCRC32=Yes. The fake products are marked
    // installed under the names prefix + "Pre" and so on.
    static std::string ResumingChain(const std::string& prefix) {
        return FakePackage(prefix + "Pre", "--touch pre.done --installed " + prefix + "Pre") +
               "<Execute SetProperty=\"ForceReboot=YesAndContinueInstall\" ExprEval=\"No\" "
               "Condition=\"&quot;[SkipCRC32]&quot; != Yes\"/>" +
               FakePackage(prefix + "Main", "--touch main.done --installed " + prefix + "Main",
                           "Feature=\"MAIN\"") +
               FakePackage(prefix + "Post", "--touch post.done --installed " + prefix + "Post");
    }

    // The command of the resume entry setup wrote, which is then removed as Windows would.
    static std::string TakeResumeEntry() {
        const char* parent = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_READ | KEY_WOW64_64KEY, &handle) !=
            ERROR_SUCCESS)
            return "";
        char name[256] = {};
        DWORD length = sizeof(name);
        std::string command;
        if (RegEnumKeyExA(handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            EXPECT_EQ(0, std::string(name).rfind("Bootstrapper ", 0)) << name;
            command = ReadRegistry((std::string(parent) + "\\" + name).c_str(), "1");
            RegDeleteTreeA(handle, name);
        }
        RegCloseKey(handle);
        return command;
    }

    // Waits for the log of a setup that runs on its own to hold line.
    bool WaitForLogLine(const std::string& line, unsigned long timeoutMs) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        do {
            log_ = ReadTextFile(temp_ + "\\Bootstrapper.log");
            if (Contains(log_, line))
                return true;
            Sleep(200);
        } while (GetTickCount64() < deadline);
        return false;
    }

    TestFolder folder_;
    std::string app_, temp_, log_;
};

// Where the sample keeps its settings, and the release notes its MAIN package copies.
const char kSampleSettings[] = "Software\\TarvexSample\\Settings";
const char kMachineEnvironment[] =
    "System\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::string SampleNotesFolder() {
    char programFiles[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", programFiles, sizeof(programFiles));
    return std::string(programFiles) + "\\Tarvex Sample\\notes";
}

TEST_F(ChainRun, SampleInstallsRepairsAndUninstalls) {
    CopySample();
    ASSERT_EQ(0, Setup("-s")) << log_;
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexSample\\SampleRuntime", "Version"));
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexSample\\SampleProduct", "Version"));
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexSample\\Tools", "Version"));
    // What the MAIN package's actionkit custom actions found: the prerequisite installed
    // before it, its version, and the product's own version shortened.
    EXPECT_EQ("{5A3D0001-7E57-4C0D-9A11-000000000001}",
              ReadRegistry("Software\\TarvexSample\\SampleProduct", "RuntimeProductCode"));
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexSample\\SampleProduct", "RuntimeVersion"));
    EXPECT_EQ("1.0.7", ReadRegistry("Software\\TarvexSample\\SampleProduct", "ShortVersion"));
    // The machine settings and the copied notes of the sample.
    EXPECT_EQ("Sample setup", ReadRegistry(kSampleSettings, "InstalledBy"));
    EXPECT_EQ("C:\\Tarvex Sample\\tools", ReadRegistry(kMachineEnvironment, "TARVEX_SAMPLE_TOOLS"));
    EXPECT_TRUE(FileExists(SampleNotesFolder() + "\\release-notes.txt")) << log_;
    const std::vector<std::size_t> order =
        Positions(log_, {"(1) CHECKING COMMAND LINE PARAMETERS...",
                         "(2) INITIALIZING PROPERTIES...",
                         "(3) CHECKING DEPENDENCIES...",
                         "(4) PERFORMING INSTALL IN SILENT MODE...",
                         "[PRE]  Sample Runtime",
                         "    Detected  : ",
                         "    Mode      : SILENT",
                         "    Status    : EXECUTING INSTALL",
                         "    Action    : Executing",
                         "    Ret.code  : 0",
                         "    Completed : Yes",
                         "[MAIN] Sample Product",
                         "    Status    : EXECUTING INSTALL",
                         "    Completed : Yes",
                         "[POST] PROPERTY ToolsWanted",
                         "[POST] Sample Tools",
                         "    Output    : Sample Tools 1.0.0 installed",
                         "    Completed : Yes",
                         "INSTALL COMPLETED:  YES",
                         "Returned  0  [RC_AllCompleted]"});
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_NE(std::string::npos, order[i]) << "line " << i << " missing or out of order\n"
                                               << log_;

    // Everything is installed: a second install does nothing.
    ASSERT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_, "Application already installed (no action performed)"));
    EXPECT_FALSE(Contains(log_, "    Action    : Executing"));

    ASSERT_EQ(0, Setup("r -s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Status    : EXECUTING REPAIR"));

    ASSERT_EQ(0, Setup("x -s")) << log_;
    EXPECT_TRUE(Contains(log_, "(4) PERFORMING UNINSTALL IN SILENT MODE..."));
    EXPECT_EQ("", ReadRegistry("Software\\TarvexSample\\SampleProduct", "Version"));
    EXPECT_EQ("", ReadRegistry("Software\\TarvexSample\\Tools", "Version"));
    EXPECT_TRUE(Contains(log_, "UNINSTALL COMPLETED:  YES"));
    EXPECT_EQ("", ReadRegistry(kSampleSettings, "InstalledBy")) << log_;
    EXPECT_EQ("", ReadRegistry(kMachineEnvironment, "TARVEX_SAMPLE_TOOLS")) << log_;
    EXPECT_FALSE(FileExists(SampleNotesFolder())) << log_;
}

TEST_F(ChainRun, RebootCodeOfMainEndsWithRebootRequired) {
    UseFakeInstallers(FakePackage("Pre", "--touch pre.done") +
                      FakePackage("Main", "--touch main.done --exit 3010",
                                  "Feature=\"MAIN\" RebootCode=\"3010\"") +
                      FakePackage("Post", "--touch post.done"));
    // A silent run restarts the machine without asking (Wine only pretends to).
    EXPECT_EQ(3, Setup("-s")) << log_;
    EXPECT_TRUE(Ran("pre.done"));
    EXPECT_TRUE(Ran("main.done"));
    EXPECT_FALSE(Ran("post.done"));  // the walk ends for the reboot
    EXPECT_TRUE(Contains(log_, "    Ret.code  : 3010"));
    EXPECT_TRUE(Contains(log_, "    Reboot    : REQUIRED NOW - will continue after reboot"));
    EXPECT_TRUE(Contains(log_, "REBOOT REQUIRED -> SETUP IS REBOOTING YOUR SYSTEM NOW!!!"));
    EXPECT_TRUE(Contains(log_, "Returned  3  [RC_RebootInProgress]"));

    // Under external control the reboot is left to the controller.
    EXPECT_EQ(2, Setup("-n -s")) << log_;
    EXPECT_TRUE(Contains(log_, "REBOOT REQUIRED -> EXTERNALLY CONTROLLED"));
    EXPECT_FALSE(Contains(log_, "#### Ask for reboot"));
    EXPECT_TRUE(Contains(log_, "Returned  2  [RC_RebootRequired]"));
}

// A normal run asks before it restarts the machine; the test answers the question.
TEST_F(ChainRun, NormalRunAsksBeforeTheRestart) {
    UseFakeInstallers(FakePackage("Main", "--touch main.done --exit 3010",
                                  "Feature=\"MAIN\" RebootCode=\"3010\""));
    EXPECT_EQ(3, SetupAnsweringReboot(IDOK)) << log_;
    EXPECT_TRUE(Contains(log_, "#### Ask for reboot "));
    EXPECT_TRUE(Contains(log_, "REBOOT REQUIRED -> SETUP IS REBOOTING YOUR SYSTEM NOW!!!"));
    EXPECT_EQ(2, SetupAnsweringReboot(IDCANCEL)) << log_;
    EXPECT_TRUE(Contains(log_, "#### User canceled the reboot!"));
    EXPECT_TRUE(Contains(log_, "REBOOT REQUIRED -> REBOOT CANCELED BY THE USER"));
}

// Windows replaces or deletes these files at the next restart; a setup among them must not
// run before it.
TEST_F(ChainRun, PendingRenameOfSetupItselfStopsTheRun) {
    UseFakeInstallers(FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""));
    SetPendingRenames({"\\??\\C:\\Temp\\gone.tmp", "", "\\??\\" + app_ + "\\setup.exe", ""});
    EXPECT_EQ(15, Setup("-s")) << log_;
    EXPECT_FALSE(Ran("main.done"));
    EXPECT_TRUE(Contains(log_, "Returned  15  [RC_PendingRebootDetected]"));
    SetPendingRenames({"\\??\\C:\\Temp\\gone.tmp", ""});
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Ran("main.done"));
    SetPendingRenames({});
}

// The chain asks for a restart in the middle and goes on after it: the entry setup leaves
// for the restart is run the way Windows runs it, and the resumed setup finishes the chain.
TEST_F(ChainRun, ChainResumesAfterTheRestart) {
    UseFakeInstallers(ResumingChain("ResumeA"));
    EXPECT_EQ(3, Setup("-s")) << log_;
    EXPECT_TRUE(Ran("pre.done"));
    EXPECT_FALSE(Ran("main.done"));
    EXPECT_TRUE(Contains(log_, "#### Add to run once"));
    const std::string command = TakeResumeEntry();
    // Without a registered place for prerequisites the run downloads them, and so will the
    // resumed one.
    ASSERT_EQ("||cmd /c \"start \"\" \"" + app_ +
                  "\\setup.exe\" -s SkipCRC32=Yes AutoDownloadPrerequisites=Yes\"",
              command);

    // The restart: the logon runs the command; setup runs on after cmd has ended.
    DeleteFileA((app_ + "\\pre.done").c_str());
    DeleteFileA((temp_ + "\\Bootstrapper.log").c_str());
    ChildProcess logon(command.substr(2), "C:\\windows\\system32", {"TEMP=" + temp_});
    ASSERT_TRUE(logon.Started());
    EXPECT_EQ(0, logon.Wait(60000));
    ASSERT_TRUE(WaitForLogLine("Returned  0  [RC_AllCompleted]", 120000)) << log_;
    EXPECT_FALSE(Ran("pre.done"));  // installed before the restart
    EXPECT_TRUE(Ran("main.done"));
    EXPECT_TRUE(Ran("post.done"));
    EXPECT_TRUE(Contains(log_, "SkipCRC32=Yes"));
}

TEST_F(ChainRun, QuotedArgumentGivesASynchronousResumeEntry) {
    UseFakeInstallers(ResumingChain("ResumeB"));
    EXPECT_EQ(3, Setup("-s P.NOTE=\"a b\"")) << log_;
    const std::string command = "||\"" + app_ +
                                "\\setup.exe\" -s P.NOTE=\"a b\" SkipCRC32=Yes "
                                "AutoDownloadPrerequisites=Yes";
    EXPECT_EQ(command, TakeResumeEntry());
    EXPECT_TRUE(
        Contains(log_, "[WARNING] Added '" + command + "' to run synchronously at startup"));
}

TEST_F(ChainRun, FailedVitalPrerequisiteStopsTheChain) {
    UseFakeInstallers(FakePackage("Pre", "--touch pre.done --exit 1603") +
                      FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""));
    EXPECT_EQ(1, Setup("-s")) << log_;
    EXPECT_TRUE(Ran("pre.done"));
    EXPECT_FALSE(Ran("main.done"));
    EXPECT_TRUE(Contains(log_, "    Completed : No"));
    EXPECT_TRUE(Contains(log_, "INSTALL COMPLETED:  NO"));
    EXPECT_TRUE(Contains(log_, "Returned  1  [RC_NotCompleted]"));
}

// The temporary references of a run that failed stay, so that a package it was about to
// install is not taken for an orphan by the next run; a run that succeeds removes them.
TEST_F(ChainRun, FailedRunKeepsItsTemporaryReferences) {
    const std::string temporary =
        "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\RefCountTemporary\\TempMain";
    UseFakeInstallers(FakePackage("TempPre", "--touch pre.done --exit 1603") +
                      FakePackage("TempMain", "--touch main.done", "Feature=\"MAIN\""));
    EXPECT_EQ(1, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Set temporary (install) refcount for: TempPre, TempMain"));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, temporary.c_str(), 0,
                                           KEY_READ | KEY_WOW64_64KEY, &key));
    RegCloseKey(key);

    UseFakeInstallers(FakePackage("TempPre", "--touch pre.done") +
                      FakePackage("TempMain", "--touch main.done", "Feature=\"MAIN\""));
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, temporary.c_str(), 0,
                                           KEY_READ | KEY_WOW64_64KEY, &key));
}

TEST_F(ChainRun, ChainedSetupReportsThroughTheCallback) {
    // The MAIN "installer" plays a chained setup that reports the return code 42 through
    // the value that CALLBACKPATH names.
    UseFakeInstallers(
        "<Package Tag=\"Main\" Type=\"EXE\" Name=\"Main\" FileName=\"fake.exe\" "
        "Feature=\"MAIN\"><Version Version=\"1.0\" Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\"
        "TarvexTests\\Callback\\Version\"/><Install CmdLineSilent=\"cmd /c reg add "
        "&quot;HKLM\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\Bootstrapper\\ReturnCodes&quot; "
        "/v Main /d 42 /f\"/></Package>");
    EXPECT_EQ(10, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Callback  : 10 [RC_CallbackFailed]")) << log_;
}

// A value cannot add a switch or a property to an installer's command line, and a secret
// reaches the installer but neither of the two log files.
TEST_F(ChainRun, ValuesStayOneArgumentAndSecretsStayOutOfTheLogs) {
    UseFakeInstallers(
        "<Package Tag=\"Main\" Type=\"EXE\" Name=\"Main\" FileName=\"fake.exe\" "
        "Feature=\"MAIN\"><Version Version=\"1.0\" Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\"
        "TarvexTests\\Arguments\\Version\"/><Install CmdLineSilent=\"&quot;[PackageFileName]&quot; "
        "--args args.txt\"/></Package>");
    std::ofstream(app_ + "\\standard.xml")
        << "<Standard><Properties><Property Name=\"MSIProperty.TARGET\" "
           "Value=\"&quot; /qn X=&quot;1\"/></Properties><Contents/></Standard>";
    ASSERT_EQ(0, Setup("-s P.DBPASSWORD=Hunter2-Secret")) << log_;
    std::vector<std::string> arguments = ReadLines(app_ + "\\args.txt");
    std::sort(arguments.begin(), arguments.end());
    EXPECT_EQ((std::vector<std::string>{"DBPASSWORD=Hunter2-Secret", "TARGET=\" /qn X=\"1"}),
              arguments);
    char allUsers[MAX_PATH] = {};
    ASSERT_NE(0u, GetEnvironmentVariableA("ALLUSERSPROFILE", allUsers, sizeof(allUsers)));
    const std::string sharedLog =
        ReadTextFile(std::string(allUsers) + "\\TarvexInstaller\\Bootstrapper.log");
    EXPECT_TRUE(Contains(log_, "DBPASSWORD=******")) << log_;
    EXPECT_FALSE(Contains(log_, "Hunter2-Secret"));
    EXPECT_FALSE(Contains(sharedLog, "Hunter2-Secret"));
    EXPECT_FALSE(sharedLog.empty());
}

// "crc32.txt" beside setup lists files of setup's folder with their CRC-32: a wrong checksum
// ends the run with RC_InvalidCRC32Checksum (17) before any installer runs, SkipCRC32=Yes
// skips the check, and a list that matches lets the run go on. Setup is started from another
// folder: the listed names are taken in setup's own folder.
TEST_F(ChainRun, IntegrityCheckOfTheShippedFiles) {
    UseFakeInstallers(FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""));
    // CRC-32 of "abc": 352441c2; of "hello world": d4a1185; of 70000 "x" (two blocks of
    // the read): c5614828.
    std::ofstream(app_ + "\\abc.txt", std::ios::binary) << "abc";
    std::ofstream(app_ + "\\hello.txt", std::ios::binary) << "hello world";
    std::ofstream(app_ + "\\big.bin", std::ios::binary) << std::string(70000, 'x');
    std::ofstream(app_ + "\\crc32.txt", std::ios::binary)
        << "abc.txt|352441c3\r\nhello.txt|d4a1185\r\nbig.bin|c5614828\r\n";
    EXPECT_EQ(17, Setup("-s", temp_)) << log_;
    EXPECT_FALSE(Ran("main.done"));
    const std::string error = LineWith(log_, "] CRC32 checksum for ");
    EXPECT_EQ(0u, error.find("[ERROR] [")) << error;
    EXPECT_NE(std::string::npos,
              error.find("] CRC32 checksum for abc.txt is 352441c2. Matching with 352441c3 failed"))
        << error;
    EXPECT_EQ(std::string::npos, log_.find("CRC32 checksum for hello.txt")) << log_;
    EXPECT_EQ(std::string::npos, log_.find("CRC32 checksum for big.bin")) << log_;
    EXPECT_EQ(std::string::npos, log_.find("Unable to open file")) << log_;
    const std::vector<std::size_t> order =
        Positions(log_, {"(4) PERFORMING INSTALL IN SILENT MODE...",
                         "] CRC32 verification started.", "] CRC32 checksum for abc.txt",
                         "] CRC32 verification ended.", "Returned  17  [RC_InvalidCRC32Checksum]"});
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_NE(std::string::npos, order[i]) << "line " << i << " missing or out of order\n"
                                               << log_;
    EXPECT_FALSE(Contains(log_, "[MAIN] Main"));

    EXPECT_EQ(0, Setup("-s SkipCRC32=Yes", temp_)) << log_;
    EXPECT_TRUE(Ran("main.done"));
    EXPECT_FALSE(Contains(log_, "CRC32 verification")) << log_;
    ASSERT_TRUE(DeleteFileA((app_ + "\\main.done").c_str()));

    // LF-only line ends, upper case and leading zeros match.
    std::ofstream(app_ + "\\crc32.txt", std::ios::binary)
        << "abc.txt|352441C2\nhello.txt|0d4a1185\nbig.bin|C5614828\n";
    EXPECT_EQ(0, Setup("-s", temp_)) << log_;
    EXPECT_TRUE(Ran("main.done"));
    EXPECT_TRUE(Contains(log_, "] CRC32 verification ended.")) << log_;
    EXPECT_FALSE(Contains(log_, "CRC32 checksum for")) << log_;
}

TEST_F(ChainRun, MissingInstallerFailsThePackage) {
    UseFakeInstallers(
        "<Package Tag=\"Main\" Type=\"EXE\" Name=\"Main\" FileName=\"absent.exe\" "
        "Feature=\"MAIN\"><Version Version=\"1.0\" Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\"
        "TarvexTests\\Absent\\Version\"/><Install CmdLineSilent=\"[PackageFileName]\"/></Package>");
    EXPECT_EQ(1, Setup("-s")) << log_;
    // Without an archive name there is nothing else to look for.
    EXPECT_TRUE(Contains(log_, "    Resolver  : IGNORED - no archive name provided"));
    EXPECT_TRUE(Contains(log_,
                         "    Resolver  : FAILED resolving installer file location: Package "
                         "file name not found and archive name not provided"));
}

TEST_F(ChainRun, MissingVitalDependencyStopsTheRun) {
    UseFakeInstallers("");
    std::ofstream(app_ + "\\config.xml")
        << "<Config><Version>2</Version><ProductInfo Name=\"Fake Chain\" Version=\"1.0\"/>"
           "<Dependencies><Dependency Tag=\"Runtime\" Detect=\"r64HKEY_LOCAL_MACHINE\\"
           "Software\\TarvexTests\\NoRuntime\\Version\" VersionList=\"1.0-9.0\"/>"
           "</Dependencies><Contents>"
        << FakePackage("DepMain", "--touch depmain.done", "Feature=\"MAIN\"")
        << "</Contents></Config>";
    EXPECT_EQ(9, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(
        log_, "    ERROR   'Runtime' no version found for range '1.0-9.0' or RE '' (vital)"))
        << log_;
    EXPECT_TRUE(Contains(log_, "    0/1 dependencies found"));
    EXPECT_TRUE(
        Contains(log_, "    Fake Chain will not continue! 1 vital dependency is not found"));
    EXPECT_FALSE(Ran("depmain.done"));
}

// A package with an install condition.
std::string WithCondition(std::string package, const std::string& expression) {
    package.insert(package.rfind("</Package>"), "<InstallCondition Expr=\"" + expression + "\"/>");
    return package;
}

TEST_F(ChainRun, PluginResultsSteerLaterPackages) {
    // A DLL call stores a procedure's result and a computed property calls another one;
    // the packages' conditions read both.
    UseFakeInstallers(
        "<Execute DllCall=\"Newer=utils.CallProc:CompareVersions(2.0|1.5)\"/>"
        "<Execute SetProperty=\"Upper=utils.CallProc:StrToUpper(abc)\"/>" +
        WithCondition(FakePackage("Skipped", "--touch skipped.done"), "[Newer] = 0") +
        WithCondition(FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""),
                      "[Newer] = 1 AND [Upper] = ABC"));
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_, "    DLL call  : Newer = 1")) << log_;
    EXPECT_TRUE(Contains(log_, "    Property  : ExprEval='Yes' -> 'Upper=ABC'")) << log_;
    EXPECT_FALSE(Ran("skipped.done"));
    EXPECT_TRUE(Contains(log_, "condition(s) false"));
    EXPECT_TRUE(Ran("main.done"));
}

TEST_F(ChainRun, ExistingVersionOnTheCommandLineOnlyForUninstall) {
    UseFakeInstallers(FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""));
    EXPECT_EQ(0, Setup("-s UninstallExisting=0.9")) << log_;
    EXPECT_TRUE(Contains(log_,
                         "'UninstallExisting' is ignored on other actions than uninstall "
                         "when it is provided in command line"));
    EXPECT_TRUE(Ran("main.done"));
}

TEST_F(ChainRun, MissingNonVitalDependencyOnlyWarns) {
    UseFakeInstallers("");
    std::ofstream(app_ + "\\config.xml")
        << "<Config><Version>2</Version><ProductInfo Name=\"Fake Chain\" Version=\"1.0\"/>"
           "<Dependencies><Dependency Tag=\"Extra\" Vital=\"No\" Detect=\"r64HKEY_LOCAL_MACHINE\\"
           "Software\\TarvexTests\\NoExtra\\Version\" VersionList=\"1.0\"/>"
           "<Dependency Tag=\"Box\" MachineType=\"Tarvex Chassis\" Detect=\"p{x}\"/>"
           "</Dependencies><Contents>"
        << FakePackage("DepMain", "--touch depmain.done", "Feature=\"MAIN\"")
        << "</Contents></Config>";
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_,
                         "    WARNING 'Extra' no version found for range '1.0' or RE '' "
                         "(non vital)"))
        << log_;
    EXPECT_TRUE(Contains(log_, "Is not Chassis. Skipping the dependency Box..."));
    EXPECT_TRUE(Contains(log_, "    1/2 dependency found"));
    EXPECT_TRUE(
        Contains(log_, "    Fake Chain will continue. 1 non vital dependency is not found"));
    EXPECT_TRUE(Ran("depmain.done"));
}

TEST_F(ChainRun, DependencyListLimitAndVersionListOverPattern) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\TarvexTests\\Dep", 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr));
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("2.5"), 4);
    RegCloseKey(key);
    // The first dependency matches its pattern but not its list: the list decides.
    std::string dependencies =
        "<Dependency Tag=\"Listed\" Vital=\"No\" Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\"
        "TarvexTests\\Dep\\Version\" VersionRE=\"2\\..*\" VersionList=\"1.0-2.0\"/>";
    for (int i = 2; i <= 17; ++i)
        dependencies += "<Dependency Tag=\"Box" + std::to_string(i) +
                        "\" MachineType=\"Tarvex Chassis\" Detect=\"p{x}\"/>";
    UseFakeInstallers("");
    std::ofstream(app_ + "\\config.xml")
        << "<Config><Version>2</Version><ProductInfo Name=\"Fake Chain\" Version=\"1.0\"/>"
           "<Dependencies>"
        << dependencies << "</Dependencies><Contents>"
        << FakePackage("DepMain", "--touch depmain.done", "Feature=\"MAIN\"")
        << "</Contents></Config>";
    EXPECT_EQ(0, Setup("-s")) << log_;
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\TarvexTests\\Dep", KEY_WOW64_64KEY, 0);
    EXPECT_TRUE(Contains(log_,
                         "[WARNING] Maximum number of dependencies reached (16)! Some "
                         "dependencies will not be verified."));
    EXPECT_TRUE(Contains(log_,
                         "    WARNING 'Listed' installed version '2.5' is NOT in the "
                         "specified range [1.0-2.0] (non vital)"))
        << log_;
    EXPECT_TRUE(Contains(log_, "    15/16 dependencies found"));
    EXPECT_TRUE(Ran("depmain.done"));
}

// A package's File entries for real, with a Windows Installer package as MAIN: the first run
// copies over an existing file (kept as "$bs"), creates a folder and records both in the
// registry; the uninstall in a second run of setup, which knows of them only through that
// record, puts the original back and removes the folder and the record.
TEST_F(ChainRun, FileEntriesArePutBackByTheUninstallOfALaterRun) {
    CopyIn(TestProgramFolder() + "\\..\\bin\\setup.exe", "setup.exe");
    CopyIn(TestProgramFolder() + "\\..\\bin\\utils.dll", "utils.dll");
    CopyIn(TestProgramFolder() + "\\..\\fixtures\\alpha.msi", "alpha.msi");
    const std::string media = app_ + "\\media";
    const std::string dest = folder_.Child("dest");
    ASSERT_TRUE(CreateDirectoryA(media.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
    std::ofstream(media + "\\app.cfg") << "new config";
    std::ofstream(media + "\\tool.dll") << "new tool";
    std::ofstream(dest + "\\app.cfg") << "original config";
    std::ofstream(media + "\\keep.ini") << "shipped settings";
    std::ofstream(dest + "\\keep.ini") << "settings of the user";
    std::ofstream(app_ + "\\standard.xml")
        << "<Standard><Contents><Package Tag=\"MSI\" Type=\"MSI\" SuccessCodes=\"0,3010\">"
           "<Install CmdLineSilent=\"msiexec /i &quot;[PackageFileName]&quot; /qn\"/>"
           "<Uninstall CmdLineSilent=\"msiexec /x [PackageProductCode] /qn\"/>"
           "<Repair CmdLineSilent=\"msiexec /i [PackageProductCode] REINSTALL=ALL "
           "REINSTALLMODE=omus /qn\"/></Package></Contents></Standard>";
    std::ofstream(app_ + "\\config.xml")
        << "<Config><Version>2</Version><ProductInfo Name=\"File Suite\" Version=\"1.0.0\"/>"
           "<Contents><Package Tag=\"MSI\" Type=\"MSI\" Name=\"Alpha Suite\" "
           "FileName=\"alpha.msi\" Feature=\"MAIN\"><Version Version=\"1.0.0\" "
           "Detect=\"u{7A45E001-A1FA-4000-8000-0000000000FF}\"/>"
           "<File Name=\"app.cfg\" Source=\""
        << media << "\" Location=\"" << dest
        << "\" Overwrite=\"Yes\"/><File Name=\"*.dll\" Source=\"" << media << "\" Location=\""
        << dest << "\\added\\bin\"/><File Name=\"keep.ini\" Source=\"" << media << "\" Location=\""
        << dest
        << "\"/><File Name=\"app.cfg\" Location=\"\" OnFail=\"Warning:no place\"/>"
           "</Package></Contents></Config>";
    const char* record =
        "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\Bootstrapper\\Backup\\Alpha Suite\\"
        "Alpha Suite";

    ASSERT_EQ(0, Setup("-s")) << log_;
    EXPECT_EQ("new config", ReadTextFile(dest + "\\app.cfg"));
    EXPECT_EQ("original config", ReadTextFile(dest + "\\app.cfg.$bs"));
    EXPECT_EQ("new tool", ReadTextFile(dest + "\\added\\bin\\tool.dll"));
    EXPECT_EQ("app.cfg", ReadRegistry(record, "FILE0001")) << log_;
    EXPECT_EQ("tool.dll", ReadRegistry(record, "FILE0002"));
    EXPECT_EQ(dest + "\\added", ReadRegistry(record, "FILE0002_FOLDERS"));
    EXPECT_TRUE(Contains(log_, "    File      : Found 1 -> tool.dll")) << log_;
    // Overwrite "No" leaves a file that is there alone; an entry without a Location fails
    // as its OnFail says and the run goes on.
    EXPECT_EQ("settings of the user", ReadTextFile(dest + "\\keep.ini"));
    EXPECT_TRUE(Contains(log_, "    File      : Found 0 -> ")) << log_;
    EXPECT_TRUE(Contains(log_, "Location (destination) not specified for 'app.cfg' file(s) copy"))
        << log_;

    // A repair sets the copied files aside while the installer runs and puts them back.
    ASSERT_EQ(0, Setup("r -s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Status    : EXECUTING REPAIR [")) << log_;
    // Once before the installer (set aside) and once after it (put back).
    const std::string copied = "    File      : Found 1 -> app.cfg";
    const std::size_t first = log_.find(copied);
    ASSERT_NE(std::string::npos, first) << log_;
    EXPECT_NE(std::string::npos, log_.find(copied, first + copied.size())) << log_;
    EXPECT_EQ("new config", ReadTextFile(dest + "\\app.cfg"));
    EXPECT_EQ("original config", ReadTextFile(dest + "\\app.cfg.$bs"));
    EXPECT_EQ("new tool", ReadTextFile(dest + "\\added\\bin\\tool.dll"));
    EXPECT_FALSE(FileExists(dest + "\\app.cfg.$bt"));
    EXPECT_FALSE(FileExists(dest + "\\added\\bin\\tool.dll.$bt"));
    EXPECT_EQ("app.cfg", ReadRegistry(record, "FILE0001")) << log_;

    ASSERT_EQ(0, Setup("x -s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Status    : EXECUTING UNINSTALL [")) << log_;
    EXPECT_EQ("original config", ReadTextFile(dest + "\\app.cfg"));
    EXPECT_FALSE(FileExists(dest + "\\app.cfg.$bs"));
    EXPECT_FALSE(FileExists(dest + "\\added"));
    EXPECT_TRUE(FileExists(dest));
    EXPECT_EQ("", ReadRegistry(record, "FILE0001"));
    EXPECT_EQ("", ReadRegistry(record, "FILE0002_FOLDERS"));
    HKEY handle = nullptr;
    EXPECT_NE(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, record, 0, KEY_READ | KEY_WOW64_64KEY, &handle));
    if (handle)
        RegCloseKey(handle);
}

// One version of the product "Cache Suite": setup, its plug-ins and its MSI package, whose
// installer file is cached; version 2 removes version 1 before it installs.
void MakeCacheSuite(const std::string& app, const char* version, const char* file) {
    CreateDirectoryA(app.c_str(), nullptr);
    const std::string bin = TestProgramFolder() + "\\..\\bin\\";
    const std::string fixtures = TestProgramFolder() + "\\..\\fixtures\\";
    for (const std::string& from :
         {bin + "setup.exe", bin + "utils.dll", bin + "forms.dll", fixtures + file}) {
        const std::string name = from.substr(from.find_last_of('\\') + 1);
        ASSERT_TRUE(CopyFileA(from.c_str(), (app + "\\" + name).c_str(), FALSE)) << from;
    }
    std::ofstream(app + "\\standard.xml")
        << "<Standard><Properties><Property Name=\"UninstallExisting\" Value=\"1.0.0\"/>"
           "</Properties><Contents/></Standard>";
    std::ofstream(app + "\\config.xml")
        << "<Config><Version>2</Version><ProductInfo Name=\"Cache Suite\" Version=\"" << version
        << "\"/><Contents><Package Tag=\"SUITE\" Type=\"MSI\" Name=\"CacheSuite\" Feature=\"MAIN\" "
           "FileName=\""
        << file << "\" SuccessCodes=\"0,3010\"><Version Version=\"" << version
        << "\" Detect=\"u{7A45E0C1-CAC4-4000-8000-0000000000FF}\"/><Cache/>"
           "<Install CmdLineSilent=\"msiexec /i &quot;[PackageFileName]&quot; /qn\"/>"
           "<Repair CmdLineSilent=\"msiexec /i &quot;[PackageFileName]&quot; REINSTALL=ALL "
           "REINSTALLMODE=omus /qn\"/>"
           "<Uninstall CmdLineSilent=\"msiexec /x &quot;[PackageFileName]&quot; /qn\"/>"
           "</Package></Contents></Config>";
}

TEST_F(ChainRun, NewerVersionRemovesTheOldOneThroughItsOriginalSetup) {
    const char* source = "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\InstallerSource";
    const std::string first = folder_.Child("v1"), second = folder_.Child("v2");
    MakeCacheSuite(first, "1.0.0", "cachesuite1.msi");
    MakeCacheSuite(second, "2.0.0", "cachesuite2.msi");

    app_ = first;
    ASSERT_EQ(0, Setup("-s")) << log_;
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexTests\\CacheSuite1", "Version"));
    EXPECT_EQ(first, ReadRegistry(source, "Cache Suite"));
    EXPECT_TRUE(Contains(log_, "    Cache     : File cached -> '"));

    app_ = second;
    ASSERT_EQ(0, Setup("-s")) << log_;
    const std::vector<std::size_t> order = Positions(
        log_, {"Property 'UninstallExisting' found. Trying to perform uninstall for main "
               "product having '1.0.0' version",
               "    Original setup found (", "    Calling setup...", std::string(85, '=') + "\n",
               "Executing another instance of Setup \"" + first, std::string(85, '-') + "\n",
               "UNINSTALL COMPLETED:  YES",
               "Setup ended the instance (\"" + first +
                   "\\setup.exe\") with the return code 0 [RC_AllCompleted]",
               "    Setup ended the instance with the return code 0 [RC_AllCompleted]",
               "INSTALL COMPLETED:  YES"});
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_NE(std::string::npos, order[i]) << "line " << i << " missing or out of order\n"
                                               << log_;
    EXPECT_EQ("", ReadRegistry("Software\\TarvexTests\\CacheSuite1", "Version"));
    EXPECT_EQ("2.0.0", ReadRegistry("Software\\TarvexTests\\CacheSuite2", "Version")) << log_;
    EXPECT_EQ(second, ReadRegistry(source, "Cache Suite"));

    // The installation medium is gone: a setup elsewhere repairs and uninstalls from the
    // cache.
    const std::string third = folder_.Child("v3");
    MakeCacheSuite(third, "2.0.0", "cachesuite2.msi");
    ASSERT_TRUE(DeleteFileA((third + "\\cachesuite2.msi").c_str()));
    ASSERT_TRUE(DeleteFileA((second + "\\cachesuite2.msi").c_str()));
    app_ = third;
    EXPECT_EQ(0, Setup("r -s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Cache     : Using cached file '")) << log_;
    EXPECT_TRUE(Contains(log_, "REPAIR COMPLETED:  YES")) << log_;
    EXPECT_EQ(0, Setup("x -s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Cache     : Using cached file '")) << log_;
    EXPECT_EQ("", ReadRegistry("Software\\TarvexTests\\CacheSuite2", "Version"));
}

}  // namespace

namespace {

// The folder of the built fixture packages and archives, with its final "\".
std::string FixtureFolder() {
    return TestProgramFolder() + "\\..\\fixtures\\";
}

// The prerequisite that lies only inside the archive "archived_pre.exe".
std::string ArchivedPrerequisite() {
    return "<Package Tag=\"Archived\" Type=\"MSI\" Name=\"Archived\" FileName=\"archived.msi\" "
           "ArchiveName=\"archived_pre.exe\"><Version Version=\"1.0.0\" "
           "Detect=\"u{7A45E0D1-A4C1-4000-8000-0000000000FF}\"/><Install "
           "CmdLineSilent=\"msiexec /i &quot;[PackageFileName]&quot; /qn\"/></Package>";
}

// The folder in which Wine keeps the shares of "\\server\...", seen through the drive Z:.
std::string WineShareFolder() {
    char prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix)))
        return "";
    std::string folder = std::string("Z:") + prefix + "/dosdevices/unc";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return folder;
}

}  // namespace

TEST_F(ChainRun, InstallerOnlyUnderThePrerequisitesLocation) {
    const std::string media = folder_.Child("media");
    UseFakeInstallers("<Execute SetProperty=\"PrerequisitesLocation=" + media +
                      "\" ExprEval=\"No\"/>" +
                      FakePackage("Located", "--touch located.done --installed Located",
                                  "Feature=\"MAIN\" ArchiveName=\"located.exe\""));
    CreateDirectoryA(media.c_str(), nullptr);
    CreateDirectoryA((media + "\\Prerequisites").c_str(), nullptr);
    ASSERT_TRUE(
        MoveFileA((app_ + "\\fake.exe").c_str(), (media + "\\Prerequisites\\fake.exe").c_str()));
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Ran("located.done"));
    EXPECT_TRUE(
        Contains(log_, "    Resolver  : INSTALLER '" + media + "\\Prerequisites\\fake.exe'"))
        << log_;
}

// A prerequisite found nowhere is downloaded from the site of the settings (a local server)
// without asking, unpacked from the TEMP folder and installed.
TEST_F(ChainRun, PrerequisiteDownloadedFromTheSiteIsUnpackedAndInstalled) {
    std::ifstream archive(FixtureFolder() + "archived_pre.exe", std::ios::binary);
    std::stringstream bytes;
    bytes << archive.rdbuf();
    ASSERT_FALSE(bytes.str().empty());
    HttpTestServer server;
    ASSERT_TRUE(server.Started());
    server.Serve("/prereqs/archived_pre.exe", bytes.str());
    UseFakeInstallers(
        ArchivedPrerequisite() +
        FakePackage("WebMain", "--touch webmain.done --installed WebMain", "Feature=\"MAIN\""));
    std::ofstream(app_ + "\\standard.xml")
        << "<Standard><Contents/><Prerequisites><Package Name=\"Archived Prerequisite\" "
           "Archive=\"archived_pre.exe\" Size=\"1048576\"/></Prerequisites></Standard>";
    std::ofstream(app_ + "\\settings.xml")
        << "<Settings><URL_Locations><URL_Source><URL URL=\"" << server.Url("/prereqs")
        << "\"/></URL_Source></URL_Locations></Settings>";

    EXPECT_EQ(0, Setup("-s AutoDownloadPrerequisites=Yes")) << log_;

    const std::vector<std::string> lines = {
        "    Resolver  : FAILED resolving installer file location",
        "    Resolver  : Try auto-download (in ",
        "    Download  : Download '" + server.Url("/prereqs/archived_pre.exe") + "' to '",
        "    Resolver  : Archive 'archived_pre.exe' found in '",
        "    Resolver  : UNARCHIVE '",
        "\\TarvexPrerequisites\\archived_pre\\archived.msi'",
        "    Completed : Yes",
    };
    for (std::size_t at : Positions(log_, lines)) EXPECT_NE(std::string::npos, at) << log_;
    EXPECT_EQ(1, server.Requests());
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexTests\\ArchivedPre", "Version"));
    EXPECT_TRUE(Ran("webmain.done"));
    ChildProcess remove("msiexec /x {7A45E0D1-A4C1-4000-8000-000000000100} /qn", "", {});
    remove.Wait(120000);
}

TEST_F(ChainRun, PrerequisiteInsideAnArchiveOnAShareIsUnpackedAndInstalled) {
    const std::string unc = WineShareFolder();
    ASSERT_FALSE(unc.empty()) << "the test runs under Wine with WINEPREFIX set";
    const std::string server = unc + "\\tarvexsrv";
    for (const std::string& folder : {unc, server, server + "\\share", server + "\\share\\pre"})
        CreateDirectoryA(folder.c_str(), nullptr);
    const std::string onShare = server + "\\share\\pre\\archived_pre.exe";
    ASSERT_TRUE(CopyFileA((FixtureFolder() + "archived_pre.exe").c_str(), onShare.c_str(), FALSE))
        << onShare;
    UseFakeInstallers(ArchivedPrerequisite() +
                      FakePackage("ShareMain", "--touch sharemain.done --installed ShareMain",
                                  "Feature=\"MAIN\""));
    std::ofstream(app_ + "\\settings.xml")
        << "<Settings><URL_Locations><URL_Source><URL Protocol=\"UNC\" Server=\"tarvexsrv\" "
           "Path=\"share\\pre\"/></URL_Source></URL_Locations></Settings>";

    EXPECT_EQ(0, Setup("-s")) << log_;

    const std::vector<std::string> lines = {
        "    Resolver  : UNARCHIVE '\\\\tarvexsrv\\share\\pre\\archived_pre.exe'",
        "    Resolver  : INSTALLER '",
        "\\TarvexPrerequisites\\archived_pre\\archived.msi'",
        "    Completed : Yes",
    };
    for (std::size_t at : Positions(log_, lines)) EXPECT_NE(std::string::npos, at) << log_;
    EXPECT_EQ("1.0.0", ReadRegistry("Software\\TarvexTests\\ArchivedPre", "Version"));
    EXPECT_TRUE(Ran("sharemain.done"));
    ChildProcess remove("msiexec /x {7A45E0D1-A4C1-4000-8000-000000000100} /qn", "", {});
    remove.Wait(120000);
    DeleteFileA(onShare.c_str());
}

// utils.dll's process procedures and the installation guard from setup's own DllCall and
// SetProperty elements: setup finds itself running, a stop by its own name leaves it alone,
// and the guard counts setup itself (through the system's process query) against a maximum
// of none.
TEST_F(ChainRun, ProcessProceduresFromSetupNeverStopSetupItself) {
    UseFakeInstallers(
        "<Execute DllCall=\"Running=utils.CallProc:ProcessIsRunning(SETUP.EXE)\"/>"
        "<Execute DllCall=\"Stopped=utils.CallProc:Process(setup.exe|stop)\"/>"
        "<Execute SetProperty=\"Guard=utils.CallProc:PreventConcurrentInstallations("
        "setup.exe|setup.exe|CANCEL|0)\"/>" +
        WithCondition(FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""),
                      "[Running] = 1 AND [Stopped] = 1"));
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_, "    DLL call  : Running = 1")) << log_;
    EXPECT_TRUE(Contains(log_, "runs this installation and is not stopped")) << log_;
    EXPECT_TRUE(Contains(log_, "-> 'Guard=CANCEL'")) << log_;
    EXPECT_TRUE(Ran("main.done"));
}

// utils.dll's registry and file procedures from setup's DLL calls: the two-view write lands
// in both views, and a deletion whose path came from an unresolved property is refused.
TEST_F(ChainRun, UtilsRegistryAndFileProceduresFromDllCalls) {
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\UtilsSysChain";
    UseFakeInstallers(
        "<Execute DllCall=\"Made=utils.CallProc:RegistryMakeKey_x32x64(" + key +
        ")\"/>"
        "<Execute DllCall=\"Both=utils.CallProc:RegistrySetValue_x32x64(" +
        key +
        "|Door|setup)\"/>"
        "<Execute DllCall=\"Refused=utils.CallProc:DeleteFolder([NoSuchFolder]|1)\"/>" +
        FakePackage("Main", "--touch main.done", "Feature=\"MAIN\""));
    EXPECT_EQ(0, Setup("-s")) << log_;
    EXPECT_TRUE(Contains(log_, "    DLL call  : Made = 1")) << log_;
    EXPECT_TRUE(Contains(log_, "    DLL call  : Both = 1")) << log_;
    EXPECT_TRUE(Contains(log_, "    DLL call  : Refused = 0")) << log_;
    EXPECT_TRUE(Contains(log_, "Refusing to delete '[NoSuchFolder]'")) << log_;
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY opened = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\TarvexTests\\UtilsSysChain", 0,
                                KEY_QUERY_VALUE | view, &opened))
            << view;
        char value[64] = {};
        DWORD size = sizeof(value);
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(opened, "Door", nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(value), &size));
        RegCloseKey(opened);
        EXPECT_STREQ("setup", value) << view;
    }
    EXPECT_TRUE(Ran("main.done"));
}
