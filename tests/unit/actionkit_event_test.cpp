// SystemLog: the event it composes, the source it registers and what a failed write does.

#include <gtest/gtest.h>

#include <string>

#include "actionkit_fakes.h"
#include "actions.h"

namespace {

const char* const kSourceKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
    "TarvexInstaller";

TEST(ActionKitSystemLogEventTest, TheFirstCharacterSelectsTheType) {
    SystemLogEvent event =
        ComposeSystemLogEvent("w:Disk low", "ann", "1", "ANN-PC\\ann", "Vireo", "2.1");
    EXPECT_EQ(2, event.type);
    EXPECT_EQ(
        "w:User: ann, Priviledged: 1, Logon: ANN-PC\\ann,\nProduct: Vireo, Version: 2.1,\n"
        "Info: Disk low",
        event.text);
    EXPECT_EQ(4, ComposeSystemLogEvent("I:done", "", "", "", "P", "V").type);
    event = ComposeSystemLogEvent("", "", "", "", "P", "V");
    EXPECT_EQ(1, event.type);
    EXPECT_EQ("e:User: , Priviledged: , Logon: ,\nProduct: P, Version: V,\nInfo: Unknown",
              event.text);
    // A message without a type is an error and is kept whole.
    event = ComposeSystemLogEvent("x:odd %s", "", "", "", "P", "V");
    EXPECT_EQ(1, event.type);
    EXPECT_NE(std::string::npos, event.text.find("Info: x:odd %s"));
}

class SystemLogTest : public ::testing::Test {
  protected:
    FakeActionSession session;
    FakeActionMachine machine;
    ActionContext context{session, machine};
};

TEST_F(SystemLogTest, RegistersTheSourceAndReportsTheEvent) {
    session.properties["SystemLogMessage"] = "i:Installed";
    session.properties["USERNAME"] = "ann";
    EXPECT_EQ(kActionSuccess, SystemLogAction(context));
    ASSERT_EQ(1u, machine.eventLog.reported.size());
    const EventRecord& record = machine.eventLog.reported[0];
    EXPECT_EQ("TarvexInstaller", record.source);
    EXPECT_EQ(4, record.type);
    EXPECT_EQ(1000u, record.eventId);
    EXPECT_EQ(
        "i:User: ann, Priviledged: , Logon: ,\nProduct: Unknown, Version: Unknown,\n"
        "Info: Installed",
        record.strings.at(0));
    EXPECT_EQ("C:\\Windows\\system32\\msi.dll",
              machine.registry.Value(std::string(kSourceKey) + "\\EventMessageFile"));
    EXPECT_EQ("7", machine.registry.Value(std::string(kSourceKey) + "\\TypesSupported"));
}

TEST_F(SystemLogTest, AFailedWriteIsLoggedAndTheInstallationGoesOn) {
    machine.eventLog.reportError = 1502;  // ERROR_LOG_FILE_FULL
    EXPECT_EQ(kActionSuccess, SystemLogAction(context));
    EXPECT_TRUE(session.Logged(".Error: SystemLog> Could not write the event (error code 1502)"));
}

}  // namespace
