#pragma once
// What a package or a dependency requires of an installed product, and how the product
// that detection finds compares with it.

#include <string>

class InstallerQueries;
struct ProductInfo;

// How the installed product compares with what a package or a dependency requires.
enum ComparisonResult {
    kNoRequirement = 0,
    kNotInstalled = 1,
    kOlderInstalled = 2,
    kSameInstalled = 3,
    kNewerInstalled = 4,
    kPatternMatched = 5,
    kPatternNotMatched = 6,
    kInRange = 7,
    kOutOfRange = 8,
    kBadPattern = 9,
};

struct VersionRequirement {
    bool isPattern = false;   // the version text is a regular expression
    std::string productId;    // "u{...}", "p{...}", "n...", "r...", "f..."
    std::string versionText;  // trimmed of blanks and tabs
    std::string versionList;  // "a-b,c"
    std::string installedVersion;
    bool multiversion = false;
};

// Detects the product of a requirement into product (through queries) and compares it
// with the requirement (a ComparisonResult); fills requirement.installedVersion.
int CompareRequirement(VersionRequirement& requirement, ProductInfo& product,
                       InstallerQueries& queries);
