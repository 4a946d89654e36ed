#pragma once
// The questions the run asks of the file system, behind an interface so that a run can be
// tested against a fake machine. SystemFileSystem() answers them from the real one.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class FileSystem {
  public:
    // Receives one block of a file being read; returning false stops the reading.
    using BlockReceiver = std::function<bool(const char* data, std::size_t size)>;

    virtual ~FileSystem() = default;
    // Whether path names an existing file or folder.
    virtual bool FileExists(const std::string& path) = 0;
    // The current folder of the process.
    virtual std::string CurrentDirectory() = 0;
    // Reads the file at path (a relative path is relative to the current folder) from its
    // start, handing it to receive in order in blocks of at most blockSize bytes (an empty
    // file gives no block). False when the file cannot be opened or a read fails; true when
    // it was read to its end or receive stopped the reading.
    virtual bool ReadBlocks(const std::string& path, std::size_t blockSize,
                            const BlockReceiver& receive) = 0;
    // The short (8.3) form of an existing path, or the path itself when it has none.
    virtual std::string ShortPath(const std::string& path) = 0;

    // Changing files (the File flow element). Each gives 0 or the system error code.
    //
    // The files (not folders) of folder whose names match pattern ("*" and "?"; a pattern
    // without them is one name, found when it exists), as names relative to folder.
    // Sub-folders are not searched, but a pattern may name one ("bin\*.dll"). Finding
    // nothing is no error; a folder that cannot be searched is.
    virtual long ListMatches(const std::string& folder, const std::string& pattern,
                             std::vector<std::string>* names) = 0;
    // Moves source to destination, replacing it (also when read-only) and creating its folder.
    virtual long MoveFileTo(const std::string& source, const std::string& destination) = 0;
    // Copies source to destination, replacing it (also when read-only) and creating the
    // missing folders above it.
    virtual long CopyFileTo(const std::string& source, const std::string& destination) = 0;
    virtual long RemoveFile(const std::string& path) = 0;
    // Deletes folder with everything below it; links below it are removed, not followed.
    virtual long RemoveFolder(const std::string& folder) = 0;
    // The last-write time of a file (any monotonic unit; only compared for equality) in
    // *time: 0 or the system error code.
    virtual long LastWriteTime(const std::string& path, unsigned long long* time) = 0;
    // Has Windows delete path (a file, or an empty folder) at the next restart: 0 or the
    // system error code.
    virtual long RemoveAtRestart(const std::string& path) = 0;
};

FileSystem& SystemFileSystem();

// The whole content of a file through files; false when it cannot be read.
bool ReadWholeFile(FileSystem& files, const std::string& path, std::string* content);

// The folder above path ("C:\a\b" gives "C:\a"), "" when path has none.
std::string ParentFolder(const std::string& path);
// True for "", a drive ("C:") and a share ("\\server\share"), with or without a final "\".
bool IsVolumeRoot(const std::string& folder);
// The highest folder above path that does not exist (the first that creating path's folder
// would create), "" when path's folder exists.
std::string HighestMissingFolder(FileSystem& files, const std::string& path);
