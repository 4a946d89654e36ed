// setup.exe run for real, in a folder of its own, with its log folders pointed into the
// test's folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "shared_block_name.h"
#include "test_folder.h"
#include "window_probe.h"

namespace {

const char kCaption[] = "Setup progress";
const std::string kSeparator(60, '=');

class SetupRun : public ::testing::Test {
  protected:
    void SetUp() override {
        appFolder_ = folder_.Child("app");
        tempFolder_ = folder_.Child("temp");
        allUsersFolder_ = folder_.Child("allusers");
        CreateDirectoryA(appFolder_.c_str(), nullptr);
        CreateDirectoryA(tempFolder_.c_str(), nullptr);
        CreateDirectoryA(allUsersFolder_.c_str(), nullptr);
        setup_ = appFolder_ + "\\setup.exe";
        const std::string built = TestProgramFolder() + "\\..\\bin\\setup.exe";
        ASSERT_TRUE(CopyFileA(built.c_str(), setup_.c_str(), FALSE)) << built;
    }

    void WriteSample(const std::string& product = "E2E Product") const {
        WriteFile("standard.xml",
                  "<Standard><Properties><Property Name=\"FromConfig\" Value=\"yes\"/>"
                  "</Properties><Contents/></Standard>");
        WriteFile("config.xml",
                  "<Config><Version>2</Version><ProductInfo Name=\"" + product +
                      "\"/><Contents>"
                      "<Package Tag=\"M\" Name=\"Main\" Feature=\"MAIN\"><Version Version=\"1\" "
                      "Detect=\"r64HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\None\\V\"/>"
                      "</Package></Contents></Config>");
    }
    void WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(appFolder_ + "\\" + name) << text;
    }
    std::string TempLog() const { return tempFolder_ + "\\Bootstrapper.log"; }
    std::string AllUsersLog() const {
        return allUsersFolder_ + "\\TarvexInstaller\\Bootstrapper.log";
    }
    std::vector<std::string> Environment(bool withTemp) const {
        return {withTemp ? "TEMP=" + tempFolder_ : "TEMP=", "ALLUSERSPROFILE=" + allUsersFolder_};
    }

    TestFolder folder_;
    std::string appFolder_, tempFolder_, allUsersFolder_, setup_;
};

// Checks the banner and returns the index of its first line. The configuration is read
// before the driver knows which way the run goes, so its entries come before the banner.
std::size_t ExpectBanner(const std::vector<std::string>& lines, const std::string& setupPath) {
    const auto separator = std::find(lines.begin(), lines.end(), kSeparator);
    EXPECT_NE(lines.end(), separator);
    const std::size_t first = static_cast<std::size_t>(separator - lines.begin());
    if (lines.size() < first + 6) {
        ADD_FAILURE() << "no banner";
        return first;
    }
    const std::string indent = lines[first + 1].substr(0, lines[first + 1].find('T'));
    EXPECT_EQ(indent + "Tarvex Bootstrapper v1.0.0.1", lines[first + 1]);
    EXPECT_EQ(indent.size(), lines[first + 2].find("MsWindowsNT v")) << lines[first + 2];
    EXPECT_NE(std::string::npos, lines[first + 2].find(" (Machine running from "));
    EXPECT_EQ(indent, lines[first + 3]);
    EXPECT_EQ(indent + "Command line:", lines[first + 4]);
    EXPECT_EQ(0u, lines[first + 5].find(indent + "    \"" + setupPath + "\"")) << lines[first + 5];
    return first;
}

// The summary at the end of a log, with the duration of a quick run.
std::vector<std::string> Summary(int errors, const std::string& returned) {
    return {"",
            "Warnings: 0",
            "Errors  : " + std::to_string(errors),
            "Duration: 00h 00m 00s",
            "",
            "Returned  " + returned,
            kSeparator};
}

