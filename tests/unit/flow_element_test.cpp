#include <gtest/gtest.h>

#include "f_base.h"
#include "f_execute.h"
#include "fake_run.h"
#include "plugin_call.h"
#include "property_store.h"

namespace {

// An element whose operation fails or succeeds on request.
class FakeElement : public FBase {
  public:
    explicit FakeElement(bool fails) : fails_(fails) {}
    int Execute(RunServices&, int) override {
        ++runs;
        return fails_ ? OnFailType() : 0;
    }
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FakeElement>(*this); }
    int runs = 0;

  private:
    bool fails_;
};

TEST(FlowFilterTest, ImplicitConditionTexts) {
    EXPECT_EQ("(0 OR [Action]=Install OR [Action]=Repair) AND (1)",
              ImplicitConditionText("install , REPAIR", ""));
    EXPECT_EQ("(1) AND (1)", ImplicitConditionText("", ""));
    EXPECT_EQ("(0 OR [Action]=Uninstall) AND (0 OR [Mode]=Silent OR [Mode]=Quiet)",
              ImplicitConditionText("uninstall", "silent,QUIET"));
    EXPECT_EQ("0 OR [Action]=Install", FilterText("install,,", "[Action]"));
}

TEST(FlowOnFailTest, Parsing) {
    struct Row {
        const char* text;
        int type;
        const char* message;
        bool warned;
    } const rows[] = {
        {"Warning:Disk check failed", kOnFailWarning, "Disk check failed", false},
        {"warning:x", kOnFailWarning, "x", false},
        {" Error :a:b", kOnFailError, "a:b", false},
        {"Info:", kOnFailInfo, "", false},
        {"Fatal:x", kOnFailNone, "x", true},
        {":x", kOnFailNone, "x", false},
        {"Error", kOnFailNone, "", true},
    };
    for (const Row& row : rows) {
        FakeRun run;
        FakeElement element(false);
        element.ParseOnFail(row.text, run.log.File());
        EXPECT_EQ(row.type, element.OnFailType()) << row.text;
        EXPECT_EQ(row.message, element.OnFailMessage()) << row.text;
        EXPECT_EQ(row.warned, run.log.Contains("[WARNING] Invalid format for attribute OnFail='" +
                                               std::string(row.text) + "'"))
            << row.text;
    }
}

TEST(FlowConditionTest, ConditionsAreExpandedOnceAndLogged) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    store.Set("Mode", "Normal", false);
    FakeElement element(false);
    element.SetExplicitCondition("[Mode]=Silent");
    EXPECT_EQ(0, element.CheckExplicitCondition(run.Services()));
    EXPECT_EQ(
        "    Condition : Explicit -> [Mode]=Silent\n    Condition : Normal=Silent\n"
        "    Condition : 0 (evaluation result False)\n",
        run.log.Text());
    store.Set("Mode", "Silent", true);
    EXPECT_EQ(
        0, element.CheckExplicitCondition(run.Services()));  // the text was expanded the first time
    EXPECT_EQ(1, element.CheckImplicitCondition(run.Services()));  // none
    element.SetImplicitCondition("(1 AND");
    EXPECT_EQ(-1, element.CheckImplicitCondition(run.Services()));
    EXPECT_TRUE(run.log.Contains("[ERROR] Error evaluating expression: "));
}

TEST(FlowRunTest, OnFailDecidesWhatAFailureMeans) {
    struct Row {
        const char* onFail;
        bool fails;
        bool flowOk;
        const char* completed;
        const char* reported;
    } const rows[] = {
        {"", true, true, "    Completed : Yes (OnFail -> None)", nullptr},
        {"Warning:careful", true, true, "    Completed : Yes (OnFail -> Warning)",
         "[WARNING] careful"},
        {"Error:stop here", true, false, "    Completed : No (OnFail -> Error)",
         "[ERROR] stop here"},
        {"Error:not shown", false, true, "    Completed : Yes (OnFail -> None)", nullptr},
    };
    for (const Row& row : rows) {
        FakeRun run;
        FakeElement element(row.fails);
        element.ParseOnFail(row.onFail, run.log.File());
        EXPECT_EQ(row.flowOk, RunFlowElement(run.Services(), element, 0)) << row.onFail;
        EXPECT_TRUE(run.log.Contains(row.completed)) << run.log.Text();
        if (row.reported) {
            EXPECT_TRUE(run.log.Contains(row.reported)) << run.log.Text();
        } else {
            EXPECT_FALSE(run.log.Contains("not shown"));
        }
    }
}

TEST(FlowRunTest, ElementsWhoseConditionFailsAreSkipped) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    store.Set("Action", "Install", false);
    store.Set("Mode", "Normal", false);
    FakeElement element(false);
    element.SetImplicitCondition(ImplicitConditionText("uninstall", ""));
    EXPECT_TRUE(RunFlowElement(run.Services(), element, 0));
    EXPECT_EQ(0, element.runs);
    EXPECT_TRUE(run.log.Contains("    Status    : SKIPPING (condition not met)\n"));

    FakeElement broken(false);
    broken.SetExplicitCondition("[Unknown] = 1");
    EXPECT_TRUE(RunFlowElement(run.Services(), broken, 0));
    EXPECT_EQ(0, broken.runs);
}

