// The parts of Files that walk and change the file system through Win32.

#include "files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "log_file.h"
#include "str_util.h"
#include "system_error.h"
#include "system_info.h"
#include "text_util.h"
#include "unique_handle_win32.h"

namespace {

// One run of ListFiles: where the entries go and the options that stay the same while it
// descends.
struct Listing {
    std::string base;
    bool recursive;
    bool withFolders;
    std::vector<Files::Entry>* entries;
    long lastError;
};

bool IsDots(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void AddEntry(Listing& listing, const std::string& path) {
    const std::size_t baseLength = std::min(listing.base.size(), path.size());
    listing.entries->push_back({path, TrimLeft(path.substr(baseLength), "\\")});
}

// The search ended normally when the system says there are no more files.
void EndSearch(Listing& listing) {
    const DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES)
        listing.lastError = static_cast<long>(code);
}

// Adds the matches of one wildcard search; -1 when the search could not start. In
// sub-folders a missing path is no error: the pattern may name a folder that only some
// of them have.
int AddMatches(Listing& listing, const std::string& search, bool topLevel) {
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(search.c_str(), &data));
    if (!find.Valid()) {
        const DWORD code = GetLastError();
        listing.lastError = static_cast<long>(code);
        if (code == ERROR_FILE_NOT_FOUND || (!topLevel && code == ERROR_PATH_NOT_FOUND))
            return 0;
        Log().Error(
            "Files::ListFiles()  FindFirstFile() method returned an invalid handle (error code "
            "%d) for '%s'",
            static_cast<int>(code), search.c_str());
        return -1;
    }
    const std::string folder = ParentOf(search);
    int added = 0;
    do {
        if (IsDots(data.cFileName) || (IsFolder(data.dwFileAttributes) && !listing.withFolders))
            continue;
        AddEntry(listing, Files::JoinPath(folder, data.cFileName));
        ++added;
    } while (FindNextFileA(find.Get(), &data));
    EndSearch(listing);
    return added;
}

int AddName(Listing& listing, const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        listing.lastError = static_cast<long>(GetLastError());
        return 0;
    }
    AddEntry(listing, path);
    return 1;
}

int ListIn(Listing& listing, const std::string& folder, const std::string& pattern, bool topLevel);

int ListSubFolders(Listing& listing, const std::string& folder, const std::string& pattern) {
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(Files::JoinPath(folder, "*").c_str(), &data));
    if (!find.Valid()) {
        listing.lastError = static_cast<long>(GetLastError());
        return 0;
    }
    int added = 0;
    do {
        // Junctions and links are not followed: they may lead back up the tree.
        const DWORD attributes = data.dwFileAttributes;
        if (IsDots(data.cFileName) || !IsFolder(attributes) ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            continue;
        added +=
            std::max(0, ListIn(listing, Files::JoinPath(folder, data.cFileName), pattern, false));
    } while (FindNextFileA(find.Get(), &data));
    EndSearch(listing);
    return added;
}

// A folder's own matches come before those of its sub-folders, so every folder entry
// precedes its contents in the list.
int ListIn(Listing& listing, const std::string& folder, const std::string& pattern, bool topLevel) {
    const std::string search = Files::JoinPath(folder, pattern);
    const bool wildcard = pattern.find_first_of("*?") != std::string::npos;
    const int added = wildcard ? AddMatches(listing, search, topLevel) : AddName(listing, search);
    if (added < 0 || !listing.recursive)
        return added;
    return added + ListSubFolders(listing, folder, pattern);
}

int Outcome(std::size_t succeeded, std::size_t total) {
    if (succeeded == total)
        return Files::kAllSucceeded;
    return succeeded == 0 ? Files::kNoneSucceeded : Files::kSomeSucceeded;
}

// Creates folder and its missing parents; 0 or the first system error other than
// "already exists".
DWORD MakeFolders(const std::string& folder) {
    if (folder.empty() || IsFolder(GetFileAttributesA(folder.c_str())))
        return 0;
    const DWORD parentCode = MakeFolders(ParentOf(folder));
    if (parentCode != 0)
        return parentCode;
    if (CreateDirectoryA(folder.c_str(), nullptr))
        return 0;
    const DWORD code = GetLastError();
    return code == ERROR_ALREADY_EXISTS ? 0 : code;
}

void ClearReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

DWORD CopyEntry(const Files::Entry& entry, const std::string& destination) {
    const std::string target = Files::JoinPath(destination, entry.relative);
    const bool folder = IsFolder(GetFileAttributesA(entry.path.c_str()));
    const std::string targetFolder = folder ? target : ParentOf(target);
    DWORD code = MakeFolders(targetFolder);
    if (code != 0) {
        Log().Warning("    File '%-32s' mkdir failed while copy %s (%d - %s)", entry.path.c_str(),
                      targetFolder.c_str(), static_cast<int>(code), SystemErrorText(code).c_str());
        return code;
    }
    if (!folder) {
        ClearReadOnly(target);
        code = CopyFileA(entry.path.c_str(), target.c_str(), FALSE) ? 0 : GetLastError();
    }
    const char* format = "    File '%-32s' copy %s (%d - %s)";
    if (code == 0)
        Log().Line(format, entry.path.c_str(), "succeeded", 0, SystemErrorText(0).c_str());
    else
        Log().Warning(format, entry.path.c_str(), "failed", static_cast<int>(code),
                      SystemErrorText(code).c_str());
    return code;
}

// 0, 3010 when the entry could only be scheduled for deletion at restart, or the error.
DWORD DeleteEntry(const std::string& path, bool force) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    if (force)
        ClearReadOnly(path);
    const bool deleted = IsFolder(attributes) ? RemoveDirectoryA(path.c_str()) != FALSE
                                              : DeleteFileA(path.c_str()) != FALSE;
    if (deleted)
        return 0;
    const DWORD code = GetLastError();
    if (force && MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return Files::kRestartRequired;
    return code;
}

}  // namespace

bool Files::FileExists(const char* path, bool report) {
    if (IsEmptyText(path))
        return false;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD code = GetLastError();
    if (report && code != 0)
        Log().Warning("File exists %s error code %d (%s)", path, static_cast<int>(code),
                      SystemErrorText(code).c_str());
    return false;
}

int Files::ListFiles(const char* folder, const char* pattern, bool recursive, bool withFolders) {
    lastError_ = 0;
    if (!folder || IsEmptyText(pattern))
        return -1;
    Listing listing{folder, recursive, withFolders, &entries_, 0};
    const int added = ListIn(listing, folder, pattern, true);
    lastError_ = listing.lastError;
    return added;
}

int Files::AddPatterns(const char* listText, const char* folder, char separator, bool recursive,
                       bool withFolders, bool report) {
    if (!listText || !folder)
        return 0;
    int added = 0;
    long lastError = 0;
    for (const std::string& piece : SplitTokens(listText, separator, 0)) {
        const std::string pattern = Trim(piece, " \t");
        if (pattern.empty())
            continue;
        const int found = ListFiles(folder, pattern.c_str(), recursive, withFolders);
        if (lastError_ != 0)
            lastError = lastError_;
        if (found > 0)
            added += found;
        else if (report)
            Log().Warning("No file(s) '%s' found in folder '%s'", pattern.c_str(), folder);
    }
    lastError_ = lastError;
    return added;
}

int Files::CopyAll(const char* destination) {
    lastError_ = 0;
    if (!destination || entries_.empty())
        return kNoneSucceeded;
    std::size_t succeeded = 0;
    for (const Entry& entry : entries_) {
        const DWORD code = CopyEntry(entry, destination);
        if (code == 0)
            ++succeeded;
        else
            lastError_ = static_cast<long>(code);
    }
    return Outcome(succeeded, entries_.size());
}

int Files::DeleteAll(bool force) {
    lastError_ = 0;
    if (entries_.empty())
        return kNoneSucceeded;
    std::size_t succeeded = 0;
    bool scheduled = false;
    // Backwards: the list holds every folder before its contents.
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        const DWORD code = DeleteEntry(entry->path, force);
        if (code != 0)
            lastError_ = static_cast<long>(code);
        if (code == 0 || code == static_cast<DWORD>(kRestartRequired)) {
            ++succeeded;
            scheduled = scheduled || code != 0;
            continue;
        }
        Log().Warning("    File '%-32s' deleting return code: %d (%s)", entry->path.c_str(),
                      static_cast<int>(code), SystemErrorText(code).c_str());
    }
    const int outcome = Outcome(succeeded, entries_.size());
    return outcome == kAllSucceeded && scheduled ? kRestartRequired : outcome;
}

