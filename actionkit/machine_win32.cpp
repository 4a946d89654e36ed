#include "machine_win32.h"

#include <windows.h>
#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "event_log_access.h"
#include "file_system.h"
#include "product_info.h"
#include "registry.h"
#include "shell_exec_win32.h"
#include "text_util.h"
#include "unique_handle_win32.h"

namespace {

// How long a terminated process gets to end, and how often a waited-for program's windows
// are brought to the front.
const DWORD kEndWaitMs = 5000;
const DWORD kFrontPollMs = 250;

struct ProcessEntry {
    DWORD id;
    DWORD parent;
    std::string file;  // the executable's file name
};

std::vector<ProcessEntry> RunningProcesses() {
    std::vector<ProcessEntry> processes;
    // CreateToolhelp32Snapshot fails with INVALID_HANDLE_VALUE, as CreateFile does.
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid())
        return processes;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        std::string name = entry.szExeFile;
        const std::size_t slash = name.find_last_of("\\/");
        if (slash != std::string::npos)
            name = name.substr(slash + 1);
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, name});
    }
    return processes;
}

std::string ImagePath(DWORD id) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    char path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (!process.Get() || !QueryFullProcessImageNameA(process.Get(), 0, path, &size))
        return std::string();
    return path;
}

// A name with a folder matches the full image path only; a bare name the file name (any
// case).
bool Matches(const ProcessEntry& process, const std::string& moduleName) {
    if (moduleName.find_first_of("\\/") == std::string::npos)
        return EqualsNoCase(process.file.c_str(), moduleName.c_str());
    return EqualsNoCase(ImagePath(process.id).c_str(), moduleName.c_str());
}

// This process and the processes it descends from (the installer that runs the action):
// never ended, whatever their names.
std::vector<DWORD> OwnLine(const std::vector<ProcessEntry>& processes) {
    std::vector<DWORD> line = {GetCurrentProcessId()};
    for (bool grew = true; grew && line.size() < 64;) {
        grew = false;
        for (const ProcessEntry& process : processes) {
            if (process.id == line.back() && process.parent != 0 &&
                std::find(line.begin(), line.end(), process.parent) == line.end()) {
                line.push_back(process.parent);
                grew = true;
                break;
            }
        }
    }
    return line;
}

BOOL CALLBACK BringToFront(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window)) {
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return TRUE;
}

struct ButtonSearch {
    const std::string* text;
    HWND button;
};

BOOL CALLBACK MatchButton(HWND child, LPARAM data) {
    ButtonSearch* search = reinterpret_cast<ButtonSearch*>(data);
    char text[256] = {};
    GetWindowTextA(child, text, sizeof(text));
    if (*search->text != text)
        return TRUE;
    search->button = child;
    return FALSE;
}

}  // namespace

bool SystemMachine::ProcessRunning(const std::string& moduleName) {
    for (const ProcessEntry& process : RunningProcesses()) {
        if (Matches(process, moduleName))
            return true;
    }
    return false;
}

// Processes end with exit code 1: 259 would read as "still running" to whoever asks later.
bool SystemMachine::EndProcesses(const std::string& moduleName, int* count) {
    bool allEnded = true;
    *count = 0;
    const std::vector<ProcessEntry> processes = RunningProcesses();
    const std::vector<DWORD> ownLine = OwnLine(processes);
    for (const ProcessEntry& entry : processes) {
        if (!Matches(entry, moduleName) ||
            std::find(ownLine.begin(), ownLine.end(), entry.id) != ownLine.end())
            continue;
        ++*count;
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.id));
        if (!process.Get() || !TerminateProcess(process.Get(), 1) ||
            WaitForSingleObject(process.Get(), kEndWaitMs) != WAIT_OBJECT_0)
            allEnded = false;
    }
    return allEnded;
}

// A program given with a folder is started by that path and never searched for. A bare
// name is taken from the system folder only: the usual search would look in the installer's
// folder and the current one first, where a planted program of that name would run
// elevated. A bare name the system folder does not hold is not started.
LaunchResult SystemMachine::Launch(const LaunchRequest& request) {
    LaunchResult result;
    const bool hasFolder = NamesFolder(request.program);
    const std::string line =
        hasFolder ? request.commandLine : CommandFromSystemFolder(request.commandLine);
    if (!hasFolder && line == request.commandLine) {
        result.error = ERROR_FILE_NOT_FOUND;
        return result;
    }
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(hasFolder ? request.program.c_str() : nullptr, commandLine.data(), nullptr,
                        nullptr, FALSE, 0, nullptr,
                        request.folder.empty() ? nullptr : request.folder.c_str(), &startup,
                        &info)) {
        result.error = GetLastError();
        return result;
    }
    result.started = true;
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    if (!request.wait)
        return result;
    while (WaitForSingleObject(process.Get(), kFrontPollMs) == WAIT_TIMEOUT) {
        if (request.toFront)
            EnumWindows(BringToFront, static_cast<LPARAM>(info.dwProcessId));
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    result.exitCode = exitCode;
    return result;
}

