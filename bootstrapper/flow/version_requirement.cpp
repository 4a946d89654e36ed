#include "version_requirement.h"

#include "product_info.h"
#include "regex_matcher.h"
#include "version_compare.h"

namespace {

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

}  // namespace

int CompareRequirement(VersionRequirement& requirement, ProductInfo& product,
                       InstallerQueries& queries) {
    product.Clear();
    requirement.installedVersion.clear();
    if (requirement.productId.empty())
        return kNoRequirement;
    const char* filter = nullptr;
    if (requirement.multiversion)
        filter = requirement.versionList.empty() ? requirement.versionText.c_str()
                                                 : requirement.versionList.c_str();
    product.Detect(requirement.productId.c_str(), filter, queries);
    requirement.installedVersion = WithoutHexPrefix(product.version);
    if (requirement.versionText.empty() && requirement.versionList.empty())
        return kNoRequirement;
    if (!product.installed)
        return kNotInstalled;
    return CompareDetected(requirement);
}
