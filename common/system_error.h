#pragma once
// Windows error codes as text for the log.

#include <string>

// The system's message for an error code, trimmed of blanks, tabs and line ends. When the
// system has no text: the fallback, or, when fallback is null, a text naming the code.
std::string SystemErrorText(long code, const char* fallback = nullptr);

// Writes the four-line error block of a failed system call into the global log.
void LogSystemError(long code, const char* context, const char* indent);
