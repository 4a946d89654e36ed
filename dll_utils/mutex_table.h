#pragma once
// The mutex procedures of utils.dll (MutexLock, MutexUnlock, MutexArrayLock,
// MutexArrayUnlock). A mutex that a lock acquired stays held in the library's table until
// MutexUnlock releases it or the library unloads: a lock that ended with the call would
// hold nothing. The system's mutexes and the installer session sit behind small interfaces
// so that the rules run against fakes in the host build.

#include <string>
#include <vector>

#include "plugin_interface.h"

constexpr int kMutexLocked = 1;
constexpr int kMutexTimeout = 2;
constexpr int kMutexError = -1;
constexpr long kMutexAlreadyExists = 183;  // ERROR_ALREADY_EXISTS
constexpr long kMutexNotOwner = 288;       // ERROR_NOT_OWNER

class MutexSystem {
  public:
    virtual ~MutexSystem() = default;
    // Creates or opens the named mutex without taking it; null with *errorCode on failure.
    // *existed tells whether it existed before.
    virtual void* Create(const std::string& name, bool* existed, long* errorCode) = 0;
    // Waits for the mutex (timeoutMs < 0: for ever): kMutexLocked (also when the previous
    // owner ended without releasing it), kMutexTimeout or kMutexError with *errorCode.
    virtual int Wait(void* mutex, long timeoutMs, long* errorCode) = 0;
    // 0 or a system error code (kMutexNotOwner when this thread does not own it).
    virtual long Release(void* mutex) = 0;
    virtual void Close(void* mutex) = 0;
};

// What a lock called from Windows Installer needs of the installer and of the machine.
class MutexSession {
  public:
    virtual ~MutexSession() = default;
    virtual long SetProperty(const std::string& name, const std::string& value) = 0;
    virtual long GetProperty(const std::string& name, std::string* value) = 0;
    // Whether the parent of this process still runs; *described is "PID=%d, Exe=%s".
    virtual bool ParentRunning(std::string* described) = 0;
    virtual void Sleep(unsigned long milliseconds) = 0;
};

// The held mutexes of the library, by name; a name locked twice is held twice.
class MutexTable {
  public:
    explicit MutexTable(MutexSystem& system) : system_(system) {}
    ~MutexTable();
    MutexTable(const MutexTable&) = delete;
    MutexTable& operator=(const MutexTable&) = delete;

    void Hold(const std::string& name, void* mutex) { held_.push_back({name, mutex}); }
    bool Holds(const std::string& name) const;
    // Releases and closes the last hold of the name: 0 or the release error (the hold is
    // then kept, so that unloading still closes it).
    long ReleaseHeld(const std::string& name);
    std::size_t Count() const { return held_.size(); }

  private:
    struct Held {
        std::string name;
        void* mutex;
    };
    MutexSystem& system_;
    std::vector<Held> held_;
};

// The procedures; session is the installer session of the call (0 from setup).
int MutexLockProc(MutexTable& table, MutexSystem& system, MutexSession* session,
                  PluginSession handle, int argc, char** argv, int* error);
int MutexUnlockProc(MutexTable& table, MutexSystem& system, PluginSession handle, int argc,
                    char** argv, int* error);
int MutexArrayLockProc(MutexTable& table, MutexSystem& system, MutexSession* session,
                       PluginSession handle, int argc, char** argv, int* error);
int MutexArrayUnlockProc(MutexTable& table, MutexSystem& system, PluginSession handle, int argc,
                         char** argv, int* error);
