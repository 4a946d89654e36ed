// Walks of the real Installer over chains read from XML by the real configuration reader,
// on a fake machine: which installers start with which command lines, the return code,
// the progress states, the chosen log lines and the boxes shown to the user.
//
// Every chain is a prerequisite (Runtime), the MAIN package (Suite) and a postrequisite
// (Tools), all completed from the generic EXE package of the standard file, with rows
// adding attributes, conditions and flow elements. By default an installer does what its
// command line says: "/i" installs its product at the wanted version, "/x" removes it.

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "config_interpreter.h"
#include "event_logger.h"
#include "fake_run.h"
#include "installer.h"
#include "messages.h"
#include "package_callback.h"
#include "package_state.h"
#include "package_status_table.h"
#include "prereq_location.h"
#include "ref_count.h"
#include "progress_cancel.h"
#include "return_codes.h"
#include "setup_folder.h"
#include "fixed_facts.h"
#include "test_folder.h"

namespace {

const std::time_t kStartTime = 1700000000;

// The generic EXE package: command lines per action and mode, and the usual code sets.
const char kStandardXml[] = R"(<?xml version="1.0"?>
<Standard>
  <Contents>
    <Package Tag="EXE" Type="EXE" SuccessCodes="0,3010" ErrorCodes="1603" CancelCodes="1602"
             RebootCode="3010">
      <Install CmdLine="[PackageFileName] /i" CmdLineSilent="[PackageFileName] /i /s"
               CmdLineQuiet="[PackageFileName] /i /q"/>
      <Uninstall CmdLine="[PackageFileName] /x [PackageProductCode]"
                 CmdLineSilent="[PackageFileName] /x [PackageProductCode] /s"
                 CmdLineQuiet="[PackageFileName] /x [PackageProductCode] /q"/>
      <Repair CmdLine="[PackageFileName] /r [PackageProductCode]"
              CmdLineSilent="[PackageFileName] /r [PackageProductCode] /s"
              CmdLineQuiet="[PackageFileName] /r [PackageProductCode] /q"/>
    </Package>
  </Contents>
</Standard>
)";

// One product of the chain and the package that installs it.
struct ChainProduct {
    const char* name;  // the package Name (and display name)
    const char* tag;
    const char* file;
    const char* upgradeCode;
    const char* productCode;
    const char* version;  // the wanted version
};

const ChainProduct kRuntime = {"Runtime",
                               "RUNTIME",
                               "run.exe",
                               "{A0000000-0000-4000-8000-000000000001}",
                               "{B0000000-0000-4000-8000-000000000001}",
                               "1.0"};
const ChainProduct kSuite = {"Suite",
                             "SUITE",
                             "suite.exe",
                             "{A0000000-0000-4000-8000-000000000002}",
                             "{B0000000-0000-4000-8000-000000000002}",
                             "2.0"};
const ChainProduct kTools = {"Tools",
                             "TOOLS",
                             "tools.exe",
                             "{A0000000-0000-4000-8000-000000000003}",
                             "{B0000000-0000-4000-8000-000000000003}",
                             "1.5"};
const ChainProduct* const kProducts[] = {&kRuntime, &kSuite, &kTools};

const ChainProduct* FindProduct(const std::string& name) {
    for (const ChainProduct* product : kProducts) {
        if (name == product->name)
            return product;
    }
    return nullptr;
}

enum class Requirement { kVersion, kDetectOnly, kNone };

std::string Package(const ChainProduct& product, const std::string& attributes,
                    const std::string& children, Requirement requirement = Requirement::kVersion) {
    std::string xml = std::string("<Package Tag=\"") + product.tag + "\" Type=\"EXE\" Name=\"" +
                      product.name + "\" FileName=\"" + product.file + "\" " + attributes + ">";
    if (requirement == Requirement::kVersion)
        xml += std::string("<Version Version=\"") + product.version + "\" Detect=\"u" +
               product.upgradeCode + "\"/>";
    else if (requirement == Requirement::kDetectOnly)
        xml += std::string("<Version Detect=\"u") + product.upgradeCode + "\"/>";
    return xml + children + "</Package>\n";
}

std::string Pre(const std::string& attributes = "", const std::string& children = "") {
    return Package(kRuntime, attributes, children);
}
std::string Main(const std::string& attributes = "", const std::string& children = "") {
    return Package(kSuite, "Feature=\"MAIN\" " + attributes, children);
}
std::string Post(const std::string& attributes = "", const std::string& children = "") {
    return Package(kTools, attributes, children);
}
std::string Chain() {
    return Pre() + Main() + Post();
}
// A multi-string registry value: each string ended by a zero, and one more zero at the end.
std::string MultiString(const std::vector<std::string>& strings) {
    std::string value;
    for (const std::string& text : strings) value += text + '\0';
    return value + '\0';
}

std::string SetProperty(const std::string& assignment, const std::string& attributes = "") {
    return "<Execute SetProperty=\"" + assignment + "\" ExprEval=\"No\" " + attributes + "/>\n";
}
std::string ToolsCondition(const std::string& attributes) {
    return "<InstallCondition Expr=\"[ToolsWanted] = 1\" " + attributes + "/>";
}

std::string ConfigXml(const std::string& contents) {
    return "<?xml version=\"1.0\"?>\n<Config>\n  <Version>2</Version>\n"
           "  <ProductInfo Name=\"Demo Suite\" Version=\"2.0\" Tag=\"DEMO\"/>\n  <Contents>\n" +
           contents + "  </Contents>\n</Config>\n";
}

using Start = std::pair<std::string, std::string>;  // display name, command line

struct Prompt {
    std::string tag;
    std::string textPart;  // a part of the text shown
    unsigned type;
};

// One installer that does not simply succeed.
struct Script {
    std::string name;  // the display name it is started under
    long exitCode = 0;
    std::string output;
    std::string callbackValue;
    bool doesItsJob = true;  // installs or removes its product as its command line says
};

// One walk: the chain, the command line and the machine, and what must come of them.
struct Row {
    explicit Row(std::string rowName) : name(std::move(rowName)) {}

    Row& Contents(std::string xml) {
        contents = std::move(xml);
        return *this;
    }
    Row& Args(std::string text) {
        arguments = std::move(text);
        return *this;
    }
    Row& Installed(const char* product, const char* version) {
        installed.emplace_back(product, version);
        return *this;
    }
    Row& AllInstalled() {
        for (const ChainProduct* product : kProducts) Installed(product->name, product->version);
        return *this;
    }
    Row& Missing(const char* file) {
        missingFiles.push_back(file);
        return *this;
    }
    // A file beside setup with its bytes (the list "crc32.txt" is one).
    Row& Content(const char* file, std::string bytes) {
        fileContents.emplace_back(file, std::move(bytes));
        return *this;
    }
    Row& RegistryValue(const std::string& path, const std::string& value) {
        values.emplace_back(path, value);
        return *this;
    }
    // The progress item of a package already has a state (a chained setup shares the block).
    Row& Preset(const char* package, int state) {
        presets.emplace_back(package, state);
        return *this;
    }
    Row& Exits(const char* installer, long code) {
        Script script;
        script.name = installer;
        script.exitCode = code;
        script.doesItsJob = code == 0 || code == 3010;
        scripts.push_back(script);
        return *this;
    }
    Row& Callback(const char* installer, const char* value) {
        Script script;
        script.name = installer;
        script.callbackValue = value;
        scripts.push_back(script);
        return *this;
    }
    Row& Output(const char* installer, const char* text) {
        Script script;
        script.name = installer;
        script.output = text;
        scripts.push_back(script);
        return *this;
    }
    Row& Starts(std::vector<Start> expected) {
        starts = std::move(expected);
        return *this;
    }
    Row& Returns(int code) {
        returnCode = code;
        return *this;
    }
    // Lines (or parts of lines) that the log holds, in this order.
    Row& Logs(std::vector<std::string> lines) {
        present = std::move(lines);
        return *this;
    }
    Row& NotLogs(std::vector<std::string> lines) {
        absent = std::move(lines);
        return *this;
    }
    Row& States(std::vector<std::pair<std::string, int>> expected) {
        states = std::move(expected);
        return *this;
    }
    Row& Prompts(std::vector<Prompt> expected) {
        prompts = std::move(expected);
        return *this;
    }
    Row& Slept(unsigned long long milliseconds) {
        sleptMilliseconds = milliseconds;
        return *this;
    }
    // A registry value that the run leaves with this data.
    Row& Holds(const std::string& path, const std::string& data) {
        held.emplace_back(path, data);
        return *this;
    }
    // A registry value (or, with a final "\", a key) that does not exist after the run.
    Row& Lacks(const std::string& path) {
        lacked.push_back(path);
        return *this;
    }
    // What the run asked of the progress dialog: "Show" and "Close" in order, and the line
    // under the banner when it was shown.
    Row& Dialog(std::vector<std::string> calls, std::string subtitle = "") {
        dialogCalls = std::move(calls);
        dialogSubtitle = std::move(subtitle);
        dialogChecked = true;
        return *this;
    }
    // The dialog's rows in order, as "name version".
    Row& DialogRows(std::vector<std::string> expected) {
        dialogRows = std::move(expected);
        return *this;
    }

    std::string name;
    std::string contents = Chain();
    std::string arguments = "-s";
    std::vector<std::pair<std::string, std::string>> installed;  // product, version
    std::vector<std::string> missingFiles;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::pair<std::string, std::string>> fileContents;  // file, bytes
    std::vector<std::pair<std::string, int>> presets;
    std::vector<Script> scripts;
    // Expected: every row states its starts (none by default), return code and prompts
    // (none by default).
    std::vector<Start> starts;
    int returnCode = -100;
    std::vector<std::string> present;
    std::vector<std::string> absent;
    std::vector<std::pair<std::string, int>> states;
    std::vector<Prompt> prompts;
    unsigned long long sleptMilliseconds = 0;
    std::vector<std::pair<std::string, std::string>> held;
    std::vector<std::string> lacked;
    bool dialogChecked = false;
    std::vector<std::string> dialogCalls;
    std::string dialogSubtitle;
    std::vector<std::string> dialogRows;
};

FakeMachine::Product MachineProduct(const ChainProduct& product, const std::string& version) {
    return FakeMachine::Product{product.productCode, product.upgradeCode, version, product.name};
}

// An installer that installs or removes its product as its last command line says.
std::function<void(FakeMachine&)> DoesItsJob(const FakeInstallers& installers,
                                             const ChainProduct& product) {
    return [&installers, &product](FakeMachine& machine) {
        const std::string& command = installers.Starts().back().command;
        if (command.find(" /x ") != std::string::npos)
            machine.Remove(product.productCode);
        else if (command.find(" /i") != std::string::npos ||
                 command.find(" /r ") != std::string::npos)
            machine.Install(MachineProduct(product, product.version));
    };
}

