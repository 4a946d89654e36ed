#pragma once
// The questions the run asks of the file system, behind an interface so that a run can be
// tested against a fake machine. SystemFileSystem() answers them from the real one.

#include <string>

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Whether path names an existing file or folder.
    virtual bool FileExists(const std::string& path) = 0;
    // The current folder of the process.
    virtual std::string CurrentDirectory() = 0;
};

FileSystem& SystemFileSystem();
