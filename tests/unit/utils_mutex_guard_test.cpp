// The mutex procedures and the concurrent installation guard of utils.dll against fakes.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "install_guard.h"
#include "log_capture.h"
#include "mutex_table.h"

namespace {

// Mutexes of one machine: each has an owner (0: free); this fake runs as owner 1.
class FakeMutexes : public MutexSystem {
  public:
    struct Mutex {
        std::string name;
    };
    void* Create(const std::string& name, bool* existed, long* errorCode) override {
        if (name == "bad") {
            *errorCode = 6;
            return nullptr;
        }
        *existed = owners.count(name) > 0;
        owners.emplace(name, 0);
        handles.push_back(new Mutex{name});
        return handles.back();
    }
    int Wait(void* mutex, long, long*) override {
        int& owner = owners[static_cast<Mutex*>(mutex)->name];
        if (owner != 0 && owner != self)
            return kMutexTimeout;
        owner = self;
        ++depth[static_cast<Mutex*>(mutex)->name];
        return kMutexLocked;
    }
    long Release(void* mutex) override {
        const std::string& name = static_cast<Mutex*>(mutex)->name;
        if (owners[name] != self)
            return kMutexNotOwner;
        if (--depth[name] == 0)
            owners[name] = 0;
        return 0;
    }
    void Close(void* mutex) override {
        ++closed;
        delete static_cast<Mutex*>(mutex);
    }
    ~FakeMutexes() override {
        EXPECT_EQ(handles.size(), closed) << "a mutex handle was never closed";
    }

    std::map<std::string, int> owners;
    std::map<std::string, int> depth;
    std::vector<void*> handles;
    std::size_t closed = 0;
    int self = 1;
};

class FakeSession : public MutexSession {
  public:
    long SetProperty(const std::string& name, const std::string& value) override {
        properties[name] = value;
        return 0;
    }
    long GetProperty(const std::string& name, std::string* value) override {
        *value = properties[name];
        return 0;
    }
    bool ParentRunning(std::string* described) override {
        *described = "PID=7, Exe=msiexec.exe";
        return parentRounds-- > 0;
    }
    void Sleep(unsigned long) override {
        if (++sleeps == unlockAfter)
            properties["UNLOCK"] = "1";
    }
    std::map<std::string, std::string> properties;
    int parentRounds = 1000;
    int sleeps = 0;
    int unlockAfter = 3;
};

int Call(MutexTable& table, FakeMutexes& system, MutexSession* session, const char* proc,
         std::vector<std::string> args, int* status) {
    std::vector<char*> argv(kPluginArgvSize, nullptr);
    args.insert(args.begin(), proc);
    for (std::size_t i = 0; i < args.size(); ++i) argv[i] = &args[i][0];
    const int argc = static_cast<int>(args.size());
    *status = ERR_PROC_NOT_FOUND;
    const std::string name = proc;
    const PluginSession handle = session ? 1 : 0;
    if (name == "MutexLock")
        return MutexLockProc(table, system, session, handle, argc, argv.data(), status);
    if (name == "MutexUnlock")
        return MutexUnlockProc(table, system, handle, argc, argv.data(), status);
    if (name == "MutexArrayLock")
        return MutexArrayLockProc(table, system, session, handle, argc, argv.data(), status);
    return MutexArrayUnlockProc(table, system, handle, argc, argv.data(), status);
}

TEST(MutexProceduresTest, LockStaysHeldAcrossCallsUntilUnlock) {
    FakeMutexes system;
    int status = 0;
    {
        MutexTable table(system);
        EXPECT_EQ(kMutexLocked, Call(table, system, nullptr, "MutexLock", {"M"}, &status));
        EXPECT_EQ(0, status);
        EXPECT_EQ(1, system.owners["M"]);
        // Another owner cannot take it while the first call's lock is held.
        system.self = 2;
        EXPECT_EQ(kMutexTimeout, Call(table, system, nullptr, "MutexLock", {"M", "0"}, &status));
        system.self = 1;
        EXPECT_EQ(1, Call(table, system, nullptr, "MutexUnlock", {"M"}, &status));
        EXPECT_EQ(0, system.owners["M"]);
        // Nothing held any more: a second unlock is a failure (not owner).
        LogCapture log;
        EXPECT_EQ(0, Call(table, system, nullptr, "MutexUnlock", {"M"}, &status));
        EXPECT_TRUE(log.Contains("Mutex unlock error 288"));
        EXPECT_EQ(kMutexLocked, Call(table, system, nullptr, "MutexLock", {"N", "5"}, &status));
    }
    // Unloading the table released what it held.
    EXPECT_EQ(0, system.owners["N"]);
}

TEST(MutexProceduresTest, BadArgumentsAndOpenErrors) {
    FakeMutexes system;
    MutexTable table(system);
    int status = 0;
    EXPECT_EQ(0, Call(table, system, nullptr, "MutexLock", {"M", "1x"}, &status));
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, status);
    LogCapture log;
    EXPECT_EQ(0, Call(table, system, nullptr, "MutexArrayLock", {"P", "0", "3"}, &status));
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, status);
    EXPECT_TRUE(log.Contains("IndexStart and ArrayCount parameters  should be both positive"));
    EXPECT_EQ(kMutexError, Call(table, system, nullptr, "MutexLock", {"bad"}, &status));
    EXPECT_TRUE(log.Contains("Mutex open error 6"));
    EXPECT_EQ(0u, table.Count());
}