const std::string kReturnCodes = std::string("HKEY_LOCAL_MACHINE\\") + kReturnCodesKey;

class WalkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ConfigInterpreter::SetMachineFactsSource(FixedFacts);
        SetSetupFolder(folder_.Path().string());
        Write("standard.xml", kStandardXml);
    }
    void TearDown() override {
        ConfigInterpreter::SetMachineFactsSource(nullptr);
        SetSetupFolder("");
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_.Child(name)) << text;
    }
    void Walk(const Row& row);

    TestFolder folder_;
};

void CheckDialog(const Row& row, const FakeProgressView& dialog);

// One run of setup on the fake machine: the configuration read from the test's files with
// arguments after the program, and a fake run on its properties.
struct FakeSetup {
    explicit FakeSetup(const std::string& arguments)
        : command(("\"C:\\Setup\\setup.exe\" " + arguments).c_str(), " \t", '"'),
          config(command, "config.xml", "standard.xml", "settings.xml", &events, kStartTime),
          run(config.Properties()) {}
    const CommandLine command;
    EventLogger events;
    ConfigInterpreter config;
    FakeRun run;
};

// The chain's installer files beside setup.
void AddInstallerFiles(FakeMachine& machine) {
    for (const ChainProduct* product : kProducts)
        machine.AddFile(std::string(FakeRun::kSetupFolder) + "\\" + product->file);
}

void WalkTest::Walk(const Row& row) {
    Write("config.xml", ConfigXml(row.contents));
    const std::string line = "\"C:\\Setup\\setup.exe\" " + row.arguments;
    const CommandLine command(line.c_str(), " \t", '"');
    EventLogger events;
    ConfigInterpreter config(command, "config.xml", "standard.xml", "settings.xml", &events,
                             kStartTime);
    ASSERT_TRUE(config.IsValid());

    FakeRun run(config.Properties());
    for (const ChainProduct* product : kProducts) {
        bool missing = false;
        for (const std::string& file : row.missingFiles) missing = missing || file == product->file;
        if (!missing)
            run.machine.AddFile(std::string(FakeRun::kSetupFolder) + "\\" + product->file);
        run.installers.Script(product->name,
                              InstallerScript{0, "", "", DoesItsJob(run.installers, *product)});
    }
    for (const auto& item : row.installed) {
        const ChainProduct* product = FindProduct(item.first);
        ASSERT_NE(nullptr, product) << item.first;
        run.machine.Install(MachineProduct(*product, item.second));
    }
    for (const auto& value : row.values) run.machine.SetValue(value.first, value.second);
    for (const auto& file : row.fileContents)
        run.machine.SetFileContent(std::string(FakeRun::kSetupFolder) + "\\" + file.first,
                                   file.second);
    // The engine names the progress items after slot 0 in document order; a preset state
    // stays on the item of that name.
    int slot = 1;
    for (const ChainProduct* product : kProducts) {
        for (const auto& preset : row.presets) {
            if (preset.first == product->name) {
                run.progress.SetItemName(slot, product->name);
                run.progress.SetItemState(slot, preset.second);
            }
        }
        ++slot;
    }
    for (const Script& script : row.scripts) {
        const ChainProduct* product = FindProduct(script.name);
        std::function<void(FakeMachine&)> effect;
        if (product && script.doesItsJob)
            effect = DoesItsJob(run.installers, *product);
        run.installers.Script(script.name, InstallerScript{script.exitCode, script.output,
                                                           script.callbackValue, effect});
    }
    // The fake prompts answer every question (the rollback) with No.
    Installer installer(config, run.Services());
    const int returnCode = installer.Run();
    const std::string log = run.LogText();

    EXPECT_EQ(row.returnCode, returnCode) << ReturnCodeName(returnCode) << "\n" << log;
    std::vector<Start> starts;
    for (const auto& start : run.installers.Starts())
        starts.emplace_back(start.name, start.command);
    EXPECT_EQ(row.starts, starts);

    std::size_t from = 0;
    for (const std::string& part : row.present) {
        const std::size_t at = log.find(part, from);
        EXPECT_NE(std::string::npos, at) << "missing or out of order: " << part << "\n" << log;
        if (at != std::string::npos)
            from = at + part.size();
    }
    for (const std::string& part : row.absent)
        EXPECT_EQ(std::string::npos, log.find(part)) << "unexpected: " << part << "\n" << log;

    for (const auto& state : row.states)
        EXPECT_EQ(state.second, run.progress.GetItemStateByName(state.first.c_str()))
            << state.first;

    std::string shownTags;
    for (const FakePrompts::Shown& shown : run.prompts.shown) shownTags += "[" + shown.tag + "] ";
    ASSERT_EQ(row.prompts.size(), run.prompts.shown.size()) << shownTags;
    for (std::size_t i = 0; i < row.prompts.size(); ++i) {
        const FakePrompts::Shown& shown = run.prompts.shown[i];
        EXPECT_EQ(row.prompts[i].tag, shown.tag) << i;
        EXPECT_EQ(row.prompts[i].type, shown.type) << i << " " << shown.tag;
        EXPECT_NE(std::string::npos, shown.text.find(row.prompts[i].textPart))
            << i << " " << shown.text;
    }
    EXPECT_EQ(row.sleptMilliseconds, run.clock.SleptMilliseconds());
    for (const auto& value : row.held) {
        std::string data;
        long error = 0;
        EXPECT_TRUE(run.machine.ReadValue(value.first, &data, kRegistryDefaultView, &error))
            << value.first;
        EXPECT_EQ(value.second, data) << value.first;
    }
    for (const std::string& path : row.lacked) {
        std::string data;
        long error = 0;
        const bool exists = path.back() == '\\'
                                ? run.machine.HasKey(path)
                                : run.machine.ReadValue(path, &data, kRegistryDefaultView, &error);
        EXPECT_FALSE(exists) << path;
    }
    CheckDialog(row, run.dialog);
}

// Every run closes the progress dialog once, as its last request; rows that say more are
// checked for it.
void CheckDialog(const Row& row, const FakeProgressView& dialog) {
    ASSERT_FALSE(dialog.calls.empty());
    EXPECT_EQ("Close", dialog.calls.back());
    EXPECT_EQ(1, std::count(dialog.calls.begin(), dialog.calls.end(), "Close"));
    if (row.dialogChecked) {
        EXPECT_EQ(row.dialogCalls, dialog.calls);
        if (!row.dialogSubtitle.empty()) {
            EXPECT_EQ("Setup progress", dialog.title);
            EXPECT_EQ("Tarvex setup", dialog.caption);
            EXPECT_EQ(row.dialogSubtitle, dialog.subtitle);
        }
    }
    if (row.dialogRows.empty())
        return;
    std::vector<std::string> rows;
    for (const FakeProgressView::Row& shown : dialog.rows) {
        rows.push_back(shown.name + " " + shown.version);
        EXPECT_EQ(PS_None, shown.state) << shown.name;
    }
    EXPECT_EQ(row.dialogRows, rows);
}

const unsigned kQuestion = kBoxYesNo | kBoxIconQuestion;

// Command lines of the three installers.
const char kRuntimeInstall[] = "C:\\Setup\\run.exe /i /s";
const char kSuiteInstall[] = "C:\\Setup\\suite.exe /i /s";
const char kToolsInstall[] = "C:\\Setup\\tools.exe /i /s";
const char kRuntimeUninstall[] = "C:\\Setup\\run.exe /x {B0000000-0000-4000-8000-000000000001} /s";
const char kSuiteUninstall[] = "C:\\Setup\\suite.exe /x {B0000000-0000-4000-8000-000000000002} /s";
const char kToolsUninstall[] = "C:\\Setup\\tools.exe /x {B0000000-0000-4000-8000-000000000003} /s";
const char kRuntimeRepair[] = "C:\\Setup\\run.exe /r {B0000000-0000-4000-8000-000000000001} /s";
const char kSuiteRepair[] = "C:\\Setup\\suite.exe /r {B0000000-0000-4000-8000-000000000002} /s";
const char kToolsRepair[] = "C:\\Setup\\tools.exe /r {B0000000-0000-4000-8000-000000000003} /s";

