#include "plugin_interface.h"

#include <gtest/gtest.h>

#include <string>

#include "log_capture.h"
#include "property_store.h"

namespace {

// Echo(...): "argc:<n>;<arg>,<arg>,...;null-after:<yes|no>" as text.
int EchoProc(PluginSession, int argc, char** argv, char* result, int resultSize, int* error) {
    std::string text = "argc:" + std::to_string(argc) + ";";
    int passed = 1;
    for (; passed < kPluginArgvSize && argv[passed]; ++passed)
        text += std::string(passed > 1 ? "," : "") + argv[passed];
    bool nullAfter = true;
    for (int i = passed; i < kPluginArgvSize; ++i) nullAfter = nullAfter && argv[i] == nullptr;
    text += std::string(";null-after:") + (nullAfter ? "yes" : "no");
    snprintf(result, resultSize, "%s", text.c_str());
    SetPluginStatus(error, 0);
    return 0;
}

// Count(...): the number of arguments, with a side text in the buffer.
int CountProc(PluginSession, int argc, char**, char* result, int resultSize, int* error) {
    snprintf(result, resultSize, "side text");
    SetPluginStatus(error, 0);
    return argc - 1;
}

// Pair(a|b): exactly two arguments, returns 7.
int PairProc(PluginSession, int argc, char**, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    return 7;
}

// Broken(x): leaves a partial text and fails with the bad-value status.
int BrokenProc(PluginSession, int, char**, char* result, int resultSize, int* error) {
    snprintf(result, resultSize, "partial");
    SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
    return 0;
}

const PluginProcEntry kEntries[] = {
    {"Echo", EchoProc, kProcText, ""},
    {"Count", CountProc, kProcInteger, ""},
    {"Pair", PairProc, kProcInteger, ""},
    {"Broken", BrokenProc, kProcText, ""},
    {"Missing", NotAvailableProc<0, 1>, kProcInteger, ""},
    {"Echo", CountProc, kProcInteger, ""},  // never reached: the first entry wins
};
const PluginProcTable kTable = {kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

struct CallOutcome {
    int kind;
    int number;
    int error;
    std::string text;
};

CallOutcome Call(const char* text) {
    CallOutcome outcome{0, -5, -5, ""};
    char buffer[256] = "unchanged";
    outcome.kind =
        DispatchPluginCall(kTable, text, &outcome.number, buffer, sizeof(buffer), &outcome.error);
    outcome.text = buffer;
    return outcome;
}

// Clears the library-wide state again whatever a test did.
class PluginInterfaceTest : public ::testing::Test {
  protected:
    void TearDown() override { SetPluginData(nullptr, nullptr, ""); }
};

TEST_F(PluginInterfaceTest, ParserCutsNameArgumentsAndReturnProperty) {
    PluginCall call;
    ASSERT_TRUE(ParsePluginCall("RunningAsAdmin()", &call));
    EXPECT_EQ("RunningAsAdmin", call.name);
    EXPECT_TRUE(call.pieces.empty());
    EXPECT_EQ("", call.returnProperty);

    ASSERT_TRUE(ParsePluginCall(" Name(x)extra", &call));
    EXPECT_EQ(" Name", call.name);  // not trimmed
    EXPECT_EQ(std::vector<std::string>({"x"}), call.pieces);

    ASSERT_TRUE(ParsePluginCall("Name(a(b)|c)):PROP", &call));
    EXPECT_EQ(std::vector<std::string>({"a(b)", "c)"}), call.pieces);  // up to the last ")"
    EXPECT_EQ("PROP", call.returnProperty);

    ASSERT_TRUE(ParsePluginCall("Name(a||b)", &call));
    EXPECT_EQ(std::vector<std::string>({"a", "", "b"}), call.pieces);
    ASSERT_TRUE(ParsePluginCall("Name(a|b|)", &call));
    EXPECT_EQ(std::vector<std::string>({"a", "b"}), call.pieces);

    EXPECT_FALSE(ParsePluginCall("Name", &call));
    EXPECT_FALSE(ParsePluginCall("Name(x", &call));
    EXPECT_FALSE(ParsePluginCall("Name x)", &call));
    EXPECT_FALSE(ParsePluginCall(")Name(", &call));
}

TEST_F(PluginInterfaceTest, ArgumentsReachTheProcedureAsSplit) {
    LogCapture log;
    CallOutcome out = Call("Echo()");
    EXPECT_EQ(kProcText, out.kind);
    EXPECT_EQ(0, out.error);
    EXPECT_EQ("argc:1;;null-after:yes", out.text);

    out = Call("Echo(a||b)");
    EXPECT_EQ("argc:4;a,,b;null-after:yes", out.text);
    EXPECT_TRUE(log.Contains("    Proc call : calling Echo(a||b)\n"));
    EXPECT_TRUE(log.Contains("    Proc call : returned (str) 'argc:4;a,,b;null-after:yes'\n"));
    EXPECT_EQ("argc:3;a,b;null-after:yes", Call("Echo(a|b|)").text);
}

// A procedure reads its arguments up to argc: argc never counts more than the 31 slots
// that hold arguments, and a call with more is refused before any procedure runs.
TEST_F(PluginInterfaceTest, AtMostThirtyOneArgumentsReachAProcedure) {
    const auto call = [](int count) {
        std::string text = "Echo(";
        for (int i = 1; i <= count; ++i) text += (i > 1 ? "|" : "") + std::to_string(i);
        return text + ")";
    };
    std::string expected;
    for (int i = 1; i <= kPluginMaxArguments; ++i)
        expected += (i > 1 ? "," : "") + std::to_string(i);
    EXPECT_EQ("argc:32;" + expected + ";null-after:yes", Call(call(31).c_str()).text);
    LogCapture log;
    const CallOutcome out = Call(call(33).c_str());
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(kPluginInvalidParameter, out.error);
    EXPECT_EQ("unchanged", out.text);  // Echo never ran
    EXPECT_TRUE(log.Contains("[ERROR] Proc Echo has an incorrect number of parameters"));
    std::string pair = "Pair(a";
    for (int i = 0; i < 31; ++i) pair += "|b";
    EXPECT_EQ(-1, Call((pair + ")").c_str()).kind);
}

TEST_F(PluginInterfaceTest, IntegerResultBecomesTextAndSideTextIsLogged) {
    LogCapture log;
    CallOutcome out = Call("Count(x|y|z)");
    EXPECT_EQ(kProcInteger, out.kind);
    EXPECT_EQ(3, out.number);
    EXPECT_EQ("3", out.text);
    EXPECT_TRUE(log.Contains("    Proc call : returned (int) '3'\n"));
    EXPECT_TRUE(log.Contains("    Proc call : message 'side text'\n"));
}

TEST_F(PluginInterfaceTest, StatusesOfFailedCalls) {
    LogCapture log;
    CallOutcome out = Call("Unknown(1)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(kPluginInvalidParameter, out.error);
    EXPECT_TRUE(log.Contains("[ERROR] Proc Unknown not found"));
    EXPECT_EQ(-1, Call(" Echo()").kind);
    EXPECT_EQ(-1, Call("echo()").kind);

    out = Call("Pair(1)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(kPluginInvalidParameter, out.error);
    EXPECT_TRUE(log.Contains("[ERROR] Proc Pair has an incorrect number of parameters"));

    out = Call("Broken(x)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, out.error);  // passed on unchanged
    EXPECT_EQ("partial", out.text);

    out = Call("Echo");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(kPluginInvalidParameter, out.error);
    EXPECT_EQ("unchanged", out.text);
    EXPECT_TRUE(log.Contains("[ERROR] CallProc> Incorrect format for 'Echo'"));
}

TEST_F(PluginInterfaceTest, ProceduresNotBuiltSayTheyAreNotAvailable) {
    LogCapture log;
    CallOutcome out = Call("Missing(a)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(kPluginNotAvailable, out.error);
    EXPECT_TRUE(log.Contains("Missing is not available in this build"));
    EXPECT_EQ(kPluginInvalidParameter, Call("Missing(a|b)").error);
}

TEST_F(PluginInterfaceTest, NullOutPointersAreAccepted) {
    EXPECT_EQ(kProcInteger, DispatchPluginCall(kTable, "Pair(a|b)", nullptr, nullptr, 0, nullptr));
    char buffer[8] = "keep";
    int number = 0;
    EXPECT_EQ(kProcText, DispatchPluginCall(kTable, "Echo(a)", &number, buffer, 0, nullptr));
    EXPECT_STREQ("keep", buffer);  // size 0 counts as no buffer
    EXPECT_EQ(-1, DispatchPluginCall(kTable, "Nope()", nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(-1, DispatchPluginCall(kTable, nullptr, nullptr, nullptr, 0, nullptr));
}

TEST_F(PluginInterfaceTest, OverlongCallTextIsRefused) {
    std::string call = "Echo(" + std::string(kPluginCallBufferSize, 'x') + ")";
    EXPECT_EQ(-1, Call(call.c_str()).kind);
}

TEST_F(PluginInterfaceTest, ArgumentsAreExpandedWithTheHandedOverStore) {
    PropertyStore store;
    store.Set("Greeting", "hello", false);
    SetPluginData(nullptr, &store, "C:\\setup\\config.xml");
    EXPECT_EQ(&store, PluginProperties());
    EXPECT_STREQ("C:\\setup\\config.xml", PluginDataPath());
    EXPECT_EQ("argc:3;hello,x-hello-x;null-after:yes",
              Call("Echo([Greeting]|x-[Greeting]-x)").text);
    EXPECT_EQ("argc:3;hello,[Missing];null-after:yes", Call("Echo([Greeting]|[Missing])").text);
    SetPluginData(nullptr, nullptr, std::string(kPluginPathSize, 'p').c_str());
    EXPECT_STREQ("", PluginDataPath());  // too long: refused, left empty
    EXPECT_EQ("argc:2;[Greeting];null-after:yes", Call("Echo([Greeting])").text);
}

TEST_F(PluginInterfaceTest, SessionCallNamesTheReturnProperty) {
    LogCapture log;
    std::string property;
    std::string value;
    EXPECT_EQ(0u, RunSessionCall(kTable, 0, "Count(a|b):RESULT", &property, &value));
    EXPECT_EQ("RESULT", property);
    EXPECT_EQ("2", value);
    EXPECT_TRUE(log.Contains("[INFO] .Info: CallProc> Calling Count(a|b)"));
    // Another status of the procedure does not fail the action.
    EXPECT_EQ(0u, RunSessionCall(kTable, 0, "Broken(x)", &property, &value));
    EXPECT_EQ("", property);
    EXPECT_EQ(87u, RunSessionCall(kTable, 0, "Nope(x):P", &property, &value));
    EXPECT_EQ(87u, RunSessionCall(kTable, 0, "Pair(x):P", &property, &value));
    EXPECT_EQ(87u, RunSessionCall(kTable, 0, "Pair:P", &property, &value));
}

}  // namespace