TEST(MutexProceduresTest, ArrayLocksAllOrReleasesWhatItTook) {
    FakeMutexes system;
    MutexTable table(system);
    int status = 0;
    system.owners["P3"] = 2;  // held by someone else
    LogCapture log;
    EXPECT_EQ(kMutexTimeout,
              Call(table, system, nullptr, "MutexArrayLock", {"P", "1", "4", "0"}, &status));
    EXPECT_EQ(0, system.owners["P1"]);
    EXPECT_EQ(0, system.owners["P2"]);
    EXPECT_EQ(0u, system.owners.count("P4"));
    EXPECT_TRUE(log.Contains("Mutex 'P3': exists, timeout\n"));
    EXPECT_TRUE(log.Contains("Params: MutexArray='P1'-'P4', Timeout='0'"));
    system.owners["P3"] = 0;
    EXPECT_EQ(kMutexLocked,
              Call(table, system, nullptr, "MutexArrayLock", {"P", "2", "2"}, &status));
    EXPECT_EQ(2u, table.Count());
    EXPECT_EQ(1, Call(table, system, nullptr, "MutexArrayUnlock", {"P", "2", "2"}, &status));
    EXPECT_EQ(0u, table.Count());
    EXPECT_EQ(0, system.owners["P2"] + system.owners["P3"]);
}

TEST(MutexProceduresTest, InstallerLockHoldsUntilTheUnlockPropertyOrTheParentEnds) {
    FakeMutexes system;
    MutexTable table(system);
    FakeSession session;
    int status = 0;
    LogCapture log;
    EXPECT_EQ(kMutexLocked,
              Call(table, system, &session, "MutexLock", {"M", "-1", "LOCKED", "UNLOCK"}, &status));
    EXPECT_EQ("1", session.properties["LOCKED"]);
    EXPECT_EQ(3, session.sleeps);
    EXPECT_EQ(0, system.owners["M"]);
    EXPECT_TRUE(log.Contains("UNLOCK MUTEX (property 'UNLOCK' was set to '1')"));
    EXPECT_TRUE(log.Contains("Parent process: PID=7, Exe=msiexec.exe"));

    session.properties["UNLOCK"] = "";
    session.unlockAfter = 100;
    session.parentRounds = 2;
    EXPECT_EQ(kMutexLocked, Call(table, system, &session, "MutexArrayLock",
                                 {"Q", "1", "2", "1", "LOCKED", "UNLOCK"}, &status));
    EXPECT_TRUE(log.Contains("Parent not found as running"));
    EXPECT_EQ(0, system.owners["Q1"] + system.owners["Q2"]);
    EXPECT_EQ(0u, table.Count());

    // A time-out is told through the return property and holds nothing.
    system.owners["R"] = 2;
    EXPECT_EQ(kMutexTimeout,
              Call(table, system, &session, "MutexLock", {"R", "0", "LOCKED", "UNLOCK"}, &status));
    EXPECT_EQ("2", session.properties["LOCKED"]);
}

class FakeGuard : public GuardEnvironment {
  public:
    bool ListProcesses(std::vector<GuardProcess>* processes, std::string* failure) override {
        ++counts;
        if (fail) {
            *failure = "Failed after execQuery";
            return false;
        }
        *processes = running;
        if (finishAfter > 0 && counts >= finishAfter && running.size() > 1)
            running.erase(running.begin() + 1);  // the installation of process 2 ends
        return true;
    }
    std::string OwnerOf(unsigned long id) override { return id == 2 ? "HOST\\alice" : ""; }
    void PumpMessages() override { ++pumps; }
    bool QuitRequested() override { return quitAfter > 0 && pumps >= quitAfter; }
    bool AskRetry(const std::string& text) override {
        questions.push_back(text);
        return retries-- > 0;
    }
    void Sleep(unsigned long) override { ++sleeps; }

