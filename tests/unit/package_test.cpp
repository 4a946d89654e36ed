// The package element against a fake Windows Installer and a fake process runner:
// comparison, the run's decision, conditions, the command line, the classification of exit
// codes, the order of a package's steps and its log lines.

#include "f_package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fake_run.h"
#include "log_capture.h"
#include "property_store.h"
#include "registry.h"
#include "return_codes.h"
#include "secrets.h"

namespace {

const char kUpgrade[] = "{0C0C0C0C-0000-4000-8000-0000000000FF}";
const char kFirst[] = "{0C0C0C0C-0000-4000-8000-000000000001}";
const char kSecond[] = "{0C0C0C0C-0000-4000-8000-000000000002}";
const char kVersionValue[] = "HKEY_LOCAL_MACHINE\\Software\\Test\\Version";

// The product of the tests, of one upgrade code, installed at version ("" removes it).
void InstallFirst(FakeMachine& machine, const std::string& version) {
    machine.Remove(kFirst);
    if (!version.empty())
        machine.Install(FakeMachine::Product{kFirst, kUpgrade, version, "Test Product"});
}

// Everything the package's steps do, in order.
std::vector<std::string> journal;

class FakeRunner : public ProcessRunner {
  public:
    ProcessResult Run(const std::string& name, const std::string& command, bool showWindow,
                      bool collectEvents) override {
        journal.push_back("installer " + name + " [" + command + "] window=" +
                          std::to_string(showWindow) + " main=" + std::to_string(collectEvents));
        if (machine)
            InstallFirst(*machine, installsVersion);
        return ProcessResult{exitCode, output};
    }
    bool SetEnvironment(const std::string& name, const std::string& value) override {
        environment[name] = value;
        return true;
    }
    std::map<std::string, std::string> environment;

    static FakeMachine* machine;
    static std::string installsVersion;
    static long exitCode;
    static std::string output;
};
FakeMachine* FakeRunner::machine = nullptr;
std::string FakeRunner::installsVersion;
long FakeRunner::exitCode = 0;
std::string FakeRunner::output;

// A flow element that notes its run with the context the package gave it.
class NotingElement : public FBase {
  public:
    NotingElement(const char* label, int result) : label_(label), result_(result) {}
    int Execute(RunServices&, int direction) override {
        journal.push_back(std::string(label_) + " op=" + std::to_string(Operation()) +
                          " dir=" + std::to_string(direction) + " ctx=" + Reserved(0) + "|" +
                          Reserved(2) + "|" + Reserved(3) + "|" + Reserved(4));
        return result_ ? OnFailType() : 0;
    }
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<NotingElement>(*this); }

  private:
    const char* label_;
    int result_;
};

// The run's choices for one execution.
CommandRequest Request(const std::string& base, bool showWindow, bool installerItems,
                       bool mainInstance, const std::string& forwarded, bool setProperties) {
    CommandRequest request;
    request.baseText = base;
    request.showWindow = showWindow;
    request.installerItems = installerItems;
    request.mainInstance = mainInstance;
    request.forwarded = forwarded;
    request.setPackageProperties = setProperties;
    return request;
}

// The services of a run with the fake runner in place of the scripted installers.
RunServices ServicesOf(FakeRun& run, FakeRunner& runner) {
    RunServices services = run.Services();
    return RunServices{services.log,
                       services.properties,
                       services.prompts,
                       services.progress,
                       runner,
                       services.resolver,
                       services.detection,
                       services.machine,
                       services.registry,
                       services.files,
                       services.clock,
                       services.events,
                       services.pump,
                       services.restart,
                       services.progressDialog};
}

class PackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeRunner::machine = &fake_;
        FakeRunner::installsVersion.clear();
        FakeRunner::exitCode = 0;
        FakeRunner::output.clear();
        journal.clear();
        package_.name = "Runtime";
        package_.version.productId = std::string("u") + kUpgrade;
        package_.version.versionText = "2.0";
    }
    MemoryLog& log() { return run_.log; }
    void Install(const std::string& version) { InstallFirst(fake_, version); }

    FakeRun run_;
    FakeMachine& fake_ = run_.machine;
    FakeRunner runner_;
    RunServices services_ = ServicesOf(run_, runner_);
    PropertyStore& store_ = run_.ownProperties;
    FPackage package_;
};

