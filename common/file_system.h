#pragma once
// The questions the run asks of the file system, behind an interface so that a run can be
// tested against a fake machine. SystemFileSystem() answers them from the real one.

#include <cstddef>
#include <functional>
#include <string>

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
};

FileSystem& SystemFileSystem();

// The whole content of a file through files; false when it cannot be read.
bool ReadWholeFile(FileSystem& files, const std::string& path, std::string* content);
