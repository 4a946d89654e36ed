// The custom actions of actionkit and its CallProc dispatcher against a fake session and
// machine: the properties they read and write, the lines they log, what they return to the
// installer.

#include <gtest/gtest.h>

#include <string>

#include "actionkit_fakes.h"
#include "actions.h"
#include "call_dispatch.h"

namespace {

class ActionKitTest : public ::testing::Test {
  protected:
    FakeActionSession session;
    FakeActionMachine machine;
    ActionContext context{session, machine};

    std::string Property(const char* name) { return session.Get(name); }
};

using CallProcTest = ActionKitTest;

TEST(ActionCallParseTest, EmptyPiecesAreDroppedAndTheReturnPropertyIsKept) {
    ActionCall call;
    ASSERT_TRUE(ParseActionCall("LaunchExeProc(a||b|1)", &call));
    EXPECT_EQ("LaunchExeProc", call.name);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "1"}), call.arguments);
    EXPECT_EQ("", call.returnProperty);
    ASSERT_TRUE(ParseActionCall("P(x(y)z)tail:RESULT", &call));
    EXPECT_EQ("P", call.name);
    EXPECT_EQ((std::vector<std::string>{"x(y)z"}), call.arguments);
    EXPECT_EQ("RESULT", call.returnProperty);
    ASSERT_TRUE(ParseActionCall("Q()", &call));
    EXPECT_TRUE(call.arguments.empty());
    EXPECT_FALSE(ParseActionCall("Q(", &call));
    EXPECT_FALSE(ParseActionCall("Q)x(", &call));
    std::string many = "M(";
    for (int i = 0; i < 40; ++i) many += std::to_string(i) + "|";
    ASSERT_TRUE(ParseActionCall(many + ")", &call));
    EXPECT_EQ(31u, call.arguments.size());
    EXPECT_EQ("30", call.arguments.back());
}

TEST_F(CallProcTest, IntegerResultReachesTheReturnProperty) {
    session.properties["CustomActionData"] = "CompareVersionsProc(1.2|1.10):CMP";
    EXPECT_EQ(kActionSuccess, RunCallProc(context));
    EXPECT_EQ("-1", Property("CMP"));
    EXPECT_TRUE(session.Logged(".Info: CallProc> Calling CompareVersionsProc(), Params = 3"));
    EXPECT_TRUE(session.Logged(".Info: CallProc> CompareVersionsProc() returned -1 (Str = -1)"));
    EXPECT_TRUE(session.Logged(".Info: CallProc> Return property: CMP = -1"));
    EXPECT_TRUE(session.Logged(".Info: CallProc Custom Action executed"));
}

TEST_F(CallProcTest, ImmediateActionReadsCallProcData) {
    session.properties["CallProcData"] = "FindProductCodeProc(u{AA}):FOUND";
    machine.products.related["{AA}"] = {"{P1}", "{P2}"};
    EXPECT_EQ(kActionSuccess, RunCallProc(context));
    EXPECT_EQ("{P2}", Property("FOUND"));
    EXPECT_TRUE(session.Logged("CustomActionData property not found. Maybe not deferred."));
}

TEST_F(CallProcTest, UnknownNamesWrongCountsAndBadTextsStopTheInstallation) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"NoSuchProc(x):R", ".Error: CallProc> Proc NoSuchProc not found"},
        {"compareVersionsProc(1|2):R", ".Error: CallProc> Proc compareVersionsProc not found"},
        {"CompareVersionsProc(1):R",
         ".Error: CallProc> Proc CompareVersionsProc - incorrect number of parameters"},
        {"LaunchExeProc(a||b):R",
         ".Error: CallProc> Proc LaunchExeProc - incorrect number of parameters"},
        {"CheckLoginCredentials(x):R",
         ".Error: CallProc> Proc CheckLoginCredentials - incorrect number of parameters"},
        {"CompareVersionsProc 1 2", ".Error: CallProc> Incorrect format"},
        {"", ".Error: CallProc> Property not found: CustomActionData/CallProcData"},
    };
    for (const auto& c : cases) {
        FakeActionSession fresh;
        ActionContext call(fresh, machine);
        fresh.properties["CustomActionData"] = c.text;
        EXPECT_EQ(kActionFailure, RunCallProc(call)) << c.text;
        EXPECT_EQ("", fresh.Get("R")) << c.text;
        EXPECT_TRUE(fresh.Logged(c.line)) << c.text << "\n" << fresh.AllLines();
    }
}

