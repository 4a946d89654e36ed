#pragma once
// The version arithmetic of the custom actions: four "."-separated integer fields.

#include <string>

// -1, 0 or 1 as a is lower than, equal to or higher than b over four fields (a missing
// field counts as 0, each text cut to 127 characters first).
int CompareFourFields(const std::string& a, const std::string& b);

// Fields 1, 2 and 4 of a long version as "%d.%d.%d" ("4.10.2.1234" gives "4.10.1234"); an
// empty text reads as "0.0.0.0", missing or unreadable fields as 0.
std::string ShortVersion(const std::string& longVersion);

// True when version lies in one item of the comma-separated list (empty items dropped);
// an item is "lo-hi" (both ends included) or a single version, compared over four fields.
bool VersionInRanges(const std::string& version, const std::string& ranges);

// Whether code has the form "u{XXXXXXXX-YYYY-ZZZZ-UUUU-WWWWWWWWWWWW}" (hexadecimal digits,
// "u" in any case).
bool IsUpgradeCodeText(const std::string& code);