int Files::Move(const char* source, const char* destination, bool delayUntilRestart,
                bool keepExisting) {
    lastError_ = 0;
    if (IsEmptyText(source) || IsEmptyText(destination))
        return lastError_ = ERROR_INVALID_PARAMETER;
    if (!FileExists(source, false))
        return lastError_ = ERROR_FILE_NOT_FOUND;
    DWORD code = MakeFolders(ParentOf(destination));
    if (code == 0) {
        DWORD flags = MOVEFILE_WRITE_THROUGH;
        if (!keepExisting) {
            ClearReadOnly(destination);
            flags |= MOVEFILE_REPLACE_EXISTING;
        }
        // A move across volumes is a copy and a delete, which cannot wait for a restart.
        flags |= delayUntilRestart ? MOVEFILE_DELAY_UNTIL_REBOOT : MOVEFILE_COPY_ALLOWED;
        if (MoveFileExA(source, destination, flags))
            return 0;
        code = GetLastError();
        if (code == 0)
            code = ERROR_NOT_SUPPORTED;
    }
    Log().Warning("Files::Move() cannot move '%s' to '%s': error code %d (%s)", source, destination,
                  static_cast<int>(code), SystemErrorText(code).c_str());
    return lastError_ = static_cast<long>(code);
}

int Files::CopyOneFile(const char* source, const char* destination) {
    lastError_ = 0;
    if (IsEmptyText(source) || IsEmptyText(destination))
        return lastError_ = ERROR_INVALID_PARAMETER;
    const std::string target = destination;
    const std::size_t slash = target.rfind('\\');
    const Entry entry{source, slash == std::string::npos ? target : target.substr(slash + 1)};
    return lastError_ = static_cast<long>(CopyEntry(entry, ParentOf(target)));
}

int Files::DeleteOneFile(const char* path) {
    lastError_ = 0;
    if (IsEmptyText(path))
        return lastError_ = ERROR_INVALID_PARAMETER;
    ClearReadOnly(path);
    if (DeleteFileA(path))
        return 0;
    return lastError_ = static_cast<long>(GetLastError());
}

long Files::LastWriteTime(const char* path, unsigned long long* time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (IsEmptyText(path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return IsEmptyText(path) ? ERROR_INVALID_PARAMETER : static_cast<long>(GetLastError());
    *time = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime;
    return 0;
}

long Files::DeleteAtRestart(const char* path) {
    if (IsEmptyText(path))
        return ERROR_INVALID_PARAMETER;
    if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return 0;
    return static_cast<long>(GetLastError());
}

int Files::RemoveFolder(const char* folder, bool removeItself, bool onlyIfEmpty) {
    if (IsEmptyText(folder))
        return kNoneSucceeded;
    Files contents;
    if (contents.ListFiles(folder, "*.*", true, true) < 0)
        return kNoneSucceeded;
    if (onlyIfEmpty && contents.Count() > 0) {
        Log().Warning("Unable to remove %s. It contains %d files", folder,
                      static_cast<int>(contents.Count()));
        return kNoneSucceeded;
    }
    // An empty folder has nothing to delete, which is not a failure here.
    const int result = contents.Count() == 0 ? kAllSucceeded : contents.DeleteAll(true);
    if (!removeItself || (result != kAllSucceeded && result != kRestartRequired))
        return result;
    Files itself;
    itself.entries_.push_back({folder, std::string()});
    const int own = itself.DeleteAll(true);
    if (own == kNoneSucceeded)
        return contents.Count() == 0 ? kNoneSucceeded : kSomeSucceeded;
    return result == kRestartRequired || own == kRestartRequired ? kRestartRequired : kAllSucceeded;
}

std::string Files::FileVersion(const char* file) {
    return GetVersion(file, "FileVersion");
}

std::string Files::ProductName(const char* file) {
    return GetVersion(file, "ProductName");
}
