#pragma once
// Starts a Windows program for a test and waits for it; where the test programs and the
// build's deliverables are, and the text of the files they leave.

#include <string>
#include <vector>

class ChildProcess {
  public:
    // Starts commandLine in folder with the current environment changed by the given
    // "NAME=value" entries; "NAME=" removes a variable.
    ChildProcess(const std::string& commandLine, const std::string& folder,
                 const std::vector<std::string>& environmentChanges);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    unsigned long Id() const { return id_; }
    // The exit code, or -1 when the process did not end within the time.
    long Wait(unsigned long milliseconds);

  private:
    void* process_ = nullptr;
    unsigned long id_ = 0;
};

// The folder of the running test program.
std::string TestProgramFolder();
// path made absolute against the current folder, with "." and ".." resolved.
std::string FullPath(const std::string& path);
// The build's bin folder: setup.exe and the DLLs under test.
std::string BinFolder();
// A file's bytes without its zero bytes: an installer's verbose log may be written as
// UTF-16, and its ASCII text reads the same either way. Empty when the file cannot be read.
std::string TextWithoutZeros(const std::string& path);
