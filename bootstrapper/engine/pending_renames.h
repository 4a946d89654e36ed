#pragma once
// The file renames and deletions that Windows will carry out at the next restart. A setup
// that an earlier installation left to be replaced or deleted at the restart must not run
// before it: its files are about to change under it.

#include <string>

struct RunServices;

// The pending operations, one path per line; empty when there are none or the list cannot
// be read (an error other than a missing value is logged).
std::string PendingFileRenames(RunServices& run);

// Whether the list names path (without regard to case).
bool PendingRenamesName(const std::string& renames, const std::string& path);
