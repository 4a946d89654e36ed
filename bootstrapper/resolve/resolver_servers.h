#pragma once
// The servers of the resolver, taken from the download locations of "settings.xml".

#include <vector>

#include "share_connection.h"

struct DownloadLocation;

// One server per location of protocol "UNC": its Server ("\\" added in front unless it
// is already a share or a folder with a drive) followed by its Path, with the location's
// User and Password. Locations of other protocols are addresses for the download, not
// places to search.
std::vector<ResolverServer> ServersFromLocations(const std::vector<DownloadLocation>& locations);
