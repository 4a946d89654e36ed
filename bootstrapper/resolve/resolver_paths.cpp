#include "resolver_paths.h"

#include <algorithm>

namespace {

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

// True when one of the parts of name, split at "\" and "/", is "..", "." or empty (a
// name that ends with a separator names a folder, not a file).
bool HasBadPart(const std::string& name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSlash(name[end])) ++end;
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string ResolverFolder(const std::string& folder) {
    std::string result = folder;
    std::replace(result.begin(), result.end(), '/', '\\');
    if (!result.empty() && result.back() != '\\')
        result += '\\';
    return result;
}

bool SafeRelativeName(const std::string& name, std::string* cleaned) {
    std::string result = name;
    while (result.size() >= 2 && result[0] == '.' && IsSlash(result[1])) result.erase(0, 2);
    *cleaned = result;
    if (result.empty() || IsSlash(result[0]))
        return false;
    if (result.find(':') != std::string::npos)  // a drive, or a stream name
        return false;
    // Characters no Windows file name holds: a quote in a name would end the quoted path of
    // the archive in its extraction command, and the rest would become arguments.
    const bool control = std::any_of(result.begin(), result.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 32; });
    if (control || result.find_first_of("\"<>|*?") != std::string::npos)
        return false;
    return !HasBadPart(result);
}

std::string ShareRoot(const std::string& path) {
    if (path.size() < 3 || path[0] != '\\' || path[1] != '\\')
        return "";
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2)
        return "";
    std::size_t shareEnd = path.find('\\', serverEnd + 1);
    if (shareEnd == std::string::npos)
        shareEnd = path.size();
    if (shareEnd == serverEnd + 1)
        return "";
    return path.substr(0, shareEnd);
}
