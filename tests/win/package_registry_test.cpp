// The package element against the real registry and real installer files: the return-code
// handshake with a chained setup, the output properties of a Windows Installer package and
// the package information read from an MSI database and from a version resource.

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "beside_setup_resolver.h"
#include "child_process.h"
#include "clock.h"
#include "event_logger.h"
#include "f_package.h"
#include "file_system.h"
#include "log_capture.h"
#include "machine_probe.h"
#include "machine_restart.h"
#include "message_pump.h"
#include "package_status_table.h"
#include "process_runner.h"
#include "progress_dialog.h"
#include "property_store.h"
#include "registry.h"
#include "return_codes.h"
#include "run_services.h"
#include "user_prompts.h"
#include "version.h"

namespace {

const char kCallbackName[] = "Tarvex Package Test";
const char kPropsPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\PackageProps";
const char kUpgrade[] = "{7A45E0F0-0000-4000-8000-0000000000FF}";

std::string CallbackValuePath() {
    return std::string("HKEY_LOCAL_MACHINE\\") + kReturnCodesKey + "\\" + kCallbackName;
}

void SetCallbackValue(const std::string& text) {
    long error = 0;
    ASSERT_TRUE(CreateRegistryKey(std::string("HKEY_LOCAL_MACHINE\\") + kReturnCodesKey,
                                  kRegistryDefaultView, &error))
        << error;
    ASSERT_TRUE(WriteRegistryString(CallbackValuePath(), text, kRegistryDefaultView, &error))
        << error;
}

// The program's own services, on the machine the test runs on.
class PackageRegistryTest : public ::testing::Test {
  protected:
    void TearDown() override {
        long error = 0;
        DeleteRegistryValue(CallbackValuePath(), kRegistryDefaultView, &error);
        DeleteRegistryKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\PackageProps",
                          kRegistryDefaultView, &error);
    }

    PropertyStore store_;
    MemoryStatusTable progress_;
    EventLogger events_;
    BesideSetupResolver resolver_{TestProgramFolder(), SystemFileSystem(), Log()};
    ProgressDialog dialog_{nullptr, nullptr, store_};  // never shown here
    RunServices run_{Log(),
                     store_,
                     MessageBoxPrompts(),
                     progress_,
                     SystemProcessRunner(),
                     resolver_,
                     SystemInstallerQueries(),
                     SystemMachineProbe(),
                     SystemRegistry(),
                     SystemFileSystem(),
                     SystemClock(),
                     events_,
                     SystemMessagePump(),
                     SystemMachineRestart(),
                     dialog_};
};

TEST_F(PackageRegistryTest, ArmingClearsTheValueAndPublishesItsPath) {
    SetCallbackValue("12");
    FPackage package;
    package.name = "Main";
    package.appName = kCallbackName;
    package.ArmCallback(run_);
    std::string value = "not read";
    long error = 0;
    ASSERT_TRUE(ReadRegistryValue(CallbackValuePath(), &value, kRegistryDefaultView, &error));
    EXPECT_EQ("", value);
    char path[1024] = {};
    ASSERT_NE(0u, GetEnvironmentVariableA("CALLBACKPATH", path, sizeof(path)));
    EXPECT_EQ(CallbackValuePath(), path);
    EXPECT_EQ(RC_None, package.ReadCallbackReturn(run_));
}

TEST_F(PackageRegistryTest, CallbackValuesAreTranslated) {
    struct Row {
        const char* text;
        int code;
        bool check;
    } const rows[] = {
        {"", RC_None, true},
        {"3", RC_RebootInProgress, true},
        {"0", RC_AllCompleted, true},
        {"13", RC_ActionQuit, true},
        {"-1", RC_None, true},
        {"17", RC_InvalidCRC32Checksum, false},
        {"1", RC_NotCompleted, false},
        {"42", RC_CallbackFailed, false},
        {"-2", RC_CallbackFailed, false},
        {"two", RC_CallbackFailed, false},
    };
    FPackage package;
    package.appName = kCallbackName;
    package.ArmCallback(run_);
    for (const Row& row : rows) {
        SetCallbackValue(row.text);
        EXPECT_EQ(row.code, package.ReadCallbackReturn(run_)) << row.text;
        EXPECT_EQ(row.code, package.CallbackReturnCode()) << row.text;
        EXPECT_EQ(row.check, package.CallbackCheck()) << row.text;
        EXPECT_EQ(row.check, package.IsSuccess(Log(), true)) << row.text;  // exit code 0
        EXPECT_TRUE(package.IsSuccess(Log(), false)) << row.text;
    }
}

