#include "config_report.h"

#include <set>

#include "f_execute.h"
#include "f_machine.h"
#include "f_package.h"
#include "installer.h"
#include "return_codes.h"
#include "text_util.h"

namespace {

const char* const kActionNames[] = {"install", "uninstall", "repair"};

// The mode whose command line the run takes: quiet wins over silent, as in the run.
int CommandMode(unsigned modeFlags) {
    return (modeFlags & 2) ? 2 : (modeFlags & 1) ? 1 : 0;
}

const char* YesNo(bool flag) {
    return flag ? "Yes" : "No";
}

std::string Codes(const std::set<int>& codes) {
    std::string text;
    for (int code : codes) text += (text.empty() ? "" : ",") + FormatText("%d", code);
    return text.empty() ? "-" : text;
}

// The conditions of a flow element; the filter of an element without InstallAction and
// InstallMode always holds and is left out.
std::string ConditionText(const FBase& element) {
    std::string text;
    if (element.ImplicitCondition() && element.ImplicitCondition()->Text() != "(1) AND (1)")
        text = element.ImplicitCondition()->Text();
    if (element.ExplicitCondition())
        text += (text.empty() ? "" : " AND ") + element.ExplicitCondition()->Text();
    return text.empty() ? "always" : text;
}

void ReportPackageConditions(const FPackage& package, LogFile& log) {
    for (const ConditionRecord& record : package.conditions) {
        log.Line("                %s when %s%s%s", record.kind == 0 ? "install" : "uninstall",
                 record.condition.c_str(), record.precondition.empty() ? "" : " and ",
                 record.precondition.c_str());
    }
}

void ReportPackage(const FPackage& package, const char* role, int action, int mode, LogFile& log) {
    log.Line("    Package   : '%s' (%s, tag '%s', type '%s')", package.name.c_str(), role,
             package.tag.c_str(), package.type.c_str());
    log.Line("                file '%s', archive '%s'", package.fileName.c_str(),
             package.archiveName.c_str());
    log.Line("                detect '%s', version '%s'", package.version.productId.c_str(),
             package.version.versionText.c_str());
    const auto& command = package.CommandLineTemplate(action, mode);
    log.Line("                %s command '%s'", kActionNames[action],
             command ? command->c_str() : "(none)");
    log.Line("                success %s, error %s, cancel %s, reboot '%s'",
             package.allCodesSucceed ? "*" : Codes(package.successCodes).c_str(),
             Codes(package.errorCodes).c_str(), Codes(package.cancelCodes).c_str(),
             package.rebootCode.c_str());
    log.Line("                vital %s, refcount %s, permanent %s, cached %s", YesNo(package.vital),
             YesNo(package.refCounted), YesNo(package.permanent), YesNo(package.cached));
    ReportPackageConditions(package, log);
    if (!package.ConfigurationErrors().empty())
        log.Error("%s", package.ConfigurationErrors().c_str());
}

std::string ElementText(const FBase& element) {
    if (const auto* execute = dynamic_cast<const FExecute*>(&element)) {
        if (execute->DllCall())
            return "DllCall '" + execute->DllCall()->Call() + "'";
        if (execute->Property())
            return "SetProperty '" + execute->Property()->Assignment() + "'";
    }
    if (const auto* registry = dynamic_cast<const FRegistry*>(&element))
        return "'" + registry->entry + "' value '" + registry->value + "'";
    if (const auto* variable = dynamic_cast<const FEnvVar*>(&element))
        return "'" + variable->name + "' value '" + variable->value + "'";
    return "";
}

// The chain in order; returns the number of MAIN packages and whether a package carries a
// configuration error.
int ReportChain(const ConfigInterpreter& config, bool* packageErrors, LogFile& log) {
    const int action = config.GetAction() >= 0 && config.GetAction() <= 2 ? config.GetAction() : 0;
    const int mode = CommandMode(config.GetModeFlags());
    int mains = 0;
    for (const auto& element : config.ConfigList()) {
        const auto* package = dynamic_cast<const FPackage*>(element.get());
        if (!package) {
            log.Line("    %-10s: %s when %s", element->GetTag().c_str(),
                     ElementText(*element).c_str(), ConditionText(*element).c_str());
            continue;
        }
        const char* role = package->IsMain() ? "MAIN" : mains ? "postrequisite" : "prerequisite";
        ReportPackage(*package, role, action, mode, log);
        *packageErrors = *packageErrors || !package->ConfigurationErrors().empty();
        mains += package->IsMain() ? 1 : 0;
    }
    return mains;
}

int Verdict(int code, LogFile& log) {
    if (code < 0)
        log.Line("Setup would accept these files and start the chain.");
    else
        log.Line("Setup would stop before any package runs and return %d [%s].", code,
                 ReturnCodeName(code));
    return code;
}

}  // namespace

int ReportConfiguration(ConfigInterpreter& config, LogFile& log) {
    if (!config.IsValid()) {
        log.Error("Invalid configuration. Quitting...");
        return Verdict(RC_InvalidConfiguration, log);
    }
    if (config.HasInvalidArguments()) {
        config.WriteArgumentReport();
        return Verdict(RC_InvalidArguments, log);
    }
    log.Line("Command line parameters:\n%s", config.Arguments().ArgumentReport().c_str());
    SetRunDefaults(config.Properties());
    LogProperties(config.Properties(), 1, log);
    log.Line("(2) THE CHAIN...");
    bool packageErrors = false;
    const int mains = ReportChain(config, &packageErrors, log);
    if (mains > 1)
        log.Error("Another main package has been detected! It will be ignored.");
    if (packageErrors || mains > 1)
        return Verdict(RC_InvalidConfiguration, log);
    if (mains == 0) {
        log.Error("NO MAIN PACKAGE DETECTED (containing Feature='MAIN' attribute)!");
        return Verdict(RC_MainPackageNotDetected, log);
    }
    return Verdict(-1, log);
}
