#include "dependency_check.h"

#include <algorithm>
#include <utility>

#include "config_interpreter.h"
#include "log_file.h"
#include "product_info.h"
#include "text_util.h"
#include "version_requirement.h"

namespace {

const std::size_t kMaxDependencies = 16;
const char kChassisType[] = "Tarvex Chassis";
const char kWorkstationType[] = "Workstation";

// The skip text when the dependency is meant for the other kind of machine, else empty.
std::string SkipText(const DependencyRecord& record, bool chassis) {
    const std::string type = record.machineType;
    if (type == kChassisType && !chassis)
        return FormatText("Is not Chassis. Skipping the dependency %s...", record.tag);
    if (type == kWorkstationType && chassis)
        return FormatText("Is a Chassis. Skipping the dependency %s...", record.tag);
    return std::string();
}

VersionRequirement RequirementOf(const DependencyRecord& record) {
    VersionRequirement requirement;
    requirement.isPattern = true;
    requirement.productId = record.detect;
    requirement.versionText = Trim(record.versionRE, " \t");
    requirement.versionList = Trim(record.versionList, " \t");
    return requirement;
}

DependencyResult Passed(std::string text) {
    DependencyResult result;
    result.text = std::move(text);
    return result;
}

DependencyResult Failed(std::string text) {
    DependencyResult result;
    result.text = std::move(text);
    result.failed = true;
    return result;
}

DependencyResult ResultOf(int comparison, const DependencyRecord& record,
                          const std::string& installed) {
    const char* tag = record.tag;
    const char* version = installed.c_str();
    switch (comparison) {
        case kNoRequirement:
            return Failed(FormatText("'%s' product code or version not specified", tag));
        case kNotInstalled:
            return Failed(FormatText("'%s' no version found for range '%s' or RE '%s'", tag,
                                     record.versionList, record.versionRE));
        case kPatternMatched:
            return Passed(FormatText("'%s' installed version '%s' is matching the required one",
                                     tag, version));
        case kPatternNotMatched:
            return Failed(FormatText("'%s' installed version '%s' is NOT matching the required one",
                                     tag, version));
        case kInRange:
            return Passed(FormatText("'%s' installed version '%s' is in the specified range [%s]",
                                     tag, version, record.versionList));
        case kOutOfRange:
            return Failed(
                FormatText("'%s' installed version '%s' is NOT in the specified range [%s]", tag,
                           version, record.versionList));
        default:
            return Failed(FormatText("ERROR checking dependency '%s'", tag));
    }
}

// Counts a failed dependency and keeps its text for the user.
void CountFailure(const DependencyRecord& record, DependencyOutcome& outcome) {
    const char* text = record.message[0] != '\0' ? record.message : record.versionText;
    int& counter = record.vital ? outcome.vitalFailures : outcome.nonVitalFailures;
    std::string& texts = record.vital ? outcome.vitalText : outcome.nonVitalText;
    ++counter;
    if (text[0] != '\0')
        texts += std::string(text) + "\n";
}

void LogResult(const DependencyRecord& record, const DependencyResult& result, LogFile& log) {
    const char* prefix = !result.failed ? "" : record.vital ? "ERROR   " : "WARNING ";
    log.Line("    %s%s (%svital)", prefix, result.text.c_str(), record.vital ? "" : "non ");
}

std::string Summary(int considered, int failures) {
    const int found = considered - failures;
    return FormatText("%d/%d %s found", found, considered,
                      found == 1 ? "dependency" : "dependencies");
}

}  // namespace

DependencyResult CheckDependency(const DependencyRecord& record, bool chassis,
                                 InstallerQueries& queries) {
    const std::string skip = SkipText(record, chassis);
    if (!skip.empty())
        return Passed(skip);
    VersionRequirement requirement = RequirementOf(record);
    ProductInfo product;
    const int comparison = CompareRequirement(requirement, product, queries);
    return ResultOf(comparison, record, requirement.installedVersion);
}

DependencyOutcome CheckDependencies(const std::vector<DependencyRecord>& records, bool checkDepends,
                                    MachineProbe& probe, InstallerQueries& queries, LogFile& log) {
    DependencyOutcome outcome;
    outcome.summary = "No dependencies to check";
    if (!checkDepends || records.empty())
        return outcome;
    const bool chassis = IsChassis(probe);
    const std::size_t count = std::min(records.size(), kMaxDependencies);
    for (std::size_t i = 0; i < count; ++i) {
        const DependencyResult result = CheckDependency(records[i], chassis, queries);
        if (result.failed)
            CountFailure(records[i], outcome);
        LogResult(records[i], result, log);
    }
    outcome.summary =
        Summary(static_cast<int>(count), outcome.vitalFailures + outcome.nonVitalFailures);
    return outcome;
}
