// FRegistry and FEnvVar: one registry operation on a value or key, and one on an
// environment variable followed by the broadcast that tells running programs about it.

#include "f_machine.h"

#include "log_file.h"
#include "message_pump.h"
#include "property_store.h"
#include "registry_operation.h"
#include "run_services.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const char kSystemEnvironment[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment\\";
const char kUserEnvironment[] = "HKEY_CURRENT_USER\\Environment\\";

// What an element asks for. The operation is taken from the value as configured, before
// its properties are expanded: a property whose value happens to begin with "-" or "="
// must not turn a write into a removal.
struct Planned {
    int operation = kRegOpCreate;
    std::string configured;  // the value as configured, without the operation character
    std::string value;       // the same, expanded
    std::string path;
    bool exists = false;
    unsigned long existingType = kRegNone;
};

Planned Plan(RunServices& run, const std::string& path, const std::string& value) {
    Planned planned;
    planned.path = path;
    planned.operation = SplitRegistryOperation(value, &planned.configured);
    planned.value = run.properties.Expand(planned.configured.c_str());
    TypedRegistryValue existing;
    long error = 0;
    planned.exists = run.registry.ReadTyped(path, &existing, kRegistryDefaultView, &error);
    planned.existingType = existing.type;
    // Writing a value that is there is a Set, which never creates its key.
    if (planned.operation == kRegOpCreate && planned.exists)
        planned.operation = kRegOpSet;
    return planned;
}

void LogPlan(LogFile& log, const char* label, const char* nameLabel, const Planned& planned,
             const std::string& name, const std::string& type, const std::string& separator) {
    const std::string indent(16, ' ');
    log.Line("    %s: Operation  '%s'", label, RegistryOperationName(planned.operation));
    log.Line("%s%s'%s'", indent.c_str(), nameLabel, name.c_str());
    log.Line("%sType       '%s'", indent.c_str(), type.c_str());
    log.Line("%sSeparator  '%s'", indent.c_str(), separator.c_str());
    log.Line("%sValue      '%s'", indent.c_str(), planned.value.c_str());
    if (planned.value != planned.configured)
        log.Line("%sValue ini  '%s'", indent.c_str(), planned.configured.c_str());
}

std::string Shown(bool present, const std::string& text) {
    return present ? "'" + text + "'" : "NONE";
}

long Apply(RunServices& run, const Planned& planned, unsigned long type,
           const std::string& separator) {
    RegistryRequest request;
    request.operation = planned.operation;
    request.path = planned.path;
    request.value = planned.value;
    request.type = type;
    request.separator = separator;
    RegistryOutcome outcome;
    const long error = RegistryOperation(run.registry, run.log, request, &outcome);
    run.log.Line("    Result    : %s -> %s", Shown(outcome.hadPrevious, outcome.previous).c_str(),
                 Shown(outcome.hasNew, outcome.now).c_str());
    return error;
}

// A variable keeps the type it has: PATH is an expandable string holding "%SystemRoot%",
// and rewriting it as plain text would stop Windows from expanding it. A new variable is
// expandable only when its value refers to another one.
unsigned long EnvironmentValueType(const Planned& planned) {
    if (planned.exists)
        return planned.existingType;
    return planned.value.find('%') != std::string::npos ? kRegExpandString : kRegString;
}

}  // namespace

FRegistry::FRegistry() {
    tag_ = "REGISTRY";
}

int FRegistry::Execute(RunServices& run, int /*operation*/) {
    const unsigned long valueType = RegistryTypeFromShortName(type);
    if (valueType == kRegNone) {
        run.log.Error("Invalid registry type '%s'", type.c_str());
        return OnFailType();
    }
    const Planned planned = Plan(run, run.properties.Expand(entry.c_str()), value);
    LogPlan(run.log, "Registry  ", "Entry      ", planned, planned.path,
            RegistryTypeLongName(valueType), separator);
    const long error = Apply(run, planned, valueType, separator);
    if (error == 0)
        return 0;
    run.log.Error("Registry operation error %d: %s", static_cast<int>(error),
                  SystemErrorText(error).c_str());
    return OnFailType();
}

FEnvVar::FEnvVar() {
    tag_ = "ENV VAR";
    description_ = "ENVIRONMENT VAR";
}

int FEnvVar::Execute(RunServices& run, int /*operation*/) {
    // An empty name would make the path name the environment key itself.
    if (name.empty() || name.find('\\') != std::string::npos) {
        run.log.Error("Invalid environment variable name '%s'", name.c_str());
        return OnFailType();
    }
    const char* root = EqualsNoCase(type.c_str(), "system") ? kSystemEnvironment : kUserEnvironment;
    const Planned planned = Plan(run, root + name, value);
    LogPlan(run.log, "Env var   ", "Name       ", planned, name, type, separator);
    const long error = Apply(run, planned, EnvironmentValueType(planned), separator);
    if (error != 0) {
        run.log.Error("Environment variable operation error %d: %s", static_cast<int>(error),
                      SystemErrorText(error).c_str());
        return OnFailType();
    }
    long notifyError = 0;
    if (run.pump.BroadcastSettingChange("Environment", &notifyError))
        return 0;
    run.log.Error("Error during environment variable notify: %d (%s)",
                  static_cast<int>(notifyError), SystemErrorText(notifyError).c_str());
    return OnFailType();
}
