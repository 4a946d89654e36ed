#pragma once
// Restarting the machine at the end of a run that needs a reboot. Tests give a fake that
// records the request; SystemMachineRestart() asks Windows (Windows build only).

#include <string>

class MachineRestart {
  public:
    virtual ~MachineRestart() = default;
    // Starts a restart of this machine after delaySeconds, showing message meanwhile;
    // applications are closed without asking. False with the system error code when the
    // restart could not be started.
    virtual bool Restart(const std::string& message, unsigned delaySeconds, long* error) = 0;
};

MachineRestart& SystemMachineRestart();
