// The service, process, window and mutex procedures of the real utils.dll, called through
// BSCallProc: a test service built with the tests, copies of fixture_child under a name of
// their own, a window of a thread of this program, and mutexes seen from other threads and
// processes.

#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "child_process.h"
#include "shared_log.h"

namespace {

const char kServiceName[] = "TarvexProcTestSvc";
const char kChildName[] = "tarvex_proc_child.exe";
const char kWindowTitle[] = "Tarvex Proc Test Window";
const char kMutexChildVariable[] = "TARVEX_PROC_MUTEX_CHILD";
const int kBadArgValue = -901903;  // the status of an option word outside its set

using BSCallProcFunction = int (*)(const char*, int*, char*, int, int*);

std::string TestFolder(const char* name) {
    const std::string folder = TestProgramFolder() + "\\utils_machine\\" + name;
    CreateDirectoryA((TestProgramFolder() + "\\utils_machine").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

struct Outcome {
    int number;
    std::string value;
    int status;
    std::string log;
};

class UtilsLibrary {
  public:
    UtilsLibrary() {
        module_ = LoadLibraryA((BinFolder() + "\\utils.dll").c_str());
        if (module_)
            call_ = reinterpret_cast<BSCallProcFunction>(
                reinterpret_cast<void*>(GetProcAddress(module_, "BSCallProc")));
    }
    ~UtilsLibrary() {
        if (module_)
            FreeLibrary(module_);
    }
    bool Loaded() const { return call_ != nullptr; }
    Outcome Call(const std::string& text) {
        const std::size_t mark = SharedLogSince(0).size();
        Outcome out{-99, "", -99, ""};
        char buffer[1024] = {};
        call_(text.c_str(), &out.number, buffer, sizeof(buffer), &out.status);
        out.value = buffer;
        out.log = SharedLogSince(mark);
        return out;
    }
    int Number(const std::string& text) {
        const Outcome out = Call(text);
        EXPECT_EQ(0, out.status) << text << "\n" << out.log;
        return out.number;
    }

  private:
    HMODULE module_ = nullptr;
    BSCallProcFunction call_ = nullptr;
};

class UtilsMachineTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(utils.Loaded()); }
    UtilsLibrary utils;
};

DWORD ServiceState(const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service, &status))
        status.dwCurrentState = 0;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return status.dwCurrentState;
}

bool CreateTestService() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    const std::string binary =
        "\"" + FullPath(TestProgramFolder() + "\\fixture_service.exe") + "\"";
    SC_HANDLE service =
        CreateServiceA(manager, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    const bool created = service != nullptr || GetLastError() == ERROR_SERVICE_EXISTS;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return created;
}

