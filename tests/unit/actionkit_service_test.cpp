// ConfigServiceOnFailureMSI: reading the recovery settings and reporting each step that
// fails, against a fake service control manager.

#include <gtest/gtest.h>

#include <string>

#include "actionkit_fakes.h"
#include "actions.h"

namespace {

TEST(ActionKitServiceRecoveryTest, SettingsAreReadOrRefusedWhole) {
    ServiceRecovery recovery;
    ASSERT_TRUE(ParseServiceRecovery("86400", "restart, Restart;nothing", &recovery));
    EXPECT_EQ(86400ul, recovery.resetSeconds);
    EXPECT_EQ((std::vector<bool>{true, true, false}), recovery.restart);
    ASSERT_TRUE(ParseServiceRecovery("infinite", "restart", &recovery));
    EXPECT_EQ(0xFFFFFFFFul, recovery.resetSeconds);
    ASSERT_TRUE(ParseServiceRecovery("", "nothing", &recovery));
    EXPECT_EQ(0ul, recovery.resetSeconds);
    for (const char* reset : {"-1", "12s", "4294967295", "99999999999"})
        EXPECT_FALSE(ParseServiceRecovery(reset, "restart", &recovery)) << reset;
    for (const char* actions : {"", " , ", "restart,reboot", "run"})
        EXPECT_FALSE(ParseServiceRecovery("0", actions, &recovery)) << actions;
}

class ConfigServiceTest : public ::testing::Test {
  protected:
    FakeActionSession session;
    FakeActionMachine machine;
    ActionContext context{session, machine};
    void SetUp() override {
        machine.services["AkSvc"] = ServiceRecovery{};
        session.properties["ServiceName"] = "AkSvc";
        session.properties["ServiceResetPeriod"] = "3600";
        session.properties["ServiceFailActions"] = "restart,nothing";
    }
};

TEST_F(ConfigServiceTest, TheServiceGetsItsRecoverySettings) {
    EXPECT_EQ(kActionSuccess, ConfigServiceOnFailureAction(context));
    EXPECT_EQ(3600ul, machine.services["AkSvc"].resetSeconds);
    EXPECT_EQ((std::vector<bool>{true, false}), machine.services["AkSvc"].restart);
    EXPECT_TRUE(session.Logged(".CA-ConfigServiceOnFailure"));
    EXPECT_TRUE(session.Logged(".Config for the AkSvc service changed successfully"));
}

TEST_F(ConfigServiceTest, MissingSettingsAndFailedStepsAreLoggedAndChangeNothing) {
    session.properties["ServiceFailActions"] = "reboot";
    EXPECT_EQ(kActionSuccess, ConfigServiceOnFailureAction(context));
    EXPECT_TRUE(machine.services["AkSvc"].restart.empty());
    session.properties["ServiceFailActions"] = "";
    ConfigServiceOnFailureAction(context);
    EXPECT_TRUE(session.Logged(".Error: ServiceFailActions property not set"));
    session.properties["ServiceName"] = "";
    ConfigServiceOnFailureAction(context);
    EXPECT_TRUE(session.Logged(".Error: ServiceName property not set"));

    session.properties["ServiceName"] = "NoSuchSvc";
    session.properties["ServiceFailActions"] = "restart";
    ConfigServiceOnFailureAction(context);
    EXPECT_TRUE(session.Logged(".Error: Could not open the NoSuchSvc service (1060)"));
    const struct {
        ServiceStep step;
        const char* line;
    } steps[] = {
        {ServiceStep::kOpenManager, ".Error: Could not open the SCManager (5)"},
        {ServiceStep::kLockDatabase, ".Error: Could not lock the Service Database (5)"},
        {ServiceStep::kChange, ".Error: Could not change the config for the NoSuchSvc service (5)"},
    };
    for (const auto& step : steps) {
        machine.failStep = step.step;
        EXPECT_EQ(kActionSuccess, ConfigServiceOnFailureAction(context));
        EXPECT_TRUE(session.Logged(step.line)) << step.line;
    }
}

}  // namespace
