#pragma once
// Installed Windows Installer products as the custom actions ask for them.

#include <string>
#include <vector>

class InstallerQueries;

// The product codes related to an upgrade code (a leading "u", any case, is dropped), in
// the installer's order, at most 128.
std::vector<std::string> RelatedProductCodes(InstallerQueries& queries,
                                             const std::string& upgradeCode);

// The "VersionString" of an installed product; empty when it is not installed.
std::string InstalledVersion(InstallerQueries& queries, const std::string& productCode);

// The highest installed version among a comma-separated list of codes: a code that starts
// with "u" (any case) stands for every product related to that upgrade code, any other
// for one product ("p" before its brace is dropped). Empty when none is installed.
std::string HighestInstalledVersion(InstallerQueries& queries, const std::string& codes);