TEST_F(UtilsMachineTest, ServiceIsStartedPausedRestartedStoppedAndDeleted) {
    ASSERT_TRUE(CreateTestService());
    const std::string name = kServiceName;
    EXPECT_EQ(1, utils.Number("ServiceRegistered(" + name + ")"));
    EXPECT_EQ(0, utils.Number("ServiceIsRunning(" + name + ")"));
    EXPECT_EQ(1, utils.Number("ControlService(" + name + "| Start |10000)"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kServiceName));
    EXPECT_EQ(1, utils.Number("ServiceIsRunning(" + name + ")"));
    // Starting a running service is success.
    EXPECT_EQ(1, utils.Number("ControlService(" + name + "|start)"));
    EXPECT_EQ(1, utils.Number("ControlService(" + name + "|PAUSE)"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_PAUSED), ServiceState(kServiceName));
    EXPECT_EQ(0, utils.Number("ServiceIsRunning(" + name + ")"));
    const Outcome restart = utils.Call("ControlService(" + name + "|restart|10000)");
    EXPECT_EQ(1, restart.number) << restart.log;
    EXPECT_NE(std::string::npos,
              restart.log.find("Service 'TarvexProcTestSvc' restart operation succeeded"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kServiceName));
    EXPECT_EQ(1, utils.Number("ControlService(" + name + "|stop)"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(kServiceName));
    // Stopping a stopped service is success too.
    EXPECT_EQ(1, utils.Number("ControlService(" + name + "|stop)"));
    EXPECT_EQ(1, utils.Number("ControlService(" + name + "|delete)"));
    EXPECT_EQ(0, utils.Number("ServiceRegistered(" + name + ")"));
    const Outcome missing = utils.Call("ControlService(" + name + "|start)");
    EXPECT_EQ(0, missing.number);
    EXPECT_EQ(0, missing.status);
    EXPECT_NE(std::string::npos, missing.log.find("Service 'TarvexProcTestSvc' not registered."));
    EXPECT_EQ(kBadArgValue, utils.Call("ControlService(" + name + "|begin)").status);
}

// A copy of fixture_child under this test's own name, in a folder of its own.
std::string PlaceChild(const char* folderName) {
    const std::string path = TestFolder(folderName) + "\\" + kChildName;
    CopyFileA((TestProgramFolder() + "\\fixture_child.exe").c_str(), path.c_str(), FALSE);
    return path;
}

long ExitCodeOf(ChildProcess& child) {
    return child.Wait(10000);
}

TEST_F(UtilsMachineTest, ProcessesAreStoppedByFullPathOrByBareName) {
    const std::string first = PlaceChild("first");
    const std::string second = PlaceChild("second");
    ChildProcess a("\"" + first + "\" --sleep 120000", "", {});
    ChildProcess b("\"" + second + "\" --sleep 120000", "", {});
    ASSERT_TRUE(a.Started() && b.Started());
    EXPECT_EQ(1, utils.Number(std::string("ProcessIsRunning(") + kChildName + ")"));
    EXPECT_EQ(1, utils.Number("ProcessIsRunning(\"" + first + "\")"));

    EXPECT_EQ(1, utils.Number("Process(" + first + "|stop)"));
    EXPECT_EQ(1, ExitCodeOf(a));  // exit code 1, never 259
    EXPECT_EQ(-1, b.Wait(0));     // the same name in another folder runs on
    EXPECT_EQ(0, utils.Number("ProcessIsRunning(" + first + ")"));

    EXPECT_EQ(1, utils.Number(std::string("Process(TARVEX_PROC_CHILD.EXE|Stop)")));
    EXPECT_EQ(1, ExitCodeOf(b));
    EXPECT_EQ(0, utils.Number(std::string("ProcessIsRunning(") + kChildName + ")"));

    const Outcome none = utils.Call("Process(" + first + "|stop)");
    EXPECT_EQ(1, none.number);
    EXPECT_NE(std::string::npos,
              none.log.find("A running process identified by '" + first + "' file not found"));
}

TEST_F(UtilsMachineTest, ProcessIsStartedAndNeverStopsThisProgram) {
    const std::string path = PlaceChild("started");
    EXPECT_EQ(1, utils.Number("Process(" + path + "|start|--sleep 120000)"));
    EXPECT_EQ(1, utils.Number("ProcessIsRunning(" + path + ")"));
    EXPECT_EQ(1, utils.Number("Process(" + path + "|stop)"));
    EXPECT_EQ(0, utils.Number("ProcessIsRunning(" + path + ")"));

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof(self));
    const Outcome spared = utils.Call(std::string("Process(") + self + "|stop)");
    // Still here: the call left this program alone and said so.
    EXPECT_EQ(1, spared.number);
    EXPECT_NE(std::string::npos, spared.log.find("runs this installation and is not stopped"))
        << spared.log;
    EXPECT_EQ(kBadArgValue, utils.Call("Process(x.exe|kill)").status);
}

// A window of its own thread, with a message loop, until the thread is told to quit.
class WindowThread {
  public:
    WindowThread() : thread_([this] { Run(); }) {
        for (int i = 0; i < 500 && !window_; ++i) Sleep(10);
    }
    ~WindowThread() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Window() const { return window_; }

  private:
    void Run() {
        threadId_ = GetCurrentThreadId();
        HWND window = CreateWindowExA(0, "STATIC", kWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      10, 10, 300, 100, nullptr, nullptr, nullptr, nullptr);
        window_ = window;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        DestroyWindow(window);
    }
    volatile DWORD threadId_ = 0;
    HWND volatile window_ = nullptr;
    std::thread thread_;
};

