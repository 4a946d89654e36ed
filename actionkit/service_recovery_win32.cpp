// The recovery settings of a service through the service control manager.

#include <windows.h>

#include <vector>

#include "machine_win32.h"
#include "unique_handle_win32.h"

namespace {

using ServiceHandle =
    UniqueHandle<Win32HandleTraits<SC_HANDLE, CloseServiceHandle, NoHandle::kNull>>;

// A restart waits one minute, the delay Windows itself proposes.
const DWORD kRestartDelayMs = 60000;

struct DatabaseLock {
    explicit DatabaseLock(SC_HANDLE manager) : lock(LockServiceDatabase(manager)) {}
    ~DatabaseLock() {
        if (lock)
            UnlockServiceDatabase(lock);
    }
    SC_LOCK lock;
};

}  // namespace

ServiceStep SystemMachine::SetServiceRecovery(const std::string& service,
                                              const ServiceRecovery& recovery,
                                              unsigned long* error) {
    *error = 0;
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.Get()) {
        *error = GetLastError();
        return ServiceStep::kOpenManager;
    }
    DatabaseLock lock(manager.Get());
    if (!lock.lock) {
        *error = GetLastError();
        return ServiceStep::kLockDatabase;
    }
    ServiceHandle handle(
        OpenServiceA(manager.Get(), service.c_str(), SERVICE_CHANGE_CONFIG | SERVICE_START));
    if (!handle.Get()) {
        *error = GetLastError();
        return ServiceStep::kOpenService;
    }
    std::vector<SC_ACTION> actions;
    for (bool restart : recovery.restart)
        actions.push_back(
            {restart ? SC_ACTION_RESTART : SC_ACTION_NONE, restart ? kRestartDelayMs : 0});
    SERVICE_FAILURE_ACTIONSA settings = {};
    settings.dwResetPeriod = recovery.resetSeconds;
    settings.cActions = static_cast<DWORD>(actions.size());
    settings.lpsaActions = actions.empty() ? nullptr : actions.data();
    if (!ChangeServiceConfig2A(handle.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &settings)) {
        *error = GetLastError();
        return ServiceStep::kChange;
    }
    return ServiceStep::kDone;
}
