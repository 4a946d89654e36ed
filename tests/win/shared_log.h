#pragma once
// The log file that this test program and the plug-ins it loads all append to.

#include <cstddef>
#include <string>

// The text of the shared log from a byte offset on; empty without a log file.
std::string SharedLogSince(std::size_t offset);
