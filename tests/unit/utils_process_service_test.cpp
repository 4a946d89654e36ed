// The process and service procedures of utils.dll against fake machines.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "log_capture.h"
#include "process_control.h"
#include "service_control.h"

namespace {

class FakeProcesses : public ProcessSystem {
  public:
    bool List(std::vector<ProcessRecord>* processes, long*) override {
        *processes = running;
        return true;
    }
    unsigned long CurrentId() override { return current; }
    long Terminate(unsigned long id, unsigned long) override {
        terminated.push_back(id);
        if (id == stubborn)
            return 258;
        for (auto it = running.begin(); it != running.end(); ++it) {
            if (it->id == id) {
                running.erase(it);
                break;
            }
        }
        return 0;
    }
    long Start(const std::string& program, const std::string& arguments) override {
        started.push_back(program + "|" + arguments);
        return 0;
    }
    std::string FullPath(const std::string& path) override {
        return path.find(':') == std::string::npos ? "C:\\work\\" + path : path;
    }

    std::vector<ProcessRecord> running;
    unsigned long current = 10;
    unsigned long stubborn = 0;
    std::vector<unsigned long> terminated;
    std::vector<std::string> started;
};

struct Call {
    int number;
    int status;
};

template <typename System, typename Proc>
Call CallProc(System& system, Proc proc, std::vector<std::string> args) {
    std::vector<char*> argv(kPluginArgvSize, nullptr);
    args.insert(args.begin(), "Proc");
    for (std::size_t i = 0; i < args.size(); ++i) argv[i] = &args[i][0];
    char result[256] = {};
    int status = ERR_PROC_NOT_FOUND;
    const int number = proc(system, 0, static_cast<int>(args.size()), argv.data(), result,
                            sizeof(result), &status);
    return {number, status};
}

class ProcessControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // 1 -> 5 (setup.exe) -> 10 (this process, the host of the plug-in)
        machine.running = {{1, 0, "C:\\Windows\\explorer.exe"}, {5, 1, "C:\\Setup\\setup.exe"},
                           {10, 5, "C:\\Setup\\setup.exe"},     {20, 1, "C:\\App\\tool.exe"},
                           {21, 1, "D:\\Other\\TOOL.EXE"},      {22, 1, "C:\\App\\toolbox.exe"},
                           {30, 1, "C:\\Other\\setup.exe"}};
    }
    FakeProcesses machine;
};

TEST_F(ProcessControlTest, BareNameStopsEveryFileOfThatNameAndFullPathOnlyThatFile) {
    EXPECT_EQ(1, CallProc(machine, ProcessProc, {"tool.exe", "Stop"}).number);
    EXPECT_EQ((std::vector<unsigned long>{20, 21}), machine.terminated);

    SetUp();
    machine.terminated.clear();
    EXPECT_EQ(1, CallProc(machine, ProcessProc, {" \"c:/app/TOOL.exe\" ", "stop"}).number);
    EXPECT_EQ((std::vector<unsigned long>{20}), machine.terminated);
}

TEST_F(ProcessControlTest, NeverStopsItsOwnProcessOrTheSetupThatCalled) {
    LogCapture log;
    EXPECT_EQ(1, CallProc(machine, ProcessProc, {"setup.exe", "stop"}).number);
    EXPECT_EQ((std::vector<unsigned long>{30}), machine.terminated);
    EXPECT_NE(std::string::npos, log.Text().find("Process 5 (C:\\Setup\\setup.exe) runs this"));
    EXPECT_EQ((std::vector<unsigned long>{10, 5, 1}), ProtectedProcesses(machine.running, 10));
}

TEST_F(ProcessControlTest, ParentChainThatLoopsEnds) {
    const std::vector<ProcessRecord> loop = {{3, 4, "a.exe"}, {4, 3, "b.exe"}};
    EXPECT_EQ((std::vector<unsigned long>{3, 4}), ProtectedProcesses(loop, 3));
}

