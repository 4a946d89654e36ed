// Named mutexes of the system, the library's table of held ones, and what a lock called
// as a custom action asks of the installer session.

#include <windows.h>

#include <msiquery.h>
#include <tlhelp32.h>

#include "log_file.h"
#include "machine_procedures.h"
#include "mutex_table.h"
#include "unique_handle_win32.h"

namespace {

class Win32Mutexes : public MutexSystem {
  public:
    void* Create(const std::string& name, bool* existed, long* errorCode) override {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
        const DWORD code = GetLastError();
        *existed = mutex && code == ERROR_ALREADY_EXISTS;
        if (!mutex)
            *errorCode = static_cast<long>(code);
        return mutex;
    }
    int Wait(void* mutex, long timeoutMs, long* errorCode) override {
        const DWORD waited =
            WaitForSingleObject(mutex, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return kMutexLocked;
        if (waited == WAIT_TIMEOUT)
            return kMutexTimeout;
        *errorCode = static_cast<long>(GetLastError());
        return kMutexError;
    }
    long Release(void* mutex) override {
        return ReleaseMutex(mutex) ? 0 : static_cast<long>(GetLastError());
    }
    void Close(void* mutex) override { CloseHandle(mutex); }
};

// The parent of this process from a snapshot: its identifier (0 when not found) and image.
DWORD FindParent(DWORD child, std::string* image) {
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid())
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == child)
            parent = entry.th32ParentProcessID;
    }
    if (!parent || !Process32First(snapshot.Get(), &entry))
        return 0;
    do {
        if (entry.th32ProcessID == parent) {
            *image = entry.szExeFile;
            return parent;
        }
    } while (Process32Next(snapshot.Get(), &entry));
    return 0;
}

class Win32MutexSession : public MutexSession {
  public:
    explicit Win32MutexSession(MSIHANDLE session) : session_(session) {}
    long SetProperty(const std::string& name, const std::string& value) override {
        return static_cast<long>(MsiSetPropertyA(session_, name.c_str(), value.c_str()));
    }
    long GetProperty(const std::string& name, std::string* value) override {
        char text[256] = {};
        DWORD size = sizeof(text);
        const UINT code = MsiGetPropertyA(session_, name.c_str(), text, &size);
        // A value longer than the buffer still has its first character, which decides.
        if (code != ERROR_SUCCESS && code != ERROR_MORE_DATA)
            return static_cast<long>(code);
        *value = text;
        return 0;
    }
    bool ParentRunning(std::string* described) override {
        std::string image;
        if (!parent_) {
            parent_ = FindParent(GetCurrentProcessId(), &image);
            if (!parent_)
                return false;
            *described = FormatText("PID=%lu, Exe=%s", parent_, image.c_str());
            process_.Reset(OpenProcess(SYNCHRONIZE, FALSE, parent_));
        }
        // The handle tells the parent's end even when its identifier is given out again.
        if (process_.Valid())
            return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
        return FindParent(GetCurrentProcessId(), &image) == parent_;
    }
    void Sleep(unsigned long milliseconds) override { ::Sleep(milliseconds); }

  private:
    MSIHANDLE session_;
    DWORD parent_ = 0;
    KernelHandle process_;
};

Win32Mutexes& Mutexes() {
    static Win32Mutexes mutexes;
    return mutexes;
}

// Held until MutexUnlock, or until the library unloads.
MutexTable& Table() {
    static MutexTable table(Mutexes());
    return table;
}

}  // namespace

int UtilsMutexLock(PluginSession session, int argc, char** argv, char*, int, int* error) {
    Win32MutexSession installer(session);
    return MutexLockProc(Table(), Mutexes(), session ? &installer : nullptr, session, argc, argv,
                         error);
}

int UtilsMutexUnlock(PluginSession session, int argc, char** argv, char*, int, int* error) {
    return MutexUnlockProc(Table(), Mutexes(), session, argc, argv, error);
}

int UtilsMutexArrayLock(PluginSession session, int argc, char** argv, char*, int, int* error) {
    Win32MutexSession installer(session);
    return MutexArrayLockProc(Table(), Mutexes(), session ? &installer : nullptr, session, argc,
                              argv, error);
}

int UtilsMutexArrayUnlock(PluginSession session, int argc, char** argv, char*, int, int* error) {
    return MutexArrayUnlockProc(Table(), Mutexes(), session, argc, argv, error);
}