TEST_F(PackageTest, ComparisonOfInstalledAndWantedVersions) {
    struct Row {
        const char* id;
        const char* wanted;
        const char* installed;  // "" not installed
        bool multiversion;
        int result;
        const char* installedVersion;
    } const rows[] = {
        {"", "2.0", "2.0", false, kNoRequirement, ""},
        {"u", "", "2.1", false, kNoRequirement, "2.1"},
        {"u", "2.0", "", false, kNotInstalled, ""},
        {"u", "2.1.0.0", "2.1", false, kSameInstalled, "2.1"},
        {"u", "2.1", "2.1.5", false, kSameInstalled, "2.1.5"},
        {"u", "2.1", "2.0.9", false, kOlderInstalled, "2.0.9"},
        {"u", "2.1.1", "2.1", false, kOlderInstalled, "2.1"},
        {"u", "2.1", "2.10", false, kNewerInstalled, "2.10"},
        {"u", "2.1", "2.1", true, kSameInstalled, "2.1"},
        {"u", "2.1", "2.0", true, kNotInstalled, ""},  // the filter finds no 2.1
        {"p", "2.1", "2.0", true, kNotInstalled, "2.0"},
        {"p", "2.1", "3.0", true, kNotInstalled, "3.0"},
        {"p", "2.1", "3.0", false, kNewerInstalled, "3.0"},
        {"r", "3.0", "0x3.0", false, kSameInstalled, "3.0"},
    };
    for (const Row& row : rows) {
        Install(row.installed);
        fake_.SetValue(kVersionValue, row.installed);
        VersionRequirement requirement;
        const std::string id = row.id;
        requirement.productId = id == "u"   ? id + kUpgrade
                                : id == "p" ? id + kFirst
                                : id == "r" ? id + kVersionValue
                                            : id;
        requirement.versionText = row.wanted;
        requirement.multiversion = row.multiversion;
        ProductInfo product;
        EXPECT_EQ(row.result, CompareRequirement(requirement, product, fake_))
            << row.id << " " << row.wanted << " vs " << row.installed;
        EXPECT_EQ(row.installedVersion, requirement.installedVersion) << row.installed;
    }
}

TEST_F(PackageTest, ComparisonWithPatternsAndVersionLists) {
    struct Row {
        bool pattern;
        const char* text;
        const char* list;
        const char* installed;
        int result;
    } const rows[] = {
        {true, "2\\.1\\..*", "", "2.1.5", kPatternMatched},
        {true, "3\\..*", "", "2.1.5", kPatternNotMatched},
        {true, "2.(", "", "2.1.5", kBadPattern},
        {false, "", "1.0-1.9,3.0", "1.5", kInRange},
        {false, "", "1.0-1.9,3.0", "3.0", kInRange},
        {false, "", "1.0-1.9,3.0", "2.0", kOutOfRange},
        {false, "", "1.0-1.9,3.0", "", kNotInstalled},
    };
    for (const Row& row : rows) {
        LogCapture log;
        Install(row.installed);
        VersionRequirement requirement;
        requirement.productId = std::string("u") + kUpgrade;
        requirement.isPattern = row.pattern;
        requirement.versionText = row.text;
        requirement.versionList = row.list;
        ProductInfo product;
        EXPECT_EQ(row.result, CompareRequirement(requirement, product, fake_))
            << row.text << row.list;
        EXPECT_EQ(row.result == kBadPattern,
                  log.Contains("Exception in boost::regex module for expression: 2.("));
    }
}

const int kInstall = 0;
const int kUninstall = 1;
const int kRepair = 2;

