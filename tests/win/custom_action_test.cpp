// CallProc of utils.dll as a Windows Installer custom action: the packages read their call
// text from the property CallProcData and store the return property RESULT in the registry.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"

namespace {

std::string FixtureFolder() {
    return TestProgramFolder() + "\\..\\fixtures";
}

long Install(const std::string& package, const std::string& logPath) {
    const std::string command =
        "msiexec /i \"" + FixtureFolder() + "\\" + package + ".msi\" /qn /l*v \"" + logPath + "\"";
    ChildProcess installer(command, TestProgramFolder(), {});
    EXPECT_TRUE(installer.Started());
    return installer.Wait(120000);
}

// The value Result of HKLM\Software\TarvexTests\<key> in the 64-bit view, or "<absent>".
std::string RecordedResult(const std::string& key) {
    char value[256] = {};
    DWORD size = sizeof(value);
    const std::string path = "Software\\TarvexTests\\" + key;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Result", RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "<absent>";
    return value;
}

TEST(CallProcCustomActionTest, ReturnPropertyIsSetThroughTheSession) {
    const std::string log = TestProgramFolder() + "\\callproc_upper.log";
    EXPECT_EQ(0, Install("callproc_upper", log));
    EXPECT_EQ("ABC", RecordedResult("callproc_upper"));
    const std::string text = TextWithoutZeros(log);
    EXPECT_NE(std::string::npos, text.find(".Info: CallProc> Arguments: StrToUpper(abc|):RESULT"));
    EXPECT_NE(std::string::npos, text.find(".Info: CallProc> Return property: RESULT = ABC"));
    EXPECT_NE(std::string::npos, text.find(".Info: CallProc Custom Action executed"));
}

TEST(CallProcCustomActionTest, UnknownProcedureFailsTheInstallation) {
    const std::string log = TestProgramFolder() + "\\callproc_unknown.log";
    EXPECT_EQ(1603, Install("callproc_unknown", log));
    EXPECT_EQ("<absent>", RecordedResult("callproc_unknown"));
    EXPECT_NE(std::string::npos, TextWithoutZeros(log).find("Proc NoSuchProc not found"));
}

// The package hides TOKEN from the installer's log; the call text carries its value. The
// call still gets it, but neither the installer's log nor ours shows it.
TEST(CallProcCustomActionTest, HiddenPropertiesStayOutOfBothLogs) {
    const std::string log = TestProgramFolder() + "\\callproc_hidden.log";
    EXPECT_EQ(0, Install("callproc_hidden", log));
    EXPECT_EQ("HUNTER2-SECRET", RecordedResult("callproc_hidden"));
    const std::string installerLog = TextWithoutZeros(log);
    EXPECT_NE(std::string::npos,
              installerLog.find(".Info: CallProc> Arguments: StrToUpper(******|)"))
        << installerLog;
    EXPECT_EQ(std::string::npos,
              installerLog.find("CallProc> Arguments: StrToUpper(Hunter2-Secret"));
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, GetEnvironmentVariableA("TEMP", temp, sizeof(temp)));
    const std::string ourLog = TextWithoutZeros(std::string(temp) + "\\Bootstrapper.log");
    EXPECT_NE(std::string::npos, ourLog.find("StrToUpper(******|)"));
    EXPECT_EQ(std::string::npos, ourLog.find("Hunter2-Secret"));
}

}  // namespace
