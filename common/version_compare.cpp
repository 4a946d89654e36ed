#include "version_compare.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "str_util.h"
#include "text_util.h"

namespace {

const std::size_t kVersionTextSize = 128;  // 127 characters and the terminator
const std::size_t kVersionListSize = 4096;
const int kDefaultFieldCount = 4;

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The fields of a version text read the way atoi would read them, with strtol so that an
// over-long field saturates instead of overflowing.
long Field(const std::string& text, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = text.find('.', start);
        if (start == std::string::npos)
            return 0;
        ++start;
    }
    return std::strtol(text.c_str() + start, nullptr, 10);
}

int FieldsToCompare(const char* a, const char* b, int mode, int count) {
    const int countA = VersionFieldCount(a);
    const int countB = VersionFieldCount(b);
    switch (mode) {
        case kVersionCompareShorter:
            return std::min(countA, countB);
        case kVersionCompareLonger:
            return std::max(countA, countB);
        case kVersionCompareFirst:
            return countA;
        case kVersionCompareSecond:
            return countB;
        case kVersionCompareCount:
            return count;
        default:
            return kDefaultFieldCount;
    }
}

bool InItem(const char* version, const std::string& item) {
    const std::size_t dash = item.find('-');
    const std::string low = Trim(item.substr(0, dash), " \t");
    const std::string high = dash == std::string::npos ? low : Trim(item.substr(dash + 1), " \t");
    return CompareVersions(low.c_str(), version, kVersionCompareShorter) <= 0 &&
           CompareVersions(version, high.c_str(), kVersionCompareShorter) <= 0;
}

}  // namespace

int VersionFieldCount(const char* text) {
    if (!text)
        return 0;
    int count = 0;
    for (const char* p = text; IsDigit(*p) || *p == '.'; ++p) {
        if (IsDigit(*p) && (p == text || !IsDigit(p[-1])))
            ++count;
    }
    return count;
}

int CompareVersions(const char* a, const char* b, int mode, int count) {
    const std::string first = std::string(a ? a : "").substr(0, kVersionTextSize - 1);
    const std::string second = std::string(b ? b : "").substr(0, kVersionTextSize - 1);
    if (mode == kVersionCompareText)
        return CompareN(first.c_str(), second.c_str(), kVersionTextSize, true);
    const int fields = FieldsToCompare(first.c_str(), second.c_str(), mode, count);
    for (int i = 0; i < fields; ++i) {
        const long x = Field(first, i);
        const long y = Field(second, i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool VersionInList(const char* version, const char* list) {
    if (!list)
        return false;
    char copy[kVersionListSize];
    if (StrNCopy(copy, list) == 0)
        return false;
    if (IsEmptyText(version))
        version = "0";
    for (const std::string& item : SplitTokens(copy, ',', 0)) {
        if (Trim(item, " \t").empty())
            continue;
        if (InItem(version, item))
            return true;
    }
    return false;
}
