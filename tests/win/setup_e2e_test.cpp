// setup.exe run for real, in a folder of its own, with its log folders pointed into the
// test's folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
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

// The lines of the log after the banner's command-line block.
void ExpectBanner(const std::vector<std::string>& lines, const std::string& setupPath) {
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(kSeparator, lines[0]);
    EXPECT_EQ("Tarvex Bootstrapper v1.0.0.1", lines[1]);
    EXPECT_EQ(0u, lines[2].find("MsWindowsNT v")) << lines[2];
    EXPECT_NE(std::string::npos, lines[2].find(" (Machine running from ")) << lines[2];
    EXPECT_EQ("", lines[3]);
    EXPECT_EQ("Command line:", lines[4]);
    EXPECT_EQ("    \"" + setupPath + "\"", lines[5]);
}

TEST_F(SetupRun, EmptyFolderEndsAsInvalidConfiguration) {
    ChildProcess setup("\"" + setup_ + "\"", appFolder_, Environment(true));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindow(kCaption, setup.Id(), 60000);
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
    const std::vector<std::string> tail = {"",
                                           "[ERROR] Invalid configuration. Quitting...",
                                           "",
                                           "Warnings: 0",
                                           "Errors  : 1",
                                           "Duration: 00h 00m 00s",
                                           "",
                                           "Returned  5  [RC_InvalidConfiguration]",
                                           kSeparator};
    ASSERT_EQ(6 + tail.size(), lines.size());
    std::vector<std::string> actual(lines.begin() + 6, lines.end());
    // A slow machine may take a second or two.
    if (actual[5].compare(0, 17, "Duration: 00h 00m") == 0)
        actual[5] = tail[5];
    EXPECT_EQ(tail, actual);
}

TEST_F(SetupRun, WithoutTempOnlyTheAllUsersLogIsWritten) {
    ChildProcess setup("\"" + setup_ + "\" extra", appFolder_, Environment(false));
    ASSERT_TRUE(setup.Started());
    void* box = WaitForWindow(kCaption, setup.Id(), 60000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(nullptr, FindControlByTextPrefix(box, "Open log file").window);
    EXPECT_NE(nullptr, FindControlByTextPrefix(box, "InvalidConfiguration\n").window);
    PressButton(box, IDOK);
    EXPECT_EQ(5, setup.Wait(60000));
    EXPECT_FALSE(FileExists(TempLog()));
    const std::vector<std::string> lines = ReadLines(AllUsersLog());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ("    \"" + setup_ + "\" extra", lines[5]);
    EXPECT_EQ("Returned  5  [RC_InvalidConfiguration]", lines[lines.size() - 2]);
    EXPECT_EQ(kSeparator, lines.back());
}

TEST_F(SetupRun, StartWhileAnotherSetupStartsIsRefused) {
    // Another setup holds the start-up guard at this moment.
    HANDLE guard = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16780,
                                      "TARVEX_BOOTSTRAPPER");
    ASSERT_NE(nullptr, guard);
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
    ExpectBanner(lines, setup_);
    ASSERT_EQ(8u, lines.size());
    EXPECT_EQ("[ERROR] Another Setup progress is running: ''", lines[7]);
}

}  // namespace