TEST_F(ProcessControlTest, StopFailsWhenAMatchDoesNotEnd) {
    machine.stubborn = 21;
    LogCapture log;
    EXPECT_EQ(0, CallProc(machine, ProcessProc, {"tool.exe", "stop"}).number);
    EXPECT_NE(std::string::npos,
              log.Text().find("Could not stop the process identified by 'tool.exe' file:"));
}

TEST_F(ProcessControlTest, NothingToStopIsSuccessAndRestartStartsQuoted) {
    LogCapture log;
    const Call stop = CallProc(machine, ProcessProc, {"C:\\x\\app.exe", "stop"});
    EXPECT_EQ(1, stop.number);
    EXPECT_EQ(0, stop.status);
    EXPECT_NE(std::string::npos,
              log.Text().find("A running process identified by 'C:\\x\\app.exe' file not found"));
    EXPECT_EQ(1, CallProc(machine, ProcessProc, {"C:\\App\\tool.exe", "restart", "-a -b"}).number);
    EXPECT_EQ((std::vector<unsigned long>{20}), machine.terminated);
    EXPECT_EQ((std::vector<std::string>{"C:\\App\\tool.exe|-a -b"}), machine.started);
}

TEST_F(ProcessControlTest, BadWordsCountsAndQuotesAreRefused) {
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, CallProc(machine, ProcessProc, {"tool.exe", "kill"}).status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, CallProc(machine, ProcessProc, {"tool.exe"}).status);
    // A quote inside the program would end its quoted path early on the command line.
    EXPECT_EQ(0, CallProc(machine, ProcessProc, {"C:\\a\" b\\x.exe", "start"}).number);
    EXPECT_TRUE(machine.started.empty());
    EXPECT_TRUE(machine.terminated.empty());
}

TEST_F(ProcessControlTest, IsRunningMatchesLikeStop) {
    EXPECT_EQ(1, CallProc(machine, ProcessIsRunningProc, {"TOOLBOX.EXE"}).number);
    EXPECT_EQ(0, CallProc(machine, ProcessIsRunningProc, {"box.exe"}).number);
    EXPECT_EQ(0, CallProc(machine, ProcessIsRunningProc, {"C:\\Other\\tool.exe"}).number);
    EXPECT_EQ(1, CallProc(machine, ProcessIsRunningProc, {"d:\\other\\tool.exe"}).number);
    EXPECT_TRUE(machine.terminated.empty());
}

// A service manager whose services change state a number of polls after a request.
class FakeServices : public ServiceManager {
  public:
    long Open(const std::string& name, ServiceOp op) override {
        opened.push_back(op);
        return openError != 0 ? openError : (states.count(name) ? 0 : kServiceNotRegistered);
    }
    long Query(const std::string& name, unsigned long* state) override {
        if (pending > 0 && --pending == 0)
            states[name] = next;
        *state = states[name];
        return 0;
    }
    long Start(const std::string& name) override {
        calls += "start;";
        if (states[name] == kServiceRunning || (pending > 0 && next == kServiceRunning))
            return kServiceAlreadyRunning;
        if (pending > 0)  // still stopping: a real manager refuses the start
            return 1061;
        Later(kServiceRunning);
        return 0;
    }
    long Control(const std::string& name, ServiceOp op, unsigned long* state) override {
        calls += op == ServiceOp::kStop ? "stop;" : "pause;";
        if (op == ServiceOp::kStop && states[name] == kServiceStopped)
            return kServiceNotActive;
        Later(op == ServiceOp::kStop ? kServiceStopped : kServicePaused);
        *state = states[name];
        return 0;
    }
    long Delete(const std::string& name) override {
        calls += "delete;";
        states.erase(name);
        return 0;
    }
    void Sleep(unsigned long milliseconds) override { now += milliseconds; }
    unsigned long long TickCount() override { return now; }

    void Later(unsigned long state) {
        next = state;
        pending = delay;
    }

    std::map<std::string, unsigned long> states{{"Svc", kServiceStopped}};
    std::vector<ServiceOp> opened;
    std::string calls;
    long openError = 0;
    int delay = 5;
    int pending = 0;
    unsigned long next = 0;
    unsigned long long now = 0;
};

