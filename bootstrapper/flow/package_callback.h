#pragma once
// The return-code handshake with a chained setup: before the MAIN package's installer runs,
// the run clears a registry value and names it in the environment variable "CALLBACKPATH";
// a chained setup writes its final return code there, and the run reads it afterwards.

#include <string>

class LogFile;
class ProcessRunner;
class RegistryAccess;

// The key under HKEY_LOCAL_MACHINE where chained setups leave their return code.
extern const char* const kReturnCodesKey;

class ReturnCodeCallback {
  public:
    // Clears the value named by the package's display name and sets "CALLBACKPATH" for the
    // processes started afterwards.
    void Arm(const std::string& displayName, RegistryAccess& registry, ProcessRunner& processes,
             LogFile& log);
    // Reads the code the chained setup left: -1 none, a known return code, or
    // RC_CallbackFailed for any other text. Stores and returns it.
    int Read(const std::string& displayName, RegistryAccess& registry, LogFile& log);
    bool Used() const { return used_; }
    int Code() const { return code_; }

  private:
    bool used_ = false;
    int code_ = -1;
};

// Whether the code a chained setup left lets its package succeed: none, all completed, a
// reboot required or in progress, or a quit.
bool CallbackPasses(int code);
