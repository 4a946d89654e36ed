// Host-build implementation of the platform seam: the unit tests of the neutral code run
// natively, so these map onto POSIX calls.

#include "platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

const char kPathSeparator = '/';

std::string CurrentDirectory() {
    char buffer[4096];
    return getcwd(buffer, sizeof(buffer)) ? std::string(buffer) : std::string();
}

std::string ProgramPath() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer));
    return length > 0 && static_cast<std::size_t>(length) < sizeof(buffer)
               ? std::string(buffer, static_cast<std::size_t>(length))
               : std::string();
}

std::string ProgramFolder() {
    const std::string path = ProgramPath();
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ChangeDirectory(const std::string& folder) {
    // The neutral code speaks in Windows paths (".\\" is the current folder).
    std::string path = folder;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return chdir(path.c_str()) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& folder) {
    return mkdir(folder.c_str(), 0755) == 0 || IsDirectory(folder);
}

bool PrepareTrustedFolder(const std::string& folder, std::string* problem) {
    mkdir(folder.c_str(), 0755);
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) {
        *problem = "cannot be created";
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        *problem = "is a link";
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        *problem = "is not a folder";
        return false;
    }
    if (info.st_uid != 0 && info.st_uid != geteuid()) {
        *problem = "belongs to another user";
        return false;
    }
    return true;
}

bool IsAbsolutePath(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

// glibc's "e" mode opens the file with O_CLOEXEC.
std::FILE* OpenFileNotInherited(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
}

std::string FullPath(const std::string& path) {
    if (path.empty() || IsAbsolutePath(path))
        return path;
    const std::string current = CurrentDirectory();
    return current.empty() ? path : current + kPathSeparator + path;
}

bool GetEnvironment(const char* name, std::string* value) {
    const char* text = std::getenv(name);
    if (!text)
        return false;
    *value = text;
    return true;
}

bool WriteToHandle(void* handle, const char* data, std::size_t size) {
    // On the host a "handle" is a file descriptor smuggled through the pointer.
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
    return write(fd, data, size) == static_cast<ssize_t>(size);
}

void* AllocateConsoleOutput() {
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(1));
}

void FreeAllocatedConsole() {}

bool SystemMessage(long, std::string*) {
    // The host has no table of Windows error texts.
    return false;
}

ShortPathResult ShortPathName(const std::string& path, std::size_t bufferSize) {
    // POSIX file systems have no short names: the path is its own short form.
    ShortPathResult result;
    if (path.size() >= bufferSize) {
        result.neededSize = path.size() + 1;
        return result;
    }
    result.ok = true;
    result.path = path;
    return result;
}

}  // namespace platform

// The host has no registry: every read finds nothing.
#include "registry.h"

bool ReadRegistryValue(const std::string&, std::string*, RegistryView, long* errorCode) {
    *errorCode = 2;  // not found
    return false;
}

namespace {

const long kRegistryNotSupported = 50;  // ERROR_NOT_SUPPORTED

bool NoRegistry(long* errorCode) {
    *errorCode = kRegistryNotSupported;
    return false;
}

}  // namespace

bool CreateRegistryKey(const std::string&, RegistryView, long* errorCode) {
    return NoRegistry(errorCode);
}

bool DeleteRegistryKey(const std::string&, RegistryView, long* errorCode) {
    return NoRegistry(errorCode);
}

bool WriteRegistryString(const std::string&, const std::string&, RegistryView, long* errorCode) {
    return NoRegistry(errorCode);
}

bool DeleteRegistryValue(const std::string&, RegistryView, long* errorCode) {
    return NoRegistry(errorCode);
}

bool WriteRegistryNumber(const std::string&, unsigned long, RegistryView, long* errorCode) {
    return NoRegistry(errorCode);
}

bool EnumerateRegistryValues(const std::string&, std::vector<RegistryValue>* values, RegistryView,
                             long* errorCode) {
    values->clear();
    return NoRegistry(errorCode);
}

bool ReadRegistryStrings(const std::string&, std::vector<std::string>* texts, RegistryView,
                         long* errorCode) {
    texts->clear();
    return NoRegistry(errorCode);
}

bool ReadRegistryTyped(const std::string&, TypedRegistryValue*, RegistryView, long* errorCode) {
    *errorCode = 2;  // not found
    return false;
}

bool WriteRegistryText(const std::string&, const std::string&, unsigned long, RegistryView,
                       long* errorCode) {
    return NoRegistry(errorCode);
}

bool CountRegistryKeyEntries(const std::string&, RegistryKeyCounts* counts, RegistryView,
                             long* errorCode) {
    *counts = RegistryKeyCounts{};
    return NoRegistry(errorCode);
}

bool DeleteEmptyRegistryKey(const std::string&, RegistryView, long* errorCode) {
    return NoRegistry(errorCode);
}

bool EnumerateRegistrySubKeys(const std::string&, std::vector<std::string>* names, RegistryView,
                              long* errorCode) {
    names->clear();
    return NoRegistry(errorCode);
}
