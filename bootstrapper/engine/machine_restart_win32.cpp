#include <windows.h>

#include "machine_restart.h"
#include "unique_handle_win32.h"

namespace {

// Enables or disables the shutdown privilege of the process token.
bool SetShutdownPrivilege(HANDLE token, bool enable) {
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    // AdjustTokenPrivileges succeeds even when the privilege is not held: that is an error
    // here, because the restart would then be refused.
    return AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

class SystemRestart : public MachineRestart {
  public:
    bool Restart(const std::string& message, unsigned delaySeconds, long* error) override {
        KernelHandle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                              token.Out()))
            return Failed(error);
        if (!SetShutdownPrivilege(token.Get(), true))
            return Failed(error);
        std::string text = message;
        const BOOL started = InitiateSystemShutdownExA(nullptr, &text[0], delaySeconds, TRUE, TRUE,
                                                       SHTDN_REASON_MAJOR_APPLICATION |
                                                           SHTDN_REASON_MINOR_INSTALLATION |
                                                           SHTDN_REASON_FLAG_PLANNED);
        const DWORD code = GetLastError();
        SetShutdownPrivilege(token.Get(), false);
        if (started)
            return true;
        *error = static_cast<long>(code);
        return false;
    }

  private:
    static bool Failed(long* error) {
        *error = static_cast<long>(GetLastError());
        return false;
    }
};

}  // namespace

MachineRestart& SystemMachineRestart() {
    static SystemRestart restart;
    return restart;
}
