// The end of a run that needs a reboot: what is asked, whether the machine restarts, the
// banner, the reboot event and the entry that resumes the chain after the restart.

#include "reboot_step.h"

#include <gtest/gtest.h>

#include "fake_run.h"
#include "pending_renames.h"
#include "resume_entry.h"
#include "return_codes.h"

namespace {

const std::string kRunOnceEx =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
// The fake clock's time, as the key of the entry names it.
const std::string kEntry = kRunOnceEx + "\\Bootstrapper 1970-01-02 08.00.00\\1";
const unsigned kOkCancelQuestion = kBoxOkCancel | kBoxIconQuestion;

class RebootStepTest : public ::testing::Test {
  protected:
    RebootStepTest() {
        properties_.Set("AUTOREBOOT", "Yes", true);
        request_.reboot = true;
        request_.productName = "demo Suite";
        request_.programPath = "C:\\Setup\\setup.exe";
        request_.arguments = "-s";
    }
    int Step() { return RunRebootStep(run_.Services(), request_); }
    bool Logged(const std::string& part) const { return run_.log.Contains(part); }
    std::string Banner(const std::string& outcome) const {
        const std::string rule(60, '#');
        return "\n" + rule + "\nREBOOT REQUIRED -> " + outcome + "\n" + rule + "\n";
    }

