#pragma once
// The texts of a download and of the prerequisite dialog that carry numbers: the progress
// line of the download dialog and the sizes in the list of missing archives.

#include <cstdint>
#include <string>

struct PrerequisiteArchive;

// The percentage done, 0 while the total is unknown, never above 100.
double DownloadPercent(std::uint64_t done, std::uint64_t total);

// "Downloading '<name>' from Tarvex website:  P%  (D of T XB transferred)". Sizes are shown
// in the unit that fits the total (the bytes done while the total is unknown): K below one
// MB, M below one GB, G above, counted in 1024s.
std::string DownloadProgressText(const std::string& name, std::uint64_t done, std::uint64_t total);

// A record's Size (a number of bytes) as "%.1f MB"; a size that is not a number of bytes is
// shown as written.
std::string ArchiveSizeText(const std::string& size);

// One line of the list of missing archives: "<name> (<archive>, <size>)".
std::string ArchiveListEntry(const PrerequisiteArchive& archive);
