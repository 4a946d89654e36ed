#include "version_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "str_util.h"
#include "text_util.h"
#include "version_compare.h"

namespace {

// Any mode outside the named ones compares four fields.
const int kFourFields = 99;

// The integer at the start of text (0 when there is none); text moves past the field and
// its ".".
int ReadField(const char** text) {
    char* end = nullptr;
    const long value = std::strtol(*text, &end, 10);
    *text = end;
    const long limit = 2147483647L;
    while (**text != '\0' && **text != '.') ++*text;
    if (**text == '.')
        ++*text;
    return static_cast<int>(value > limit ? limit : value < -limit ? -limit : value);
}

}  // namespace

int CompareFourFields(const std::string& a, const std::string& b) {
    return CompareVersions(a.c_str(), b.c_str(), kFourFields);
}

std::string ShortVersion(const std::string& longVersion) {
    const char* text = longVersion.empty() ? "0.0.0.0" : longVersion.c_str();
    int fields[4] = {};
    for (int& field : fields) field = ReadField(&text);
    char result[64];
    std::snprintf(result, sizeof(result), "%d.%d.%d", fields[0], fields[1], fields[3]);
    return result;
}

bool VersionInRanges(const std::string& version, const std::string& ranges) {
    for (const std::string& item : SplitTokens(ranges.c_str(), ',', 0)) {
        if (item.empty())
            continue;
        const std::size_t dash = item.find('-');
        const std::string low = Trim(item.substr(0, dash), " \t");
        const std::string high =
            dash == std::string::npos ? low : Trim(item.substr(dash + 1), " \t");
        if (CompareFourFields(version, low) >= 0 && CompareFourFields(version, high) <= 0)
            return true;
    }
    return false;
}

bool IsUpgradeCodeText(const std::string& code) {
    const char* pattern = "u{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (code.size() != std::char_traits<char>::length(pattern))
        return false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(code[i]);
        if (pattern[i] == 'X' ? !std::isxdigit(c)
                              : std::tolower(c) != static_cast<unsigned char>(pattern[i]))
            return false;
    }
    return true;
}