TEST_F(UtilsMachineTest, WindowsAreFoundByTitleAndRetitled) {
    WindowThread shown;
    ASSERT_NE(nullptr, shown.Window());
    const Outcome found = utils.Call(std::string("FindWindow(") + kWindowTitle + ")");
    char expected[32] = {};
    snprintf(expected, sizeof(expected), "0x%llx",
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(shown.Window())));
    EXPECT_EQ(expected, found.value);
    EXPECT_EQ(0, found.status);

    EXPECT_EQ(1, utils.Number(std::string("SetWindowTitle(") + expected + "|  Retitled\t)"));
    char title[64] = {};
    GetWindowTextA(shown.Window(), title, sizeof(title));
    EXPECT_STREQ("Retitled", title);
    const std::string decimal = std::to_string(
        static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(shown.Window())));
    EXPECT_EQ(1, utils.Number("SetWindowTitle(" + decimal + "|Again)"));
    GetWindowTextA(shown.Window(), title, sizeof(title));
    EXPECT_STREQ("Again", title);

    const Outcome absent = utils.Call(std::string("FindWindow(") + kWindowTitle + ")");
    EXPECT_EQ(0, absent.number);
    EXPECT_EQ("0x0", absent.value);
    EXPECT_EQ(0, utils.Number("SetWindowTitle(0|x)"));
    EXPECT_EQ(0, utils.Number("SetWindowTitle(zz|x)"));
}

// Whether another thread can take the mutex now (and then lets it go again).
bool FreeForOthers(const char* name) {
    bool free = false;
    std::thread other([&] {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
        if (!mutex) {
            free = GetLastError() == ERROR_FILE_NOT_FOUND;
            return;
        }
        const DWORD waited = WaitForSingleObject(mutex, 0);
        free = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        if (free)
            ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    other.join();
    return free;
}

// MutexLock(name|0) in another process through utils.dll: this program again, running
// only the child test below.
int LockInAnotherProcess(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof(self));
    ChildProcess child(std::string("\"") + self + "\" --gtest_filter=MutexChild.LockOnce", "",
                       {std::string(kMutexChildVariable) + "=" + name});
    return child.Started() ? static_cast<int>(child.Wait(60000)) : -2;
}

TEST(MutexChild, LockOnce) {
    char name[128] = {};
    if (!GetEnvironmentVariableA(kMutexChildVariable, name, sizeof(name)))
        GTEST_SKIP() << "runs only as the child of the mutex tests";
    UtilsLibrary utils;
    ASSERT_TRUE(utils.Loaded());
    // The outcome (1 locked, 2 time-out) is the exit code; ending releases the mutex.
    ExitProcess(static_cast<UINT>(utils.Call(std::string("MutexLock(") + name + "|0)").number));
}

TEST_F(UtilsMachineTest, MutexStaysHeldAcrossCallsAndProcessesUntilUnlocked) {
    const char name[] = "TarvexProcTestMutex";
    const Outcome locked = utils.Call(std::string("MutexLock(") + name + "|5)");
    EXPECT_EQ(1, locked.number);
    EXPECT_NE(std::string::npos, locked.log.find("    Proc call : Mutex locked"));
    EXPECT_FALSE(FreeForOthers(name));
    EXPECT_EQ(2, LockInAnotherProcess(name));
    EXPECT_EQ(1, utils.Number(std::string("MutexUnlock(") + name + ")"));
    EXPECT_TRUE(FreeForOthers(name));
    EXPECT_EQ(1, LockInAnotherProcess(name));
    // Nothing is held any more: the release fails and says so.
    const Outcome again = utils.Call(std::string("MutexUnlock(") + name + ")");
    EXPECT_EQ(0, again.number);
    EXPECT_NE(std::string::npos, again.log.find("Mutex unlock error 288")) << again.log;
}

TEST_F(UtilsMachineTest, MutexArrayIsHeldWholeUntilUnlocked) {
    EXPECT_EQ(1, utils.Number("MutexArrayLock(TarvexProcArray|1|3|0)"));
    EXPECT_FALSE(FreeForOthers("TarvexProcArray1"));
    EXPECT_FALSE(FreeForOthers("TarvexProcArray3"));
    EXPECT_TRUE(FreeForOthers("TarvexProcArray4"));
    EXPECT_EQ(1, utils.Number("MutexArrayUnlock(TarvexProcArray|1|3)"));
    EXPECT_TRUE(FreeForOthers("TarvexProcArray2"));
    EXPECT_EQ(kBadArgValue, utils.Call("MutexArrayLock(TarvexProcArray|0|3)").status);
}

}  // namespace

