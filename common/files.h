#pragma once
// File helpers: joining paths, and a list of files collected by patterns that can be
// copied or deleted as a whole. Paths are Windows paths in the ANSI code page.
//
// Bulk operations over the list give 0 when every entry succeeded, -1 when none did (or
// the list was empty), 2 when some did; deletions give 3010 instead of 0 when an entry
// could only be scheduled for deletion at the next restart. Each listing, copy, delete or
// move run records the last system error code it met in a library-wide value (0 when it
// met none), read with LastError().

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class Files {
  public:
    // Result convention of the bulk operations.
    static constexpr int kAllSucceeded = 0;
    static constexpr int kNoneSucceeded = -1;
    static constexpr int kSomeSucceeded = 2;
    static constexpr int kRestartRequired = 3010;

    struct Entry {
        std::string path;      // full path
        std::string relative;  // path below the folder it was listed in
    };

    // out = a, plus "\" when a is neither empty nor ends in "\", plus b without one leading
    // "\". Fails (logged) for a null input or when strlen(a) + strlen(b) + 2 >= outSize;
    // out is then untouched.
    static bool JoinPath(const char* a, const char* b, char* out, std::size_t outSize);
    static std::string JoinPath(const std::string& a, const std::string& b);

    // True when path names an existing file or folder; with report, the failure's system
    // error is logged.
    static bool FileExists(const char* path, bool report);

    // Adds the matches of pattern in folder ("." and ".." skipped; folders only with
    // withFolders), then, when recursive, those of every sub-folder. A pattern without "*"
    // or "?" is one name, added when it exists. Returns the number of entries added, or -1
    // when the search could not start (logged).
    int ListFiles(const char* folder, const char* pattern, bool recursive, bool withFolders);

    // Lists each pattern of listText (split at separator, trimmed of blanks and tabs) in
    // folder; with report, a pattern that found nothing is logged. Returns the number of
    // entries added.
    int AddPatterns(const char* listText, const char* folder, char separator, bool recursive,
                    bool withFolders, bool report);

    // Copies every entry to destination joined with its relative path, creating missing
    // folders and overwriting read-only targets; one log line per entry.
    int CopyAll(const char* destination);

    // Deletes every entry, contents before their folders. With force, read-only entries
    // are deleted too and an entry that cannot go now is scheduled for the next restart.
    int DeleteAll(bool force);

    // Moves source to destination (creating the destination's folder); keepExisting
    // refuses to replace an existing destination; delayUntilRestart only schedules the
    // move. Returns 0 or the system error code (2 for a missing source).
    static int Move(const char* source, const char* destination, bool delayUntilRestart,
                    bool keepExisting);

    // One file: copied as by CopyAll (missing folders created, a read-only target replaced,
    // one log line), or deleted now, also when it is read-only. 0 or the system error code.
    static int CopyOneFile(const char* source, const char* destination);
    static int DeleteOneFile(const char* path);
    // The last-write time of a file (FILETIME units) and the deletion of a file or an empty
    // folder at the next restart: 0 or the system error code.
    static long LastWriteTime(const char* path, unsigned long long* time);
    static long DeleteAtRestart(const char* path);

    // Deletes everything below folder and, with removeItself, the folder too. With
    // onlyIfEmpty nothing is deleted when the folder has contents. Result as DeleteAll.
    static int RemoveFolder(const char* folder, bool removeItself, bool onlyIfEmpty);

    // C library streams in the modes "rt", "rb", "at" and "wt"; null on failure. The
    // caller closes them.
    static std::FILE* OpenTextRead(const char* path);
    static std::FILE* OpenBinaryRead(const char* path);
    static std::FILE* OpenTextAppend(const char* path);
    static std::FILE* OpenTextWrite(const char* path);

    // "FileVersion" / "ProductName" of a file's version resource, empty when missing.
    static std::string FileVersion(const char* file);
    static std::string ProductName(const char* file);

    static long LastError();

    const std::vector<Entry>& Entries() const { return entries_; }
    std::size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

  private:
    static long lastError_;
    std::vector<Entry> entries_;
};