TEST_F(CallProcTest, LaunchExeProcQuotesTheProgramAndReturnsItsExitCode) {
    machine.launchResult.started = true;
    machine.launchResult.exitCode = 7;
    EXPECT_EQ(kActionSuccess,
              RunCallText(context, "LaunchExeProc(C:\\My Tools\\t.exe|-x|1|C:\\Work):RC"));
    ASSERT_EQ(1u, machine.launches.size());
    EXPECT_EQ("\"C:\\My Tools\\t.exe\" -x", machine.launches[0].commandLine);
    EXPECT_EQ("C:\\Work", machine.launches[0].folder);
    EXPECT_TRUE(machine.launches[0].wait);
    EXPECT_EQ("7", Property("RC"));
    EXPECT_TRUE(session.Logged(
        ".Info: LaunchExeProc> Cmd = \"C:\\My Tools\\t.exe\" -x, Wait = 1, WkDir = C:\\Work"));

    machine.launchResult.started = false;
    machine.launchResult.error = 2;
    EXPECT_EQ(kActionSuccess, RunCallText(context, "LaunchExeProc(C:\\none.exe|x|0):RC"));
    EXPECT_EQ("-1", Property("RC"));
    EXPECT_TRUE(session.Logged(".Error: LaunchExeProc> Failed to create process (error code 2)"));
    // A program path with a quote is never started.
    machine.launches.clear();
    EXPECT_EQ(kActionSuccess, RunCallText(context, "LaunchExeProc(C:\\a.exe\" -evil|x|1):RC"));
    EXPECT_TRUE(machine.launches.empty());
    EXPECT_EQ("-1", Property("RC"));
}

TEST_F(CallProcTest, ProductProceduresReadTheInstallersProducts) {
    machine.products.related["{UP}"] = {"{A}", "{B}"};
    machine.products.versions = {{"{A}", "2.5.0"}, {"{B}", "2.10.1"}, {"{C}", "9.0"}};
    const struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"GetProductVersionProc(u{UP}):R", "2.10.1"},
        {"GetProductVersionProc({A},U{UP}):R", "2.10.1"},
        {"GetProductVersionProc({A}, {C}):R", "9.0"},
        {"GetProductVersionProc({NONE}):R", ""},
        {"CheckProductVersionProc(u{UP}|2.10.1):R", "0"},
        {"CheckProductVersionProc(u{UP}|3):R", "-1"},
        {"CheckProductVersionProc({NONE}|1):R", "-1"},
        {"VersionInRangeProc(2.5|1-2,2.4-2.6):R", "1"},
        {"CountRegKeyValuesProc(Software\\Missing):R", "0"},
    };
    for (const auto& c : cases) {
        session.properties.erase("R");
        EXPECT_EQ(kActionSuccess, RunCallText(context, c.text)) << c.text;
        EXPECT_EQ(c.result, Property("R")) << c.text;
    }
}

TEST_F(CallProcTest, MultiVersionInRangeWantsAWellFormedUpgradeCode) {
    const std::string code = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
    machine.products.related[code] = {"{A}", "{B}"};
    machine.products.versions = {{"{A}", "1.0"}, {"{B}", "3.5"}};
    RunCallText(context, "MultiVersionInRangeProc(u" + code + "|3.0-4.0):R");
    EXPECT_EQ("1", Property("R"));
    RunCallText(context, "MultiVersionInRangeProc(u" + code + "|2.0-3.0):R");
    EXPECT_EQ("0", Property("R"));
    RunCallText(context, "MultiVersionInRangeProc(" + code + "|3.0-4.0):R");
    EXPECT_EQ("0", Property("R"));
    EXPECT_TRUE(session.Logged(".Info: CallProc> Invalid upgrade code format."));
}