namespace {

long InstallPackage(const std::string& name) {
    const std::string package = FullPath(TestProgramFolder() + "\\..\\fixtures\\" + name + ".msi");
    const std::string log = TestFolder("logs") + "\\" + name + ".log";
    ChildProcess installer("msiexec /i \"" + package + "\" /qn /l*v \"" + log + "\"", "", {});
    return installer.Started() ? installer.Wait(120000) : -2;
}

// The value Result of HKLM\Software\TarvexTests\<key>, or "<absent>".
std::string RecordedResult(const std::string& key) {
    char value[64] = {};
    DWORD size = sizeof(value);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, ("Software\\TarvexTests\\" + key).c_str(), "Result",
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<absent>";
    return value;
}

// The custom action of a package locks the mutex that this program holds: it times out;
// once this program let go, the next package's custom action takes it.
TEST_F(UtilsMachineTest, MutexHeldHereIsSeenByACustomAction) {
    EXPECT_EQ(1, utils.Number("MutexLock(TarvexProcMsiMutex|0)"));
    EXPECT_EQ(0, InstallPackage("callproc_mutex_held"));
    EXPECT_EQ("2", RecordedResult("callproc_mutex_held"));
    EXPECT_EQ(1, utils.Number("MutexUnlock(TarvexProcMsiMutex)"));
    EXPECT_EQ(0, InstallPackage("callproc_mutex_free"));
    EXPECT_EQ("1", RecordedResult("callproc_mutex_free"));
}

// The installer's verbose log without the zero bytes of UTF-16.
std::string InstallerLog(const std::string& name) {
    return TextWithoutZeros(TestFolder("logs") + "\\" + name + ".log");
}

// A lock from a custom action with an unlock property polls the installer session for it
// and lets the mutex go when it reads 1; the next custom action of the package then takes
// the mutex at once.
TEST_F(UtilsMachineTest, CustomActionLockEndsWhenTheUnlockPropertyIsSet) {
    EXPECT_EQ(0, InstallPackage("callproc_mutex_hold"));
    EXPECT_EQ("1,1", RecordedResult("callproc_mutex_hold"));
    EXPECT_TRUE(FreeForOthers("TarvexProcMsiHeld"));
    const std::string log = InstallerLog("callproc_mutex_hold");
    EXPECT_NE(std::string::npos, log.find("UNLOCK MUTEX (property 'UNLOCK' was set to '1')"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Proc call : Set MSI property: LOCKED=1"));
}

// The guard counts this program through the system's process query, also when this thread
// chose another COM apartment before the call (the guard's own choice is then refused).
TEST_F(UtilsMachineTest, GuardCountsThisProgramWhateverApartmentTheThreadHas) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string name = self;
    name = name.substr(name.find_last_of('\\') + 1);
    const std::string call = "PreventConcurrentInstallations(" + name + "|" + name + "|CANCEL|";
    EXPECT_EQ("1", utils.Call(call + "1)").value);
    std::string canceled;
    std::thread multithreaded([&] {
        const HRESULT chosen = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        canceled = utils.Call(call + "0)").value;
        if (SUCCEEDED(chosen))
            CoUninitialize();
    });
    multithreaded.join();
    EXPECT_EQ("CANCEL", canceled);
    EXPECT_EQ("CANCEL", utils.Call(call + "0)").value);
}

}  // namespace
