// The sample product asks with its welcome form in an install with the full user interface,
// and not in a silent one.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "test_folder.h"
#include "window_probe.h"

namespace {

class SampleFormRun : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = folder_.Child("app");
        temp_ = folder_.Child("temp");
        CreateDirectoryA(app_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
        CreateDirectoryA((app_ + "\\extras").c_str(), nullptr);
        const std::string sample = TestProgramFolder() + "\\..\\sample\\";
        for (const char* name :
             {"setup.exe", "utils.dll", "forms.dll", "standard.xml", "config.xml", "settings.xml",
              "forms.xml", "SampleRuntime.msi", "SampleProduct.msi", "SampleTools.exe",
              "extras\\release-notes.txt"})
            ASSERT_TRUE(CopyFileA((sample + name).c_str(), (app_ + "\\" + name).c_str(), FALSE))
                << name;
    }
    std::string Log() const { return ReadTextFile(temp_ + "\\Bootstrapper.log"); }

    TestFolder folder_;
    std::string app_, temp_;
};

TEST_F(SampleFormRun, NormalInstallAsksAndKeepsThePressedButton) {
    ChildProcess setup("\"" + app_ + "\\setup.exe\"", app_, {"TEMP=" + temp_});
    ASSERT_TRUE(setup.Started());
    void* form = WaitForWindowWithText("Sample Product setup", setup.Id(),
                                       "Welcome to the Sample Product", 60000);
    ASSERT_NE(nullptr, form) << DescribeWindows(setup.Id()) << Log();
    Sleep(500);
    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\sample_welcome_form.bmp"));
    PressButton(form, 1014);  // Cancel: the sample ends before it installs anything
    const long code = setup.Wait(120000);
    const std::string log = Log();
    EXPECT_EQ(13, code) << log;  // RC_ActionQuit
    EXPECT_TRUE(Contains(log, "    DLL call  : SampleChoice = Cancel")) << log;
    EXPECT_TRUE(Contains(log, "Property Quit=Normal -> QUITTING")) << log;
}

TEST_F(SampleFormRun, SilentInstallShowsNoFormAndSucceeds) {
    ChildProcess setup("\"" + app_ + "\\setup.exe\" -s", app_, {"TEMP=" + temp_});
    ASSERT_TRUE(setup.Started());
    const long code = setup.Wait(240000);
    const std::string log = Log();
    EXPECT_EQ(0, code) << log;
    EXPECT_FALSE(Contains(log, "ShowForm")) << log;
    EXPECT_FALSE(Contains(log, "SampleChoice")) << log;
}

}  // namespace
