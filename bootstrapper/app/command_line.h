#pragma once
// CommandLine: the command line of setup split into tokens, with the program's folder,
// name and paths, and the command line rebuilt in three forms for the log and for
// restarting setup.

#include <string>
#include <vector>

class CommandLine {
  public:
    // Splits at runs of delimiter characters outside quotes; tokens keep their quotes.
    CommandLine(const char* commandLine, const char* delimiters, char quote);

    int ArgumentCount() const { return static_cast<int>(arguments_.size()); }
    const std::vector<std::string>& Arguments() const { return arguments_; }
    const std::string& Argument(int index) const { return arguments_[index]; }

    const std::string& ProgramName() const { return programName_; }
    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& FullProgramPath() const { return fullPath_; }
    const std::string& ShortProgramPath() const { return shortPath_; }

    // "\"<folder>\<name>\" arg1 arg2 ..."
    const std::string& FullCommandLine() const { return fullCommandLine_; }
    // "<short path> arg1 arg2 ..."
    const std::string& ShortCommandLine() const { return shortCommandLine_; }
    // Every token as given, the program path as the system passed it first.
    const std::string& GivenCommandLine() const { return givenCommandLine_; }

  private:
    void Split(const char* commandLine, const char* delimiters, char quote);
    void ResolveProgramPaths();
    void BuildCommandLines();

    std::vector<std::string> arguments_;
    std::string programName_;
    std::string programFolder_;
    std::string fullPath_;
    std::string shortPath_;
    std::string fullCommandLine_;
    std::string shortCommandLine_;
    std::string givenCommandLine_;
};