    std::vector<GuardProcess> running = {
        {1, "setup.exe", true, "setup.exe /install"},
        {2, "setup.exe", true, "\"C:\\x\\setup.exe\" /UNINSTALL"},
        {3, "setup.exe", false, ""},
        {4, "other.exe", true, "other.exe /install"},
    };
    int counts = 0;
    int finishAfter = 0;
    int pumps = 0;
    int quitAfter = 0;
    int sleeps = 0;
    int retries = 0;
    bool fail = false;
    std::vector<std::string> questions;
};

std::string Guard(FakeGuard& guard, std::vector<std::string> args, int* status) {
    std::vector<char*> argv(kPluginArgvSize, nullptr);
    args.insert(args.begin(), "PreventConcurrentInstallations");
    for (std::size_t i = 0; i < args.size(); ++i) argv[i] = &args[i][0];
    char result[64] = {};
    *status = ERR_PROC_NOT_FOUND;
    PreventConcurrentInstallationsProc(guard, 0, static_cast<int>(args.size()), argv.data(), result,
                                       sizeof(result), status);
    return result;
}

TEST(InstallGuardTest, CountsOnlyNamedProcessesCarryingAText) {
    FakeGuard guard;
    EXPECT_EQ(2, CountInstances(guard, "setup.exe", "/install,/uninstall").count);
    EXPECT_EQ(1, CountInstances(guard, "setup.exe", " /Install ").count);
    EXPECT_EQ(0, CountInstances(guard, "setup.exe", "").count);
    EXPECT_EQ(0, CountInstances(guard, "setup.exe", " , ").count);
    EXPECT_EQ(0, CountInstances(guard, "SETUP.EXE", "/install").count);
    EXPECT_EQ("HOST\\alice", CountInstances(guard, "setup.exe", "/uninstall").owner);
    guard.fail = true;
    EXPECT_EQ(-1, CountInstances(guard, "setup.exe", "/install").count);
}

TEST(InstallGuardTest, WaitsUntilFewEnoughRunOrTheUserQuits) {
    FakeGuard guard;
    int status = 0;
    EXPECT_EQ("1", Guard(guard, {"setup.exe", "/install,/uninstall", "WAIT", "2"}, &status));
    EXPECT_EQ(0, guard.sleeps);
    guard.finishAfter = 4;  // the other installation ends after four counts
    EXPECT_EQ("1", Guard(guard, {"setup.exe", "/install,/uninstall", "WAIT", "1"}, &status));
    EXPECT_EQ(0, status);
    EXPECT_EQ(3, guard.sleeps);
    EXPECT_EQ(guard.sleeps, guard.pumps);

    FakeGuard quitting;
    quitting.quitAfter = 5;
    EXPECT_EQ("CANCEL",
              Guard(quitting, {"setup.exe", "/install,/uninstall", "WAIT", "1"}, &status));
    EXPECT_EQ(4, quitting.sleeps);
}

TEST(InstallGuardTest, CancelsOrAsks) {
    FakeGuard guard;
    int status = 0;
    LogCapture log;
    EXPECT_EQ("CANCEL", Guard(guard, {"setup.exe", "/install,/uninstall", "CANCEL", "1"}, &status));
    EXPECT_TRUE(log.Contains("Instalation canceled! Another instance is (un)installing."));
    guard.retries = 1;
    EXPECT_EQ("CANCEL",
              Guard(guard, {"setup.exe", "/install,/uninstall", "DISP_MSG_DIALOG", "1"}, &status));
    ASSERT_EQ(2u, guard.questions.size());
    EXPECT_EQ(
        "Another installation is currently running under HOST\\alice. Press RETRY to "
        "continue or CANCEL to stop.",
        guard.questions[0]);
    EXPECT_TRUE(log.Contains("Retrying to continue current (un)instalation if it's only one."));
}

TEST(InstallGuardTest, RefusesBadMaximumAndActionAndGoesOnAfterAFailedCount) {
    FakeGuard guard;
    int status = 0;
    LogCapture log;
    Guard(guard, {"setup.exe", "/install", "WAIT", "1a"}, &status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, status);
    EXPECT_TRUE(log.Contains("1a - invalid maximum instances number!"));
    Guard(guard, {"setup.exe", "/install", "wait", "5"}, &status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, status);
    EXPECT_TRUE(log.Contains("wait - invalid action!"));
    Guard(guard, {"setup.exe", "/install", "WAIT"}, &status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, status);
    guard.fail = true;
    EXPECT_EQ("1", Guard(guard, {"setup.exe", "/install", "CANCEL", "0"}, &status));
    EXPECT_EQ(0, status);
    EXPECT_TRUE(log.Contains("Error on finding concurrent installations"));
}

}  // namespace
