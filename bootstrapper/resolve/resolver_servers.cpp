#include "resolver_servers.h"

#include <algorithm>

#include "config_interpreter.h"
#include "text_util.h"

namespace {

std::string ServerFolder(const DownloadLocation& location) {
    std::string server = Trim(location.server, " \t");
    std::replace(server.begin(), server.end(), '/', '\\');
    const bool hasDrive = server.size() >= 2 && server[1] == ':';
    if (!hasDrive && server.compare(0, 2, "\\\\") != 0)
        server = "\\\\" + TrimLeft(server, "\\");
    std::string path = Trim(location.path, " \t/\\");
    std::replace(path.begin(), path.end(), '/', '\\');
    return path.empty() ? server : TrimRight(server, "\\") + "\\" + path;
}

}  // namespace

std::vector<ResolverServer> ServersFromLocations(const std::vector<DownloadLocation>& locations) {
    std::vector<ResolverServer> servers;
    for (const DownloadLocation& location : locations) {
        if (location.protocol != kProtocolUnc || Trim(location.server, " \t").empty())
            continue;
        servers.push_back({ServerFolder(location), location.user, location.password});
    }
    return servers;
}
