#include "service_control.h"

#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const char kBlanks[] = " \t";
const unsigned long kDefaultWaitMs = 5000;
const unsigned long kPollMs = 10;

// Polls every 10 ms until the service is in the state; kServiceRequestTimeout when the
// wait time passes first.
long WaitForState(ServiceManager& manager, const std::string& name, unsigned long target,
                  unsigned long waitMs) {
    const unsigned long long deadline = manager.TickCount() + waitMs;
    for (;;) {
        unsigned long state = 0;
        const long code = manager.Query(name, &state);
        if (code != 0)
            return code;
        if (state == target)
            return 0;
        if (manager.TickCount() >= deadline)
            return kServiceRequestTimeout;
        manager.Sleep(kPollMs);
    }
}

long StartService(ServiceManager& manager, const std::string& name, unsigned long waitMs,
                  bool acceptRunning) {
    const long code = manager.Start(name);
    if (code != 0 && !(acceptRunning && code == kServiceAlreadyRunning))
        return code;
    return waitMs == 0 ? 0 : WaitForState(manager, name, kServiceRunning, waitMs);
}

long ControlAndWait(ServiceManager& manager, const std::string& name, ServiceOp op,
                    unsigned long waitMs) {
    const unsigned long target = op == ServiceOp::kPause ? kServicePaused : kServiceStopped;
    unsigned long state = 0;
    const long code = manager.Control(name, op, &state);
    if (code == kServiceNotActive && op == ServiceOp::kStop)
        return 0;
    if (code != 0)
        return code;
    if (state == target || waitMs == 0)
        return 0;
    return WaitForState(manager, name, target, waitMs);
}

const char* OperationWord(ServiceOp op) {
    switch (op) {
        case ServiceOp::kStart:
            return "start";
        case ServiceOp::kStop:
            return "stop";
        case ServiceOp::kRestart:
            return "restart";
        case ServiceOp::kPause:
            return "pause";
        default:
            return "delete";
    }
}

// The wait argument: absent gives the default; else a whole number, not below 0.
bool ParseWait(int argc, char** argv, unsigned long* waitMs) {
    *waitMs = kDefaultWaitMs;
    if (argc < 4)
        return true;
    int value = 0;
    if (!ParseInt(argv[3], &value) || value < 0)
        return false;
    *waitMs = static_cast<unsigned long>(value);
    return true;
}

}  // namespace

ServiceOp ParseServiceOp(const char* word) {
    const std::string op = Trim(word, kBlanks);
    const ServiceOp ops[] = {ServiceOp::kStart, ServiceOp::kStop, ServiceOp::kRestart,
                             ServiceOp::kPause, ServiceOp::kDelete};
    for (ServiceOp candidate : ops) {
        if (EqualsNoCase(op.c_str(), OperationWord(candidate)))
            return candidate;
    }
    return ServiceOp::kInvalid;
}

long RunServiceOperation(ServiceManager& manager, const std::string& name, ServiceOp op,
                         unsigned long waitMs) {
    switch (op) {
        case ServiceOp::kStart:
            return StartService(manager, name, waitMs, true);
        case ServiceOp::kStop:
        case ServiceOp::kPause:
            return ControlAndWait(manager, name, op, waitMs);
        case ServiceOp::kRestart: {
            const unsigned long stopWait =
                waitMs > kRestartStopWaitMs ? waitMs : kRestartStopWaitMs;
            const long stopped = ControlAndWait(manager, name, ServiceOp::kStop, stopWait);
            // After a stop that was waited for, "already running" means the start did nothing.
            return stopped != 0 ? stopped : StartService(manager, name, waitMs, false);
        }
        case ServiceOp::kDelete:
            return manager.Delete(name);
        default:
            return kPluginInvalidParameter;
    }
}

int ControlServiceProc(ServiceManager& manager, PluginSession session, int argc, char** argv, char*,
                       int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    unsigned long waitMs = 0;
    const ServiceOp op = ParseServiceOp(argv[2]);
    if (!ParseWait(argc, argv, &waitMs) || op == ServiceOp::kInvalid) {
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    const std::string name = argv[1];
    const long opened = manager.Open(name, op);
    if (opened == kServiceNotRegistered) {
        PluginLog(session, kLogWarning, "Service '%s' not registered.", name.c_str());
        return 0;
    }
    const long code = opened != 0 ? opened : RunServiceOperation(manager, name, op, waitMs);
    if (code != 0) {
        PluginLog(session, kLogWarning, "Could not %s service '%s' : %s", OperationWord(op),
                  name.c_str(), SystemErrorText(code).c_str());
        return 0;
    }
    PluginLog(session, kLogPlain, "    Proc call : Service '%s' %s operation succeeded",
              name.c_str(), OperationWord(op));
    return 1;
}

int ServiceRegisteredProc(ServiceManager& manager, PluginSession session, int argc, char** argv,
                          char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const long code = manager.Open(argv[1], ServiceOp::kInvalid);
    if (code == 0)
        return 1;
    // Only a service that does not exist is "not registered"; any other failure (access
    // denied, no control manager) says nothing either way and is logged as an error.
    if (code != kServiceNotRegistered)
        PluginLog(session, kLogWarning, "ServiceRegistered(%s) proc error %ld: %s", argv[1], code,
                  SystemErrorText(code).c_str());
    return 0;
}

int ServiceIsRunningProc(ServiceManager& manager, PluginSession session, int argc, char** argv,
                         char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    unsigned long state = 0;
    const long code = manager.Query(argv[1], &state);
    if (code != 0) {
        PluginLog(session, kLogWarning, "ServiceIsRunning(%s) proc error %ld: %s", argv[1], code,
                  SystemErrorText(code).c_str());
        return 0;
    }
    return state == kServiceRunning ? 1 : 0;
}
