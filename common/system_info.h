#pragma once
// Facts about files and the running system that the banner and the configuration use.

#include <string>

// Text of a string field ("FileVersion", "ProductName", ...) of a file's version resource;
// empty (with a log entry) when the file or the field is missing.
std::string GetVersion(const char* file, const char* key);

// Platform identifiers of the system version information.
const int kPlatformWin9x = 1;
const int kPlatformNT = 2;

// The platform family of the running system (kPlatformNT, kPlatformWin9x or 0).
int OsPlatform();

// "major.minor.spMajor.spMinor.build" cut to fieldCount fields (0 or more than 5: all five)
// when the running platform is the given one, else empty.
std::string OsVersionText(int platformId, int fieldCount);

// "64-bit" on a 64-bit system, whether this process is native 64-bit or runs under 32-bit
// emulation; "32-bit" on a 32-bit system; "UNKNOWN" for a processor architecture outside
// the known ones.
std::string OsArchitecture();

// Whether the system is a workstation (not a server or domain controller).
bool OsIsWorkstation();

// Milliseconds since the system started.
unsigned long long SystemTickCount();
