#include "text_util.h"

#include <cctype>
#include <cstring>

std::string TrimLeft(const std::string& text, const char* set) {
    const std::size_t first = text.find_first_not_of(set);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TrimRight(const std::string& text, const char* set) {
    const std::size_t last = text.find_last_not_of(set);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string Trim(const std::string& text, const char* set) {
    return TrimRight(TrimLeft(text, set), set);
}

namespace {
int Lower(char c) {
    return std::tolower(static_cast<unsigned char>(c));
}
}  // namespace

bool EqualsNoCase(const char* a, const char* b) {
    if (!a || !b)
        return a == b;
    for (; *a && *b; ++a, ++b) {
        if (Lower(*a) != Lower(*b))
            return false;
    }
    return *a == *b;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    if (text.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (Lower(text[i]) != Lower(prefix[i]))
            return false;
    }
    return true;
}

std::string ToLowerAscii(std::string text) {
    for (char& c : text) c = static_cast<char>(Lower(c));
    return text;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return ToLowerAscii(text).find(ToLowerAscii(part)) != std::string::npos;
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    if (text.size() < length)
        return false;
    return EqualsNoCase(text.c_str() + text.size() - length, suffix);
}

std::vector<std::string> SplitNameList(const std::string& list) {
    std::vector<std::string> names;
    std::string name;
    for (char c : list + ",") {
        if (c == ',' || c == ';' || c == ' ' || c == '\t') {
            if (!name.empty())
                names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    return names;
}

bool NamesFolder(const std::string& name) {
    return name.find_first_of("\\/:") != std::string::npos;
}
