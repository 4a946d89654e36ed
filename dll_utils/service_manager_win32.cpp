// The service control manager, opened anew for each request with the rights it needs.

#include <windows.h>

#include "machine_procedures.h"
#include "service_control.h"
#include "unique_handle_win32.h"

namespace {

using ServiceHandle =
    UniqueHandle<Win32HandleTraits<SC_HANDLE, CloseServiceHandle, NoHandle::kNull>>;

DWORD OperationRights(ServiceOp op) {
    switch (op) {
        case ServiceOp::kStart:
            return SERVICE_START;
        case ServiceOp::kStop:
            return SERVICE_STOP;
        case ServiceOp::kRestart:
            return SERVICE_STOP | SERVICE_START;
        case ServiceOp::kPause:
            return SERVICE_PAUSE_CONTINUE;
        case ServiceOp::kDelete:
            return DELETE;
        default:
            return 0;
    }
}

// The manager and the service; 0 or the error of the first that failed.
struct OpenedService {
    ServiceHandle manager;
    ServiceHandle service;
    long error = 0;

    OpenedService(const std::string& name, ServiceOp op) {
        manager.Reset(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (manager.Valid())
            service.Reset(
                OpenServiceA(manager.Get(), name.c_str(),
                             SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | OperationRights(op)));
        if (!service.Valid())
            error = static_cast<long>(GetLastError());
    }
};

class Win32Services : public ServiceManager {
  public:
    long Open(const std::string& name, ServiceOp op) override {
        return OpenedService(name, op).error;
    }
    long Query(const std::string& name, unsigned long* state) override {
        OpenedService open(name, ServiceOp::kInvalid);
        SERVICE_STATUS status = {};
        if (open.error == 0 && !QueryServiceStatus(open.service.Get(), &status))
            open.error = static_cast<long>(GetLastError());
        *state = status.dwCurrentState;
        return open.error;
    }
    long Start(const std::string& name) override {
        OpenedService open(name, ServiceOp::kStart);
        if (open.error == 0 && !StartServiceA(open.service.Get(), 0, nullptr))
            open.error = static_cast<long>(GetLastError());
        return open.error;
    }
    long Control(const std::string& name, ServiceOp op, unsigned long* state) override {
        OpenedService open(name, op);
        SERVICE_STATUS status = {};
        const DWORD control =
            op == ServiceOp::kPause ? SERVICE_CONTROL_PAUSE : SERVICE_CONTROL_STOP;
        if (open.error == 0 && !ControlService(open.service.Get(), control, &status))
            open.error = static_cast<long>(GetLastError());
        *state = status.dwCurrentState;
        return open.error;
    }
    long Delete(const std::string& name) override {
        OpenedService open(name, ServiceOp::kDelete);
        if (open.error == 0 && !DeleteService(open.service.Get()))
            open.error = static_cast<long>(GetLastError());
        return open.error;
    }
    void Sleep(unsigned long milliseconds) override { ::Sleep(milliseconds); }
    unsigned long long TickCount() override { return GetTickCount64(); }
};

Win32Services& Services() {
    static Win32Services services;
    return services;
}

}  // namespace

int UtilsControlService(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error) {
    return ControlServiceProc(Services(), session, argc, argv, result, resultSize, error);
}

int UtilsServiceRegistered(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error) {
    return ServiceRegisteredProc(Services(), session, argc, argv, result, resultSize, error);
}

int UtilsServiceIsRunning(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error) {
    return ServiceIsRunningProc(Services(), session, argc, argv, result, resultSize, error);
}
