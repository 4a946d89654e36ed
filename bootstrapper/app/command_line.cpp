#include "command_line.h"

#include <cstring>

#include "log_file.h"
#include "platform.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const std::size_t kPathBufferSize = 4096;

std::string Unquote(const std::string& text, char quote) {
    if (text.size() >= 2 && text.front() == quote && text.back() == quote)
        return text.substr(1, text.size() - 2);
    return text;
}

std::string WithExeSuffix(const std::string& path) {
    // Windows starts "setup" as well as "setup.exe"; the folder and name must be those of
    // the file itself.
    if (path.size() > 4 && EndsWithNoCase(path, ".exe"))
        return path;
    return path + ".exe";
}

std::string AbsoluteFolder(const std::string& folder) {
    const std::string current = platform::CurrentDirectory();
    if (!platform::ChangeDirectory(folder))
        return folder;
    std::string absolute = platform::CurrentDirectory();
    platform::ChangeDirectory(current);
    return absolute.empty() ? folder : absolute;
}

}  // namespace

CommandLine::CommandLine(const char* commandLine, const char* delimiters, char quote) {
    Split(commandLine ? commandLine : "", delimiters ? delimiters : " \t", quote);
    ResolveProgramPaths();
    BuildCommandLines();
}

void CommandLine::Split(const char* commandLine, const char* delimiters, char quote) {
    std::string token;
    bool quoted = false;
    bool inToken = false;
    for (const char* p = commandLine; *p; ++p) {
        if (*p == quote)
            quoted = !quoted;
        if (!quoted && std::strchr(delimiters, *p)) {
            if (inToken)
                arguments_.push_back(token);
            token.clear();
            inToken = false;
            continue;
        }
        token += *p;
        inToken = true;
    }
    if (inToken)
        arguments_.push_back(token);
}

void CommandLine::ResolveProgramPaths() {
    if (arguments_.empty())
        return;
    const std::string path = WithExeSuffix(Unquote(arguments_[0], '"'));
    // Windows also accepts "/" between folders, so both separators end the folder part.
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        programName_ = path;
        programFolder_ = ".\\";
    } else {
        programName_ = path.substr(slash + 1);
        programFolder_ = path.substr(0, slash);
    }
    programFolder_ = AbsoluteFolder(programFolder_);
    fullPath_ = FormatText("%s\\%s", programFolder_.c_str(), programName_.c_str());

    const platform::ShortPathResult shortPath = platform::ShortPathName(fullPath_, kPathBufferSize);
    if (shortPath.ok) {
        shortPath_ = shortPath.path;
    } else if (shortPath.neededSize > 0) {
        Log().Warning(
            "GetShortPathName('%s') returned a longer path (%d bytes) than the buffer "
            "size (%d bytes)",
            fullPath_.c_str(), static_cast<int>(shortPath.neededSize),
            static_cast<int>(kPathBufferSize));
    } else {
        Log().Warning("GetShortPathName('%s') error code %ld: %s", fullPath_.c_str(),
                      shortPath.errorCode, SystemErrorText(shortPath.errorCode).c_str());
    }
}

void CommandLine::BuildCommandLines() {
    std::string arguments;
    for (std::size_t i = 1; i < arguments_.size(); ++i) arguments += arguments_[i] + " ";
    fullCommandLine_ = TrimRight(
        FormatText("\"%s\\%s\" ", programFolder_.c_str(), programName_.c_str()) + arguments, " \t");
    shortCommandLine_ = TrimRight(shortPath_ + " " + arguments, " \t");
    std::string given;
    for (const std::string& token : arguments_) given += token + " ";
    givenCommandLine_ = TrimRight(given, " \t");
}
