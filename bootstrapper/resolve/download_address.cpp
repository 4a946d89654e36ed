#include "download_address.h"

#include "config_interpreter.h"
#include "secrets.h"
#include "text_util.h"

namespace {

bool IsCompleteAddress(const std::string& text) {
    return text.find("://") != std::string::npos;
}

std::string ForwardSlashes(std::string text) {
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

// The address of a location with password as its password part.
std::string ComposeLocation(const DownloadLocation& location, const std::string& password) {
    if (!location.url.empty())
        return TrimRight(location.url, "/");
    std::string protocol = ToLowerAscii(Trim(location.protocolText, " \t"));
    std::string address = (protocol.empty() ? "http" : protocol) + "://";
    if (!location.user.empty())
        address += location.user + (password.empty() ? "" : ":" + password) + "@";
    address += Trim(location.server, " \t/\\");
    if (!location.port.empty())
        address += ":" + location.port;
    const std::string path = Trim(ForwardSlashes(location.path), " \t/");
    if (!path.empty())
        address += "/" + path;
    return address;
}

}  // namespace

const PrerequisiteArchive* FindPrerequisiteArchive(const std::vector<PrerequisiteArchive>& list,
                                                   const std::string& archiveName) {
    for (const auto& record : list) {
        if (EqualsNoCase(record.archive.c_str(), archiveName.c_str()))
            return &record;
    }
    return nullptr;
}

std::string ReplacePackagePlaceholders(const std::string& text, const PrerequisiteArchive& archive,
                                       const std::string& fileName) {
    const struct {
        const char* placeholder;
        const std::string& value;
    } replacements[] = {{"[PACKAGE_NAME]", archive.name},
                        {"[PACKAGE_FILE]", fileName},
                        {"[PACKAGE_PATH]", archive.url},
                        {"[PACKAGE_ARCHIVE]", archive.archive}};
    std::string result;
    std::size_t at = 0;
    while (at < text.size()) {
        bool replaced = false;
        for (const auto& replacement : replacements) {
            const std::string placeholder = replacement.placeholder;
            if (text.compare(at, placeholder.size(), placeholder) == 0) {
                result += replacement.value;
                at += placeholder.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            result += text[at++];
    }
    return result;
}

DownloadAddress LocationAddress(const DownloadLocation& location) {
    if (!location.url.empty()) {
        const std::string url = TrimRight(location.url, "/");
        return {url, MaskUrlPassword(url)};
    }
    return {ComposeLocation(location, location.password),
            ComposeLocation(location, location.password.empty() ? "" : kSecretMask)};
}

std::string MaskUrlPassword(const std::string& url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const std::size_t start = scheme + 3;
    const std::size_t end = url.find_first_of("/?#", start);
    const std::size_t at = url.rfind('@', end == std::string::npos ? url.size() : end);
    if (at == std::string::npos || at < start)
        return url;
    const std::size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + kSecretMask + url.substr(at);
}

std::vector<DownloadAddress> DownloadAddresses(const PrerequisiteArchive& archive,
                                               const std::string& fileName,
                                               const std::vector<DownloadLocation>& locations) {
    std::vector<DownloadAddress> addresses;
    if (IsCompleteAddress(archive.url)) {
        const std::string url = ReplacePackagePlaceholders(archive.url, archive, fileName);
        addresses.push_back({url, MaskUrlPassword(url)});
        return addresses;
    }
    const std::string path =
        TrimLeft(ForwardSlashes(archive.url.empty() ? archive.archive : archive.url), "/");
    for (const auto& location : locations) {
        // Shares are searched by the resolver as folders; they are not download sites.
        if (location.protocol == kProtocolUnc)
            continue;
        const DownloadAddress base = LocationAddress(location);
        addresses.push_back(
            {ReplacePackagePlaceholders(base.url + "/" + path, archive, fileName),
             ReplacePackagePlaceholders(base.shown + "/" + path, archive, fileName)});
    }
    return addresses;
}
