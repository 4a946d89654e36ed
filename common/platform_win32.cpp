// Windows implementation of the platform seam. The system works in the ANSI code page,
// so every call here is the -A variant.

#include "platform.h"
#include "trusted_folder_win32.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

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

const char* TrustedFolderRights() {
    return "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
}

namespace {

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    return length > 0 && length < sizeof(full) ? std::string(full, length) : path;
}

bool CreateTrustedFolder(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            TrustedFolderRights(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    std::unique_ptr<void, LocalFreer> owned(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    return CreateDirectoryA(folder.c_str(), &attributes) != FALSE;
}

// Where the folder really is: a link (or junction) leads elsewhere than its own path.
bool LeadsElsewhere(const std::string& folder) {
    HANDLE handle = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return true;
    char final[MAX_PATH * 4] = {};
    const DWORD length = GetFinalPathNameByHandleA(handle, final, sizeof(final), 0);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof(final))
        return true;
    std::string path(final, length);
    if (path.compare(0, 4, "\\\\?\\") == 0)
        path.erase(0, 4);
    return _stricmp(path.c_str(), FullPath(folder).c_str()) != 0;
}

bool IsProcessUser(PSID sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const bool same = size > 0 &&
                      GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
                      EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, sid);
    CloseHandle(token);
    return same;
}

bool HasTrustedOwner(const std::string& folder) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    std::unique_ptr<void, LocalFreer> owned(descriptor);
    return owner && (IsWellKnownSid(owner, WinLocalSystemSid) ||
                     IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsProcessUser(owner));
}

}  // namespace

bool PrepareTrustedFolder(const std::string& folder, std::string* problem) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!CreateTrustedFolder(folder) && GetLastError() != ERROR_ALREADY_EXISTS) {
            *problem = "cannot be created";
            return false;
        }
        attributes = GetFileAttributesA(folder.c_str());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *problem = "is not a folder";
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || LeadsElsewhere(folder)) {
        *problem = "is a link to another place";
        return false;
    }
    if (!HasTrustedOwner(folder)) {
        *problem = "belongs to another user";
        return false;
    }
    return true;
}

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return true;
    return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// The C library's "N" mode opens the file without HANDLE_FLAG_INHERIT from the start, so no
// child started by another thread in the meantime can take the handle along.
std::FILE* OpenFileNotInherited(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), (std::string(mode) + "N").c_str());
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
