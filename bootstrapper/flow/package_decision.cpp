#include "package_decision.h"

#include "expression.h"
#include "log_file.h"
#include "package_record.h"
#include "property_store.h"

namespace {

const int kInstall = 0;
const int kUninstall = 1;
const int kRepair = 2;
const int kExecute = 1;
const int kSkip = 2;

// 1 true, 0 false, -1 when the expression could not be evaluated (logged).
int EvaluateLogged(const std::string& text, const char* label, const PropertyStore& properties,
                   LogFile& log) {
    const std::string expanded = properties.Expand(text.c_str());
    Expression expression(expanded);
    const int code = expression.Evaluate();
    if (code != kExprOk) {
        log.Error("Error '%s' during expression evaluation: %s", Expression::ErrorText(code),
                  expanded.c_str());
        return -1;
    }
    const bool result = expression.Result() == "1";
    log.Line("    Expression: %s is  %s  ->  %s", label, expanded.c_str(),
             result ? "true" : "false");
    return result ? 1 : 0;
}

// The phrases of a package without a version requirement.
void DecideWithoutRequirement(const PackageRecord& package, const DecisionInputs& inputs,
                              PackageDecision& decision, LogFile& log) {
    const bool hasId = !package.version.productId.empty();
    const bool installed = hasId && inputs.installed;
    decision.detected = installed;
    if (inputs.action == kInstall) {
        decision.reason += "product code or version not specified, ";
        log.Warning("Product code or version not specified!");
    } else if (inputs.action == kUninstall) {
        if (installed) {
            decision.reason += "an installed version found - trying to UNINSTALL, ";
        } else {
            decision.reason += hasId ? "no installed version found, "
                                     : "product id not specified - cannot perform uninstall, ";
            decision.selected = false;
        }
    } else if (inputs.action == kRepair) {
        if (installed) {
            decision.reason +=
                FormatText("%s installed version, ", package.version.installedVersion.c_str());
        } else if (hasId) {
            decision.reason += "cannot detect an installed version - trying to INSTALL, ";
            decision.commandAction = kInstall;
        } else {
            decision.reason += "product id not specified - cannot perform repair, ";
            decision.selected = false;
        }
    }
}

void DecideByComparison(const PackageRecord& package, const DecisionInputs& inputs,
                        PackageDecision& decision, LogFile& log) {
    const int action = inputs.action;
    const char* wanted = package.version.versionText.c_str();
    const char* installed = package.version.installedVersion.c_str();
    std::string phrase;
    switch (inputs.comparison) {
        case kNoRequirement:
            DecideWithoutRequirement(package, inputs, decision, log);
            return;
        case kNotInstalled:
            phrase = FormatText("version '%s' not found", wanted);
            decision.selected = action != kUninstall;
            break;
        case kOlderInstalled:
            phrase = FormatText("installed version '%s' is smaller than the specified one '%s'",
                                installed, wanted);
            decision.detected = true;
            break;
        case kSameInstalled:
        case kPatternMatched:
            phrase = FormatText("version '%s' installed", installed);
            decision.detected = true;
            decision.selected = action != kInstall;
            break;
        case kNewerInstalled:
            phrase = FormatText("installed version '%s' is greater than the specified one '%s'",
                                installed, wanted);
            decision.detected = true;
            decision.selected = action != kInstall;
            decision.stopWalk = package.IsMain() && action == kInstall;
            if (decision.stopWalk)
                phrase += " - installation will be aborted";
            break;
        default:
            return;
    }
    // A repair of a product that is missing or older installs it.
    if (action == kRepair && decision.selected &&
        (inputs.comparison == kNotInstalled || inputs.comparison == kOlderInstalled)) {
        decision.commandAction = kInstall;
        phrase += " - trying to INSTALL";
    }
    decision.reason += phrase + ", ";
}

// The first false install (or uninstall) condition skips the package. A condition whose
// precondition (its action and mode filter) is false or cannot be evaluated does not apply.
void CheckConditions(const PackageRecord& package, int action, PackageDecision& decision,
                     const PropertyStore& properties, LogFile& log) {
    const int kind = action == kUninstall ? 1 : 0;
    for (const ConditionRecord& record : package.conditions) {
        if (record.kind != kind)
            continue;
        if (record.condition.empty())
            break;
        if (!record.precondition.empty() &&
            EvaluateLogged(record.precondition, "Precondition", properties, log) != 1)
            continue;
        if (EvaluateLogged(record.condition, "Condition", properties, log) == 1)
            continue;
        decision.state = kSkip;
        decision.conditionFailed = true;
        decision.reason += "condition(s) false, ";
        if (!record.message.empty()) {
            log.WarningEvent("%s", record.message.c_str());
            decision.conditionMessage = record.message;
        }
        return;
    }
}

}  // namespace

PackageDecision DecidePackage(const PackageRecord& package, const DecisionInputs& inputs,
                              const PropertyStore& properties, LogFile& log) {
    const int action = inputs.action;
    PackageDecision decision;
    decision.selected = true;
    decision.commandAction = action;
    DecideByComparison(package, inputs, decision, log);
    decision.reason += FormatText(",%s multiversion, ", package.version.multiversion ? "" : " non");
    if ((action == kInstall || action == kRepair) && !package.required)
        decision.state = kSkip;
    if (action == kUninstall && inputs.forced)
        decision.state = kExecute;
    if (decision.state == 0)
        decision.state = decision.selected ? kExecute : kSkip;
    CheckConditions(package, action, decision, properties, log);
    decision.showMessage = inputs.showMessages && !decision.conditionMessage.empty();
    if (action == kInstall || action == kRepair)
        decision.reason += FormatText("%srequired, ", package.required ? "" : "not ");
    if (package.allCodesSucceed)
        decision.reason += "SuccesCodes='*', ";
    return decision;
}