// A chained "setup" started through the system runner leaves 42 in the value it finds in
// CALLBACKPATH: the package fails although the process itself exited with 0.
TEST_F(PackageRegistryTest, ChainedSetupReportsThroughTheRegistry) {
    FPackage package;
    package.name = "Main";
    package.appName = kCallbackName;
    package.ParseOnFail("Error:the chained setup failed", Log());
    package.ArmCallback(run_);
    const std::string command = std::string("cmd /c echo %CALLBACKPATH% & reg add \"") +
                                "HKEY_LOCAL_MACHINE\\" + kReturnCodesKey + "\" /v \"" +
                                kCallbackName + "\" /d 42 /f";
    CommandRequest request;
    request.baseText = command;
    package.PrepareExecution(request);
    LogCapture log;
    EXPECT_EQ(kOnFailError, package.Execute(run_, 0));
    EXPECT_TRUE(package.InstallerStarted());
    EXPECT_EQ(0, package.ExitCode());
    EXPECT_EQ(RC_CallbackFailed, package.CallbackReturnCode());
    EXPECT_FALSE(package.IsSuccess(Log(), true));
    EXPECT_NE(std::string::npos, package.Output().find(CallbackValuePath())) << package.Output();
    package.LogResult(Log(), false);
    EXPECT_TRUE(log.Contains("    Callback  : 10 [RC_CallbackFailed]\n"));
}

TEST_F(PackageRegistryTest, OutputPropertiesRoundTrip) {
    FPackage package;
    package.name = "Runtime";
    package.version.productId = std::string("u") + kUpgrade;
    package.version.versionText = "1.0";
    package.outputProperties = "RESULT, DETAIL";
    package.Compare(run_.detection);  // not installed, but the upgrade code is known
    const std::string key = std::string(kPropsPath) + "\\" + kUpgrade;
    long error = 0;
    ASSERT_TRUE(CreateRegistryKey(key, kRegistryDefaultView, &error));
    ASSERT_TRUE(WriteRegistryString(key + "\\STALE", "old", kRegistryDefaultView, &error));

    ASSERT_TRUE(package.PublishOutputProperties(run_, kPropsPath));
    std::vector<RegistryValue> values;
    ASSERT_TRUE(EnumerateRegistryValues(key, &values, kRegistryDefaultView, &error));
    std::set<std::string> names;
    for (const RegistryValue& value : values) names.insert(value.name + "=" + value.data);
    EXPECT_EQ((std::set<std::string>{"RESULT=", "DETAIL="}), names);

    // What the package's custom action does during the installation.
    ASSERT_TRUE(WriteRegistryString(key + "\\RESULT", "ok", kRegistryDefaultView, &error));
    ASSERT_TRUE(WriteRegistryString(key + "\\DETAIL", "a b", kRegistryDefaultView, &error));
    LogCapture log;
    EXPECT_TRUE(package.RetrieveOutputProperties(run_, kPropsPath));
    EXPECT_EQ("ok", store_.Get("MSI.Runtime.RESULT"));
    EXPECT_EQ("ok", store_.Get("RESULT"));
    EXPECT_EQ("a b", store_.Get("MSI.Runtime.DETAIL"));
    EXPECT_EQ("a b", store_.Get("DETAIL"));
    const std::string trying = "    MSI props : Trying to read MSI prop ";
    EXPECT_TRUE(log.Contains(trying + "2 from '" + key + "' -> NOT FOUND\n"));
    for (const char* name : {"RESULT", "DETAIL"})
        EXPECT_TRUE(log.Contains("' -> " + std::string(name) + "\n")) << name;
    EXPECT_TRUE(log.Contains("MSI.Runtime.RESULT='ok'   RESULT='ok'   "));
    EXPECT_TRUE(log.Contains("MSI.Runtime.DETAIL='a b'   DETAIL='a b'   "));

    EXPECT_TRUE(package.RemoveOutputProperties(run_, kPropsPath));
    EXPECT_FALSE(EnumerateRegistryValues(key, &values, kRegistryDefaultView, &error));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error);
    EXPECT_TRUE(package.RemoveOutputProperties(run_, kPropsPath));  // nothing left to remove
}

TEST_F(PackageRegistryTest, PackageInformationFromInstallerFiles) {
    FPackage msi;
    msi.type = "MSI";
    msi.ReadPackageInformation(FullPath(TestProgramFolder() + "\\..\\fixtures\\gamma.msi"),
                               run_.detection);
    EXPECT_EQ("p{7A45E003-6A33-4000-8000-000000000300}", msi.version.productId);
    EXPECT_EQ("3.0.0", msi.version.versionText);
    EXPECT_STREQ("Detect Gamma", msi.Product().productName);

    FPackage exe;
    exe.type = "ISEXEMSI";
    exe.ReadPackageInformation(FullPath(TestProgramFolder() + "\\..\\bin\\setup.exe"),
                               run_.detection);
    EXPECT_EQ(TARVEX_VERSION_TEXT, exe.version.versionText);
    EXPECT_STREQ("Tarvex Bootstrapper", exe.Product().productName);
    EXPECT_TRUE(exe.version.productId.empty());
}

}  // namespace
