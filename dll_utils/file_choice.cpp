// The version test of a chosen file.

#include "file_choice.h"

#include "version_compare.h"

FileVerdict JudgeFileVersion(const std::string& found, const std::string& required) {
    if (found.empty())
        return kFileWithoutVersion;
    const bool list = required.find_first_of(",-") != std::string::npos;
    const bool matches =
        list ? VersionInList(found.c_str(), required.c_str())
             : CompareVersions(found.c_str(), required.c_str(), kVersionCompareSecond) == 0;
    return matches ? kFileAccepted : kFileWrongVersion;
}
