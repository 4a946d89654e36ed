#include "cache_folder_guard.h"

#include <cctype>

#include "text_util.h"

namespace {

// Splits off the root ("C:" or "\\server\share") of a full path; false when there is none.
bool SplitRoot(const std::string& path, std::string* root, std::string* rest) {
    if (path.compare(0, 2, "\\\\") == 0) {
        const std::size_t server = path.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return false;
        const std::size_t share = path.find('\\', server + 1);
        *root = path.substr(0, share);
        *rest = share == std::string::npos ? std::string() : path.substr(share);
        return share != server + 1 && root->size() > server + 1;
    }
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        *root = path.substr(0, 2);
        *rest = path.substr(2);
        return rest->empty() || (*rest)[0] == '\\';
    }
    return false;
}

std::string StripDevicePrefix(std::string path) {
    if (StartsWithNoCase(path, "\\\\?\\UNC\\"))
        return "\\" + path.substr(7);
    if (path.compare(0, 4, "\\\\?\\") == 0 || path.compare(0, 4, "\\\\.\\") == 0)
        return path.substr(4);
    return path;
}

std::vector<std::string> Parts(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\\', start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string Lower(const std::string& text) {
    return ToLowerAscii(text);
}

// a is b or lies below it (both normalised).
bool IsAtOrBelow(const std::string& a, const std::string& b) {
    const std::string lowerA = Lower(a), lowerB = Lower(TrimRight(b, "\\"));
    return lowerA == lowerB ||
           (lowerA.size() > lowerB.size() && lowerA.compare(0, lowerB.size(), lowerB) == 0 &&
            lowerA[lowerB.size()] == '\\');
}

}  // namespace

NormalizedFolder NormalizeFolder(const std::string& folder, const std::string& currentFolder) {
    std::string path = Trim(folder, " \t\"");
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    path = StripDevicePrefix(path);
    std::string current = StripDevicePrefix(currentFolder);
    std::string currentRoot, unused;
    if (!path.empty() && path[0] == '\\' && path.compare(0, 2, "\\\\") != 0) {
        if (!SplitRoot(current, &currentRoot, &unused))
            return {path, true};
        path = currentRoot + path;
    } else if (!(path.size() >= 2 && (path[1] == ':' || path.compare(0, 2, "\\\\") == 0))) {
        path = current + "\\" + path;
    }
    NormalizedFolder result;
    std::string root, rest;
    if (!SplitRoot(path, &root, &rest))
        return {path, true};
    std::vector<std::string> parts;
    for (const std::string& item : Parts(rest)) {
        if (item == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        // Windows drops trailing dots and blanks: "Windows." and "Windows " are "Windows".
        const std::string part = TrimRight(item, ". ");
        if (!part.empty())
            parts.push_back(part);
    }
    result.path = root;
    for (const std::string& part : parts) result.path += "\\" + part;
    result.root = parts.empty();
    if (result.root)
        result.path += "\\";
    return result;
}

bool IsProtectedFolder(const std::string& folder, const std::vector<std::string>& systemFolders,
                       const std::string& windowsFolder, const std::string& profilesRoot) {
    for (const std::string& system : systemFolders) {
        if (!system.empty() && IsAtOrBelow(system, folder))
            return true;
    }
    if (!windowsFolder.empty() && IsAtOrBelow(folder, windowsFolder))
        return true;
    if (profilesRoot.empty())
        return false;
    const std::string parent = folder.substr(0, folder.rfind('\\'));
    return Lower(parent) == Lower(TrimRight(profilesRoot, "\\"));
}