TEST(FPropertyTest, Assignments) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    store.Set("ProgramFilesFolder", "C:\\Program Files", false);
    store.Set("MainIsInstalled", "0", false);

    FProperty plain("Dir=[ProgramFilesFolder]\\App");
    plain.SetExprEval(false);
    EXPECT_EQ("PROPERTY Dir", plain.GetTag());
    EXPECT_EQ(0, plain.Execute(run.Services(), 0));
    EXPECT_EQ("C:\\Program Files\\App", store.Get("Dir"));

    FProperty flag("Flag=[MainIsInstalled] = 1");
    EXPECT_EQ(0, flag.Execute(run.Services(), 0));
    EXPECT_EQ("0", store.Get("Flag"));
    EXPECT_TRUE(run.log.Contains("    Property  : ExprEval='Yes' -> 'Flag=0'\n"));

    FProperty text("Greeting=Hello world");  // no operator: the text comes back as written
    EXPECT_EQ(0, text.Execute(run.Services(), 0));
    EXPECT_EQ("Hello world", store.Get("Greeting"));
}

TEST(FPropertyTest, SyntaxErrorsFailWithTheOnFailType) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    struct Row {
        const char* assignment;
        const char* error;
    } const rows[] = {
        {"=x", "[ERROR] Property set syntax error matching '=x'"},
        {"a b=1", "[ERROR] Property set syntax error matching 'a b=1'"},
        {"Empty=", "[ERROR] Property set syntax error matching 'Empty='"},
        {"Bad=(1 AND", "[ERROR] Error evaluating expression during property set: "},
    };
    for (const Row& row : rows) {
        FProperty property(row.assignment);
        property.ParseOnFail("Warning:", run.log.File());
        EXPECT_EQ(kOnFailWarning, property.Execute(run.Services(), 0)) << row.assignment;
        EXPECT_TRUE(run.log.Contains(row.error)) << run.log.Text();
    }
    EXPECT_FALSE(store.IsDefined("Bad"));
    EXPECT_EQ("PROPERTY", FProperty("").GetTag());
    EXPECT_EQ("PROPERTY =x", FProperty("=x").GetTag());
}

int FakePlugin(const char* call, std::string* text, int* number, std::string* error) {
    const std::string request = call;
    if (request == "utils.CallProc:Number()") {
        *number = 42;
        return kPluginInteger;
    }
    if (request.compare(0, 20, "utils.CallProc:Echo(") == 0) {
        *text = request.substr(20, request.size() - 21);
        return kPluginText;
    }
    *error = "no such procedure";
    return kPluginFailed;
}

TEST(FDllCallTest, ResultNames) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    store.Set("Who", "world", false);
    SetPluginCaller(FakePlugin);
    struct Row {
        const char* call;
        const char* before;
        const char* after;
        const char* value;
    } const rows[] = {
        {"Ver=utils.CallProc:Number()", "Ver", nullptr, "42"},
        {"utils.CallProc:Echo([Who]):Ver2", nullptr, "Ver2", "world"},
        {"Both=utils.CallProc:Echo(x):Both2", "Both", "Both2", "x"},
        {"utils.CallProc:Echo(a:b)", nullptr, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        FDllCall call(row.call);
        EXPECT_EQ(0, call.Execute(run.Services(), 0)) << row.call;
        if (row.before) {
            EXPECT_EQ(row.value, store.Get(row.before));
        }
        if (row.after) {
            EXPECT_EQ(row.value, store.Get(row.after));
        }
    }
    FDllCall::Parts parts;
    ASSERT_TRUE(FDllCall::Split("utils.CallProc:Echo(a:b)", &parts, run.log.File()));
    EXPECT_EQ("utils.CallProc:Echo(a:b)", parts.call);
    EXPECT_EQ("", parts.nameAfter);
    SetPluginCaller(nullptr);
}

TEST(FDllCallTest, Failures) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    SetPluginCaller(FakePlugin);
    FDllCall badName("utils.CallProc:Number():9x");
    badName.ParseOnFail("Error:", run.log.File());
    EXPECT_EQ(kOnFailError, badName.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("[ERROR] Not a valid property name '9x'"));
    FDllCall missing("X=utils.CallProc:Missing()");
    EXPECT_EQ(kOnFailNone, missing.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("[ERROR] Method evaluation: no such procedure"));
    EXPECT_FALSE(store.IsDefined("X"));
    EXPECT_EQ(0, FDllCall("").Execute(run.Services(), 0));
    SetPluginCaller(nullptr);
    FDllCall unavailable("utils.CallProc:Number()");
    EXPECT_EQ(kOnFailNone, unavailable.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("[ERROR] Method evaluation: plug-in calls are not available"));
}

TEST(FExecuteTest, RunsItsOneChild) {
    FakeRun run;
    PropertyStore& store = run.ownProperties;
    FExecute both;
    both.SetDllCall(std::make_unique<FDllCall>("utils.CallProc:Number()"));
    both.SetProperty(std::make_unique<FProperty>("A=1"));
    both.ParseOnFail("Warning:conflict", run.log.File());
    EXPECT_EQ(kOnFailWarning, both.Execute(run.Services(), 0));
    EXPECT_TRUE(run.log.Contains("[ERROR] Cannot execute both: DllCall and Property set"));
    EXPECT_EQ("DLLCALL", both.GetTag());

    FExecute property;
    property.SetProperty(std::make_unique<FProperty>("A=[B]"));
    property.SetExprEval(false);
    EXPECT_EQ("PROPERTY A", property.GetTag());
    EXPECT_EQ(0, property.Execute(run.Services(), 0));
    EXPECT_EQ("[B]", store.Get("A"));  // unknown references stay

    auto copy = property.Clone();
    EXPECT_EQ("PROPERTY A", copy->GetTag());
    EXPECT_EQ("EXECUTE", FExecute().GetTag());
}

}  // namespace
