#pragma once
// Comparison of dotted version texts ("2.1.0.34") and membership in version range lists.

// Number of non-empty digit runs before the first character that is neither a digit nor
// a "."; 0 for null.
int VersionFieldCount(const char* text);

// How many fields CompareVersions looks at.
enum VersionCompareMode {
    kVersionCompareText = 0,     // the whole texts, without regard to case
    kVersionCompareShorter = 1,  // as many fields as the text with fewer fields has
    kVersionCompareLonger = 2,   // as many as the text with more fields has
    kVersionCompareFirst = 3,    // as many as a has
    kVersionCompareSecond = 4,   // as many as b has
    kVersionCompareCount = 5,    // the given count
    // any other mode: four fields
};

// -1, 0 or 1 as a is lower than, equal to or higher than b. Fields are compared as
// integers; a field a text does not have counts as 0. Each text is cut to 127 characters
// first; a null text counts as "".
int CompareVersions(const char* a, const char* b, int mode, int count = 0);

// True when version lies in one of the items of the comma-separated list: "a-b" is the
// closed range from a to b, "a" the single version a; bounds are compared over the fields
// of the shorter text, so "3.0" holds "3.0.5". An empty version counts as "0". A bound may
// be left empty ("-1.9", "3.0-") for an open range.
bool VersionInList(const char* version, const char* list);