TEST_F(CallProcTest, DismissDialogRetriesUntilTheWindowIsThere) {
    machine.dialogTitle = "Question";
    machine.dialogRoundsHidden = 2;
    EXPECT_EQ(kActionSuccess, RunCallText(context, "DismissDialog(Question|OK|5|1):R"));
    EXPECT_EQ("1", Property("R"));
    EXPECT_EQ(3, machine.dialogRounds);
    EXPECT_EQ(2, machine.sleeps);
    EXPECT_TRUE(session.Logged(".Info: CallProc> Button press sent"));
    EXPECT_TRUE(session.Logged(".Info: CallProc> WindowTitle 'Question' found=1 t=2"));
    machine.dialogRounds = 0;
    machine.dialogRoundsHidden = 0;
    RunCallText(context, "DismissDialog(Other|OK|2|1):R");
    EXPECT_EQ("0", Property("R"));
    EXPECT_EQ(2, machine.dialogRounds);
    EXPECT_EQ(kActionFailure, RunCallText(context, "DismissDialog(a|b|1|1|extra):R"));
}

TEST_F(ActionKitTest, ProcessEventAndMemoryChecks) {
    machine.processes = {"Explorer.EXE"};
    machine.events = {"Global\\TarvexReady"};
    session.properties = {{"FindProcessName", "explorer.exe"},
                          {"GlobalEventName", "Global\\TarvexReady"}};
    FindProcessAction(context);
    CheckGlobalEventAction(context);
    EXPECT_EQ("1", Property("FindProcessResult"));
    EXPECT_EQ("1", Property("GlobalEventFound"));
    session.properties = {{"FindProcessName", "explorer"}, {"GlobalEventName", "Other"}};
    FindProcessAction(context);
    CheckGlobalEventAction(context);
    EXPECT_EQ("0", Property("FindProcessResult"));
    EXPECT_EQ("0", Property("GlobalEventFound"));
}

// The answer is a property; the return value stays 0 so the installation goes on, and 3 GiB
// of memory count as 3072 MiB, not as a negative number.
TEST_F(ActionKitTest, MemoryRequirementIsAPropertyCountedIn64Bits) {
    machine.memory = 3ULL * 1024 * 1024 * 1024;
    const std::pair<const char*, const char*> cases[] = {
        {"2048", "1"}, {"3072", "1"}, {"3073", "0"}, {"", "0"}, {"abc", "0"}, {"-5", "0"},
    };
    for (const auto& c : cases) {
        session.properties["MINMEMORY"] = c.first;
        EXPECT_EQ(kActionSuccess, MemoryRequirementMetAction(context)) << c.first;
        EXPECT_EQ(c.second, Property("MemoryRequirementMet")) << c.first;
    }
}

TEST_F(ActionKitTest, VersionActions) {
    session.properties = {{"ACTUALVERSION", "5.1"}, {"RequiredVersion", "5.1.0.0"}};
    CmpProductVersionStringsAction(context);
    EXPECT_EQ("1", Property("RequiredProductCodeVersion"));
    session.properties = {{"ACTUALVERSION", "5.0.9"}, {"RequiredVersion", "5.1"}};
    CmpProductVersionStringsAction(context);
    EXPECT_EQ("0", Property("RequiredProductCodeVersion"));
    // An unknown version never passes for a sufficient one.
    session.properties = {{"RequiredVersion", "5.1"}};
    CmpProductVersionStringsAction(context);
    EXPECT_EQ("0", Property("RequiredProductCodeVersion"));
    EXPECT_TRUE(session.Logged("Error: CmpProductVersionStrings: ActualVersion not found"));

    session.properties = {{"LongVersion4Digit", "4.10.2.1234"}};
    GetShortVersionAction(context);
    EXPECT_EQ("4.10.1234", Property("ShortVersion3Digit"));
    session.properties.clear();
    GetShortVersionAction(context);
    EXPECT_EQ("0.0.0", Property("ShortVersion3Digit"));
}

TEST_F(ActionKitTest, ProductActions) {
    machine.products.related["{UP}"] = {"{OLD1}", "{OLD2}"};
    machine.products.versions = {{"{OLD1}", "1.0.0"}, {"{OLD2}", "1.5.0"}};
    session.properties = {
        {"ProductUpgradeCode", "{UP}"}, {"GetProductCode", "{OLD1}"}, {"RequiredVersion", "1.2"}};
    FindProductCodeAction(context);
    DetectOldProductsAction(context);
    GetProductVersionAction(context);
    CheckProductVersionAction(context);
    EXPECT_EQ("{OLD2}", Property("ProductCodeFound"));
    EXPECT_EQ("{OLD2}", Property("OLDAPPGUID"));
    EXPECT_EQ("2", Property("OLDAPPCOUNTER"));
    EXPECT_EQ("1.0.0", Property("RetProductVersion"));
    EXPECT_EQ("0", Property("RequiredProductCodeVersion"));
    session.properties["GetProductCode"] = "u{UP}";
    CheckProductVersionAction(context);
    EXPECT_EQ("1", Property("RequiredProductCodeVersion"));
    session.properties["ProductUpgradeCode"] = "{NONE}";
    DetectOldProductsAction(context);
    EXPECT_EQ("", Property("OLDAPPGUID"));
    EXPECT_EQ("0", Property("OLDAPPCOUNTER"));
}

