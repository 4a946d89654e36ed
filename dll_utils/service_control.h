#pragma once
// The service procedures of utils.dll (ControlService, ServiceRegistered, ServiceIsRunning)
// over a small view of the service control manager, so that the operations and their
// waits run against a fake in the host build.

#include <string>

#include "plugin_interface.h"

enum class ServiceOp { kStart, kStop, kRestart, kPause, kDelete, kInvalid };

// Current states of a service (SERVICE_STOPPED, SERVICE_RUNNING, SERVICE_PAUSED).
constexpr unsigned long kServiceStopped = 1;
constexpr unsigned long kServiceRunning = 4;
constexpr unsigned long kServicePaused = 7;

constexpr long kServiceNotRegistered = 1060;   // ERROR_SERVICE_DOES_NOT_EXIST
constexpr long kServiceAlreadyRunning = 1056;  // ERROR_SERVICE_ALREADY_RUNNING
constexpr long kServiceNotActive = 1062;       // ERROR_SERVICE_NOT_ACTIVE
constexpr long kServiceRequestTimeout = 1053;  // ERROR_SERVICE_REQUEST_TIMEOUT

// Each call opens the control manager and the service with the rights it needs, and
// answers 0 or a system error code.
class ServiceManager {
  public:
    virtual ~ServiceManager() = default;
    // 0 when the service can be opened for the operation (op kInvalid: for queries only).
    virtual long Open(const std::string& name, ServiceOp op) = 0;
    virtual long Query(const std::string& name, unsigned long* state) = 0;
    virtual long Start(const std::string& name) = 0;
    // Sends the stop or pause control; *state is the state the service reported.
    virtual long Control(const std::string& name, ServiceOp op, unsigned long* state) = 0;
    virtual long Delete(const std::string& name) = 0;
    virtual void Sleep(unsigned long milliseconds) = 0;
    virtual unsigned long long TickCount() = 0;
};

// How long the stop half of a restart waits at least, even when the call asked for no wait:
// starting a service that has not stopped yet fails or starts nothing.
constexpr unsigned long kRestartStopWaitMs = 30000;

ServiceOp ParseServiceOp(const char* word);

// Runs the operation with its wait (0: none): 0 on success, else a system error code.
long RunServiceOperation(ServiceManager& manager, const std::string& name, ServiceOp op,
                         unsigned long waitMs);

int ControlServiceProc(ServiceManager& manager, PluginSession session, int argc, char** argv,
                       char* result, int resultSize, int* error);
int ServiceRegisteredProc(ServiceManager& manager, PluginSession session, int argc, char** argv,
                          char* result, int resultSize, int* error);
int ServiceIsRunningProc(ServiceManager& manager, PluginSession session, int argc, char** argv,
                         char* result, int resultSize, int* error);
