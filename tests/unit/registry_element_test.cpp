// The registry and environment-variable elements in a fake run: their log lines, Create
// turning into Set, the type an environment variable keeps, the broadcast after a change,
// and what their failures mean through the OnFail rule.

#include <gtest/gtest.h>

#include <string>

#include "f_base.h"
#include "f_machine.h"
#include "fake_run.h"
#include "property_store.h"
#include "registry_vocabulary.h"

namespace {

const char kSystemEnvironment[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment\\";
const char kUserEnvironment[] = "HKEY_CURRENT_USER\\Environment\\";

FRegistry Registry(const std::string& entry, const std::string& value, const std::string& type,
                   const std::string& separator) {
    FRegistry element;
    element.entry = entry;
    element.value = value;
    element.type = type;
    element.separator = separator;
    return element;
}

FEnvVar Variable(const std::string& name, const std::string& value, const std::string& type) {
    FEnvVar element;
    element.name = name;
    element.value = value;
    element.type = type;
    element.separator = ";";
    return element;
}

TEST(FRegistryTest, LogsTheOperationAndItsResult) {
    FakeRun run;
    run.ownProperties.Set("Tools", "C:\\Tools", false);
    run.ownProperties.Set("Product", "Ops", false);
    const std::string path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\Ops\\Path";
    run.machine.SetValue(path, "C:\\A");
    FRegistry element =
        Registry("HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\[Product]\\Path", "+[Tools]", "", ";");
    EXPECT_EQ(0, element.Execute(run.Services(), 0));
    EXPECT_EQ(
        "    Registry  : Operation  'Append'\n"
        "                Entry      'HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\Ops\\Path'\n"
        "                Type       'REG_SZ'\n"
        "                Separator  ';'\n"
        "                Value      'C:\\Tools'\n"
        "                Value ini  '[Tools]'\n"
        "    Result    : 'C:\\A' -> 'C:\\A;C:\\Tools'\n",
        run.LogText());
    EXPECT_EQ("C:\\A;C:\\Tools", run.machine.Value(path));

    // Without properties in it the value is written once; a missing value shows as NONE.
    run.log.Clear();
    FRegistry remove = Registry(path, "-", "", "");
    EXPECT_EQ(0, remove.Execute(run.Services(), 0));
    EXPECT_FALSE(run.log.Contains("Value ini"));
    EXPECT_TRUE(run.log.Contains("    Result    : 'C:\\A;C:\\Tools' -> NONE\n"));
    EXPECT_TRUE(run.pump.broadcasts.empty());  // only environment changes are broadcast
}

TEST(FRegistryTest, CreateOfAValueThatExistsIsASet) {
    FakeRun run;
    const std::string path = "HKEY_CURRENT_USER\\Software\\TarvexTests\\Mode";
    FRegistry create = Registry(path, "Quiet", "", "");
    EXPECT_EQ(0, create.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("Operation  'Create'\n"));
    EXPECT_TRUE(run.log.Contains("    Result    : NONE -> 'Quiet'\n"));
    run.log.Clear();
    FRegistry again = Registry(path, ":Silent", "", "");
    EXPECT_EQ(0, again.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("Operation  'Set'\n"));
    EXPECT_TRUE(run.log.Contains("    Result    : 'Quiet' -> 'Silent'\n"));
    EXPECT_EQ("Silent", run.machine.Value(path));
}

// The operation is the one written in the configuration: a property whose value begins with
// "-" is written as it is, it does not remove the value.
TEST(FRegistryTest, PropertiesDoNotChooseTheOperation) {
    FakeRun run;
    run.ownProperties.Set("Switch", "-quiet", false);
    const std::string path = "HKEY_CURRENT_USER\\Software\\TarvexTests\\Switch";
    run.machine.SetValue(path, "-normal");
    FRegistry element = Registry(path, "[Switch]", "", "");
    EXPECT_EQ(0, element.Execute(run.Services(), 0));
    EXPECT_EQ("-quiet", run.machine.Value(path));
    EXPECT_TRUE(run.log.Contains("Operation  'Set'\n"));
}

TEST(FRegistryTest, FailuresFollowTheOnFailRule) {
    struct Row {
        const char* type;
        const char* value;
        const char* error;
    } const rows[] = {
        {"bogus", "x", "[ERROR] Invalid registry type 'bogus'\n"},
        {"none", "x", "[ERROR] Invalid registry type 'none'\n"},
        {"dword", "12a", "[ERROR] Registry set: cannot convert '12a' value to DWORD\n"},
        {"multi", "x", "[ERROR] Registry operations for multiline string entries are not"},
        {"hex", "x", "[ERROR] Registry operations for binary entries are not implemented!\n"},
    };
    for (const Row& row : rows) {
        FakeRun run;
        FRegistry element =
            Registry("HKEY_CURRENT_USER\\Software\\TarvexTests\\V", row.value, row.type, "");
        element.ParseOnFail("Error:registry step failed", run.log.File());
        EXPECT_FALSE(RunFlowElement(run.Services(), element, 0)) << row.type;
        EXPECT_TRUE(run.log.Contains(row.error)) << run.LogText();
        EXPECT_TRUE(run.log.Contains("[ERROR] registry step failed\n")) << row.type;
        EXPECT_TRUE(run.log.Contains("    Completed : No (OnFail -> Error)")) << row.type;
        EXPECT_FALSE(run.machine.HasKey("HKEY_CURRENT_USER\\Software\\TarvexTests")) << row.type;
        const bool engineFailed =
            std::string(row.type) != "bogus" && std::string(row.type) != "none";
        EXPECT_EQ(engineFailed, run.log.Contains("[ERROR] Registry operation error ")) << row.type;

        // OnFail None: the failure shows in the element's own lines only.
        FakeRun quiet;
        FRegistry plain =
            Registry("HKEY_CURRENT_USER\\Software\\TarvexTests\\V", row.value, row.type, "");
        EXPECT_EQ(0, plain.Execute(quiet.Services(), 0)) << row.type;
        EXPECT_TRUE(quiet.log.Contains(row.error)) << row.type;
    }
}

TEST(FEnvVarTest, VariablesKeepTheirTypeAndNewOnesAreTextUnlessTheyReferToOthers) {
    FakeRun run;
    const std::string path = std::string(kSystemEnvironment) + "Path";
    run.machine.SetTypedValue(path, "%SystemRoot%\\system32;%SystemRoot%", kRegExpandString);
    FEnvVar append = Variable("Path", "+C:\\Tools", "SYSTEM");
    EXPECT_EQ(0, append.Execute(run.Services(), 0));
    EXPECT_EQ("%SystemRoot%\\system32;%SystemRoot%;C:\\Tools", run.machine.Value(path));
    EXPECT_EQ(kRegExpandString, run.machine.TypeOf(path));
    EXPECT_EQ(
        "    Env var   : Operation  'Append'\n"
        "                Name       'Path'\n"
        "                Type       'SYSTEM'\n"
        "                Separator  ';'\n"
        "                Value      'C:\\Tools'\n"
        "    Result    : '%SystemRoot%\\system32;%SystemRoot%' -> "
        "'%SystemRoot%\\system32;%SystemRoot%;C:\\Tools'\n",
        run.LogText());

    const std::string plain = std::string(kUserEnvironment) + "TARVEX_PLAIN";
    run.machine.SetValue(plain, "a");
    FEnvVar text = Variable("TARVEX_PLAIN", "=%TEMP%\\x", "user");
    EXPECT_EQ(0, text.Execute(run.Services(), 0));
    EXPECT_EQ(kRegString, run.machine.TypeOf(plain));  // kept, although the value holds "%"

    FEnvVar fresh = Variable("TARVEX_HOME", "C:\\Tarvex", "");
    EXPECT_EQ(0, fresh.Execute(run.Services(), 0));
    EXPECT_EQ(kRegString, run.machine.TypeOf(std::string(kUserEnvironment) + "TARVEX_HOME"));
    FEnvVar expanding = Variable("TARVEX_BIN", "%TARVEX_HOME%\\bin", "");
    EXPECT_EQ(0, expanding.Execute(run.Services(), 0));
    EXPECT_EQ(kRegExpandString, run.machine.TypeOf(std::string(kUserEnvironment) + "TARVEX_BIN"));
    EXPECT_EQ("%TARVEX_HOME%\\bin",
              run.machine.Value(std::string(kUserEnvironment) + "TARVEX_BIN"));
}

TEST(FEnvVarTest, ChangesAreBroadcastAndFailuresFollowOnFail) {
    FakeRun run;
    FEnvVar set = Variable("TARVEX_X", "=x", "");
    EXPECT_EQ(0, set.Execute(run.Services(), 0));  // a Set on a missing variable: nothing
    EXPECT_TRUE(run.log.Contains("    Result    : NONE -> NONE\n"));
    EXPECT_FALSE(run.machine.HasKey("HKEY_CURRENT_USER\\Environment"));
    EXPECT_EQ(std::vector<std::string>{"Environment"}, run.pump.broadcasts);

    FEnvVar create = Variable("TARVEX_X", "x", "");
    create.ParseOnFail("Warning:not told", run.log.File());
    run.pump.broadcastFailure = 1400;
    run.log.Clear();
    EXPECT_TRUE(RunFlowElement(run.Services(), create, 0));
    EXPECT_EQ("x", run.machine.Value(std::string(kUserEnvironment) + "TARVEX_X"));
    EXPECT_TRUE(run.log.Contains("[ERROR] Error during environment variable notify: 1400 ("))
        << run.LogText();
    EXPECT_TRUE(run.log.Contains("    Completed : Yes (OnFail -> Warning)"));

    // A variable that cannot be written is not broadcast.
    run.pump.broadcasts.clear();
    const std::string list = std::string(kUserEnvironment) + "TARVEX_LIST";
    run.machine.SetTypedValue(list, std::string("a\0b\0", 4), kRegMultiString);
    FEnvVar multi = Variable("TARVEX_LIST", "+c", "");
    multi.ParseOnFail("Error:", run.log.File());
    run.log.Clear();
    EXPECT_EQ(kOnFailError, multi.Execute(run.Services(), 0));
    EXPECT_TRUE(
        run.log.Contains("[ERROR] Registry operations for multiline string entries are "
                         "not implemented!\n"));
    EXPECT_TRUE(run.log.Contains("[ERROR] Environment variable operation error 50: "));
    EXPECT_TRUE(run.pump.broadcasts.empty());

    // No name would make the path name the environment key itself.
    FEnvVar unnamed = Variable("", "-", "system");
    unnamed.ParseOnFail("Error:", run.log.File());
    EXPECT_EQ(kOnFailError, unnamed.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("[ERROR] Invalid environment variable name ''"));
}

}  // namespace