TEST_F(ActionKitTest, FileActions) {
    machine.files["C:\\app.ini"] = "path=OLD;OLD";
    machine.fileVersions["C:\\app.dll"] = "1.2.3.4";
    session.properties = {{"FILEPATH", "C:\\app.dll"},
                          {"SourceFilePath", "C:\\app.ini"},
                          {"DestFilePath", "C:\\copy.ini"},
                          {"CleanMe", "My App-1.0"}};
    GetFileVersionAction(context);
    FileExistsAction(context);
    CopyFileAction(context);
    CleanStringAction(context);
    EXPECT_EQ("1.2.3.4", Property("FVERSION"));
    EXPECT_EQ("1", Property("FileDoesExist"));
    EXPECT_EQ("1", Property("CopyFileResult"));
    EXPECT_EQ("path=OLD;OLD", machine.files["C:\\copy.ini"]);
    EXPECT_EQ("My_App_1_0", Property("CleanMe"));
    EXPECT_TRUE(session.Logged(".FileDoesExist = 1"));
    session.properties = {{"SourceFilePath", "C:\\none"}, {"CleanMe", ""}};
    FileExistsAction(context);
    CopyFileAction(context);
    CleanStringAction(context);
    EXPECT_EQ("0", Property("FileDoesExist"));
    EXPECT_EQ("0", Property("CopyFileResult"));
    EXPECT_EQ("", Property("CleanMe"));
}

TEST_F(ActionKitTest, SearchAndReplaceVariants) {
    machine.files["C:\\a.ini"] = "dir=OLD\nbak=OLD\n";
    session.properties["CustomActionData"] = "C:\\a.ini|OLD|C:\\New|Dir";
    EXPECT_EQ(kActionSuccess, SearchAndReplaceAction(context, false));
    EXPECT_EQ("dir=C:\\New|Dir\nbak=C:\\New|Dir\n", machine.files["C:\\a.ini"]);
    session.properties["CustomActionData"] = "C:\\a.ini|Dir\n|none";
    EXPECT_EQ(kActionSuccess, SearchAndReplaceAction(context, true));
    EXPECT_EQ("dir=C:\\New|bak=C:\\New|", machine.files["C:\\a.ini"]);
    // Deferred, the action has no property to report through: a failure stops.
    session.properties["CustomActionData"] = "C:\\missing.ini|a|b";
    EXPECT_EQ(kActionFailure, SearchAndReplaceAction(context, false));
    session.properties["CustomActionData"] = "C:\\a.ini||b";
    EXPECT_EQ(kActionFailure, SearchAndReplaceAction(context, false));
    machine.rewriteError = 5;
    session.properties["CustomActionData"] = "C:\\a.ini|dir|x";
    EXPECT_EQ(kActionFailure, SearchAndReplaceAction(context, false));
    EXPECT_EQ("dir=C:\\New|bak=C:\\New|", machine.files["C:\\a.ini"]);

    machine.rewriteError = 0;
    session.properties = {{"SubstFile", "C:\\a.ini"}, {"SubstOld", "New"}, {"SubstNew", "Old"}};
    EXPECT_EQ(kActionSuccess, SearchAndReplaceMsiAction(context));
    EXPECT_EQ("2", Property("SubstCount"));
    EXPECT_EQ("dir=C:\\Old|bak=C:\\Old|", machine.files["C:\\a.ini"]);
    session.properties["SubstOld"] = "";
    EXPECT_EQ(kActionSuccess, SearchAndReplaceMsiAction(context));
    EXPECT_EQ("-1", Property("SubstCount"));
}

