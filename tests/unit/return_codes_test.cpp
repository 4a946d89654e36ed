#include "return_codes.h"

#include <gtest/gtest.h>

#include "log_file.h"
#include "package_state.h"

namespace {

TEST(ReturnCodesTest, NamesOfEveryCode) {
    const char* const names[] = {"RC_AllCompleted",
                                 "RC_NotCompleted",
                                 "RC_RebootRequired",
                                 "RC_RebootInProgress",
                                 "RC_InvalidArguments",
                                 "RC_InvalidConfiguration",
                                 "RC_MainPackageNotDetected",
                                 "RC_InstallationAborted",
                                 "RC_UnhandledException",
                                 "RC_DependenciesFailed",
                                 "RC_CallbackFailed",
                                 "RC_ANewerVerAlreadyInstalled",
                                 "RC_ActionCanceled",
                                 "RC_ActionQuit",
                                 "RC_AnotherInstanceRunning",
                                 "RC_PendingRebootDetected",
                                 "RC_OriginalInstallerNotFound",
                                 "RC_InvalidCRC32Checksum"};
    for (int code = 0; code < RC_ItemsNb; ++code)
        EXPECT_STREQ(names[code], ReturnCodeName(code)) << code;
}

TEST(ReturnCodesTest, CodesOutsideTheTable) {
    EXPECT_STREQ("Ignored", ReturnCodeName(-1));
    EXPECT_STREQ("RETURN CODE NOT FOUND", ReturnCodeName(18));
    EXPECT_STREQ("RETURN CODE NOT FOUND", ReturnCodeName(-2));
    EXPECT_STREQ("RETURN CODE NOT FOUND", ReturnCodeName(3010));
}

TEST(ReturnCodesTest, SuccessCodes) {
    for (int code = -1; code <= RC_ItemsNb; ++code) {
        const bool success = code == 0 || code == 2 || code == 3;
        EXPECT_EQ(success, IsSuccessCode(code)) << code;
    }
}

TEST(PackageStateTest, LogTexts) {
    const char* const names[] = {"error",   "none",     "in progress",   "completed",   "failed",
                                 "skipped", "canceled", "preprocessing", "preprocessed"};
    for (int state = -1; state <= 7; ++state) EXPECT_EQ(names[state + 1], StateName(state));
    EXPECT_EQ("unknown status", StateName(8));
    EXPECT_EQ("unknown status", StateName(-2));
}

TEST(PackageStateTest, ProgressDialogRows) {
    struct Row {
        int state;
        const char* text;
        int icon;
    } const rows[] = {{0, "", 133},
                      {1, "In progress...", 130},
                      {2, "Completed", 131},
                      {3, "Failed", 132},
                      {4, "Skipped", 137},
                      {5, "Canceled", 132},
                      {6, "Preprocessing...", 130},
                      {7, "Preprocessed", 133}};
    for (const Row& row : rows) {
        const ProgressStatus* status = FindProgressStatus(row.state);
        ASSERT_NE(nullptr, status) << row.state;
        EXPECT_STREQ(row.text, status->text);
        EXPECT_EQ(row.icon, status->iconResource);
        EXPECT_EQ(row.text, ProgressStatusText(row.state));
    }
}

TEST(PackageStateTest, OverrideTextAndMissingRows) {
    ProgressStatus* preprocessed = FindProgressStatus(PS_Preprocessed);
    ASSERT_NE(nullptr, preprocessed);
    std::snprintf(preprocessed->overrideText, sizeof(preprocessed->overrideText), "%s",
                  "Version uninstalled");
    EXPECT_EQ("Version uninstalled", ProgressStatusText(PS_Preprocessed));
    preprocessed->overrideText[0] = '\0';
    EXPECT_EQ("Preprocessed", ProgressStatusText(PS_Preprocessed));

    const int errors = Log().GetErrorCount();
    EXPECT_EQ(nullptr, FindProgressStatus(-1));
    EXPECT_EQ("", ProgressStatusText(8));
    EXPECT_EQ(errors + 2, Log().GetErrorCount());
}

}  // namespace