TEST_F(PackageTest, DecisionByActionComparisonAndPackageKind) {
    struct Row {
        int action;
        const char* installed;  // "" not installed
        const char* wanted;     // "" no version requirement
        bool withId;
        bool main;
        bool required;
        bool multiversion;
        bool forced;
        const char* reason;
        int state;
        int commandAction;
        bool stopWalk;
    } const rows[] = {
        // Not installed.
        {kInstall, "", "2.0", true, false, true, false, false,
         "version '2.0' not found, , non multiversion, required, ", 1, kInstall, false},
        {kUninstall, "", "2.0", true, false, true, false, false,
         "version '2.0' not found, , non multiversion, ", 2, kUninstall, false},
        {kUninstall, "", "2.0", true, false, true, false, true,
         "version '2.0' not found, , non multiversion, ", 1, kUninstall, false},
        {kRepair, "", "2.0", true, false, true, false, false,
         "version '2.0' not found - trying to INSTALL, , non multiversion, required, ", 1, kInstall,
         false},
        {kInstall, "", "2.0", true, false, false, false, false,
         "version '2.0' not found, , non multiversion, not required, ", 2, kInstall, false},
        {kInstall, "", "2.0", true, false, true, true, false,
         "version '2.0' not found, , multiversion, required, ", 1, kInstall, false},
        // Older.
        {kInstall, "1.0", "2.0", true, false, true, false, false,
         "installed version '1.0' is smaller than the specified one '2.0', , non multiversion, "
         "required, ",
         1, kInstall, false},
        {kUninstall, "1.0", "2.0", true, false, true, false, false,
         "installed version '1.0' is smaller than the specified one '2.0', , non multiversion, ", 1,
         kUninstall, false},
        {kRepair, "1.0", "2.0", true, true, true, false, false,
         "installed version '1.0' is smaller than the specified one '2.0' - trying to INSTALL, , "
         "non multiversion, required, ",
         1, kInstall, false},
        // Same.
        {kInstall, "2.0", "2.0", true, true, true, false, false,
         "version '2.0' installed, , non multiversion, required, ", 2, kInstall, false},
        {kUninstall, "2.0", "2.0", true, false, true, false, false,
         "version '2.0' installed, , non multiversion, ", 1, kUninstall, false},
        {kRepair, "2.0", "2.0", true, false, true, false, false,
         "version '2.0' installed, , non multiversion, required, ", 1, kRepair, false},
        {kRepair, "2.0", "2.0", true, false, false, false, false,
         "version '2.0' installed, , non multiversion, not required, ", 2, kRepair, false},
        // Newer.
        {kInstall, "3.0", "2.0", true, false, true, false, false,
         "installed version '3.0' is greater than the specified one '2.0', , non multiversion, "
         "required, ",
         2, kInstall, false},
        {kInstall, "3.0", "2.0", true, true, true, false, false,
         "installed version '3.0' is greater than the specified one '2.0' - installation will be "
         "aborted, , non multiversion, required, ",
         2, kInstall, true},
        {kUninstall, "3.0", "2.0", true, true, true, false, false,
         "installed version '3.0' is greater than the specified one '2.0', , non multiversion, ", 1,
         kUninstall, false},
        // No version requirement.
        {kInstall, "2.0", "", true, false, true, false, false,
         "product code or version not specified, , non multiversion, required, ", 1, kInstall,
         false},
        {kUninstall, "2.0", "", true, false, true, false, false,
         "an installed version found - trying to UNINSTALL, , non multiversion, ", 1, kUninstall,
         false},
        {kUninstall, "", "", true, false, true, false, false,
         "no installed version found, , non multiversion, ", 2, kUninstall, false},
        {kUninstall, "2.0", "2.0", false, false, true, false, false,
         "product id not specified - cannot perform uninstall, , non multiversion, ", 2, kUninstall,
         false},
        {kRepair, "2.5", "", true, false, true, false, false,
         "2.5 installed version, , non multiversion, required, ", 1, kRepair, false},
        {kRepair, "", "", true, false, true, false, false,
         "cannot detect an installed version - trying to INSTALL, , non multiversion, required, ",
         1, kInstall, false},
        {kRepair, "2.0", "2.0", false, false, true, false, false,
         "product id not specified - cannot perform repair, , non multiversion, required, ", 2,
         kRepair, false},
    };
    for (const Row& row : rows) {
        log().Clear();
        Install(row.installed);
        FPackage package;
        package.version.productId = row.withId ? std::string("u") + kUpgrade : "";
        package.version.versionText = row.wanted;
        package.version.multiversion = row.multiversion;
        package.feature = row.main ? "MAIN" : "";
        package.required = row.required;
        const PackageDecision decision =
            package.Decide(services_, row.action, package.Compare(fake_), false, row.forced);
        EXPECT_EQ(row.reason, decision.reason) << row.action << " " << row.installed;
        EXPECT_EQ(row.state, decision.state) << row.reason;
        EXPECT_EQ(row.commandAction, decision.commandAction) << row.reason;
        EXPECT_EQ(row.stopWalk, decision.stopWalk) << row.reason;
        EXPECT_EQ(row.installed[0] != '\0' && row.withId, decision.detected) << row.reason;
        EXPECT_EQ(row.action == kInstall && !row.wanted[0],
                  log().Contains("[WARNING] Product code or version not specified!"));
    }
}

TEST_F(PackageTest, AllCodesSucceedShowsInTheReason) {
    package_.allCodesSucceed = true;
    const PackageDecision decision =
        package_.Decide(services_, kInstall, package_.Compare(fake_), false);
    EXPECT_EQ("version '2.0' not found, , non multiversion, required, SuccesCodes='*', ",
              decision.reason);
}

