// The event logger on the machine's own event log and registry. Wine's event log keeps
// nothing, so what can be seen here is the registration of the source, and that a log which
// keeps nothing costs the run no waiting.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "clock.h"
#include "event_log_access.h"
#include "event_logger.h"
#include "log_file.h"
#include "registry.h"

namespace {

const char kSourceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\TarvexInstaller";

// The wall clock, counting the time it is asked to sleep.
class CountingClock : public Clock {
  public:
    std::time_t Now() override { return SystemClock().Now(); }
    void Sleep(unsigned milliseconds) override {
        slept += milliseconds;
        SystemClock().Sleep(milliseconds);
    }
    unsigned long long slept = 0;
};

class MachineEventLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSourceKey);
        stream_ = std::tmpfile();
        ASSERT_NE(nullptr, stream_);
        log_.AddStreamSink(stream_);
        logger_.SetName("Wine Suite");
        logger_.Attach(SystemEventLog(), SystemRegistry(), log_, clock_);
    }
    void TearDown() override {
        log_.Close();
        if (stream_)
            std::fclose(stream_);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSourceKey);
    }
    std::string LogText() {
        std::fflush(stream_);
        std::rewind(stream_);
        std::string text;
        char buffer[512];
        while (std::fgets(buffer, sizeof(buffer), stream_)) text += buffer;
        return text;
    }

    LogFile log_{nullptr, std::string(), std::string()};
    std::FILE* stream_ = nullptr;
    CountingClock clock_;
    EventLogger logger_;
};

TEST_F(MachineEventLogTest, FirstEventRegistersTheSourceInTheRegistry) {
    logger_.Action(1001, "Application Wine Suite started");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSourceKey, 0, KEY_READ, &key));
    DWORD type = 0;
    DWORD types = 0;
    DWORD size = sizeof(types);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "TypesSupported", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&types), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(7u, types);
    char file[MAX_PATH] = {};
    size = sizeof(file);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "EventMessageFile", nullptr, &type,
                                              reinterpret_cast<BYTE*>(file), &size));
    RegCloseKey(key);
    // The installer's own source names its message file when it is registered; else the
    // system folder's installer library is taken.
    std::string installerFile;
    long error = 0;
    const bool installerRegistered = ReadRegistryValue(
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
        "MsiInstaller\\EventMessageFile",
        &installerFile, kRegistryDefaultView, &error);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(installerRegistered ? installerFile : std::string(system) + "\\msi.dll",
              std::string(file));
    EXPECT_NE(std::string::npos, LogText().find("\\TarvexInstaller\\EventMessageFile was set to "));
}

TEST_F(MachineEventLogTest, LogThatKeepsNothingCostsTheRunNoWait) {
    logger_.Action(1001, "Application Wine Suite started");
    const std::int64_t now = std::time(nullptr);
    unsigned long last = 0;
    EXPECT_EQ(0, logger_.CollectInstallerEvents(now - 5, now, 7, 0, 0, &last));
    EXPECT_EQ(EventLogger::Keeping::kKeepsNothing, logger_.LogKeeping());
    EXPECT_EQ(0u, clock_.slept);
    // Reading a log that has nothing is no failure.
    EXPECT_EQ(std::string::npos, LogText().find("reading the event log")) << LogText();
}

}  // namespace
