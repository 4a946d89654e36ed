#pragma once
// Windows error codes as text for the log.

#include <string>

// The system's message for an error code, trimmed of blanks, tabs and line ends. When the
// system has no text: the fallback, or, when fallback is null, a text naming the code.
std::string SystemErrorText(long code, const char* fallback = nullptr);

class LogFile;

// Writes the four-line error block of a failed system call into log (the global log when
// none is given).
void LogSystemError(long code, const char* context, const char* indent);
void LogSystemError(LogFile& log, long code, const char* context, const char* indent);
