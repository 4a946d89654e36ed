// The platform-neutral parts of ShellExec.

#include "shell_exec.h"

namespace {

const char kBlanks[] = " \t";

}  // namespace

std::string CommandWithSystemProgram(const std::string& commandLine,
                                     const std::string& systemFolder,
                                     const std::function<bool(const std::string&)>& fileExists) {
    const std::size_t begin = commandLine.find_first_not_of(kBlanks);
    if (begin == std::string::npos || systemFolder.empty())
        return commandLine;
    const bool quoted = commandLine[begin] == '"';
    std::size_t nameEnd;
    std::size_t rest;
    if (quoted) {
        nameEnd = commandLine.find('"', begin + 1);
        if (nameEnd == std::string::npos)
            return commandLine;  // no program name that Windows would read either
        rest = nameEnd + 1;
    } else {
        nameEnd = commandLine.find_first_of(kBlanks, begin);
        if (nameEnd == std::string::npos)
            nameEnd = commandLine.size();
        rest = nameEnd;
    }
    const std::size_t nameBegin = quoted ? begin + 1 : begin;
    const std::string name = commandLine.substr(nameBegin, nameEnd - nameBegin);
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos)
        return commandLine;

    std::string path = systemFolder;
    if (path.back() != '\\')
        path += '\\';
    path += name;
    if (name.find('.') == std::string::npos)
        path += ".exe";
    if (!fileExists(path))
        return commandLine;
    if (quoted || path.find_first_of(kBlanks) != std::string::npos)
        path = "\"" + path + "\"";
    return commandLine.substr(0, begin) + path + commandLine.substr(rest);
}