TEST(ServiceControlTest, OperationsWaitForTheirStates) {
    FakeServices services;
    EXPECT_EQ(1, CallProc(services, ControlServiceProc, {"Svc", " Start\t"}).number);
    EXPECT_EQ(kServiceRunning, services.states["Svc"]);
    EXPECT_EQ(1, CallProc(services, ControlServiceProc, {"Svc", "PAUSE"}).number);
    EXPECT_EQ(kServicePaused, services.states["Svc"]);
    EXPECT_EQ(1, CallProc(services, ControlServiceProc, {"Svc", "stop"}).number);
    EXPECT_EQ(kServiceStopped, services.states["Svc"]);
    // Already in the state asked for: success.
    EXPECT_EQ(1, CallProc(services, ControlServiceProc, {"Svc", "stop"}).number);
    EXPECT_EQ(1, CallProc(services, ControlServiceProc, {"Svc", "delete"}).number);
    EXPECT_EQ(0, CallProc(services, ControlServiceProc, {"Svc", "start"}).number);
}

TEST(ServiceControlTest, RestartWaitsForTheStopEvenWithoutAWait) {
    FakeServices services;
    services.states["Svc"] = kServiceRunning;
    EXPECT_EQ(1, CallProc(services, ControlServiceProc, {"Svc", "restart", "0"}).number);
    EXPECT_EQ("stop;start;", services.calls);
    // The start came only after the stop had ended (the fake refuses it before, 1061).
    EXPECT_GT(services.now, 0u);
    EXPECT_EQ(kServiceRunning, services.next);
}

TEST(ServiceControlTest, WaitThatRunsOutIsATimeout) {
    FakeServices services;
    services.delay = 1000;
    LogCapture log;
    EXPECT_EQ(0, CallProc(services, ControlServiceProc, {"Svc", "start", "100"}).number);
    EXPECT_NE(std::string::npos, log.Text().find("Could not start service 'Svc' :"));
    EXPECT_GE(services.now, 100u);
    EXPECT_LT(services.now, 200u);
    // A wait of 0 does not poll at all.
    FakeServices quick;
    quick.delay = 1000;
    EXPECT_EQ(1, CallProc(quick, ControlServiceProc, {"Svc", "start", "0"}).number);
    EXPECT_EQ(0u, quick.now);
}

TEST(ServiceControlTest, BadArgumentsAndUnregisteredServices) {
    FakeServices services;
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE,
              CallProc(services, ControlServiceProc, {"Svc", "begin"}).status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE,
              CallProc(services, ControlServiceProc, {"Svc", "stop", "abc"}).status);
    EXPECT_TRUE(services.calls.empty());
    LogCapture log;
    const Call missing = CallProc(services, ControlServiceProc, {"Nope", "start"});
    EXPECT_EQ(0, missing.number);
    EXPECT_EQ(0, missing.status);
    EXPECT_NE(std::string::npos, log.Text().find("Service 'Nope' not registered."));
    EXPECT_EQ(1, CallProc(services, ServiceRegisteredProc, {"Svc"}).number);
    EXPECT_EQ(0, CallProc(services, ServiceRegisteredProc, {"Nope"}).number);
}

TEST(ServiceControlTest, AccessDeniedIsAnErrorNotAMissingService) {
    FakeServices services;
    services.openError = 5;
    LogCapture log;
    EXPECT_EQ(0, CallProc(services, ServiceRegisteredProc, {"Svc"}).number);
    EXPECT_NE(std::string::npos, log.Text().find("ServiceRegistered(Svc) proc error 5:"));
    EXPECT_EQ(0, CallProc(services, ControlServiceProc, {"Svc", "stop"}).number);
    EXPECT_NE(std::string::npos, log.Text().find("Could not stop service 'Svc' :"));
    EXPECT_EQ(std::string::npos, log.Text().find("not registered"));
}

}  // namespace
