#pragma once
// The few operating-system services that otherwise platform-neutral code needs.
// Declared here without any system header; platform_win32.cpp implements them for the
// deliverables and platform_posix.cpp for the native host build of the unit tests.

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// The folder separator of the platform ('\' on Windows).
extern const char kPathSeparator;

std::string CurrentDirectory();
// The full path of the running program (the executable, also inside a plug-in), and its
// folder; empty when the system cannot tell.
std::string ProgramPath();
std::string ProgramFolder();
bool ChangeDirectory(const std::string& folder);
bool IsDirectory(const std::string& path);
// Creates one folder level; true when it exists afterwards.
bool MakeDirectory(const std::string& folder);
// Makes folder ready for files that every user may read but only administrators may change
// (the all-users log): creates it (one level) with such rights, or accepts an existing one
// only when it is a folder of its own, not a link to another place, and is owned by the
// system, the administrators or the user of this process. false with the reason otherwise.
bool PrepareTrustedFolder(const std::string& folder, std::string* problem);
bool IsAbsolutePath(const std::string& path);
// The full path of path as the system resolves it now (relative to the current directory,
// and on Windows also to the current drive); path itself when it cannot be resolved.
std::string FullPath(const std::string& path);

// fopen for a file that only this process uses: child processes do not inherit its
// operating-system handle, so an installer, or anything it leaves running, never holds
// the file open.
std::FILE* OpenFileNotInherited(const std::string& path, const char* mode);

// Environment variable, or false when it is not set.
bool GetEnvironment(const char* name, std::string* value);

// Writes raw bytes to an operating-system handle (console or pipe).
bool WriteToHandle(void* handle, const char* data, std::size_t size);
// Allocates a console for the process and returns its standard output handle, or null.
void* AllocateConsoleOutput();
void FreeAllocatedConsole();

// The system's own message text for an error code, untrimmed; false when it has none.
bool SystemMessage(long code, std::string* text);

struct ShortPathResult {
    bool ok = false;
    std::string path;
    long errorCode = 0;          // system error when the query failed
    std::size_t neededSize = 0;  // set when the result did not fit the buffer
};
// The short (8.3) form of an existing path, asked with a buffer of bufferSize bytes.
ShortPathResult ShortPathName(const std::string& path, std::size_t bufferSize);

}  // namespace platform