    PropertyStore properties_;
    FakeRun run_{properties_};
    RebootRequest request_;
};

TEST_F(RebootStepTest, AnsweredOkRestartsTheMachineAfterTenSeconds) {
    request_.ask = true;
    run_.prompts.answers = {kBoxAnswerOk};
    EXPECT_EQ(RC_RebootInProgress, Step());
    ASSERT_EQ(1u, run_.prompts.shown.size());
    EXPECT_EQ("REBOOT_REQ", run_.prompts.shown[0].tag);
    EXPECT_EQ(kOkCancelQuestion, run_.prompts.shown[0].type);
    ASSERT_EQ(1u, run_.restart.requests.size());
    EXPECT_EQ("Reboot is required by Tarvex setup", run_.restart.requests[0].message);
    EXPECT_EQ(10u, run_.restart.requests[0].delaySeconds);
    EXPECT_TRUE(Logged("#### Ask for reboot \n"));
    EXPECT_TRUE(Logged(Banner("SETUP IS REBOOTING YOUR SYSTEM NOW!!!")));
}

TEST_F(RebootStepTest, AnsweredCancelKeepsTheMachineRunning) {
    request_.ask = true;
    run_.prompts.answers = {2};  // Cancel
    EXPECT_EQ(RC_RebootRequired, Step());
    EXPECT_TRUE(run_.restart.requests.empty());
    EXPECT_TRUE(Logged("#### User canceled the reboot!"));
    EXPECT_TRUE(Logged(Banner("REBOOT CANCELED BY THE USER")));
}

TEST_F(RebootStepTest, WithoutCancelTheQuestionHasOkAlone) {
    request_.ask = true;
    request_.noCancel = true;
    run_.prompts.answers = {kBoxAnswerOk};
    EXPECT_EQ(RC_RebootInProgress, Step());
    ASSERT_EQ(1u, run_.prompts.shown.size());
    EXPECT_EQ(kBoxOk | kBoxIconQuestion, run_.prompts.shown[0].type);
    EXPECT_TRUE(Logged("#### Ask for reboot - NO cancel button"));
}

TEST_F(RebootStepTest, SilentRunRestartsWithoutAsking) {
    run_.prompts.messages.Set("REBOOT_MSG", "Restarting for Demo");
    EXPECT_EQ(RC_RebootInProgress, Step());
    EXPECT_TRUE(run_.prompts.shown.empty());
    ASSERT_EQ(1u, run_.restart.requests.size());
    EXPECT_EQ("Restarting for Demo", run_.restart.requests[0].message);
}

TEST_F(RebootStepTest, FailedRestartIsLoggedAndNotInitiated) {
    run_.restart.failure = 1314;  // a privilege is not held
    EXPECT_EQ(RC_RebootRequired, Step());
    EXPECT_TRUE(Logged("RestartSystem"));
    EXPECT_TRUE(Logged(Banner("REBOOT NOT INITIATED")));
}

TEST_F(RebootStepTest, NoAutomaticRebootAndExternalControlLeaveTheMachineAlone) {
    properties_.Set("AUTOREBOOT", "No", true);
    request_.continueAfterReboot = true;
    EXPECT_EQ(RC_RebootRequired, Step());
    EXPECT_TRUE(Logged(Banner("REBOOT NOT INITIATED")));
    EXPECT_FALSE(run_.machine.HasKey(kRunOnceEx));

    run_.log.Clear();
    properties_.Set("AUTOREBOOT", "Yes", true);  // even when the configuration asks for it
    request_.externalControl = true;
    request_.continueAfterReboot = false;
    EXPECT_EQ(RC_RebootRequired, Step());
    EXPECT_TRUE(run_.restart.requests.empty());
    EXPECT_TRUE(run_.prompts.shown.empty());
    EXPECT_TRUE(Logged(Banner("EXTERNALLY CONTROLLED")));
}

TEST_F(RebootStepTest, RebootEventNamesTheProductWithACapital) {
    properties_.Set("EventLogActions", "Yes", true);
    request_.continueAfterReboot = true;
    Step();
    request_.productName.clear();
    request_.continueAfterReboot = false;
    Step();
    request_.writeCompletionEvent = false;
    Step();
    ASSERT_EQ(2u, run_.events.Events().size());
    EXPECT_EQ("Reboot needed. Demo Suite needs to continue after reboot.",
              run_.events.Events()[0].text);
    EXPECT_EQ("Reboot needed. Setup ended", run_.events.Events()[1].text);
}

// The entry that resumes the chain.
TEST_F(RebootStepTest, ContinuingWritesAnEntryThatStartsSetupWithoutWaitingForIt) {
    request_.continueAfterReboot = true;
    Step();
    EXPECT_TRUE(Logged("#### Add to run once"));
    EXPECT_EQ("||cmd /c \"start \"\" \"C:\\Setup\\setup.exe\" -s SkipCRC32=Yes\"",
              run_.machine.Value(kEntry));
}

TEST_F(RebootStepTest, QuotedArgumentMakesTheEntrySynchronous) {
    request_.continueAfterReboot = true;
    request_.arguments = "-s P.TARGET=\"C:\\My Apps\"";
    Step();
    const std::string command =
        "||\"C:\\Setup\\setup.exe\" -s P.TARGET=\"C:\\My Apps\" SkipCRC32=Yes";
    EXPECT_EQ(command, run_.machine.Value(kEntry));
    EXPECT_TRUE(Logged("[WARNING] Added '" + command +
                       "' to run synchronously at startup (cannot set to run asynchronously when "
                       "the command line parameters contains double quotes - not supported in "
                       "this release)"));
}

TEST(ResumeParametersTest, DownloadSettingsGoAlongInShortForm) {
    PropertyStore properties;
    FakeRun run(properties);
    EXPECT_EQ(" SkipCRC32=Yes", ResumeParameters(run.Services()));
    properties.Set("AutoDownloadPrerequisites", "Yes", true);
    properties.Set("PrerequisitesLocation", "C:\\Prerequisite Files", true);
    run.machine.SetShortPath("C:\\Prerequisite Files", "C:\\PREREQ~1");
    EXPECT_EQ(" SkipCRC32=Yes AutoDownloadPrerequisites=Yes PrerequisitesLocation=C:\\PREREQ~1",
              ResumeParameters(run.Services()));
    // Without a short name the blank would split the path into two arguments.
    properties.Set("PrerequisitesLocation", "D:\\No Short", true);
    EXPECT_EQ(" SkipCRC32=Yes AutoDownloadPrerequisites=Yes PrerequisitesLocation=\"D:\\No Short\"",
              ResumeParameters(run.Services()));
}

TEST(ResumeCommandTest, SynchronousWhenAskedOrWhenAnArgumentIsQuoted) {
    bool synchronous = false;
    EXPECT_EQ("||\"C:\\S\\setup.exe\" -q X=1",
              ResumeCommand("C:\\S\\setup.exe", "-q", " X=1", false, &synchronous));
    EXPECT_TRUE(synchronous);
    EXPECT_EQ("||cmd /c \"start \"\" \"C:\\S\\setup.exe\" X=1\"",
              ResumeCommand("C:\\S\\setup.exe", "", " X=1", true, &synchronous));
    EXPECT_FALSE(synchronous);
    // A value that cmd would run as a second command, or expand, never goes through cmd.
    EXPECT_EQ("||\"C:\\S\\setup.exe\" P.X=a&calc X=1",
              ResumeCommand("C:\\S\\setup.exe", "P.X=a&calc", " X=1", true, &synchronous));
    EXPECT_TRUE(synchronous);
    ResumeCommand("C:\\100%\\setup.exe", "", " X=1", true, &synchronous);
    EXPECT_TRUE(synchronous);
    ResumeCommand("C:\\Program Files (x86)\\S\\setup.exe", "", " X=1", true, &synchronous);
    EXPECT_FALSE(synchronous);
}

TEST(PendingRenamesTest, ListsTheOperationsAndFindsAPathWithoutRegardToCase) {
    FakeRun run;
    EXPECT_EQ("", PendingFileRenames(run.Services()));
    EXPECT_FALSE(run.log.Contains("retrieving"));  // a missing list is no error
    const std::string value = std::string("\\??\\C:\\Setup\\setup.exe") + '\0' + '\0' +
                              "\\??\\C:\\new.dll" + '\0' + "!\\??\\C:\\old.dll" + '\0' + '\0';
    run.machine.SetValue(
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
        "PendingFileRenameOperations",
        value);
    // A deletion has an empty destination: the operations after it count as well.
    const std::string renames = PendingFileRenames(run.Services());
    EXPECT_EQ("\\??\\C:\\Setup\\setup.exe\n\\??\\C:\\new.dll\n!\\??\\C:\\old.dll\n", renames);
    EXPECT_TRUE(PendingRenamesName(renames, "c:\\setup\\SETUP.exe"));
    EXPECT_FALSE(PendingRenamesName(renames, "C:\\Setup\\other.exe"));
    EXPECT_FALSE(PendingRenamesName(renames, ""));
}

}  // namespace