const Start kAllInstalled[] = {
    {"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}, {"Tools", kToolsInstall}};
std::vector<Start> AllInstalls() {
    return {std::begin(kAllInstalled), std::end(kAllInstalled)};
}

// The three actions over the whole chain, and how the installed versions steer them.
std::vector<Row> ActionRows() {
    std::vector<Row> rows;
    rows.push_back(
        Row("install runs the chain in document order")
            .Starts(AllInstalls())
            .Returns(RC_AllCompleted)
            .Logs({"Installing Demo Suite application started",
                   "(4) PERFORMING INSTALL IN SILENT MODE...", "[PRE]  Runtime",
                   "    Status    : EXECUTING INSTALL [version '1.0' not found, , non "
                   "multiversion, required, vital, ref.count 0, temp ref. count]",
                   "    Action    : Executing", "    Command   : C:\\Setup\\run.exe /i /s",
                   "    Completed : Yes", "[MAIN] Suite", "    Callback  : -1 [Ignored]",
                   "[POST] Tools", "INSTALL COMPLETED:  YES", "Application Demo Suite completed"})
            .States({{"Runtime", PS_Completed}, {"Suite", PS_Completed}, {"Tools", PS_Completed}}));
    rows.push_back(Row("a normal install runs a Silent package silently and says it completed")
                       .Contents(Pre("Silent=\"Yes\"") + Main() + Post())
                       .Args("")
                       .Starts({{"Runtime", kRuntimeInstall},
                                {"Suite", "C:\\Setup\\suite.exe /i"},
                                {"Tools", "C:\\Setup\\tools.exe /i"}})
                       .Returns(RC_AllCompleted)
                       .Logs({"(4) PERFORMING INSTALL IN NORMAL (GUI) MODE..."})
                       .Prompts({{"", "Setup completed", kBoxIconInformation}}));
    const std::vector<Start> normalInstalls = {{"Runtime", "C:\\Setup\\run.exe /i"},
                                               {"Suite", "C:\\Setup\\suite.exe /i"},
                                               {"Tools", "C:\\Setup\\tools.exe /i"}};
    rows.push_back(
        Row("a normal run takes the prerequisites location remembered before, and forgets it")
            .Args("")
            .RegistryValue(PrereqLocationPath(), " E:\\Media\t")
            .Starts(normalInstalls)
            .Returns(RC_AllCompleted)
            .Logs({"    AutoDownloadPrerequisites  = No",
                   "    PrerequisitesLocation      = E:\\Media\n"})
            .Lacks(PrereqLocationPath())
            .Prompts({{"", "Setup completed", kBoxIconInformation}}));
    rows.push_back(
        Row("a normal run without a remembered prerequisites location downloads")
            .Args("")
            .Starts(normalInstalls)
            .Returns(RC_AllCompleted)
            .Logs({"    AutoDownloadPrerequisites  = Yes", "    PrerequisitesLocation      = \n"})
            .Prompts({{"", "Setup completed", kBoxIconInformation}}));
    rows.push_back(Row("a quiet install takes the quiet command lines")
                       .Args("-q")
                       .Starts({{"Runtime", "C:\\Setup\\run.exe /i /q"},
                                {"Suite", "C:\\Setup\\suite.exe /i /q"},
                                {"Tools", "C:\\Setup\\tools.exe /i /q"}})
                       .Returns(RC_AllCompleted)
                       .Logs({"(4) PERFORMING INSTALL IN QUIET MODE..."}));
    rows.push_back(
        Row("uninstall goes through the Uninstall templates with the detected product codes")
            .Args("x -s")
            .AllInstalled()
            .Starts({{"Runtime", kRuntimeUninstall},
                     {"Suite", kSuiteUninstall},
                     {"Tools", kToolsUninstall}})
            .Returns(RC_AllCompleted)
            .Logs({"Uninstalling Demo Suite application started",
                   "UNINSTALL OR REPAIR MODE -> The dependencies will not be checked",
                   "(4) PERFORMING UNINSTALL IN SILENT MODE...",
                   "    Status    : EXECUTING UNINSTALL [version '1.0' installed",
                   "UNINSTALL COMPLETED:  YES"})
            .NotLogs({"non multiversion, required"})
            .States({{"Runtime", PS_Completed}, {"Suite", PS_Completed}, {"Tools", PS_Completed}}));
    rows.push_back(
        Row("repair goes through the Repair templates")
            .Args("r -s")
            .AllInstalled()
            .Starts({{"Runtime", kRuntimeRepair}, {"Suite", kSuiteRepair}, {"Tools", kToolsRepair}})
            .Returns(RC_AllCompleted)
            .Logs({"    Status    : EXECUTING REPAIR [version '1.0' installed, , non "
                   "multiversion, required, ref.count 0]",
                   "REPAIR COMPLETED:  YES"}));
    rows.push_back(
        Row("repair of a missing product installs it")
            .Args("r -s")
            .Installed("Runtime", "1.0")
            .Installed("Suite", "2.0")
            .Starts(
                {{"Runtime", kRuntimeRepair}, {"Suite", kSuiteRepair}, {"Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[POST] Tools",
                   "    Status    : EXECUTING REPAIR [version '1.5' not found - trying to "
                   "INSTALL, , non multiversion, required, ref.count 0]"}));
    rows.push_back(
        Row("repair of a missing product without a wanted version installs it")
            .Contents(Pre() + Main() + Package(kTools, "", "", Requirement::kDetectOnly))
            .Args("r -s")
            .Installed("Runtime", "1.0")
            .Installed("Suite", "2.0")
            .Starts(
                {{"Runtime", kRuntimeRepair}, {"Suite", kSuiteRepair}, {"Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[POST] Tools",
                   "    Status    : EXECUTING REPAIR [cannot detect an installed version - "
                   "trying to INSTALL, , non multiversion, required, ref.count 0]"}));
    rows.push_back(
        Row("repair of an installed product without a wanted version repairs it")
            .Contents(Pre() + Main() + Package(kTools, "", "", Requirement::kDetectOnly))
            .Args("r -s")
            .AllInstalled()
            .Installed("Tools", "1.4")
            .Starts({{"Runtime", kRuntimeRepair}, {"Suite", kSuiteRepair}, {"Tools", kToolsRepair}})
            .Returns(RC_AllCompleted)
            .Logs({"[POST] Tools",
                   "    Status    : EXECUTING REPAIR [1.4 installed version, , non multiversion, "
                   "required, ref.count 0]"}));
    rows.push_back(Row("install over an installed chain does nothing")
                       .AllInstalled()
                       .Returns(RC_AllCompleted)
                       .Logs({"PRODUCT ALREADY INSTALLED -> The dependencies will not be checked",
                              "[PRE]  Runtime",
                              "    Status    : SKIPPING INSTALL [version '1.0' installed, , non "
                              "multiversion, required]",
                              "    Action    : Not executed", "INSTALL COMPLETED:  YES",
                              "Application already installed (no action performed)"})
                       .NotLogs({"    Action    : Executing", "maintenance mode"}));
    rows.push_back(Row("a normal install over an installed chain is maintenance")
                       .Args("")
                       .AllInstalled()
                       .Returns(RC_AllCompleted)
                       .Logs({"    Status    : SKIPPING INSTALL [version '1.0' installed, , non "
                              "multiversion, required, maintenance mode]",
                              "Application already installed (no action performed)"})
                       .Prompts({{"", "Setup completed", kBoxIconInformation}}));
    rows.push_back(
        Row("an older prerequisite is installed over")
            .Installed("Runtime", "0.9")
            .Starts(AllInstalls())
            .Returns(RC_AllCompleted)
            .Logs({"    Status    : EXECUTING INSTALL [installed version '0.9' is smaller than "
                   "the specified one '1.0', , non multiversion, required, vital, ref.count 0, "
                   "temp ref. count]"}));
    rows.push_back(
        Row("a newer prerequisite is left alone")
            .Installed("Runtime", "1.2")
            .Starts({{"Suite", kSuiteInstall}, {"Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"    Status    : SKIPPING INSTALL [installed version '1.2' is greater than "
                   "the specified one '1.0', , non multiversion, required]"})
            .NotLogs({"installation will be aborted"}));
    rows.push_back(Row("uninstall of a chain that is not installed does nothing")
                       .Args("x -s")
                       .Returns(RC_AllCompleted)
                       .Logs({"    Status    : SKIPPING UNINSTALL [version '1.0' not found, , non "
                              "multiversion, not permanent]",
                              "Application already uninstalled (no action performed)"}));
    rows.push_back(
        Row("a failed prerequisite does not stop an uninstall")
            .Args("x -s")
            .AllInstalled()
            .Exits("Runtime", 1603)
            .Starts({{"Runtime", kRuntimeUninstall},
                     {"Suite", kSuiteUninstall},
                     {"Tools", kToolsUninstall}})
            .Returns(RC_NotCompleted)
            .Logs({"[PRE]  Runtime", "    Completed : No", "[MAIN] Suite", "[POST] Tools",
                   "UNINSTALL COMPLETED:  NO"})
            .States({{"Runtime", PS_Failed}, {"Suite", PS_Completed}, {"Tools", PS_Completed}}));
    rows.push_back(Row("a failed MAIN ends an uninstall")
                       .Args("x -s")
                       .AllInstalled()
                       .Exits("Suite", 1603)
                       .Starts({{"Runtime", kRuntimeUninstall}, {"Suite", kSuiteUninstall}})
                       .Returns(RC_NotCompleted)
                       .Logs({"[MAIN] Suite", "    Completed : No", "UNINSTALL COMPLETED:  NO"})
                       .NotLogs({"[POST] Tools"})
                       .States({{"Suite", PS_Failed}, {"Tools", PS_None}}));
    return rows;
}

// Checks before the walk: the package list and the installed MAIN product.
std::vector<Row> PackageListRows() {
    std::vector<Row> rows;
    rows.push_back(Row("a newer MAIN product stops an install before anything runs")
                       .Installed("Suite", "3.0")
                       .Returns(RC_ANewerVerAlreadyInstalled)
                       .Logs({"Installed version '3.0' of the MAIN package 'Suite' is greater "
                              "than the specified one '2.0'",
                              "[ERROR] Could not continue: "})
                       .NotLogs({"[PRE]  Runtime"}));
    rows.push_back(
        Row("a newer version beside a multiversion MAIN does not stop the install")
            .Contents(Pre() + Main("Multiversion=\"Yes\"") + Post())
            .Installed("Suite", "3.0")
            .Starts(AllInstalls())
            .Returns(RC_AllCompleted)
            .Logs({"[MAIN] Suite",
                   "    Status    : EXECUTING INSTALL [version '2.0' not found, , multiversion, "
                   "required, vital, ref.count 0, temp ref. count]"}));
    rows.push_back(Row("an older MAIN product stops an uninstall")
                       .Args("x -s")
                       .AllInstalled()
                       .Installed("Suite", "1.5")
                       .Returns(RC_InstallationAborted)
                       .Logs({"Installed version '1.5' of the MAIN package 'Suite' is less than "
                              "the specified one '2.0'",
                              "[ERROR] Could not continue: "}));
    rows.push_back(Row("two MAIN packages are a configuration error")
                       .Contents(Pre() + Main() + Package(kTools, "Feature=\"MAIN\"", ""))
                       .Returns(RC_InvalidConfiguration)
                       .Logs({"[ERROR] Another main package has been detected! It will be "
                              "ignored."})
                       .NotLogs({"CHECKING COMMAND LINE PARAMETERS"}));
    rows.push_back(Row("a chain without a MAIN package is refused")
                       .Contents(Pre() + Post())
                       .Returns(RC_MainPackageNotDetected)
                       .Logs({"[ERROR] NO MAIN PACKAGE DETECTED (containing Feature='MAIN' "
                              "attribute)!",
                              "Demo Suite ABORTED!"})
                       .NotLogs({"CHECKING COMMAND LINE PARAMETERS"}));
    rows.push_back(
        Row("a MAIN package without a version requirement cannot run")
            .Contents(Pre() + Package(kSuite, "Feature=\"MAIN\"", "", Requirement::kNone) + Post())
            .Returns(RC_InstallationAborted)
            .Logs({"[ERROR] Could not continue: product id and desired version not specified "
                   "in 'config.xml', <Version> entry for MAIN package 'Suite'"}));
    rows.push_back(Row("a pending reboot stops the walk before its first element")
                       .Args("-s PendingReboot=1")
                       .Returns(RC_PendingRebootDetected)
                       .NotLogs({"[PRE]  Runtime"}));
    // Windows keeps the operations as pairs of paths, each string ended by a zero.
    const std::string renames =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
        "PendingFileRenameOperations";
    rows.push_back(Row("a pending rename of setup itself stops the walk before its first element")
                       .RegistryValue(renames, MultiString({"\\??\\c:\\setup\\SETUP.EXE", ""}))
                       .Returns(RC_PendingRebootDetected)
                       .NotLogs({"[PRE]  Runtime"}));
    rows.push_back(Row("a pending rename of other files lets the walk go on")
                       .RegistryValue(renames, MultiString({"\\??\\C:\\Temp\\old.dll", ""}))
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted));
    rows.push_back(Row("a child setup does not look at pending renames")
                       .Args("-s MainInstance=No")
                       .RegistryValue(renames, MultiString({"\\??\\C:\\Setup\\setup.exe", ""}))
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted));
    return rows;
}

// Failures of packages and what the end of the run makes of them.
std::vector<Row> FailureRows() {
    std::vector<Row> rows;
    rows.push_back(
        Row("a failed vital prerequisite ends the walk")
            .Exits("Runtime", 1603)
            .Starts({{"Runtime", kRuntimeInstall}})
            .Returns(RC_NotCompleted)
            .Logs({"[PRE]  Runtime", "    Ret.code  : 1603 [Application returned code 1603",
                   "[ERROR] Package 'Runtime' result code <1603>", "    Completed : No",
                   "INSTALL COMPLETED:  NO"})
            .NotLogs({"[MAIN] Suite", "(non vital)", "Rolling back"})
            .States({{"Runtime", PS_Failed}, {"Suite", PS_None}, {"Tools", PS_None}}));
    rows.push_back(Row("an exit code that no set names fails the package")
                       .Exits("Runtime", 7)
                       .Starts({{"Runtime", kRuntimeInstall}})
                       .Returns(RC_NotCompleted)
                       .Logs({"[WARNING] Package 'Runtime' result code <7>", "    Completed : No"})
                       .States({{"Runtime", PS_Failed}}));
    rows.push_back(Row("a failed normal install shows the failure and offers a rollback")
                       .Args("")
                       .Exits("Runtime", 1603)
                       .Starts({{"Runtime", "C:\\Setup\\run.exe /i"}})
                       .Returns(RC_NotCompleted)
                       .NotLogs({"Rolling back"})
                       .States({{"Runtime", PS_Failed}})
                       .Prompts({{"BS_ERROR", "setup failed!", kBoxIconError},
                                 {"ROLLBACK_ON_ERROR", "", kQuestion}}));
    rows.push_back(Row("AutoRollback rolls a failed silent install back without asking")
                       .Args("-s AutoRollback=Yes")
                       .Exits("Runtime", 1603)
                       .Starts({{"Runtime", kRuntimeInstall}})
                       .Returns(RC_NotCompleted)
                       .Logs({"INSTALL COMPLETED:  NO", "Rolling back application 'Demo Suite'..."})
                       .States({{"Runtime", PS_None}}));
    rows.push_back(
        Row("a failed non-vital prerequisite lets the walk go on")
            .Contents(Pre("Vital=\"No\"") + Main() + Post())
            .Exits("Runtime", 1603)
            .Starts(AllInstalls())
            .Returns(RC_AllCompleted)
            .Logs({"    Completed : No (non vital)", "[MAIN] Suite", "INSTALL COMPLETED:  YES"})
            .States({{"Runtime", PS_Failed}, {"Suite", PS_Completed}, {"Tools", PS_Completed}}));
    rows.push_back(Row("a cancel code of a package cancels the run")
                       .Exits("Suite", 1602)
                       .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                       .Returns(RC_ActionCanceled)
                       .Logs({"[MAIN] Suite", "    Ret.code  : 1602 [", "INSTALL COMPLETED:  NO",
                              "Rolling back application 'Demo Suite'..."})
                       .NotLogs({"[POST] Tools"})
                       .States({{"Suite", PS_Canceled}, {"Tools", PS_None}}));
    rows.push_back(
        Row("an exit code in both the all-codes success set and the error set fails")
            .Contents(Pre("SuccessCodes=\"*\" ErrorCodes=\"5\"") + Main() + Post())
            .Exits("Runtime", 5)
            .Starts({{"Runtime", kRuntimeInstall}})
            .Returns(RC_NotCompleted)
            .Logs({"SuccesCodes='*'",
                   "[WARNING] The return code 5 is declared both as a Success and Error code. "
                   "The error code will be considered.",
                   "    Completed : No"})
            .States({{"Runtime", PS_Failed}}));
    rows.push_back(Row("any other exit code succeeds with the all-codes success set")
                       .Contents(Pre("SuccessCodes=\"*\" ErrorCodes=\"5\"") + Main() + Post())
                       .Exits("Runtime", 7)
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"SuccesCodes='*'", "    Ret.code  : 7 [", "    Completed : Yes"})
                       .NotLogs({"declared both"})
                       .States({{"Runtime", PS_Completed}}));
    rows.push_back(
        Row("a missing installer file fails its package")
            .Missing("tools.exe")
            .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
            .Returns(RC_NotCompleted)
            .Logs({"[POST] Tools",
                   "    Resolver  : FAILED resolving installer file location: No package/archive "
                   "file found",
                   "    Action    : Not executed: No package/archive file found",
                   "    Completed : No"})
            .States({{"Tools", PS_Failed}}));
    rows.push_back(
        Row("the installer runs under the display name and reports its output")
            .Contents(Pre() + Main() + Post("AppName=\"Demo Tools\""))
            .Output("Demo Tools", "Tools 1.5 installed\nsee tools.log\n")
            .Starts({{"Runtime", kRuntimeInstall},
                     {"Suite", kSuiteInstall},
                     {"Demo Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[POST] Tools",
                   "    Output    : Tools 1.5 installed\n                see tools.log\n"})
            .States({{"Tools", PS_Completed}}));
    rows.push_back(
        Row("a package already completed by another setup is not run again")
            .Preset("Suite", PS_Completed)
            .Starts({{"Runtime", kRuntimeInstall}, {"Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[MAIN] Suite", "    Action    : Not executed (already processed: completed)",
                   "[POST] Tools"}));
    rows.push_back(Row("a package canceled by another setup fails the run")
                       .Preset("Tools", PS_Canceled)
                       .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                       .Returns(RC_NotCompleted)
                       .Logs({"[POST] Tools", "    Status    : SKIPPING INSTALL [canceled, ",
                              "INSTALL COMPLETED:  NO"}));
    return rows;
}

// "Quit" and "ForceReboot" set by flow elements, and reboots asked for by packages.
std::vector<Row> QuitAndRebootRows() {
    std::vector<Row> rows;
    const struct {
        const char* value;
        int code;
        const char* completed;
    } quits[] = {{"Success", RC_AllCompleted, "INSTALL COMPLETED:  YES"},
                 {"Normal", RC_ActionQuit, "INSTALL COMPLETED:  YES"},
                 {"Error", RC_NotCompleted, "INSTALL COMPLETED:  NO"}};
    for (const auto& quit : quits) {
        const std::string assignment = std::string("Quit=") + quit.value;
        rows.push_back(Row(assignment + " set between packages ends the walk")
                           .Contents(Pre() + SetProperty(assignment) + Main() + Post())
                           .Starts({{"Runtime", kRuntimeInstall}})
                           .Returns(quit.code)
                           .Logs({"[PRE]  PROPERTY Quit",
                                  "    Property  : ExprEval='No' -> '" + assignment + "'",
                                  "Property " + assignment + " -> QUITTING", quit.completed})
                           .NotLogs({"[MAIN] Suite", "Rolling back"})
                           .States({{"Runtime", PS_Completed}, {"Suite", PS_None}}));
    }
    rows.push_back(
        Row("Quit=Cancel cancels the pending packages and rolls back")
            .Contents(Pre() + SetProperty("Quit=Cancel") + Main() + Post())
            .Starts({{"Runtime", kRuntimeInstall}})
            .Returns(RC_ActionCanceled)
            .Logs({"Property Quit=Cancel -> QUITTING", "INSTALL COMPLETED:  NO",
                   "Rolling back application 'Demo Suite'..."})
            .NotLogs({"[MAIN] Suite"})
            .States({{"Runtime", PS_None}, {"Suite", PS_Canceled}, {"Tools", PS_Canceled}}));
    rows.push_back(Row("a quit in a normal run asks for the rollback without a failure box")
                       .Contents(Pre() + SetProperty("Quit=Cancel") + Main() + Post())
                       .Args("")
                       .Starts({{"Runtime", "C:\\Setup\\run.exe /i"}})
                       .Returns(RC_ActionCanceled)
                       .NotLogs({"Rolling back"})
                       .States({{"Suite", PS_Canceled}})
                       .Prompts({{"ROLLBACK_ON_CANCEL", "", kQuestion}}));
    rows.push_back(Row("the reboot code of MAIN ends the walk after it")
                       .Args("-s AUTOREBOOT=No")
                       .Exits("Suite", 3010)
                       .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                       .Returns(RC_RebootRequired)
                       .Logs({"[MAIN] Suite", "    Ret.code  : 3010 [",
                              "    Reboot    : REQUIRED NOW - will continue after reboot",
                              "    Completed : Yes", "INSTALL COMPLETED:  YES",
                              "REBOOT REQUIRED -> REBOOT NOT INITIATED"})
                       .NotLogs({"[POST] Tools"})
                       .States({{"Suite", PS_Completed}, {"Tools", PS_None}}));
    rows.push_back(Row("a delayed reboot lets the walk go on")
                       .Contents(Pre() + Main("DelayReboot=\"Yes\"") + Post())
                       .Args("-s AUTOREBOOT=No")
                       .Exits("Suite", 3010)
                       .Starts(AllInstalls())
                       .Returns(RC_RebootRequired)
                       .Logs({"[MAIN] Suite", "    Reboot    : Delayed", "[POST] Tools",
                              "REBOOT REQUIRED -> REBOOT NOT INITIATED"})
                       .States({{"Tools", PS_Completed}}));
    rows.push_back(Row("a reboot code that is not a number asks for no reboot")
                       .Contents(Pre() + Main("RebootCode=\"none\"") + Post())
                       .Exits("Suite", 3010)
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[POST] Tools"})
                       .NotLogs({"    Reboot    :", "REBOOT REQUIRED"}));
    rows.push_back(
        Row("under external control the reboot is left to the controller")
            .Args("-n -s")
            .Exits("Suite", 3010)
            .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
            .Returns(RC_RebootRequired)
            .Logs({"EXTERNAL CONTROL -> The dependencies will not be checked",
                   "(4) PERFORMING INSTALL IN EXTERNAL/SILENT MODE...",
                   "    Mode      : EXTERNAL/SILENT", "REBOOT REQUIRED -> EXTERNALLY CONTROLLED"})
            .Slept(2000));
    rows.push_back(Row("a normal run under external control shows no boxes")
                       .Args("-n")
                       .Exits("Runtime", 1603)
                       .Starts({{"Runtime", "C:\\Setup\\run.exe /i"}})
                       .Returns(RC_NotCompleted)
                       .Logs({"(4) PERFORMING INSTALL IN EXTERNAL/GUI MODE...",
                              "Rolling back application 'Demo Suite'..."})
                       .Slept(2000));
    rows.push_back(Row("ForceReboot=Yes ends the walk without the completion line")
                       .Contents(Pre() + SetProperty("ForceReboot=Yes") + Main() + Post())
                       .Args("-s AUTOREBOOT=No")
                       .Starts({{"Runtime", kRuntimeInstall}})
                       .Returns(RC_RebootRequired)
                       .Logs({"    Property  : ExprEval='No' -> 'ForceReboot=Yes'",
                              "INSTALL COMPLETED:  YES", "REBOOT REQUIRED -> REBOOT NOT INITIATED"})
                       .NotLogs({"[MAIN] Suite", "Application Demo Suite completed"})
                       .States({{"Suite", PS_None}}));
    rows.push_back(
        Row("ForceReboot=YesAndContinueInstall ends the walk and completes")
            .Contents(Pre() + SetProperty("ForceReboot=YesAndContinueInstall") + Main() + Post())
            .Args("-s AUTOREBOOT=No")
            .Starts({{"Runtime", kRuntimeInstall}})
            .Returns(RC_RebootRequired)
            .Logs({"Application Demo Suite completed", "REBOOT REQUIRED -> REBOOT NOT INITIATED"})
            .NotLogs({"[MAIN] Suite"}));
    rows.push_back(
        Row("ForceReboot set by the last element still reboots")
            .Contents(Chain() + SetProperty("ForceReboot=Yes"))
            .Args("-s AUTOREBOOT=No")
            .Starts(AllInstalls())
            .Returns(RC_RebootRequired)
            .Logs({"[POST] PROPERTY ForceReboot", "REBOOT REQUIRED -> REBOOT NOT INITIATED"})
            .NotLogs({"Application Demo Suite completed"}));
    return rows;
}

// Which packages the run takes: scope switches, the Packages list, conditions.
std::vector<Row> SelectionRows() {
    std::vector<Row> rows;
    rows.push_back(Row("-pre runs only the prerequisites")
                       .Args("-s -pre")
                       .Starts({{"Runtime", kRuntimeInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime", "[Main] Suite",
                              "    Status    : SKIPPING INSTALL [version '2.0' not found, , non "
                              "multiversion, required, skipping MAIN]",
                              "[Post] Tools",
                              "    Status    : SKIPPING INSTALL [version '1.5' not found, , non "
                              "multiversion, required, processing only prerequisites]"}));
    rows.push_back(Row("-post runs only the postrequisites")
                       .Args("-s -post")
                       .Starts({{"Tools", kToolsInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[Pre]  Runtime",
                              "    Status    : SKIPPING INSTALL [version '1.0' not found, , non "
                              "multiversion, required, processing only postrequisites]",
                              "[Main] Suite", "skipping MAIN]", "[POST] Tools",
                              "    Status    : EXECUTING INSTALL"}));
    rows.push_back(
        Row("Packages selects one package")
            .Args("-s Packages=Tools")
            .Starts({{"Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[PRE]  Runtime",
                   "    Status    : SKIPPING INSTALL [NOT SELECTED, version '1.0' not found, , "
                   "non multiversion, required]",
                   "    Action    : Not executed: not specified in packages list", "[MAIN] Suite",
                   "    Status    : SKIPPING INSTALL [NOT SELECTED, ", "[POST] Tools",
                   "    Status    : EXECUTING INSTALL [SELECTED, version '1.5' not found, , non "
                   "multiversion, required, vital, ref.count 0, temp ref. count]"}));
    rows.push_back(Row("Packages names are trimmed and compared without case")
                       .Args("-s Packages=\" runtime ,TOOLS\"")
                       .Starts({{"Runtime", kRuntimeInstall}, {"Tools", kToolsInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[MAIN] Suite", "    Status    : SKIPPING INSTALL [NOT SELECTED, "}));
    rows.push_back(Row("a false install condition skips its package")
                       .Contents(Pre() + Main() + Post("", ToolsCondition("")))
                       .Args("-s ToolsWanted=0")
                       .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[POST] Tools", "    Expression: Condition is  0 = 1  ->  false",
                              "    Status    : SKIPPING INSTALL [version '1.5' not found, , non "
                              "multiversion, condition(s) false, required]",
                              "INSTALL COMPLETED:  YES"}));
    rows.push_back(Row("a true install condition lets its package run")
                       .Contents(Pre() + Main() + Post("", ToolsCondition("")))
                       .Args("-s ToolsWanted=1")
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"    Expression: Condition is  1 = 1  ->  true"})
                       .NotLogs({"condition(s) false"}));
    rows.push_back(
        Row("a condition limited to repair does not hold back an install")
            .Contents(Pre() + Main() + Post("", ToolsCondition("InstallAction=\"repair\"")))
            .Args("-s ToolsWanted=0")
            .Starts(AllInstalls())
            .Returns(RC_AllCompleted)
            .Logs({"    Expression: Precondition is  0 OR Install=Repair  ->  false"})
            .NotLogs({"condition(s) false", "Expression: Condition is"}));
    rows.push_back(
        Row("the message of a false condition is shown with a warning icon")
            .Contents(Pre() + Main() +
                      Post("", ToolsCondition("Message=\"The tools need a licence\"")))
            .Args("ToolsWanted=0")
            .Starts({{"Runtime", "C:\\Setup\\run.exe /i"}, {"Suite", "C:\\Setup\\suite.exe /i"}})
            .Returns(RC_AllCompleted)
            .Logs({"[WARNING] The tools need a licence", "INSTALL COMPLETED:  YES"})
            .Prompts({{"", "The tools need a licence", kBoxIconWarning},
                      {"", "Setup completed", kBoxIconInformation}}));
    rows.push_back(
        Row("a false condition of MAIN fails the run")
            .Contents(Pre() +
                      Main("",
                           "<InstallCondition Expr=\"[Licensed] = 1\" Message=\"A licence key "
                           "is needed\"/>") +
                      Post())
            .Args("Licensed=0")
            .Starts({{"Runtime", "C:\\Setup\\run.exe /i"}})
            .Returns(RC_NotCompleted)
            .Logs({"[MAIN] Suite", "[WARNING] A licence key is needed",
                   "    Status    : SKIPPING INSTALL [version '2.0' not found, , non multiversion, "
                   "condition(s) false, required]",
                   "INSTALL COMPLETED:  NO"})
            .NotLogs({"[POST] Tools"})
            .Prompts({{"", "A licence key is needed", kBoxIconError},
                      {"BS_ERROR", "setup failed!", kBoxIconError},
                      {"ROLLBACK_ON_ERROR", "", kQuestion}}));
    return rows;
}

// Flow elements between packages: their conditions and action filters, their failures,
// and what they hand to the packages after them.
std::vector<Row> FlowElementRows() {
    std::vector<Row> rows;
    const std::string toolsWithLevel = Post("", "<Properties Input=\"ToolsLevel\"/>");
    const std::string toolsWithLevelCommand = std::string(kToolsInstall) + " ToolsLevel=\"full\"";
    const std::string onlyForPro = Pre() + Main() +
                                   SetProperty("ToolsLevel=full", "Condition=\"[Edition]=Pro\"") +
                                   toolsWithLevel;
    rows.push_back(Row("an element whose condition holds runs")
                       .Contents(onlyForPro)
                       .Args("-s Edition=Pro")
                       .Starts({{"Runtime", kRuntimeInstall},
                                {"Suite", kSuiteInstall},
                                {"Tools", toolsWithLevelCommand}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[POST] PROPERTY ToolsLevel", "    Condition : Pro=Pro",
                              "    Property  : ExprEval='No' -> 'ToolsLevel=full'",
                              "    Completed : Yes (OnFail -> None)"}));
    rows.push_back(Row("an element whose condition fails is skipped")
                       .Contents(onlyForPro)
                       .Args("-s Edition=Home")
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[POST] PROPERTY ToolsLevel", "    Condition : Home=Pro",
                              "    Status    : SKIPPING (condition not met)"})
                       .NotLogs({"ToolsLevel=full"}));
    const std::string onlyForInstall = Pre() + Main() +
                                       SetProperty("ToolsLevel=full", "InstallAction=\"install\"") +
                                       toolsWithLevel;
    rows.push_back(Row("an element for install runs on install")
                       .Contents(onlyForInstall)
                       .Starts({{"Runtime", kRuntimeInstall},
                                {"Suite", kSuiteInstall},
                                {"Tools", toolsWithLevelCommand}})
                       .Returns(RC_AllCompleted)
                       .Logs({"    Condition : Implicit -> (0 OR [Action]=Install) AND (1)",
                              "    Property  : ExprEval='No' -> 'ToolsLevel=full'"}));
    rows.push_back(
        Row("an element for install is skipped on repair")
            .Contents(onlyForInstall)
            .Args("r -s")
            .AllInstalled()
            .Starts({{"Runtime", kRuntimeRepair}, {"Suite", kSuiteRepair}, {"Tools", kToolsRepair}})
            .Returns(RC_AllCompleted)
            .Logs({"    Condition : (0 OR Repair=Install) AND (1)",
                   "    Status    : SKIPPING (condition not met)"})
            .NotLogs({"ToolsLevel=full"}));
    const std::string broken = "<Execute SetProperty=\"Broken\" OnFail=\"";
    rows.push_back(
        Row("an element failing with OnFail Error ends the walk")
            .Contents(Pre() + broken + "Error:Settings could not be prepared\"/>" + Main() + Post())
            .Starts({{"Runtime", kRuntimeInstall}})
            .Returns(RC_NotCompleted)
            .Logs({"[ERROR] Property set syntax error matching 'Broken'",
                   "[ERROR] Settings could not be prepared", "    Completed : No (OnFail -> Error)",
                   "INSTALL COMPLETED:  NO"})
            .NotLogs({"[MAIN] Suite"})
            .States({{"Suite", PS_None}}));
    rows.push_back(Row("an element failing with OnFail Warning lets the walk go on")
                       .Contents(Pre() + broken + "Warning:Settings could not be prepared\"/>" +
                                 Main() + Post())
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[WARNING] Settings could not be prepared",
                              "    Completed : Yes (OnFail -> Warning)", "[MAIN] Suite"}));
    rows.push_back(Row("Windows Installer features and properties go to the MAIN package only")
                       .Args("-s F.Extras=Yes P.LEVEL=3")
                       .Starts({{"Runtime", kRuntimeInstall},
                                {"Suite", "C:\\Setup\\suite.exe /i /s LEVEL=3 ADDLOCAL=Extras"},
                                {"Tools", kToolsInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[MAIN] Suite", "FeaturesList='Extras' PropertiesList='LEVEL=3'"}));
    // The installer gets the secret; no line of the log shows it, not even the listing of
    // the properties (where the short one is masked by its name).
    rows.push_back(Row("secret properties reach the installer but not the log")
                       .Args("-s P.DBPASSWORD=Hunter2-Secret HiddenProperties=Pin Pin=42")
                       .Starts({{"Runtime", kRuntimeInstall},
                                {"Suite", "C:\\Setup\\suite.exe /i /s DBPASSWORD=Hunter2-Secret"},
                                {"Tools", kToolsInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"    MSIProperty.DBPASSWORD", "= ******", "    Pin ", "= ******",
                              "    Command   : C:\\Setup\\suite.exe /i /s DBPASSWORD=******"})
                       .NotLogs({"Hunter2-Secret", "= 42", "Pin=42"}));
    return rows;
}

// The return code a chained setup leaves for the MAIN package.
std::vector<Row> CallbackRows() {
    std::vector<Row> rows;
    const struct {
        const char* value;
        const char* line;
    } failing[] = {{"42", "    Callback  : 10 [RC_CallbackFailed]"},
                   {"3010", "    Callback  : 10 [RC_CallbackFailed]"},
                   {"1", "    Callback  : 1 [RC_NotCompleted]"}};
    for (const auto& callback : failing) {
        rows.push_back(Row(std::string("a callback value ") + callback.value +
                           " that is not a success fails MAIN")
                           .Callback("Suite", callback.value)
                           .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                           .Returns(RC_CallbackFailed)
                           .Logs({"[MAIN] Suite", callback.line, "    Ret.code  : 0 [",
                                  "    Completed : No", "INSTALL COMPLETED:  NO"})
                           .NotLogs({"[POST] Tools"})
                           .States({{"Suite", PS_Failed}, {"Tools", PS_None}}));
    }
    rows.push_back(Row("a callback asking for a reboot reboots after MAIN")
                       .Args("-s AUTOREBOOT=No")
                       .Callback("Suite", "2")
                       .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                       .Returns(RC_RebootRequired)
                       .Logs({"    Callback  : 2 [RC_RebootRequired]",
                              "    Reboot    : REQUIRED NOW - will continue after reboot",
                              "REBOOT REQUIRED -> REBOOT NOT INITIATED"})
                       .NotLogs({"[POST] Tools"})
                       .States({{"Suite", PS_Completed}}));
    rows.push_back(Row("a callback value left by an earlier run is cleared")
                       .RegistryValue(kReturnCodes + "\\Suite", "1")
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"    Callback  : -1 [Ignored]"}));
    return rows;
}

// The integrity check of "crc32.txt" before the walk (suite.exe holds "abc", whose CRC-32 is
// 352441c2; run.exe holds "hello world": d4a1185).
std::vector<Row> IntegrityRows() {
    std::vector<Row> rows;
    const char kWrongList[] = "run.exe|d4a1185\r\nsuite.exe|352441c3\r\n";
    const char kMismatch[] =
        "[ERROR] [08:00:00] CRC32 checksum for suite.exe is 352441c2. Matching with 352441c3 "
        "failed";
    auto withFiles = [](Row row) {
        return row.Content("suite.exe", "abc").Content("run.exe", "hello world");
    };
    rows.push_back(
        withFiles(Row("a wrong checksum ends an install before any package runs"))
            .Content("crc32.txt", kWrongList)
            .Returns(RC_InvalidCRC32Checksum)
            .Logs({"(4) PERFORMING INSTALL IN SILENT MODE...",
                   "[INFO] [08:00:00] CRC32 verification started.", kMismatch,
                   "[INFO] [08:00:00] CRC32 verification ended."})
            .NotLogs({"[PRE]  Runtime", "[MAIN] Suite", "INSTALL COMPLETED"})
            .States({{kIntegrityCheckItem, PS_Failed}, {"Runtime", PS_None}, {"Suite", PS_None}}));
    rows.push_back(withFiles(Row("a wrong checksum ends a repair before any package runs"))
                       .Args("r -s")
                       .AllInstalled()
                       .Content("crc32.txt", kWrongList)
                       .Returns(RC_InvalidCRC32Checksum)
                       .Logs({kMismatch})
                       .NotLogs({"[PRE]  Runtime"})
                       .States({{kIntegrityCheckItem, PS_Failed}}));
    rows.push_back(withFiles(Row("SkipCRC32=Yes skips the check"))
                       .Args("-s SkipCRC32=Yes")
                       .Content("crc32.txt", kWrongList)
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .NotLogs({"CRC32 verification", "crc32.txt"})
                       .States({{kIntegrityCheckItem, PS_Skipped}, {"Suite", PS_Completed}}));
    rows.push_back(withFiles(Row("without crc32.txt nothing is checked"))
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[INFO] C:\\Setup\\crc32.txt does not exists! Skipping CRC32 "
                              "check...",
                              "[PRE]  Runtime"})
                       .States({{kIntegrityCheckItem, PS_Skipped}}));
    rows.push_back(withFiles(Row("a matching list passes: LF-only, upper case and leading zeros"))
                       .Content("crc32.txt", "suite.exe|352441C2\nrun.exe|0d4a1185\n")
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[INFO] [08:00:00] CRC32 verification started.",
                              "[INFO] [08:00:00] CRC32 verification ended.", "[PRE]  Runtime"})
                       .NotLogs({"[ERROR]"})
                       .States({{kIntegrityCheckItem, PS_Completed}, {"Suite", PS_Completed}}));
    rows.push_back(withFiles(Row("an uninstall does not check"))
                       .Args("x -s")
                       .AllInstalled()
                       .Content("crc32.txt", kWrongList)
                       .Starts({{"Runtime", kRuntimeUninstall},
                                {"Suite", kSuiteUninstall},
                                {"Tools", kToolsUninstall}})
                       .Returns(RC_AllCompleted)
                       .NotLogs({"CRC32 verification", "crc32.txt"})
                       .States({{kIntegrityCheckItem, PS_Skipped}}));
    rows.push_back(withFiles(Row("a setup that is not the main instance does not check"))
                       .Args("-s MainInstance=No")
                       .Content("crc32.txt", kWrongList)
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .NotLogs({"CRC32 verification", "crc32.txt"})
                       .States({{kIntegrityCheckItem, PS_Skipped}}));
    return rows;
}

// The reference counts: the permanent and the temporary store. "Other" is another installed
// product of the family (its own key says so) that shares Runtime.
const std::string kRefs = PermanentRefCountRoot() + "\\";
const std::string kTempRefs = TemporaryRefCountRoot() + "\\";
const char kOtherCode[] = "{B0000000-0000-4000-8000-000000000009}";

Row OtherSharesRuntime(Row row) {
    return row.RegistryValue(kRefs + "Other\\Other", kOtherCode)
        .RegistryValue(kRefs + "Runtime\\Other", kRuntime.productCode);
}

// Suite's references as its install left them.
Row SuiteReferences(Row row) {
    return row.RegistryValue(kRefs + "Runtime\\Suite", kRuntime.productCode)
        .RegistryValue(kRefs + "Suite\\Suite", kSuite.productCode);
}

std::vector<Row> RefCountInstallRows() {
    std::vector<Row> rows;
    rows.push_back(Row("install references every package and drops its temporary references")
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"    Set temporary (install) refcount for: Runtime, Suite, Tools",
                              "[PRE]  Runtime",
                              "    Status    : EXECUTING INSTALL [version '1.0' not found, , non "
                              "multiversion, required, vital, ref.count 0, temp ref. count]",
                              "    Ref.count : 0 -> 1 [Suite]\n",
                              "    Ended at  : ", "[MAIN] Suite", "    Ref.count : 0 -> 1 [Suite]",
                              "[POST] Tools", "    Ref.count : 0 -> 1 [Suite]"})
                       .Holds(kRefs + "Runtime\\Suite", kRuntime.productCode)
                       .Holds(kRefs + "Suite\\Suite", kSuite.productCode)
                       .Holds(kRefs + "Tools\\Suite", kTools.productCode)
                       .Lacks(kTempRefs + "Runtime\\")
                       .Lacks(kTempRefs + "Suite\\")
                       .Lacks(kTempRefs + "Tools\\"));
    rows.push_back(
        OtherSharesRuntime(Row("a second product references a shared package already there"))
            .Installed("Runtime", "1.0")
            .Starts({{"Suite", kSuiteInstall}, {"Tools", kToolsInstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[PRE]  Runtime",
                   "    Status    : SKIPPING INSTALL [version '1.0' installed, , non multiversion, "
                   "required]",
                   "    Ref.count : 1 -> 2 [Other, Suite]"})
            .Holds(kRefs + "Runtime\\Other", kRuntime.productCode)
            .Holds(kRefs + "Runtime\\Suite", kRuntime.productCode));
    rows.push_back(
        Row("a reference by a product that has gone is removed as an orphan")
            .RegistryValue(kRefs + "Runtime\\Gone", kRuntime.productCode)
            .RegistryValue(kRefs + "Runtime\\UNKNOWN", "")
            .Starts(AllInstalls())
            .Returns(RC_AllCompleted)
            .Logs(
                {"[PRE]  Runtime",
                 "    Ref count : REMOVE ORPHAN REF COUNTS (FOR NOT INSTALLED PRODUCTS) -> Gone \n",
                 "    Status    : EXECUTING INSTALL [version '1.0' not found, , non "
                 "multiversion, required, vital, ref.count 1 (but not by this package), temp "
                 "ref. count]",
                 "    Ref.count : 1 -> 2 [UNKNOWN, Suite]"})
            .Holds(kRefs + "Runtime\\UNKNOWN", "")
            .Lacks(kRefs + "Runtime\\Gone"));
    rows.push_back(Row("a retried install keeps the references its failed run left")
                       .RegistryValue(kRefs + "Runtime\\Suite", kRuntime.productCode)
                       .Installed("Runtime", "1.0")
                       .Starts({{"Suite", kSuiteInstall}, {"Tools", kToolsInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime", "    Ref.count : 1 -> 1 [Suite]"})
                       .NotLogs({"REMOVE ORPHAN"})
                       .Holds(kRefs + "Suite\\Suite", kSuite.productCode));
    // The MAIN key left by a product that was removed without setup goes as well: the MAIN
    // package is not installed afterwards.
    rows.push_back(Row("a failed run keeps its temporary references")
                       .RegistryValue(kRefs + "Suite\\Suite", kSuite.productCode)
                       .Exits("Suite", 1603)
                       .Starts({{"Runtime", kRuntimeInstall}, {"Suite", kSuiteInstall}})
                       .Returns(RC_NotCompleted)
                       .Logs({"[PRE]  Runtime", "    Ref.count : 0 -> 1 [Suite]", "[MAIN] Suite",
                              "    Ref.count : 1 -> 0 []", "INSTALL COMPLETED:  NO"})
                       .Holds(kTempRefs + "Runtime\\Suite", "")
                       .Holds(kTempRefs + "Suite\\Suite", "")
                       .Holds(kTempRefs + "Tools\\Suite", "")
                       .Holds(kRefs + "Runtime\\Suite", kRuntime.productCode)
                       .Lacks(kRefs + "Suite\\"));
    rows.push_back(Row("a package without reference counting gets no reference")
                       .Contents(Pre("Vital=\"No\" RefCount=\"No\"") + Main() + Post())
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime",
                              "    Status    : EXECUTING INSTALL [version '1.0' not found, , non "
                              "multiversion, required, non vital]",
                              "[MAIN] Suite", "    Ref.count : 0 -> 1 [Suite]"})
                       .Lacks(kRefs + "Runtime\\"));
    rows.push_back(Row("a package left out of the run keeps its references as they are")
                       .Args("-s Packages=Tools")
                       .Installed("Runtime", "1.0")
                       .Starts({{"Tools", kToolsInstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[POST] Tools", "    Ref.count : 0 -> 1 [Suite]"})
                       .Lacks(kRefs + "Runtime\\"));
    rows.push_back(Row("a multiversion product is referenced under its own key")
                       .Contents(Pre() + Main("Multiversion=\"Yes\"") + Post())
                       .RegistryValue(kRefs + "Other2.0\\Other2.0", kOtherCode)
                       .RegistryValue(kRefs + "Runtime\\Other2.0", kRuntime.productCode)
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime", "    Ref.count : 1 -> 2 [Other2.0, Suite2.0]"})
                       .NotLogs({"REMOVE ORPHAN"})
                       .Holds(kRefs + "Suite2.0\\Suite2.0", kSuite.productCode));
    rows.push_back(
        Row("repair adds back a missing reference")
            .Args("r -s")
            .AllInstalled()
            .Starts({{"Runtime", kRuntimeRepair}, {"Suite", kSuiteRepair}, {"Tools", kToolsRepair}})
            .Returns(RC_AllCompleted)
            .Logs({"[PRE]  Runtime", "    Ref.count : 0 -> 1 [Suite]"})
            .NotLogs({"Set temporary (install) refcount", "temp ref. count"})
            .Holds(kRefs + "Runtime\\Suite", kRuntime.productCode));
    return rows;
}

std::vector<Row> RefCountUninstallRows() {
    std::vector<Row> rows;
    const std::vector<Start> suiteAndTools = {{"Suite", kSuiteUninstall},
                                              {"Tools", kToolsUninstall}};
    rows.push_back(
        OtherSharesRuntime(
            SuiteReferences(
                Row("uninstall leaves a shared package that another product references")))
            .Args("x -s")
            .AllInstalled()
            .Starts(suiteAndTools)
            .Returns(RC_AllCompleted)
            .Logs({"[PRE]  Runtime",
                   "    Status    : SKIPPING UNINSTALL [version '1.0' installed, , non "
                   "multiversion, not permanent, ref.count 2, temp ref. count]",
                   "    Ref.count : 2 -> 1 [Other]", "[MAIN] Suite", "    Ref.count : 1 -> 0 []"})
            .States({{"Runtime", PS_Skipped}, {"Suite", PS_Completed}})
            .Holds(kRefs + "Runtime\\Other", kRuntime.productCode)
            .Lacks(kRefs + "Runtime\\Suite")
            .Lacks(kRefs + "Suite\\"));
    rows.push_back(
        OtherSharesRuntime(Row("uninstall leaves a shared package only another product references"))
            .Args("x -s")
            .AllInstalled()
            .Starts(suiteAndTools)
            .Returns(RC_AllCompleted)
            .Logs({"    Status    : SKIPPING UNINSTALL [version '1.0' installed, , non "
                   "multiversion, not permanent, ref.count 1 (but not by this package), temp "
                   "ref. count]",
                   "    Ref.count : 1 -> 1 [Other]"})
            .States({{"Runtime", PS_Skipped}})
            .Holds(kRefs + "Runtime\\Other", kRuntime.productCode));
    rows.push_back(
        SuiteReferences(Row("uninstall takes the product code stored with the reference"))
            .Contents(Package(kRuntime, "", "", Requirement::kNone) + Main() + Post())
            .Args("x -s")
            .AllInstalled()
            .Starts({{"Runtime", kRuntimeUninstall},
                     {"Suite", kSuiteUninstall},
                     {"Tools", kToolsUninstall}})
            .Returns(RC_AllCompleted)
            .Logs({"[PRE]  Runtime",
                   "No product code detected for 'Runtime' package! Adding code from ref count "
                   "'{B0000000-0000-4000-8000-000000000001}'",
                   "    Status    : EXECUTING UNINSTALL [an installed version found - trying to "
                   "UNINSTALL, , non multiversion, not permanent, ref.count 1, temp ref. count]",
                   "    Ref.count : 1 -> 0 []"})
            .Lacks(kRefs + "Runtime\\"));
    // A multiversion package detects only its exact version text; the installed related
    // products of its upgrade code are compared on the fields of the wanted version.
    rows.push_back(Row("uninstall finds the product code of a version written longer")
                       .Contents(Pre("Multiversion=\"Yes\"") + Main() + Post())
                       .Args("x -s")
                       .AllInstalled()
                       .Installed("Runtime", "1.0.0")
                       .Starts({{"Runtime", kRuntimeUninstall},
                                {"Suite", kSuiteUninstall},
                                {"Tools", kToolsUninstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime",
                              "No product code detected for 'Runtime' package! Adding code from "
                              "ref count '{B0000000-0000-4000-8000-000000000001}'"}));
    rows.push_back(Row("uninstall of a multiversion package that is not there finds no code")
                       .Contents(Pre("Multiversion=\"Yes\"") + Main() + Post())
                       .Args("x -s")
                       .Installed("Suite", "2.0")
                       .Installed("Tools", "1.5")
                       .Starts({{"Suite", kSuiteUninstall}, {"Tools", kToolsUninstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime",
                              "No installed versions detected for product "
                              "'u{A0000000-0000-4000-8000-000000000001}'"})
                       .NotLogs({"Adding code from ref count"}));
    rows.push_back(SuiteReferences(Row("uninstall leaves a permanent package"))
                       .Contents(Pre("Permanent=\"Yes\"") + Main() + Post())
                       .Args("x -s")
                       .AllInstalled()
                       .Starts(suiteAndTools)
                       .Returns(RC_AllCompleted)
                       .Logs({"    Status    : SKIPPING UNINSTALL [version '1.0' installed, , non "
                              "multiversion, permanent]",
                              "    Ref.count : 1 -> 0 []"})
                       .States({{"Runtime", PS_Skipped}})
                       .Lacks(kRefs + "Runtime\\"));
    rows.push_back(SuiteReferences(Row("Packages naming a permanent package uninstalls it"))
                       .Contents(Pre("Permanent=\"Yes\"") + Main() + Post())
                       .Args("x -s Packages=Runtime")
                       .AllInstalled()
                       .Starts({{"Runtime", kRuntimeUninstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"    Status    : EXECUTING UNINSTALL [SELECTED, version '1.0' "
                              "installed, , non multiversion, permanent, ref.count 1, temp ref. "
                              "count]",
                              "    Ref.count : 1 -> 0 []"})
                       .Lacks(kRefs + "Runtime\\"));
    rows.push_back(SuiteReferences(Row("a package whose uninstall fails keeps its reference"))
                       .Contents(Pre("Vital=\"No\"") + Main() + Post())
                       .Args("x -s")
                       .AllInstalled()
                       .Exits("Runtime", 1603)
                       .Starts({{"Runtime", kRuntimeUninstall},
                                {"Suite", kSuiteUninstall},
                                {"Tools", kToolsUninstall}})
                       .Returns(RC_AllCompleted)
                       .Logs({"[PRE]  Runtime", "    Ref.count : 1 -> 1 [Suite]"})
                       .Holds(kRefs + "Runtime\\Suite", kRuntime.productCode));
    return rows;
}

// The progress dialog: shown in normal mode only (also under external control), with one row
// per package in chain order and one for the integrity check, and the action on its banner.
std::vector<Row> ProgressDialogRows() {
    const std::vector<std::string> chainRows = {"Runtime 1.0", "Suite 2.0", "Tools 1.5",
                                                "Package Integrity Check "};
    const std::vector<Start> normalInstalls = {{"Runtime", "C:\\Setup\\run.exe /i"},
                                               {"Suite", "C:\\Setup\\suite.exe /i"},
                                               {"Tools", "C:\\Setup\\tools.exe /i"}};
    const Prompt completed = {"", "Setup completed", kBoxIconInformation};
    std::vector<Row> rows;
    rows.push_back(Row("a normal install shows the progress dialog")
                       .Args("")
                       .Starts(normalInstalls)
                       .Returns(RC_AllCompleted)
                       .Prompts({completed})
                       .Dialog({"Show", "Close"}, "Installing application 'Demo Suite'")
                       .DialogRows(chainRows));
    rows.push_back(Row("a silent install fills the dialog but does not show it")
                       .Starts(AllInstalls())
                       .Returns(RC_AllCompleted)
                       .Dialog({"Close"})
                       .DialogRows(chainRows));
    rows.push_back(Row("a quiet install does not show the dialog")
                       .Args("-q")
                       .Starts({{"Runtime", "C:\\Setup\\run.exe /i /q"},
                                {"Suite", "C:\\Setup\\suite.exe /i /q"},
                                {"Tools", "C:\\Setup\\tools.exe /i /q"}})
                       .Returns(RC_AllCompleted)
                       .Dialog({"Close"}));
    rows.push_back(Row("a normal install under external control shows the dialog")
                       .Args("ControlledInstall=Yes")
                       .Starts(normalInstalls)
                       .Returns(RC_AllCompleted)
                       .Slept(2000)
                       .Dialog({"Show", "Close"}, "Installing application 'Demo Suite'"));
    rows.push_back(Row("a normal uninstall names its action")
                       .Args("x")
                       .AllInstalled()
                       .Starts({{"Runtime",
                                 "C:\\Setup\\run.exe /x {B0000000-0000-4000-8000-"
                                 "000000000001}"},
                                {"Suite",
                                 "C:\\Setup\\suite.exe /x {B0000000-0000-4000-8000-"
                                 "000000000002}"},
                                {"Tools",
                                 "C:\\Setup\\tools.exe /x {B0000000-0000-4000-8000-"
                                 "000000000003}"}})
                       .Returns(RC_AllCompleted)
                       .Prompts({completed})
                       .Dialog({"Show", "Close"}, "Uninstalling application 'Demo Suite'"));
    rows.push_back(
        Row("the packages of the run follow the action")
            .Args("Packages=Tools")
            .Starts({{"Tools", "C:\\Setup\\tools.exe /i"}})
            .Returns(RC_AllCompleted)
            .Prompts({completed})
            .Dialog({"Show", "Close"}, "Installing application 'Demo Suite' components: Tools")
            .DialogRows(chainRows));
    rows.push_back(Row("a normal install over the installed product is maintenance")
                       .Args("")
                       .AllInstalled()
                       .Returns(RC_AllCompleted)
                       .Prompts({completed})
                       .Dialog({"Show", "Close"}, "Maintenance for 'Demo Suite'"));
    rows.push_back(
        Row("maintenance of some packages names them")
            .Args("Packages=Tools,Runtime")
            .AllInstalled()
            .Returns(RC_AllCompleted)
            .Prompts({completed})
            .Dialog({"Show", "Close"}, "Maintenance for 'Demo Suite' (packages Tools,Runtime)"));
    rows.push_back(Row("without a MAIN package the dialog is filled, never shown, and closed")
                       .Contents(Pre() + Post())
                       .Args("")
                       .Returns(RC_MainPackageNotDetected)
                       .Dialog({"Close"})
                       .DialogRows({"Runtime 1.0", "Tools 1.5", "Package Integrity Check "}));
    rows.push_back(Row("a run that stops before the walk closes the dialog it showed")
                       .Args("")
                       .Installed("Suite", "3.0")
                       .Returns(RC_ANewerVerAlreadyInstalled)
                       .Dialog({"Show", "Close"}, "Installing application 'Demo Suite'"));
    return rows;
}

std::vector<Row> AllRows() {
    std::vector<Row> rows;
    for (auto group : {ActionRows, PackageListRows, FailureRows, QuitAndRebootRows, SelectionRows,
                       FlowElementRows, CallbackRows, IntegrityRows, RefCountInstallRows,
                       RefCountUninstallRows, ProgressDialogRows}) {
        for (Row& row : group()) rows.push_back(std::move(row));
    }
    return rows;
}

TEST_F(WalkTest, Rows) {
    for (const Row& row : AllRows()) {
        SCOPED_TRACE(row.name + " [" + row.arguments + "]");
        ASSERT_NE(-100, row.returnCode) << "the row states no return code";
        Walk(row);
    }
}

// The MAIN package's installer is told where to leave its return code; the other
// installers report none.
TEST_F(WalkTest, CallbackIsArmedForTheMainPackageOnly) {
    Write("config.xml", ConfigXml(Chain()));
    FakeSetup setup("-s");
    ASSERT_TRUE(setup.config.IsValid());
    FakeRun& run = setup.run;
    AddInstallerFiles(run.machine);
    Installer installer(setup.config, run.Services());
    EXPECT_EQ(RC_AllCompleted, installer.Run());
    const auto it = run.installers.Environment().find("CALLBACKPATH");
    ASSERT_NE(run.installers.Environment().end(), it);
    EXPECT_EQ(kReturnCodes + "\\Suite", it->second);
    EXPECT_TRUE(run.machine.HasKey(kReturnCodes));
    const std::string log = run.LogText();
    const std::size_t first = log.find("    Callback  : ");
    ASSERT_NE(std::string::npos, first) << log;
    EXPECT_EQ(std::string::npos, log.find("    Callback  : ", first + 1)) << log;
    EXPECT_LT(log.find("[MAIN] Suite"), first);
    EXPECT_LT(first, log.find("[POST] Tools"));
}

// The File entries of the MAIN package are applied after its installer and undone by the
// uninstall of a later run, which finds them only through their record under the run's
// product key (the MAIN package's) and the package's name.
TEST_F(WalkTest, FileEntriesOfAPackageAreUndoneByALaterRun) {
    const std::string files =
        "<File Name=\"*.dll\" Source=\"C:\\Media\" Location=\"C:\\Suite\\bin\" "
        "Overwrite=\"Yes\"/>"
        "<File Name=\"*.dll\" Source=\"C:\\Media\" Location=\"C:\\Suite\\plugins\\x\"/>";
    Write("config.xml", ConfigXml(Pre() + Main("", files) + Post()));
    FakeMachine machine;
    AddInstallerFiles(machine);
    machine.SetFileContent("C:\\Media\\Suite.dll", "our plug-in");
    machine.SetFileContent("C:\\Suite\\bin\\Suite.dll", "original");
    std::string log;
    const auto setup = [this, &machine, &log](const std::string& arguments) {
        FakeSetup setup(arguments);
        FakeRun& run = setup.run;
        run.machine = machine;
        for (const ChainProduct* product : kProducts)
            run.installers.Script(product->name,
                                  InstallerScript{0, "", "", DoesItsJob(run.installers, *product)});
        Installer installer(setup.config, run.Services());
        const int code = installer.Run();
        machine = run.machine;
        log = run.LogText();
        return code;
    };
    const std::string record = std::string("HKEY_LOCAL_MACHINE\\") + kInstallInfoKey +
                               "\\Bootstrapper\\Backup\\Suite\\Suite";

    ASSERT_EQ(RC_AllCompleted, setup("-s")) << log;
    EXPECT_EQ("our plug-in", machine.Content("C:\\Suite\\bin\\Suite.dll"));
    EXPECT_EQ("original", machine.Content("C:\\Suite\\bin\\Suite.dll.$bs"));
    EXPECT_EQ("our plug-in", machine.Content("C:\\Suite\\plugins\\x\\Suite.dll"));
    EXPECT_EQ("Suite.dll", machine.Value(record + "\\FILE0001"));
    EXPECT_EQ("C:\\Suite\\plugins", machine.Value(record + "\\FILE0002_FOLDERS"));
    const std::string found = "    File      : Found 1 -> Suite.dll";
    EXPECT_NE(std::string::npos, log.find(found, log.find("suite.exe /i /s"))) << log;

    ASSERT_EQ(RC_AllCompleted, setup("x -s")) << log;
    EXPECT_EQ("original", machine.Content("C:\\Suite\\bin\\Suite.dll"));
    EXPECT_EQ("<missing>", machine.Content("C:\\Suite\\bin\\Suite.dll.$bs"));
    EXPECT_FALSE(machine.FileExists("C:\\Suite\\plugins"));
    EXPECT_FALSE(machine.HasKey(record)) << log;
    EXPECT_NE(std::string::npos, log.find("suite.exe /x", log.find(found))) << log;
}

// Yes to the progress dialog's Cancel while the first package runs: the packages that wait
// never start, show canceled, and the run ends canceled and offers to roll back.
TEST_F(WalkTest, CancelFromTheProgressDialogStopsTheWalk) {
    Write("config.xml", ConfigXml(Chain()));
    FakeSetup setup("");
    ConfigInterpreter& config = setup.config;
    ASSERT_TRUE(config.IsValid());
    FakeRun& run = setup.run;
    AddInstallerFiles(run.machine);
    run.installers.Script(
        "Runtime", InstallerScript{0, "", "", [&](FakeMachine& machine) {
                                       CancelRun(config.Properties(), &run.progress);
                                       machine.Install(MachineProduct(kRuntime, kRuntime.version));
                                   }});
    Installer installer(config, run.Services());
    EXPECT_EQ(RC_ActionCanceled, installer.Run()) << run.LogText();
    ASSERT_EQ(1u, run.installers.Starts().size());
    EXPECT_EQ("Runtime", run.installers.Starts()[0].name);
    EXPECT_EQ(PS_Completed, run.progress.GetItemStateByName("Runtime"));
    EXPECT_EQ(PS_Canceled, run.progress.GetItemStateByName("Suite"));
    EXPECT_EQ(PS_Canceled, run.progress.GetItemStateByName("Tools"));
    EXPECT_TRUE(run.log.Contains("Property Quit=Cancel -> QUITTING"));
    ASSERT_EQ(1u, run.prompts.shown.size());
    EXPECT_EQ("ROLLBACK_ON_CANCEL", run.prompts.shown[0].tag);
    EXPECT_EQ((std::vector<std::string>{"Show", "Close"}), run.dialog.calls);
}

// Slot 0 is the overall state of the run: a failed integrity check ends the run, so it
// shows failed; a check that did not run leaves it to the end of the run.
TEST_F(WalkTest, IntegrityCheckAndSlotZero) {
    Write("config.xml", ConfigXml(Chain()));
    struct Case {
        const char* arguments;
        const char* list;
        int returnCode;
        int item;
        int slotZero;
    } const cases[] = {
        {"-s", "suite.exe|0\n", RC_InvalidCRC32Checksum, PS_Failed, PS_Failed},
        {"-s SkipCRC32=Yes", "suite.exe|0\n", RC_AllCompleted, PS_Skipped, PS_Completed},
        {"-s", "suite.exe|352441c2\n", RC_AllCompleted, PS_Completed, PS_Completed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arguments) + " " + c.list);
        FakeSetup setup(c.arguments);
        ASSERT_TRUE(setup.config.IsValid());
        FakeRun& run = setup.run;
        AddInstallerFiles(run.machine);
        run.machine.SetFileContent("C:\\Setup\\suite.exe", "abc");
        run.machine.SetFileContent("C:\\Setup\\crc32.txt", c.list);
        // What slot 0 shows while the first package runs.
        int slotZeroDuringWalk = -100;
        run.installers.Script(
            "Runtime",
            InstallerScript{0, "", "", [&](FakeMachine& machine) {
                                slotZeroDuringWalk = run.progress.GetItemState(0);
                                machine.Install(MachineProduct(kRuntime, kRuntime.version));
                            }});
        Installer installer(setup.config, run.Services());
        EXPECT_EQ(c.returnCode, installer.Run()) << run.LogText();
        EXPECT_EQ(c.item, run.progress.GetItemStateByName(kIntegrityCheckItem));
        EXPECT_EQ(c.slotZero, run.progress.GetItemState(0));
        EXPECT_EQ(c.returnCode == RC_AllCompleted ? PS_None : -100, slotZeroDuringWalk);
        // A checked file dispatches the waiting window messages, and nothing waits.
        EXPECT_EQ(c.item == PS_Skipped ? 0 : 2, run.pump.calls);
        EXPECT_EQ(0u, run.clock.SleptMilliseconds());
    }
}

}  // namespace