std::vector<std::string> Tail(const std::vector<std::string>& lines, std::size_t count) {
    std::vector<std::string> tail(lines.end() - std::min(count, lines.size()), lines.end());
    // A slow machine may take a second or two.
    for (std::string& line : tail) {
        if (line.compare(0, 17, "Duration: 00h 00m") == 0)
            line = "Duration: 00h 00m 00s";
    }
    return tail;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(SetupRun, EmptyFolderEndsAsInvalidConfiguration) {
    ChildProcess setup("\"" + setup_ + "\"", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindowWithText(kCaption, setup.Id(), "Open log file: ", 60000);
    ASSERT_NE(nullptr, box);
    const ProbedControl link = FindControlByTextPrefix(box, "Open log file: ");
    EXPECT_EQ("Open log file: " + TempLog(), link.text);
    EXPECT_NE(nullptr, FindControlByTextPrefix(box,
                                               "InvalidConfiguration\nAn error occurred during the "
                                               "setup. See log file for more details.")
                           .window);
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\setup_invalid_configuration.bmp"));
    PressButton(box, IDOK);
    EXPECT_EQ(5, setup.Wait(60000));

    const std::vector<std::string> lines = ReadLines(TempLog());
    EXPECT_EQ(lines, ReadLines(AllUsersLog()));
    ExpectBanner(lines, setup_);
    EXPECT_TRUE(HasLine(lines, "[ERROR] Config xml file has no version entry"));
    EXPECT_EQ("[ERROR] File '" + appFolder_ + "\\standard.xml' not successfully parsed!", lines[0]);
    std::vector<std::string> expected = {"[ERROR] Invalid configuration. Quitting..."};
    const std::vector<std::string> summary = Summary(4, "5  [RC_InvalidConfiguration]");
    expected.insert(expected.end(), summary.begin(), summary.end());
    EXPECT_EQ(expected, Tail(lines, expected.size()));
}

TEST_F(SetupRun, InvalidArgumentsShowTheUsageEvenWhenSilent) {
    WriteSample();
    ChildProcess setup("\"" + setup_ + "\" x r -s", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindowWithText(kCaption, setup.Id(), "Open log file: ", 60000);
    ASSERT_NE(nullptr, box);
    EXPECT_NE(nullptr, FindControlByTextPrefix(box, "InvalidArguments\nAn error occurred").window);
    EXPECT_EQ("Open log file: " + TempLog(), FindControlByTextPrefix(box, "Open log file").text);
    PressButton(box, IDOK);
    EXPECT_EQ(4, setup.Wait(60000));

    const std::vector<std::string> lines = ReadLines(TempLog());
    ExpectBanner(lines, setup_);
    const std::string text = ReadTextFile(TempLog());
    EXPECT_NE(std::string::npos,
              text.find("[ERROR] Invalid arguments(more then 1 action): x r \n"));
    EXPECT_NE(std::string::npos, text.find("Command line parameters:\n    MSI Features    :  \n"));
    EXPECT_NE(std::string::npos, text.find("    Switches        :  -s  \n"));
    EXPECT_NE(std::string::npos, text.find("    Actions         :  x  r  \n"));
    EXPECT_NE(std::string::npos, text.find("USAGE:\n setup.exe  [i|x|r]  [-s|-q] [-n]"));
    EXPECT_NE(std::string::npos, text.find(" -q    quiet (no GUI at all)\n"));
    // The run stops before the instance guard and the engine: no summary.
    EXPECT_EQ(std::string::npos, text.find("Returned  "));
}

TEST_F(SetupRun, ValidConfigurationListsItsProperties) {
    WriteSample();
    ChildProcess setup("\"" + setup_ + "\" -s INSTALLDIR=\"C:\\My Folder\"", appFolder_,
                       Environment(true));
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(0, setup.Wait(60000));  // silent: no box; the MAIN package has no command line
    const std::vector<std::string> lines = ReadLines(TempLog());
    ExpectBanner(lines, setup_);
    const auto heading = std::find(lines.begin(), lines.end(), "(2) INITIALIZING PROPERTIES...");
    ASSERT_NE(lines.end(), heading);
    EXPECT_EQ("", *(heading - 1));
    EXPECT_EQ("    ProductName                = E2E Product", *(heading + 1));
    EXPECT_EQ("    PendingReboot              = ", *(heading + 2));
    EXPECT_TRUE(HasLine(lines, "    Mode                       = Silent"));
    EXPECT_TRUE(HasLine(lines, "    OSArchitecture             = 64-bit"));
    EXPECT_TRUE(HasLine(lines, "    SetupFolder                = " + appFolder_));
    EXPECT_TRUE(HasLine(lines, "    TempFolder                 = " + tempFolder_));
    EXPECT_TRUE(HasLine(lines, "    SIDAccountName             = SYSTEM"));
    EXPECT_TRUE(HasLine(lines, "    InstallDir                 = C:\\My Folder"));
    EXPECT_TRUE(HasLine(lines, "    FromConfig                 = yes"));
    EXPECT_TRUE(HasLine(lines, "    AutoRollback               = No"));
    EXPECT_EQ(Summary(0, "0  [RC_AllCompleted]"), Tail(lines, 7));
}

// The first instance of a product holds its block and has named itself in it.
class HeldBlock {
  public:
    explicit HeldBlock(const std::string& product) {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16780,
                                      SharedBlockName(product).c_str());
        if (mapping_)
            bytes_ = static_cast<char*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 16780));
        if (bytes_)
            std::strncpy(bytes_ + 4, product.c_str(), 127);
    }
    ~HeldBlock() {
        if (bytes_)
            UnmapViewOfFile(bytes_);
        if (mapping_)
            CloseHandle(mapping_);
    }
    HeldBlock(const HeldBlock&) = delete;
    HeldBlock& operator=(const HeldBlock&) = delete;
    char* Bytes() const { return bytes_; }

  private:
    HANDLE mapping_ = nullptr;
    char* bytes_ = nullptr;
};