unsigned long SystemMachine::ShellOpen(const std::string& file, const std::string& arguments) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&info) ? 0 : GetLastError();
}

bool SystemMachine::EventExists(const std::string& name) {
    KernelHandle event(OpenEventA(SYNCHRONIZE, FALSE, name.c_str()));
    return event.Get() != nullptr;
}

unsigned long long SystemMachine::PhysicalMemoryBytes() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

std::string SystemMachine::FileVersion(const std::string& path) {
    char version[128] = {};
    DWORD size = sizeof(version);
    if (MsiGetFileVersionA(path.c_str(), version, &size, nullptr, nullptr) != ERROR_SUCCESS)
        return std::string();
    return version;
}

bool SystemMachine::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SystemMachine::ReadWholeFile(const std::string& path, std::string* bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    *bytes = text.str();
    return !file.bad();
}

unsigned long SystemMachine::RewriteFile(const std::string& path, const std::string& bytes) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    char temporary[MAX_PATH] = {};
    if (!GetTempFileNameA(folder.c_str(), "akr", 0, temporary))
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    {
        FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (file.Get() == INVALID_HANDLE_VALUE ||
            !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.Get()))
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (error == ERROR_SUCCESS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    // ReplaceFile keeps the original's security and attributes; a new file takes the
    // folder's.
    if (error == ERROR_SUCCESS && attributes == INVALID_FILE_ATTRIBUTES) {
        if (!MoveFileExA(temporary, path.c_str(), MOVEFILE_WRITE_THROUGH))
            error = GetLastError();
    } else if (error == ERROR_SUCCESS &&
               !ReplaceFileA(path.c_str(), temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr))
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileA(temporary);
    return error;
}

unsigned long SystemMachine::CreateFolders(const std::string& folder) {
    const int result = SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS
               ? 0
               : static_cast<unsigned long>(result);
}

unsigned long SystemMachine::CopyOneFile(const std::string& source, const std::string& target) {
    return CopyFileA(source.c_str(), target.c_str(), FALSE) ? 0 : GetLastError();
}

int SystemMachine::CountKeyValues(const std::string& keyPath) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &opened) != ERROR_SUCCESS)
        return -1;
    KeyHandle key(opened);
    DWORD values = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(values);
}

// The press is posted (a left-button press and release at (2, 2) of the button), so a
// program that does not answer cannot hold the installation.
ActionMachine::DialogAnswer SystemMachine::PressDialogButton(const std::string& title,
                                                             const std::string& buttonText) {
    DialogAnswer answer;
    HWND window = FindWindowA(nullptr, title.c_str());
    if (!window)
        return answer;
    answer.windowFound = true;
    ButtonSearch search = {&buttonText, nullptr};
    EnumChildWindows(window, MatchButton, reinterpret_cast<LPARAM>(&search));
    if (!search.button)
        return answer;
    PostMessageA(search.button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(search.button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    answer.buttonPressed = true;
    return answer;
}

void SystemMachine::Sleep(unsigned seconds) {
    ::Sleep(seconds * 1000);
}

InstallerQueries& SystemMachine::Installer() {
    return SystemInstallerQueries();
}

RegistryAccess& SystemMachine::Registry() {
    return SystemRegistry();
}

std::string SystemMachine::IniEntry(const std::string& path, const char* section, const char* key,
                                    const char* fallback) {
    char value[1024] = {};
    GetPrivateProfileStringA(section, key, fallback, value, sizeof(value), path.c_str());
    return value;
}

FileSystem& SystemMachine::Files() {
    return SystemFileSystem();
}

EventLogAccess& SystemMachine::EventLog() {
    return SystemEventLog();
}

unsigned long SystemMachine::WriteIniEntry(const std::string& path, const char* section,
                                           const char* key, const std::string& value) {
    return WritePrivateProfileStringA(section, key, value.c_str(), path.c_str()) ? 0
                                                                                 : GetLastError();
}
