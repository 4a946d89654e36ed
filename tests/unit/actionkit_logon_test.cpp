// The dispatcher's CheckLoginCredentials against a fake logon service: its result, the
// system's text on failure, and the password kept out of every log line.

#include <gtest/gtest.h>

#include <string>

#include "actionkit_fakes.h"
#include "actions.h"
#include "call_dispatch.h"

namespace {

class CheckLoginTest : public ::testing::Test {
  protected:
    FakeActionSession session;
    FakeActionMachine machine;
    ActionContext context{session, machine};
    void SetUp() override { machine.logons["CORP\\ann"] = "S3cret!pw"; }
};

TEST_F(CheckLoginTest, AcceptedAndRefusedLogons) {
    session.properties["CallProcData"] = "CheckLoginCredentials(ann|S3cret!pw|CORP):OK";
    EXPECT_EQ(kActionSuccess, RunCallProc(context));
    EXPECT_EQ("1", session.Get("OK"));
    EXPECT_TRUE(session.Logged(".Info: CallProc> Returned 1"));

    session.properties["CallProcData"] = "CheckLoginCredentials(CORP\\ann|S3cret!pw):OK2";
    RunCallProc(context);
    EXPECT_EQ("1", session.Get("OK2"));
    EXPECT_EQ("CORP\\ann", machine.logonsTried.back());

    session.properties["CallProcData"] = "CheckLoginCredentials(ann|wrong|CORP):BAD";
    EXPECT_EQ(kActionSuccess, RunCallProc(context));
    EXPECT_EQ("0", session.Get("BAD"));
    EXPECT_TRUE(
        session.Logged(".Info: CallProc> Returned 0: The user name or password is incorrect."));

    session.properties["CallProcData"] = "CheckLoginCredentials(a|b|c|d):X";
    EXPECT_EQ(kActionFailure, RunCallProc(context));
}

TEST_F(CheckLoginTest, ThePasswordReachesNoLogLine) {
    session.properties["CallProcData"] = "CheckLoginCredentials(ann|S3cret!pw|CORP):OK";
    RunCallProc(context);
    session.properties["CallProcData"] = "CheckLoginCredentials(ann|Other#pw|CORP):OK";
    RunCallProc(context);
    const std::string all = session.AllLines();
    EXPECT_EQ(std::string::npos, all.find("S3cret!pw")) << all;
    EXPECT_EQ(std::string::npos, all.find("Other#pw")) << all;
    EXPECT_TRUE(session.Logged("CheckLoginCredentials(ann|"));
}

}  // namespace
