// The running processes through a Toolhelp snapshot, and their ends.

#include <windows.h>

#include <tlhelp32.h>

#include "machine_procedures.h"
#include "platform.h"
#include "process_control.h"
#include "shell_exec.h"
#include "unique_handle_win32.h"

namespace {

// Debug privilege lets an administrator read the image of a process of another user.
void EnableDebugPrivilege() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Out()))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

// The image path in drive form ("C:\\..."), empty when the process cannot be read.
std::string ImagePath(DWORD id) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process.Valid() && GetLastError() == ERROR_ACCESS_DENIED) {
        EnableDebugPrivilege();
        process.Reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    }
    if (!process.Valid())
        return std::string();
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof(path);
    return QueryFullProcessImageNameA(process.Get(), 0, path, &size) ? std::string(path, size)
                                                                     : std::string();
}

class Win32Processes : public ProcessSystem {
  public:
    bool List(std::vector<ProcessRecord>* processes, long* errorCode) override {
        KernelHandle snapshot;
        HANDLE taken = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (taken == INVALID_HANDLE_VALUE) {
            *errorCode = static_cast<long>(GetLastError());
            return false;
        }
        snapshot.Reset(taken);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(taken, &entry); more; more = Process32Next(taken, &entry)) {
            processes->push_back(
                {entry.th32ProcessID, entry.th32ParentProcessID, ImagePath(entry.th32ProcessID)});
        }
        return true;
    }
    unsigned long CurrentId() override { return GetCurrentProcessId(); }
    long Terminate(unsigned long id, unsigned long timeoutMs) override {
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        // An identifier that names no process any more: that one has ended already.
        if (!process.Valid())
            return GetLastError() == ERROR_INVALID_PARAMETER ? 0
                                                             : static_cast<long>(GetLastError());
        // Exit code 1: the current exit code of a running process is STILL_ACTIVE (259),
        // which anyone asking later would read as "still running".
        if (!TerminateProcess(process.Get(), 1) && GetLastError() != ERROR_ACCESS_DENIED)
            return static_cast<long>(GetLastError());
        const DWORD waited = WaitForSingleObject(process.Get(), timeoutMs);
        return waited == WAIT_OBJECT_0 ? 0 : waited == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
    }
    long Start(const std::string& program, const std::string& arguments) override {
        ShellExec exec;
        if (!exec.SetCommand("\"%s\" %s", program.c_str(), arguments.c_str()))
            return ERROR_BAD_LENGTH;
        // Not waited for: a program that is (re)started usually stays running.
        return exec.ExecuteCommand(false, false, false, false) == 0 ? 0 : ERROR_FILE_NOT_FOUND;
    }
    std::string FullPath(const std::string& path) override { return platform::FullPath(path); }
};

Win32Processes& Machine() {
    static Win32Processes machine;
    return machine;
}

}  // namespace

int UtilsProcess(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error) {
    return ProcessProc(Machine(), session, argc, argv, result, resultSize, error);
}

int UtilsProcessIsRunning(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error) {
    return ProcessIsRunningProc(Machine(), session, argc, argv, result, resultSize, error);
}