TEST_F(PackageTest, FirstFalseConditionSkipsWithItsMessage) {
    store_.Set("Action", "Install", true);
    store_.Set("Flag", "1", true);
    package_.conditions = {
        {0, "0", "0 OR [Action]=Uninstall", "not for install"},  // precondition false
        {0, "[Flag]=1", "(1=1))", ""},                           // precondition error
        {1, "0", "", "an uninstall condition"},
        {0, "[Flag]=1", "0 OR [Action]=Install", ""},
        {0, "[Flag]=2", "", "Flag must be 2"},
        {0, "0", "", "never reached"},
    };
    const PackageDecision decision =
        package_.Decide(services_, kInstall, package_.Compare(fake_), true);
    EXPECT_EQ(2, decision.state);
    EXPECT_TRUE(decision.conditionFailed);
    EXPECT_EQ("Flag must be 2", decision.conditionMessage);
    EXPECT_TRUE(decision.showMessage);
    EXPECT_EQ("version '2.0' not found, , non multiversion, condition(s) false, required, ",
              decision.reason);
    const std::string text = log().Text();
    EXPECT_NE(std::string::npos, text.find("    Expression: Precondition is  0 OR Install="
                                           "Uninstall  ->  false\n"));
    EXPECT_NE(
        std::string::npos,
        text.find("[ERROR] Error 'parenthesis mismatch' during expression evaluation: (1=1))"));
    EXPECT_NE(std::string::npos,
              text.find("    Expression: Precondition is  0 OR Install=Install  ->  true\n"
                        "    Expression: Condition is  1=1  ->  true\n"
                        "    Expression: Condition is  1=2  ->  false\n"
                        "[WARNING] Flag must be 2\n"));
    EXPECT_EQ(std::string::npos, text.find("never reached"));
    EXPECT_EQ(std::string::npos, text.find("an uninstall condition"));
}

TEST_F(PackageTest, ConditionsOfTheOtherKindAndErrors) {
    package_.conditions = {{0, "0", "", ""}, {1, "(1=1))", "", "cannot tell"}};
    Install("2.0");
    PackageDecision decision =
        package_.Decide(services_, kUninstall, package_.Compare(fake_), false);
    EXPECT_EQ(2, decision.state);  // an evaluation error counts as false
    EXPECT_EQ("cannot tell", decision.conditionMessage);
    EXPECT_FALSE(decision.showMessage);
    decision = package_.Decide(services_, kRepair, package_.Compare(fake_), false);
    EXPECT_TRUE(decision.conditionFailed);  // repair takes the install conditions
    EXPECT_TRUE(decision.conditionMessage.empty());
}

TEST_F(PackageTest, CommandLineWithInstallerItemsAndInputProperties) {
    store_.Set("SourceDir", "C:\\media\\", true);
    store_.Set("MSIFeature.Core", "Yes", true);
    store_.Set("MSIFeature.Docs", "No", true);
    store_.Set("MSIProperty.INSTALLDIR", "C:\\Program Files\\Tarvex", true);
    store_.Set("msifeature.Extra", "yes", true);
    store_.Set("MSIProperty.LEVEL", "3", true);
    store_.Set("MSIProperty.QUOTED", "\"a b\"", true);
    store_.Set("USERNAME", "Jo Doe", true);
    store_.Set("COMPANY", "Acme", true);
    package_.inputProperties = "USERNAME, MISSING;COMPANY";
    struct Row {
        bool installerItems;
        const char* forwarded;
        const char* command;
    } const rows[] = {
        {true, "",
         "msiexec /i \"C:\\media\\rt.msi\" /qn INSTALLDIR=\"C:\\Program Files\\Tarvex\" LEVEL=3 "
         "QUOTED=\"a b\" USERNAME=\"Jo Doe\" COMPANY=\"Acme\" ADDLOCAL=Core,Extra"},
        {false, "TRACE=1 NAME=\"x y\" ",
         "msiexec /i \"C:\\media\\rt.msi\" /qn TRACE=1 NAME=\"x y\" USERNAME=\"Jo Doe\" "
         "COMPANY=\"Acme\""},
    };
    for (const Row& row : rows) {
        package_.PrepareExecution(Request("msiexec /i \"[SourceDir]rt.msi\" /qn ", false,
                                          row.installerItems, false, row.forwarded, false));
        EXPECT_EQ(row.command, package_.BuildCommand(services_).command);
    }
    EXPECT_FALSE(store_.IsDefined("PackageTag"));
}

