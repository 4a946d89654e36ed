#include "file_names.h"

#include "file_system.h"
#include "text_util.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The parts of a path between its separators (empty parts kept).
std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts(1);
    for (const char c : path) {
        if (IsSeparator(c))
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

bool IsDotsOnly(const std::string& part) {
    return part.find_first_not_of(". ") == std::string::npos;
}

// folder is inside parent, or parent itself.
bool IsWithin(const std::string& folder, const std::string& parent) {
    if (parent.empty() || folder.size() < parent.size())
        return false;
    const std::string head = folder.substr(0, parent.size());
    if (!EqualsNoCase(head.c_str(), parent.c_str()))
        return false;
    return folder.size() == parent.size() || folder[parent.size()] == '\\';
}

}  // namespace

std::string NormalFolder(const std::string& folder) {
    const std::string text = Trim(folder, " \t");
    const bool share = text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1]);
    std::string normal = share ? "\\\\" : "";
    for (std::size_t i = share ? 2 : 0; i < text.size(); ++i) {
        const char c = IsSeparator(text[i]) ? '\\' : text[i];
        if (c != '\\' || normal.empty() || normal.back() != '\\')
            normal += c;
    }
    while (normal.size() > 2 && normal.back() == '\\') normal.pop_back();
    return normal;
}

bool IsFullFolder(const std::string& folder) {
    const bool drive =
        folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\' &&
        ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
    const bool share = folder.compare(0, 2, "\\\\") == 0;
    if ((!drive && !share) || IsVolumeRoot(folder))
        return false;
    const std::vector<std::string> parts = Parts(folder.substr(drive ? 3 : 2));
    for (const std::string& part : parts) {
        if (IsDotsOnly(part) || part.find_first_of(":*?\"<>|") != std::string::npos)
            return false;
    }
    return true;
}

bool IsContainedName(const std::string& name) {
    if (name.empty() || name.find_first_of(":*?\"<>|,") != std::string::npos)
        return false;
    for (const std::string& part : Parts(name)) {
        if (IsDotsOnly(part))
            return false;
    }
    return true;
}

bool IsOnPathOf(const std::string& folder, const std::string& path) {
    return IsWithin(folder, path) || IsWithin(path, folder);
}

bool HoldsAny(const std::string& folder, const std::vector<std::string>& protectedFolders) {
    for (const std::string& kept : protectedFolders) {
        const std::string normal = NormalFolder(kept);
        if (!normal.empty() && IsWithin(normal, folder))
            return true;
    }
    return false;
}
