// Windows implementation of the platform seam. The system works in the ANSI code page,
// so every call here is the -A variant.

#include "platform.h"

#include <windows.h>

#include <cstdlib>

namespace platform {

const char kPathSeparator = '\\';

std::string CurrentDirectory() {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryA(sizeof(buffer), buffer);
    return (length > 0 && length < sizeof(buffer)) ? std::string(buffer, length) : std::string();
}

std::string ProgramPath() {
    char path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

std::string ProgramFolder() {
    const std::string path = ProgramPath();
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ChangeDirectory(const std::string& folder) {
    return SetCurrentDirectoryA(folder.c_str()) != FALSE;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectory(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) || IsDirectory(folder);
}

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return true;
    return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string FullPath(const std::string& path) {
    if (path.empty())
        return path;
    std::string full(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (length == 0)
            return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.assign(length, '\0');  // the needed size, terminator included
    }
    return path;
}

bool GetEnvironment(const char* name, std::string* value) {
    char small[1024];
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetEnvironmentVariableA(name, small, sizeof(small));
    if (length == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return false;
        value->clear();
        return true;
    }
    if (length < sizeof(small)) {
        value->assign(small, length);
        return true;
    }
    std::string large(length, '\0');
    length = GetEnvironmentVariableA(name, &large[0], length);
    large.resize(length);
    *value = large;
    return true;
}

bool WriteToHandle(void* handle, const char* data, std::size_t size) {
    DWORD written = 0;
    return WriteFile(static_cast<HANDLE>(handle), data, static_cast<DWORD>(size), &written,
                     nullptr) &&
           written == size;
}

void* AllocateConsoleOutput() {
    if (!AllocConsole())
        return nullptr;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output == INVALID_HANDLE_VALUE ? nullptr : output;
}

void FreeAllocatedConsole() {
    FreeConsole();
}

bool SystemMessage(long code, std::string* text) {
    char* buffer = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = FormatMessageA(flags, nullptr, static_cast<DWORD>(code),
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer)
        return false;
    text->assign(buffer, length);
    LocalFree(buffer);
    return true;
}

ShortPathResult ShortPathName(const std::string& path, std::size_t bufferSize) {
    ShortPathResult result;
    std::string buffer(bufferSize, '\0');
    const DWORD length =
        GetShortPathNameA(path.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) {
        result.errorCode = static_cast<long>(GetLastError());
        return result;
    }
    if (length >= buffer.size()) {
        result.neededSize = length;
        return result;
    }
    result.ok = true;
    result.path = buffer.substr(0, length);
    return result;
}

}  // namespace platform