// No value can add a switch or a property: each reaches the installer as one value, and a
// name that is not a Windows Installer name is dropped.
TEST_F(PackageTest, ValuesCannotAddSwitchesOrProperties) {
    const char kInjection[] = "\" /qn X=\"1";
    struct Row {
        const char* name;
        const char* value;
        const char* base;
        const char* command;
        const char* warning;
    } const rows[] = {
        {"MSIProperty.TARGET", kInjection, "setup.exe", "setup.exe TARGET=\"\"\" /qn X=\"\"1\"",
         nullptr},
        {"MSIProperty.EMPTY", "", "setup.exe", "setup.exe EMPTY=\"\"", nullptr},
        {"MSIProperty.A /qn B", "1", "setup.exe", "setup.exe",
         "[WARNING] Invalid Windows Installer property name 'A /qn B' ignored"},
        {"MSIFeature.Core /qn", "Yes", "setup.exe", "setup.exe",
         "[WARNING] Invalid Windows Installer feature name 'Core /qn' ignored"},
        {"INSTALLDIR", "C:\\x\" /qn Y=\"1", "setup.exe INSTALLDIR=\"[INSTALLDIR]\"",
         "setup.exe INSTALLDIR=\"C:\\x\"\" /qn Y=\"\"1\"", nullptr},
        {"INSTALLDIR", "C:\\x\" /qn", "setup.exe INSTALLDIR=[INSTALLDIR]",
         "setup.exe INSTALLDIR=\"C:\\x\"\" /qn\"", nullptr},
        // Several switches in one property of the configuration stay several switches.
        {"Switches", "/norestart REBOOT=ReallySuppress", "setup.exe [Switches]",
         "setup.exe /norestart REBOOT=ReallySuppress", nullptr},
    };
    for (const Row& row : rows) {
        FakeRun run;
        RunServices services = ServicesOf(run, runner_);
        run.ownProperties.Set(row.name, row.value, true);
        FPackage package;
        package.PrepareExecution(Request(row.base, false, true, false, "", false));
        EXPECT_EQ(row.command, package.BuildCommand(services).command) << row.name;
        if (row.warning) {
            EXPECT_TRUE(run.log.Contains(row.warning)) << run.log.Text();
        }
    }
    store_.Set("NOTE", "say \"hi\" /qn", true);
    package_.inputProperties = "NOTE";
    package_.PrepareExecution(Request("setup.exe", false, false, false, "", false));
    EXPECT_EQ("setup.exe NOTE=\"say \"\"hi\"\" /qn\"", package_.BuildCommand(services_).command);
}

// The values of secret properties never reach the log, while the installer gets them.
TEST_F(PackageTest, SecretValuesAreMaskedInTheLoggedCommand) {
    store_.Set("MSIProperty.DBPASSWORD", "s3cr3t-value", true);
    store_.Set("ServiceKey", "k3y", true);
    store_.Set(kHiddenPropertiesName, "ServiceKey;Other", true);
    store_.Set("UserPassword", "pw", true);
    package_.inputProperties = "UserPassword";
    package_.PrepareExecution(
        Request("setup.exe /key=[ServiceKey] \"[UserPassword]\"", false, true, false, "", true));
    const PackageCommandLine line = package_.BuildCommand(services_);
    EXPECT_EQ("setup.exe /key=k3y \"pw\" DBPASSWORD=s3cr3t-value UserPassword=\"pw\"",
              line.command);
    EXPECT_EQ("setup.exe /key=****** \"******\" DBPASSWORD=****** UserPassword=******",
              line.display);
    EXPECT_TRUE(log().Contains("PropertiesList='DBPASSWORD=****** UserPassword=******'"));
    EXPECT_EQ("DBPASSWORD=s3cr3t-value UserPassword=\"pw\"", store_.Get("PropertiesList"));

    package_.PrepareExecution(
        Request("setup.exe \"[UserPassword]\"", false, false, false, "", false));
    Install("1.0");
    package_.Execute(services_, kInstall);
    EXPECT_TRUE(log().Contains("    Command   : setup.exe \"******\" UserPassword=******\n"));
    EXPECT_EQ("installer Runtime [setup.exe \"pw\" UserPassword=\"pw\"] window=0 main=0",
              journal.back());
}

TEST_F(PackageTest, PackagePropertiesArePublishedAndLogged) {
    store_.Set("MSIFeature.Core", "Yes", true);
    store_.Set("MSIProperty.LEVEL", "3", true);
    store_.Set("Version", "9.9", true);
    package_.tag = "RT";
    package_.fileName = "rt.msi";
    Install("1.0");
    package_.Compare(fake_);
    // The base text is expanded before the properties change.
    package_.PrepareExecution(Request("setup.exe [Version]", false, true, false, "", true));
    EXPECT_EQ("setup.exe 9.9 LEVEL=3 ADDLOCAL=Core", package_.BuildCommand(services_).command);
    EXPECT_TRUE(log().Contains(std::string("    Properties: PackageTag='RT' "
                                           "PackageFileName='rt.msi' PackageProductCode='") +
                               kFirst +
                               "' FeaturesList='Core' PropertiesList='LEVEL=3' Version='2.0' \n"));
    EXPECT_EQ("Core", store_.Get("FeaturesList"));
    EXPECT_EQ(kFirst, store_.Get("PackageProductCode"));
    EXPECT_EQ("2.0", store_.Get("Version"));
}