TEST_F(ActionKitTest, LaunchAppMapsTheExitCode) {
    session.properties["CustomActionData"] = "C:\\Program Files\\T\\tool.exe /s";
    machine.launchResult.started = true;
    const std::pair<unsigned long, unsigned> cases[] = {{0, 0}, {3010, 0}, {5, 1603}, {259, 1603}};
    for (const auto& c : cases) {
        machine.launchResult.exitCode = c.first;
        EXPECT_EQ(c.second, LaunchAppAction(context)) << c.first;
        EXPECT_EQ(std::to_string(c.first), Property("LaunchAppRetCode"));
    }
    EXPECT_EQ("\"C:\\Program Files\\T\\tool.exe\" /s", machine.launches.back().commandLine);
    EXPECT_EQ("C:\\Program Files\\T\\tool.exe", machine.launches.back().program);
    EXPECT_TRUE(machine.launches.back().toFront);
    machine.launchResult.started = false;
    EXPECT_EQ(kActionFailure, LaunchAppAction(context));
    session.properties["CustomActionData"] = "";
    EXPECT_EQ(kActionFailure, LaunchAppAction(context));
}

TEST_F(ActionKitTest, LaunchExeStoresTheExitCodeWhenItWaits) {
    session.properties = {
        {"LaunchExeFile", "C:\\T\\t.exe"}, {"LaunchExeArgs", "a b"}, {"LaunchExeWait", "1"}};
    machine.launchResult.started = true;
    machine.launchResult.exitCode = 4;
    EXPECT_EQ(kActionSuccess, LaunchExeAction(context));
    EXPECT_EQ("4", Property("LaunchExeRetCode"));
    EXPECT_EQ("\"C:\\T\\t.exe\" a b", machine.launches.back().commandLine);
    session.properties = {{"LaunchExeFile", "C:\\T\\t.exe"}, {"LaunchExeWait", "0"}};
    EXPECT_EQ(kActionSuccess, LaunchExeAction(context));
    EXPECT_FALSE(machine.launches.back().wait);
    EXPECT_EQ("", Property("LaunchExeRetCode"));
    session.properties = {{"LaunchExeFile", "C:\\T\\t.exe\" & calc"}, {"LaunchExeWait", "1"}};
    EXPECT_EQ(kActionSuccess, LaunchExeAction(context));
    EXPECT_EQ("-1", Property("LaunchExeRetCode"));
    EXPECT_EQ(2u, machine.launches.size());
}

TEST_F(ActionKitTest, ShellOpenOpensOnlyAPathOrAnAddress) {
    for (const char* file : {"C:\\Docs\\readme.txt", "https://example.test/notes"}) {
        session.properties = {{"ShellOpenFile", file}};
        EXPECT_EQ(kActionSuccess, ShellOpenAction(context));
        EXPECT_EQ(file, machine.opened.back());
    }
    for (const char* file : {"readme.txt", "notepad", ""}) {
        session.properties = {{"ShellOpenFile", file}};
        EXPECT_EQ(kActionSuccess, ShellOpenAction(context));
    }
    EXPECT_EQ(2u, machine.opened.size());
}

TEST_F(ActionKitTest, SecretsReachNoLogLine) {
    session.properties = {{"PasswordText", "Hunter2-Secret"},
                          {"MsiHiddenProperties", "TOKEN"},
                          {"TOKEN", "tok-1234"},
                          {"CustomActionData", "CompareVersionsProc(tok-1234|1):R"}};
    HideListedProperties(context);
    GetShaHashAction(context);
    EXPECT_EQ(40u, Property("PasswordHash").size());
    RunCallProc(context);
    context.log(".Info: %s %s", "Hunter2-Secret", Property("PasswordHash").c_str());
    const std::string all = session.AllLines();
    EXPECT_EQ(std::string::npos, all.find("Hunter2")) << all;
    EXPECT_EQ(std::string::npos, all.find("tok-1234")) << all;
    EXPECT_EQ(std::string::npos, all.find(Property("PasswordHash"))) << all;
    EXPECT_TRUE(session.Logged("CompareVersionsProc(******|1)"));
}

TEST_F(ActionKitTest, ActionsThisBuildLacksStopTheInstallation) {
    EXPECT_EQ(kActionFailure, NotAvailableAction(context, "UpdateQuentiDll"));
    EXPECT_TRUE(session.Logged(".Error: UpdateQuentiDll is not available in this build"));
}

}  // namespace
