// FPackage: detection and comparison with the wanted version, the run's decision for the
// package and its install/uninstall conditions, and what the installer file says of itself.

#include "f_package.h"

#include "expression.h"
#include "log_file.h"
#include "property_store.h"
#include "regex_matcher.h"
#include "str_util.h"
#include "system_info.h"
#include "text_util.h"
#include "version_compare.h"

namespace {

const int kInstall = 0;
const int kUninstall = 1;
const int kRepair = 2;
const int kExecute = 1;
const int kSkip = 2;

std::string WithoutHexPrefix(const char* version) {
    const std::string text = version;
    return text.compare(0, 2, "0x") == 0 ? text.substr(2) : text;
}

int CompareDetected(const VersionRequirement& requirement) {
    const std::string& installed = requirement.installedVersion;
    if (!requirement.versionList.empty())
        return VersionInList(installed.c_str(), requirement.versionList.c_str()) ? kInRange
                                                                                 : kOutOfRange;
    if (requirement.isPattern) {
        RegexMatcher matcher("Version matching", requirement.versionText.c_str());
        if (!matcher.IsValid())
            return kBadPattern;
        return matcher.Matches(installed.c_str()) ? kPatternMatched : kPatternNotMatched;
    }
    // As many parts as the wanted version has: 2.1.5 is "2.1", and 2.1 is "2.1.0.0".
    const int order =
        CompareVersions(installed.c_str(), requirement.versionText.c_str(), kVersionCompareSecond);
    if (order == 0)
        return kSameInstalled;
    // Side-by-side versions: another version does not stand for the wanted one.
    if (requirement.multiversion)
        return kNotInstalled;
    return order < 0 ? kOlderInstalled : kNewerInstalled;
}

// 1 true, 0 false, -1 when the expression could not be evaluated (logged).
int EvaluateLogged(const std::string& text, const char* label) {
    const std::string expanded = ExpandProperties(text.c_str());
    Expression expression(expanded);
    const int code = expression.Evaluate();
    if (code != kExprOk) {
        Log().Error("Error '%s' during expression evaluation: %s", Expression::ErrorText(code),
                    expanded.c_str());
        return -1;
    }
    const bool result = expression.Result() == "1";
    Log().Line("    Expression: %s is  %s  ->  %s", label, expanded.c_str(),
               result ? "true" : "false");
    return result ? 1 : 0;
}

}  // namespace

int CompareRequirement(VersionRequirement& requirement, ProductInfo& product) {
    product.Clear();
    requirement.installedVersion.clear();
    if (requirement.productId.empty())
        return kNoRequirement;
    const char* filter = nullptr;
    if (requirement.multiversion)
        filter = requirement.versionList.empty() ? requirement.versionText.c_str()
                                                 : requirement.versionList.c_str();
    product.Detect(requirement.productId.c_str(), filter);
    requirement.installedVersion = WithoutHexPrefix(product.version);
    if (requirement.versionText.empty() && requirement.versionList.empty())
        return kNoRequirement;
    if (!product.installed)
        return kNotInstalled;
    return CompareDetected(requirement);
}

int FPackage::Compare() {
    comparison_ = CompareRequirement(version, product_);
    return comparison_;
}

PackageDecision FPackage::Decide(int action, int comparison, bool showMessages, bool forced) {
    PackageDecision decision;
    decision.selected = true;
    decision.commandAction = action;
    DecideByComparison(action, comparison, decision);
    decision.reason += FormatText(",%s multiversion, ", version.multiversion ? "" : " non");
    if ((action == kInstall || action == kRepair) && !required)
        decision.state = kSkip;
    if (action == kUninstall && forced)
        decision.state = kExecute;
    if (decision.state == 0)
        decision.state = decision.selected ? kExecute : kSkip;
    CheckConditions(action, decision);
    decision.showMessage = showMessages && !decision.conditionMessage.empty();
    if (action == kInstall || action == kRepair)
        decision.reason += FormatText("%srequired, ", required ? "" : "not ");
    if (allCodesSucceed)
        decision.reason += "SuccesCodes='*', ";
    return decision;
}

namespace {

// The phrases of a package without a version requirement.
void DecideWithoutRequirement(int action, const FPackage& package, PackageDecision& decision) {
    const bool hasId = !package.version.productId.empty();
    const bool installed = hasId && package.Product().installed;
    decision.detected = installed;
    if (action == kInstall) {
        decision.reason += "product code or version not specified, ";
        Log().Warning("Product code or version not specified!");
    } else if (action == kUninstall) {
        if (installed) {
            decision.reason += "an installed version found - trying to UNINSTALL, ";
        } else {
            decision.reason += hasId ? "no installed version found, "
                                     : "product id not specified - cannot perform uninstall, ";
            decision.selected = false;
        }
    } else if (action == kRepair) {
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

}  // namespace

void FPackage::DecideByComparison(int action, int comparison, PackageDecision& decision) {
    const char* wanted = version.versionText.c_str();
    const char* installed = version.installedVersion.c_str();
    std::string phrase;
    switch (comparison) {
        case kNoRequirement:
            DecideWithoutRequirement(action, *this, decision);
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
            decision.stopWalk = IsMain() && action == kInstall;
            if (decision.stopWalk)
                phrase += " - installation will be aborted";
            break;
        default:
            return;
    }
    // A repair of a product that is missing or older installs it.
    if (action == kRepair && decision.selected &&
        (comparison == kNotInstalled || comparison == kOlderInstalled)) {
        decision.commandAction = kInstall;
        phrase += " - trying to INSTALL";
    }
    decision.reason += phrase + ", ";
}

// The first false install (or uninstall) condition skips the package. A condition whose
// precondition (its action and mode filter) is false or cannot be evaluated does not apply.
void FPackage::CheckConditions(int action, PackageDecision& decision) {
    const int kind = action == kUninstall ? 1 : 0;
    for (const ConditionRecord& record : conditions) {
        if (record.kind != kind)
            continue;
        if (record.condition.empty())
            break;
        if (!record.precondition.empty() &&
            EvaluateLogged(record.precondition, "Precondition") != 1)
            continue;
        if (EvaluateLogged(record.condition, "Condition") == 1)
            continue;
        decision.state = kSkip;
        decision.conditionFailed = true;
        decision.reason += "condition(s) false, ";
        if (!record.message.empty()) {
            Log().WarningEvent("%s", record.message.c_str());
            decision.conditionMessage = record.message;
        }
        return;
    }
}

void FPackage::ReadPackageInformation(const std::string& installerPath) {
    if (EqualsNoCase(type.c_str(), "MSI")) {
        ProductInfo package;
        package.ReadFromPackage(installerPath.c_str(), -1);
        if (version.productId.empty() && package.productCode[0])
            version.productId = std::string("p") + package.productCode;
        if (version.versionText.empty())
            version.versionText = Trim(package.version, " \t");
        StrNCopy(product_.productName, package.productName);
    } else if (EqualsNoCase(type.c_str(), "ISEXEMSI")) {
        const std::string fileVersion = ActiveInstallerQueries().FileVersion(installerPath.c_str());
        if (version.versionText.empty())
            version.versionText = Trim(fileVersion, " \t");
#if defined(_WIN32)
        StrNCopy(product_.productName, GetVersion(installerPath.c_str(), "ProductName").c_str());
#endif
    }
}