// Runs the package with an installer that exits with code.
void RunWithExitCode(RunServices& services, FPackage& package, long code) {
    FakeRunner::exitCode = code;
    package.PrepareExecution(Request("setup.exe", false, false, false, "", false));
    package.Execute(services, kInstall);
}

TEST_F(PackageTest, ClassificationOfExitCodes) {
    struct Row {
        const char* successCodes;  // "*" for all
        std::set<int> errorCodes;
        std::set<int> cancelCodes;
        const char* rebootCode;
        long code;
        bool success;
        bool bothWays;
    } const rows[] = {
        {"*", {5}, {}, "", 5, false, true},       {"*", {5}, {}, "", 7, true, false},
        {"", {}, {}, "3010", 3010, true, false},  {"", {}, {}, "x3010", 3010, false, false},
        {"", {}, {}, "", 0, true, false},         {"", {}, {}, "", 1, false, false},
        {"1641", {}, {}, "", 1641, true, false},  {"1602", {}, {1602}, "", 1602, false, true},
        {"", {}, {1602}, "", 1602, false, false}, {"", {0}, {}, "", 0, false, false},
    };
    for (const Row& row : rows) {
        FPackage package;
        package.name = "P";
        package.allCodesSucceed = std::string(row.successCodes) == "*";
        if (std::atoi(row.successCodes) != 0)
            package.successCodes = {std::atoi(row.successCodes)};
        package.errorCodes = row.errorCodes;
        package.cancelCodes = row.cancelCodes;
        package.rebootCode = row.rebootCode;
        log().Clear();
        RunWithExitCode(services_, package, row.code);
        EXPECT_EQ(row.code, package.ExitCode());
        EXPECT_EQ(row.success, package.IsSuccess(log().File(), false)) << row.code;
        EXPECT_EQ(row.success, package.IsSuccess(log().File(), true)) << row.code;  // no callback
        const std::string warning = "[WARNING] The return code " + std::to_string(row.code) +
                                    " is declared both as a Success and Error code. The error "
                                    "code will be considered.\n";
        EXPECT_EQ(row.bothWays, log().Contains(warning)) << row.code;
        EXPECT_EQ(log().Text().find(warning), log().Text().rfind(warning)) << "reported once";
    }
}

TEST_F(PackageTest, ExecuteRunsTheListsAroundTheInstaller) {
    struct Row {
        int action;
        const char* before;  // installed version before and after the installer
        const char* after;
        std::vector<std::string> steps;
    } const rows[] = {
        {kInstall, "", "2.0", {"exec op=0 dir=0", "installer", "file op=0 dir=0"}},
        {kInstall,
         "1.0",
         "2.0",
         {"exec op=0 dir=0", "file op=0 dir=1", "installer", "file op=0 dir=0"}},
        {kRepair,
         "2.0",
         "2.0",
         {"exec op=2 dir=2", "file op=2 dir=1", "installer", "file op=2 dir=0"}},
        {kRepair, "1.0", "3.0", {"exec op=2 dir=2", "installer"}},
        {kUninstall, "2.0", "", {"exec op=1 dir=1", "file op=1 dir=1", "installer"}},
    };
    for (const Row& row : rows) {
        FPackage package;
        package.name = "Runtime";
        package.version = package_.version;
        package.beforeInstaller.Add(std::make_unique<NotingElement>("exec", 0));
        package.aroundInstaller.Add(std::make_unique<NotingElement>("file", 0));
        Install(row.before);
        FakeRunner::installsVersion = row.after;
        journal.clear();
        package.PrepareExecution(Request("setup.exe", true, false, false, "", false));
        EXPECT_EQ(0, package.Execute(services_, row.action));
        std::vector<std::string> steps;
        for (const std::string& entry : journal)
            steps.push_back(entry.substr(0, entry.find(" ctx")));
        for (std::string& step : steps) step = step.substr(0, step.find(" Runtime"));
        EXPECT_EQ(row.steps, steps) << row.action << " " << row.before;
    }
}