TEST_F(SetupRun, SecondMainInstanceOfTheProductIsRefused) {
    WriteSample();
    HeldBlock first("E2E Product");
    ASSERT_NE(nullptr, first.Bytes());
    ChildProcess setup("\"" + setup_ + "\"", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindow(kCaption, setup.Id(), 60000);
    ASSERT_NE(nullptr, box);
    EXPECT_NE(nullptr, FindControlByTextPrefix(box,
                                               "Another Setup progress is running: E2E Product\n"
                                               "Current setup cannot continue!")
                           .window);
    PressButton(box, IDOK);
    EXPECT_EQ(14, setup.Wait(60000));
    const std::vector<std::string> lines = ReadLines(TempLog());
    EXPECT_EQ("[ERROR] Another Setup progress is running: 'E2E Product'", lines.back());
}

TEST_F(SetupRun, ChildInstanceIsNeverRefusedAndIndentsItsLog) {
    WriteSample();
    HeldBlock first("E2E Product");
    char* block = first.Bytes();
    ASSERT_NE(nullptr, block);
    block[0] = 1;  // one instance runs
    block[16776] = 7;
    ChildProcess setup("\"" + setup_ + "\" -s MainInstance=No", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(0, setup.Wait(60000));
    EXPECT_EQ(1, block[0]);  // the child's instance came and went
    const std::vector<std::string> lines = ReadLines(TempLog());
    EXPECT_TRUE(HasLine(lines, ">>>>    MainInstance               = No"));
    EXPECT_TRUE(HasLine(lines, ">>>>Returned  0  [RC_AllCompleted]"));
}

// A library planted beside setup.exe in a download folder would run elevated if the loader
// looked there first: the installer library and version come from the
// system folder only. Wine is told (for setup.exe, in its own registry key) to prefer a
// native msi.dll, so that it would take the planted one wherever it looks for it.
TEST_F(SetupRun, PlantedLibraryBesideSetupIsNotLoaded) {
    const std::string planted = TestProgramFolder() + "\\planted\\msi.dll";
    ASSERT_TRUE(CopyFileA(planted.c_str(), (appFolder_ + "\\msi.dll").c_str(), FALSE));
    const char kOverrides[] = "Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    const char kNativeFirst[] = "native,builtin";
    RegSetValueExA(key, "msi", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst),
                   sizeof(kNativeFirst));
    RegCloseKey(key);
    WriteSample();
    ChildProcess setup("\"" + setup_ + "\" -s", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(0, setup.Wait(60000));
    RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
    EXPECT_FALSE(FileExists(appFolder_ + "\\planted.txt"));
    // The MAIN package was detected through the real installer library.
    EXPECT_NE(std::string::npos, ReadTextFile(TempLog()).find("[MAIN] Main"));
}

// A product name is free text; a backslash in it is not a reason to refuse the run.
TEST_F(SetupRun, ProductWithABackslashInItsNameRuns) {
    WriteSample("Suite 2\\Pro");
    ChildProcess setup("\"" + setup_ + "\" -s", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(0, setup.Wait(60000));
    const std::vector<std::string> lines = ReadLines(TempLog());
    ExpectBanner(lines, setup_);
    EXPECT_TRUE(HasLine(lines, "    ProductName                = Suite 2\\Pro"));
    EXPECT_EQ(Summary(0, "0  [RC_AllCompleted]"), Tail(lines, 7));  // and not one error
}

TEST_F(SetupRun, SecondMainInstanceOfAProductWithABackslashIsRefused) {
    WriteSample("Suite 2\\Pro");
    HeldBlock first("Suite 2\\Pro");
    ASSERT_NE(nullptr, first.Bytes());
    ChildProcess setup("\"" + setup_ + "\" -s", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(14, setup.Wait(60000));  // silent: no box
    const std::vector<std::string> lines = ReadLines(TempLog());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("[ERROR] Another Setup progress is running: 'Suite 2\\Pro'", lines.back());
}

// A block whose name another program has taken for an object of another kind cannot be
// created. That is an error of its own, with the system's text, and not a second instance.
TEST_F(SetupRun, ABlockThatCannotBeCreatedIsAnErrorNotAnotherInstance) {
    WriteSample();
    HANDLE squatter = CreateMutexA(nullptr, FALSE, SharedBlockName("E2E Product").c_str());
    ASSERT_NE(nullptr, squatter);
    ChildProcess setup("\"" + setup_ + "\" -s", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(8, setup.Wait(60000));
    CloseHandle(squatter);
    const std::vector<std::string> lines = ReadLines(TempLog());
    const std::string prefix = "[ERROR] Could not create file mapping object: error code " +
                               std::to_string(ERROR_INVALID_HANDLE) + " (";
    const auto error = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.compare(0, prefix.size(), prefix) == 0;
    });
    ASSERT_NE(lines.end(), error);
    EXPECT_GT(error->size(), prefix.size() + 1) << "the system's text is missing";
    EXPECT_EQ(')', error->back());
    EXPECT_EQ(std::string::npos, error->find("CANNOT FORMAT")) << *error;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("[ERROR] The shared status block of the product could not be opened. Quitting...",
              lines.back());
    for (const std::string& line : lines)
        EXPECT_EQ(std::string::npos, line.find("Another Setup progress is running")) << line;
}

TEST_F(SetupRun, WithoutTempOnlyTheAllUsersLogIsWritten) {
    ChildProcess setup("\"" + setup_ + "\" P.X=1", appFolder_, Environment(false));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindow(kCaption, setup.Id(), 60000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(nullptr, FindControlByTextPrefix(box, "Open log file").window);
    EXPECT_NE(nullptr, FindControlByTextPrefix(box, "InvalidConfiguration\n").window);
    PressButton(box, IDOK);
    EXPECT_EQ(5, setup.Wait(60000));
    EXPECT_FALSE(FileExists(TempLog()));
    const std::vector<std::string> lines = ReadLines(AllUsersLog());
    const std::size_t banner = ExpectBanner(lines, setup_);
    ASSERT_GE(lines.size(), banner + 6);
    EXPECT_EQ("    \"" + setup_ + "\" P.X=1", lines[banner + 5]);
    EXPECT_EQ("Returned  5  [RC_InvalidConfiguration]", lines[lines.size() - 2]);
    EXPECT_EQ(kSeparator, lines.back());
}

// Another user may create the all-users log folder before an elevated run does, as a link
// into a folder of their choice. The bench makes C:\planted-profile\TarvexInstaller such a
// link (Wine programs cannot make one): setup must not write through it.
TEST_F(SetupRun, PlantedLinkAsTheAllUsersLogFolderIsNotFollowed) {
    const std::string profile = "C:\\planted-profile";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((profile + "\\TarvexInstaller").c_str()))
        << "the bench did not make the link";
    ChildProcess setup("\"" + setup_ + "\"", appFolder_,
                       {"TEMP=" + tempFolder_, "ALLUSERSPROFILE=" + profile});
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindow(kCaption, setup.Id(), 60000);
    ASSERT_NE(nullptr, box);
    PressButton(box, IDOK);
    EXPECT_EQ(5, setup.Wait(60000));
    EXPECT_FALSE(FileExists("C:\\planted-target\\Bootstrapper.log"));
    const std::vector<std::string> lines = ReadLines(TempLog());
    const std::string warning = "[WARNING] The log folder '" + profile +
                                "\\TarvexInstaller' is a link to another place: it is not "
                                "written to, the log is kept in the TEMP folder only";
    EXPECT_NE(lines.end(), std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
                  return line.find(warning) != std::string::npos;
              }));
}

TEST_F(SetupRun, StartWhileAnotherSetupStartsIsRefused) {
    // Another setup holds the start-up guard at this moment.
    HANDLE guard = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16780,
                                      "TARVEX_BOOTSTRAPPER");
    ASSERT_NE(nullptr, guard);
    WriteSample();
    ChildProcess setup("\"" + setup_ + "\"", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindow(kCaption, setup.Id(), 60000);
    ASSERT_NE(nullptr, box);
    EXPECT_NE(nullptr,
              FindControlByTextPrefix(
                  box, "Another Setup progress is running.\nCurrent setup cannot continue!")
                  .window);
    EXPECT_EQ(nullptr, FindControlByTextPrefix(box, "Open log file").window);
    PressButton(box, IDOK);
    EXPECT_EQ(14, setup.Wait(60000));
    CloseHandle(guard);

    const std::vector<std::string> lines = ReadLines(TempLog());
    // The banner, then the refusal, which goes to the event log as well (the registration of
    // the event source says what it did first): no summary.
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(0u, ExpectBanner(lines, setup_));
    for (std::size_t i = 7; i + 1 < lines.size(); ++i)
        EXPECT_EQ(0u, lines[i].find("[INFO] ")) << lines[i];
    EXPECT_EQ("[ERROR] Another Setup progress is running: ''", lines.back());
}

}  // namespace
