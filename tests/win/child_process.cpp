#include "child_process.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// The environment block of this process with the changes applied, sorted as Windows
// expects it.
std::string BuildEnvironment(const std::vector<std::string>& changes) {
    std::map<std::string, std::string> variables;
    char* block = GetEnvironmentStringsA();
    for (const char* entry = block; *entry; entry += strlen(entry) + 1) {
        const char* equals = strchr(entry + 1, '=');  // "=C:" entries start with '='
        if (equals)
            variables[std::string(entry, equals)] = equals + 1;
    }
    FreeEnvironmentStringsA(block);
    for (const std::string& change : changes) {
        const std::size_t equals = change.find('=');
        const std::string name = change.substr(0, equals);
        const std::string value = change.substr(equals + 1);
        for (auto it = variables.begin(); it != variables.end();) {
            it = lstrcmpiA(it->first.c_str(), name.c_str()) == 0 ? variables.erase(it) : ++it;
        }
        if (!value.empty())
            variables[name] = value;
    }
    std::string result;
    for (const auto& variable : variables) result += variable.first + "=" + variable.second + '\0';
    result += '\0';
    return result;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& commandLine, const std::string& folder,
                           const std::vector<std::string>& environmentChanges) {
    std::string environment = BuildEnvironment(environmentChanges);
    std::string command = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, &environment[0],
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_, 99);
    CloseHandle(process_);
}

long ChildProcess::Wait(unsigned long milliseconds) {
    if (!process_ || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
}

std::string TestProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    return full;
}

std::string BinFolder() {
    return FullPath(TestProgramFolder() + "\\..\\bin");
}

std::string TextWithoutZeros(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    std::string text = bytes.str();
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}