TEST_F(PackageTest, ExecuteHandsContextAndRunnerChoices) {
    package_.appName = "The Runtime";
    package_.version.multiversion = true;
    package_.showProgress = true;
    package_.beforeInstaller.Add(std::make_unique<NotingElement>("exec", 0));
    Install("1.0");
    FakeRunner::output = "line one\r\n\r\nline two\n";
    package_.Compare(fake_);
    package_.PrepareExecution(Request(" setup.exe /s ", true, false, true, "", false));
    EXPECT_EQ(0, package_.Execute(services_, kInstall));
    ASSERT_EQ(2u, journal.size());
    EXPECT_EQ("exec op=0 dir=0 ctx=Runtime|2.0|Runtime2.0|1", journal[0]);
    EXPECT_EQ("installer The Runtime [setup.exe /s] window=1 main=1", journal[1]);
    EXPECT_TRUE(log().Contains("    Command   : setup.exe /s\n"));
    EXPECT_TRUE(package_.InstallerStarted());
    EXPECT_EQ(FakeRunner::output, package_.Output());

    package_.PrepareExecution(Request("setup.exe", false, false, false, "", false));
    journal.clear();
    package_.Execute(services_, kInstall);
    EXPECT_EQ("installer The Runtime [setup.exe] window=0 main=0", journal.back());
}

TEST_F(PackageTest, FailuresAndEmptyCommands) {
    package_.ParseOnFail("Warning:runtime failed", log().File());
    package_.beforeInstaller.Add(std::make_unique<NotingElement>("exec", 0));
    package_.PrepareExecution(Request("  [Nothing]", false, false, false, "", false));
    store_.Set("Nothing", "", true);
    FakeRunner::exitCode = 5;
    EXPECT_EQ(0, package_.Execute(services_, kInstall));
    EXPECT_FALSE(package_.InstallerStarted());
    EXPECT_EQ(0, package_.ExitCode());
    EXPECT_TRUE(log().Contains("[WARNING] Empty command line: execution skipped\n"));
    ASSERT_EQ(1u, journal.size());

    package_.PrepareExecution(Request("setup.exe", false, false, false, "", false));
    EXPECT_EQ(kOnFailWarning, package_.Execute(services_, kInstall));  // the installer failed

    auto failing = std::make_unique<NotingElement>("exec", 1);
    failing->ParseOnFail("Error:cannot prepare", log().File());
    package_.beforeInstaller.Add(std::move(failing));
    FakeRunner::exitCode = 0;
    EXPECT_EQ(kOnFailWarning, package_.Execute(services_, kInstall));  // a list failed
    EXPECT_EQ("installer Runtime [setup.exe] window=0 main=0", journal.back());
}

TEST_F(PackageTest, InstallerThatCannotStartFails) {
    FakeRunner::exitCode = -1;  // what the runner gives for a command that did not start
    RunWithExitCode(services_, package_, -1);
    EXPECT_TRUE(package_.InstallerStarted());
    EXPECT_EQ(-1, package_.ExitCode());
    EXPECT_FALSE(package_.IsSuccess(log().File(), false));
}

TEST_F(PackageTest, DetectedLine) {
    Install("1.0");
    package_.Compare(fake_);
    package_.LogDetected(log().File());
    EXPECT_EQ(std::string("    Detected  : Ver='1.0' Name='Test Product' ProdCode='") + kFirst +
                  "' UpgrCode='" + kUpgrade + "' ProdId='u" + kUpgrade + "' \n",
              log().Text());
    FPackage unknown;
    unknown.Compare(fake_);
    unknown.LogDetected(log().File());
    EXPECT_TRUE(log().Contains("' \n    Detected  : \n"));
}

TEST_F(PackageTest, ResultLines) {
    struct Row {
        long code;
        std::set<int> errorCodes;
        bool rebootDue;
        bool delayReboot;
        const char* lines;
    } const rows[] = {
        {3010,
         {},
         true,
         false,
         "    Ret.code  : 3010 [Application returned code 3010 (reboot required code) "
         "(success)]\n\n"
         "    Output    : line one\n                line two\n"
         "[WARNING] Package 'Runtime' result code <3010> (reboot required code)\n"
         "    Reboot    : REQUIRED NOW - will continue after reboot\n"},
        {3010, {}, true, true, "    Reboot    : Delayed\n"},
        {5,
         {5},
         false,
         false,
         "    Ret.code  : 5 [Application returned code 5 (error)]\n\n"
         "    Output    : line one\n                line two\n"
         "[ERROR] Package 'Runtime' result code <5> (error)\n"},
        {7, {}, false, false, "[WARNING] Package 'Runtime' result code <7> (error)\n"},
        {0,
         {},
         false,
         false,
         "    Ret.code  : 0 [Application returned code 0 (success)]\n\n"
         "    Output    : line one\n                line two\n"},
    };
    for (const Row& row : rows) {
        FPackage package;
        package.name = "Runtime";
        package.rebootCode = "3010";
        package.errorCodes = row.errorCodes;
        package.delayReboot = row.delayReboot;
        FakeRunner::output = "line one\r\n\r\nline two\r\n";
        RunWithExitCode(services_, package, row.code);
        log().Clear();
        package.LogResult(log().File(), row.rebootDue);
        EXPECT_TRUE(log().Contains(row.lines)) << log().Text();
        EXPECT_EQ(row.code == 0, !log().Contains("result code"));
        EXPECT_EQ(row.rebootDue, log().Contains("    Reboot    : "));
        EXPECT_FALSE(log().Contains("    Callback  : "));
    }
}

