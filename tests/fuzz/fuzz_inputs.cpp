#include "fuzz_inputs.h"

#include <cstring>
#include <ctime>
#include <fstream>

#include "arguments.h"
#include "command_line.h"
#include "config_interpreter.h"
#include "config_report.h"
#include "crc32.h"
#include "event_logger.h"
#include "expression.h"
#include "fake_run.h"
#include "log_file.h"
#include "package_integrity.h"
#include "plugin_call.h"
#include "plugin_interface.h"
#include "property_store.h"
#include "setup_folder.h"
#include "standard_properties.h"

namespace {

// Answers a call from its text: "Fail" fails, "Number" gives a number, anything else the
// text after the first "(" (so that call results feed the evaluator unexpected texts).
int EchoCaller(const char* callText, std::string* text, int* number, std::string* error) {
    const std::string call = callText;
    if (call.find("Fail") != std::string::npos) {
        *error = "failed";
        return kPluginFailed;
    }
    if (call.find("Number") != std::string::npos) {
        *number = static_cast<int>(call.size());
        return kPluginInteger;
    }
    const std::size_t open = call.find('(');
    *text = call.substr(open == std::string::npos ? 0 : open + 1);
    return kPluginText;
}

void SetConditionProperties(PropertyStore& store) {
    store.Set("Action", "Install", true);
    store.Set("Mode", "Silent", true);
    store.Set("MainIsInstalled", "0", true);
    store.Set("Version", "1.2.3", true);
    store.Set("Empty", "", true);
    store.Set("Nested", "[Action]", true);
    store.Set("Loop", "[Loop]", true);
    store.Set("Call", "utils.CallProc:Echo([Version])", true);
    store.Set("Number", "-2147483648", true);
}

MachineFacts FuzzFacts() {
    MachineFacts facts;
    facts.platform = 2;
    facts.osVersion = "10.0.0";
    facts.osArchitecture = "64-bit";
    return facts;
}

void WriteConfigFiles(const std::string& folder, const std::string& input) {
    const char* const names[] = {"standard.xml", "config.xml", "settings.xml"};
    const std::size_t separatorSize = std::strlen(kConfigInputSeparator);
    std::string rest = input;
    for (const char* name : names) {
        const std::size_t end = rest.find(kConfigInputSeparator);
        const std::string part = rest.substr(0, end);
        rest = end == std::string::npos ? std::string() : rest.substr(end + separatorSize);
        std::ofstream(folder + "/" + name, std::ios::binary | std::ios::trunc) << part;
    }
}

// Writes every argument into the result as far as it fits: procedures must be able to trust
// argc, argv and the result size they are given.
int JoinProc(PluginSession, int argc, char** argv, char* result, int resultSize, int* error) {
    std::string text;
    for (int i = 1; i < argc; ++i) text += argv[i];
    if (result && resultSize > 0) {
        std::strncpy(result, text.c_str(), static_cast<std::size_t>(resultSize) - 1);
        result[resultSize - 1] = '\0';
    }
    SetPluginStatus(error, 0);
    return argc;
}

int CountProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    return static_cast<int>(std::strlen(argv[1]));
}

const PluginProcEntry kProcedures[] = {
    {"Join", JoinProc, kProcText, ""},
    {"Count", CountProc, kProcInteger, ""},
};
const PluginProcTable kProcedureTable = {kProcedures, 2};

}  // namespace

void RunExpressionInput(const std::string& input) {
    PropertyStore store;
    SetConditionProperties(store);
    SetCurrentPropertyStore(&store);
    SetPluginCaller(EchoCaller);
    Expression expression(store.Expand(input.c_str()));
    if (expression.Evaluate() == kExprOk) {
        // A computed value is evaluated again, as property elements may do with it.
        Expression again(expression.Result());
        again.Evaluate();
    }
    int value = 0;
    IsExpressionInteger(input, &value);
    SetPluginCaller(nullptr);
    SetCurrentPropertyStore(nullptr);
}

void RunConfigInput(const std::string& folder, const std::string& input) {
    WriteConfigFiles(folder, input);
    SetSetupFolder(folder);
    ConfigInterpreter::SetMachineFactsSource(FuzzFacts);
    {
        const std::string line = "\"" + folder + "/setup.exe\" -s";
        const CommandLine command(line.c_str(), " \t", '"');
        EventLogger events;
        ConfigInterpreter config(command, "config.xml", "standard.xml", "settings.xml", &events, 0);
        LogFile report(nullptr, "", "");
        ReportConfiguration(config, report);
    }
    ConfigInterpreter::SetMachineFactsSource(nullptr);
    SetSetupFolder("");
}

void RunCommandLineInput(const std::string& input) {
    const std::string line = "\"C:\\Setup\\setup.exe\" " + input;
    const CommandLine command(line.c_str(), " \t", '"');
    ArgumentLists lists;
    lists.Classify(command.Arguments());
    InterpretArguments(lists);
    lists.ArgumentReport();
    CannedConfig canned;
    canned.name = "Full";
    canned.options.emplace_back("F.Docs", "Yes");
    canned.options.emplace_back("P.INSTALLDIR", "C:\\x");
    canned.options.emplace_back("Bad", "x");
    PropertyStore store;
    ApplyArgumentProperties(store, lists, {canned});
}

void RunPluginCallInput(const std::string& input) {
    PropertyStore store;
    store.Set("Folder", "C:\\Program Files\\Tarvex", true);
    store.Set("Loop", "[Loop]", true);
    SetCurrentPropertyStore(&store);
    int number = 0;
    int error = 0;
    char result[kPluginResultBufferSize];
    DispatchPluginCall(kProcedureTable, input.c_str(), &number, result, sizeof(result), &error);
    PluginCall call;
    if (ParsePluginCall(input.c_str(), &call))
        PluginArguments(call, &store).Display();
    SetCurrentPropertyStore(nullptr);
}

void RunChecksumListInput(const std::string& input) {
    FakeRun run;
    run.machine.SetFileContent("C:\\Setup\\crc32.txt", input);
    run.machine.SetFileContent("C:\\Setup\\a.msi", "abc");
    run.machine.SetFileContent("C:\\Setup\\empty.txt", "");
    run.machine.SetFileContent("C:\\Setup\\big.bin", std::string(3 * kChecksumBlockSize + 7, 'x'));
    VerifyPackageIntegrity(run.Services());
    std::uint32_t value = 0;
    ParseCrc32Text(input, &value);
}
