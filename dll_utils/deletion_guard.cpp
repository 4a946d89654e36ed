// Path and key checks before deletions, and the long-name wildcard match.

#include "deletion_guard.h"

#include <cctype>

#include "registry.h"
#include "text_util.h"

namespace {

bool IsDriveLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// The part of an absolute path below its volume, false when the path is not absolute.
bool BelowVolume(const std::string& path, std::string* rest) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
        *rest = path.substr(3);
        return true;
    }
    if (path.compare(0, 2, "\\\\") != 0)
        return false;
    const std::size_t server = path.find('\\', 2);
    if (server == std::string::npos || server == 2)
        return false;
    const std::size_t share = path.find('\\', server + 1);
    if (share == server + 1)
        return false;
    *rest = share == std::string::npos ? std::string() : path.substr(share + 1);
    return true;
}

int CountComponents(const std::string& rest) {
    int depth = 0;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos)
            end = rest.size();
        const std::string piece = rest.substr(start, end - start);
        if (piece == "..")
            return -1;
        if (!piece.empty() && piece != ".")
            ++depth;
        start = end + 1;
    }
    return depth;
}

bool Refuse(std::string* reason, const char* text) {
    *reason = text;
    return false;
}

bool MatchFrom(const char* pattern, const char* name) {
    for (; *pattern != '\0'; ++pattern, ++name) {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0')
                return true;
            for (; *name != '\0'; ++name) {
                if (MatchFrom(pattern, name))
                    return true;
            }
            return false;
        }
        if (*name == '\0')
            return false;
        if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                                   std::tolower(static_cast<unsigned char>(*name)))
            return false;
    }
    return *name == '\0';
}

}  // namespace

int DepthBelowVolume(const std::string& path) {
    std::string rest;
    if (path.find('[') != std::string::npos || !BelowVolume(path, &rest))
        return -1;
    return CountComponents(rest);
}

bool FolderMayBeRemoved(const std::string& folder, std::string* reason) {
    const int depth = DepthBelowVolume(folder);
    if (depth < 0)
        return Refuse(reason, "not an absolute path");
    if (depth < 2)
        return Refuse(reason, "a root or a folder right below it");
    return true;
}

bool FilesMayBeDeleted(const std::string& folder, const std::string& name, std::string* reason) {
    if (name.empty() || name.find('[') != std::string::npos)
        return Refuse(reason, "no file name");
    const int depth = DepthBelowVolume(folder);
    if (depth < 0)
        return Refuse(reason, "not an absolute path");
    if (depth < 1)
        return Refuse(reason, "a root");
    if (depth < 2 && name.find_first_of("*?") != std::string::npos)
        return Refuse(reason, "a pattern right below a root");
    return true;
}

bool KeyMayBeDeleted(const std::string& keyPath, std::string* reason) {
    const std::string key = Trim(keyPath, "\\ ");
    RegistryPath parsed;
    if (!ParseRegistryPath(key + "\\", &parsed))
        return Refuse(reason, "no known root");
    if (key.find('[') != std::string::npos)
        return Refuse(reason, "an unresolved reference");
    if (CountComponents(parsed.key) < 2)
        return Refuse(reason, "a root or a key right below it");
    return true;
}

bool WildcardMatches(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*")
        return true;
    return MatchFrom(pattern.c_str(), name.c_str());
}