TEST_F(PackageTest, ArmedCallbackSetsItsPathAndIsLogged) {
    package_.appName = "Tarvex Suite";
    const std::string value =
        std::string("HKEY_LOCAL_MACHINE\\") + kReturnCodesKey + "\\Tarvex Suite";
    run_.machine.SetValue(value, "12");  // a former run's code is cleared
    package_.ArmCallback(services_);
    EXPECT_TRUE(package_.CallbackUsed());
    EXPECT_TRUE(run_.machine.HasKey(std::string("HKEY_LOCAL_MACHINE\\") + kReturnCodesKey));
    EXPECT_EQ("", run_.machine.Value(value));
    const std::string path = runner_.environment["CALLBACKPATH"];
    EXPECT_EQ(
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\"
        "Bootstrapper\\ReturnCodes\\Tarvex Suite",
        path);
    RunWithExitCode(services_, package_, 0);
    EXPECT_EQ(RC_None, package_.CallbackReturnCode());
    package_.LogResult(log().File(), false);
    EXPECT_TRUE(log().Contains("    Callback  : -1 [Ignored]\n"));

    FPackage longName;
    longName.appName = std::string(1000, 'n');
    longName.ArmCallback(services_);
    EXPECT_TRUE(log().Contains("[ERROR] CallbackPath buffer too small!"));
    EXPECT_EQ(path, runner_.environment["CALLBACKPATH"]);
}

TEST_F(PackageTest, OutputPropertiesNeedAPathAndAnUpgradeCode) {
    EXPECT_TRUE(package_.PublishOutputProperties(services_, ""));  // none wanted
    EXPECT_TRUE(package_.RetrieveOutputProperties(services_, ""));
    EXPECT_TRUE(package_.RemoveOutputProperties(services_, ""));
    EXPECT_EQ("", log().Text());
    package_.outputProperties = "RESULT,DETAIL";
    EXPECT_FALSE(package_.PublishOutputProperties(services_, ""));
    EXPECT_FALSE(package_.RetrieveOutputProperties(services_, ""));
    EXPECT_FALSE(package_.RemoveOutputProperties(services_, ""));
    for (const char* where :
         {"PublishMSIProps()\n", "RetrieveMSIProps()()\n", "RemoveMSIProps()\n"})
        EXPECT_TRUE(log().Contains(std::string("                No registry path provided for "
                                               "output properties list in ") +
                                   where));
    package_.version.productId = std::string("p") + kFirst;  // no upgrade code
    Install("1.0");
    package_.Compare(fake_);
    EXPECT_FALSE(
        package_.PublishOutputProperties(services_, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Props"));
    EXPECT_TRUE(
        log().Contains("[WARNING] Cannot write output properties list to msi package: no "
                       "upgrade code for package 'Runtime'"));
}

TEST_F(PackageTest, PackageInformationFromTheInstallerFile) {
    fake_.AddPackageFile("rt.msi", {{"ProductCode", kSecond},
                                    {"ProductVersion", " 4.5.6 "},
                                    {"ProductName", "Runtime Package"}});
    fake_.AddFile("rt.exe", "7.8");
    struct Row {
        const char* type;
        const char* file;
        const char* id;
        const char* wanted;
        std::string expectedId;
        const char* expectedVersion;
    } const rows[] = {
        {"MSI", "rt.msi", "", "", std::string("p") + kSecond, "4.5.6"},
        {"msi", "rt.msi", "u{given}", "1.0", "u{given}", "1.0"},
        {"MSI", "missing.msi", "", "", "", ""},
        {"ISEXEMSI", "rt.exe", "", "", "", "7.8"},
        {"ISEXEMSI", "rt.exe", "", "1.0", "", "1.0"},
        {"EXE", "rt.exe", "", "", "", ""},
    };
    for (const Row& row : rows) {
        FPackage package;
        package.type = row.type;
        package.version.productId = row.id;
        package.version.versionText = row.wanted;
        package.ReadPackageInformation(row.file, fake_);
        EXPECT_EQ(row.expectedId, package.version.productId) << row.type << row.file;
        EXPECT_EQ(row.expectedVersion, package.version.versionText) << row.type << row.file;
    }
    FPackage package;
    package.type = "MSI";
    package.ReadPackageInformation("rt.msi", fake_);
    EXPECT_STREQ("Runtime Package", package.Product().productName);
}

}  // namespace
