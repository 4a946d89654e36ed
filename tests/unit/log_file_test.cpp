#include "log_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "platform.h"
#include "test_folder.h"

namespace {

std::string LogPath(const std::string& folder) {
    return folder + platform::kPathSeparator + "Bootstrapper.log";
}

TEST(LogFileTest, WritesPrefixedEntriesIntoBothFoldersAndCounts) {
    TestFolder root;
    const std::string first = root.Child("temp");
    const std::string second = root.Child("allusers");  // created by the log (one level)
    {
        LogFile log("Bootstrapper.log", first, second);
        log.Line("plain %d", 1);
        log.Info("info");
        log.Warning("warn %s", "x");
        log.Error("error");
        log.ErrorEvent("second error");
        log.WarningEvent("second warning");
        log.Write("a");
        log.Write("b");
        log.Line("c");
        log.Line("%s", "");
        EXPECT_EQ(2, log.GetWarningCount());
        EXPECT_EQ(2, log.GetErrorCount());
        ASSERT_NE(nullptr, log.GetFirstLogPath());
        EXPECT_EQ(LogPath(first), log.GetFirstLogPath());
    }
    const std::string expected =
        "plain 1\n[INFO] info\n[WARNING] warn x\n[ERROR] error\n[ERROR] second error\n"
        "[WARNING] second warning\nabc\n\n";
    EXPECT_EQ(expected, ReadTextFile(LogPath(first)));
    EXPECT_EQ(expected, ReadTextFile(LogPath(second)));
}

TEST(LogFileTest, AppendsToAnExistingLog) {
    TestFolder root;
    { LogFile("Bootstrapper.log", root.Path().string(), "").Line("first run"); }
    { LogFile("Bootstrapper.log", root.Path().string(), "").Line("second run"); }
    EXPECT_EQ("first run\nsecond run\n", ReadTextFile(LogPath(root.Path().string())));
}

TEST(LogFileTest, WithoutFirstFolderOnlyTheSecondFileIsWritten) {
    TestFolder root;
    const std::string second = root.Child("allusers");
    LogFile log("Bootstrapper.log", "", second);
    log.Info("only here");
    EXPECT_EQ(nullptr, log.GetFirstLogPath());
    EXPECT_EQ("[INFO] only here\n", ReadTextFile(LogPath(second)));
}

TEST(LogFileTest, CountsEntriesEvenWithoutAnyOutput) {
    LogFile log(nullptr, "", "");
    log.Error("nowhere");
    log.Warning("nowhere");
    log.Close();
    log.Error("after close");
    EXPECT_EQ(2, log.GetErrorCount());
    EXPECT_EQ(1, log.GetWarningCount());
}

TEST(LogFileTest, IndentsEveryLineOfNestedSetups) {
    TestFolder root;
    const std::string folder = root.Path().string();
    {
        LogFile log("Bootstrapper.log", folder, "");
        log.Line("top");
        log.SetIndentLevel(2);
        log.Info("one\ntwo");
        log.Write("part ");
        log.Line("whole");
        log.SetIndentLevel(1);
        log.Warning("w");
    }
    EXPECT_EQ("top\n>>>>>>>>[INFO] one\n>>>>>>>>two\n>>>>>>>>part whole\n>>>>[WARNING] w\n",
              ReadTextFile(LogPath(folder)));
}

TEST(LogFileTest, IndentationStopsAtTenLevels) {
    LogFile log(nullptr, "", "");
    log.SetIndentLevel(25);
    EXPECT_EQ(LogFile::kMaxIndentLevel, log.GetIndentLevel());
}

TEST(LogFileTest, TakesAtMostEightOutputs) {
    TestFolder root;
    LogFile log("Bootstrapper.log", root.Child("a"), root.Child("b"));
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(nullptr, stream);
    for (int i = 2; i < LogFile::kMaxSinks; ++i) EXPECT_EQ(i, log.AddStreamSink(stream));
    EXPECT_EQ(-1, log.AddStreamSink(stream));
    EXPECT_EQ(-1, log.AddFileSink("other.log", root.Path().string()));
    EXPECT_FALSE(FileExists(root.Child("other.log")));
    log.Line("x");
    std::rewind(stream);
    char buffer[64] = {};
    const std::size_t length = std::fread(buffer, 1, sizeof(buffer) - 1, stream);
    EXPECT_EQ("x\nx\nx\nx\nx\nx\n", std::string(buffer, length));  // six stream sinks
    log.Close();  // stream sinks stay open: the caller owns them
    EXPECT_EQ(0, std::fseek(stream, 0, SEEK_END));
    std::fclose(stream);
}

TEST(LogFileTest, RetriesAFileThatCouldNotBeOpened) {
    TestFolder root;
    const std::string deep = root.Child("missing") + platform::kPathSeparator + "deeper";
    LogFile log("Bootstrapper.log", deep, "");  // only one level is created: the open fails
    log.Line("lost");
    ASSERT_TRUE(platform::MakeDirectory(root.Child("missing")));
    ASSERT_TRUE(platform::MakeDirectory(deep));
    log.Line("kept");
    log.Line("kept too");
    log.Close();
    EXPECT_EQ("kept\nkept too\n", ReadTextFile(LogPath(deep)));
}

// Puts the process into a folder for the time of a test.
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::string& folder) : previous_(platform::CurrentDirectory()) {
        EXPECT_TRUE(platform::ChangeDirectory(folder)) << folder;
    }
    ~CurrentFolder() { platform::ChangeDirectory(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

  private:
    std::string previous_;
};

// A log in a relative folder that cannot be opened yet retries every entry, while another
// thread of the process relies on the current directory: the retries must open the file by
// its full path and never move the process elsewhere, not even for a moment.
TEST(LogFileTest, RetriesLeaveTheCurrentDirectoryAlone) {
    TestFolder root;
    const std::string start = root.Child("start");
    const std::string elsewhere = root.Child("elsewhere");
    ASSERT_TRUE(platform::MakeDirectory(start));
    ASSERT_TRUE(platform::MakeDirectory(elsewhere));
    const std::string relative = std::string("missing") + platform::kPathSeparator + "deeper";
    const std::string deep = start + platform::kPathSeparator + relative;

    CurrentFolder inStart(start);
    LogFile log("Bootstrapper.log", relative, "");  // only one level is created: no file yet
    ASSERT_NE(nullptr, log.GetFirstLogPath());
    EXPECT_EQ(LogPath(deep), log.GetFirstLogPath());
    CurrentFolder inElsewhere(elsewhere);
    const std::string expected = platform::CurrentDirectory();

    std::atomic<bool> stop{false};
    std::atomic<long> samples{0};
    std::atomic<long> moved{0};
    std::thread watcher([&] {
        while (!stop) {
            if (platform::CurrentDirectory() != expected)
                ++moved;
            ++samples;
        }
    });
    // Enough entries to overlap the watcher for a while, however the threads are scheduled.
    for (int entry = 0; entry < 20000 || samples < 20000; ++entry) log.Line("lost %d", entry);
    stop = true;
    watcher.join();
    EXPECT_EQ(0, moved.load());

    ASSERT_TRUE(platform::MakeDirectory(start + platform::kPathSeparator + "missing"));
    ASSERT_TRUE(platform::MakeDirectory(deep));
    log.Line("kept");
    log.Close();
    EXPECT_EQ(expected, platform::CurrentDirectory());
    EXPECT_EQ("kept\n", ReadTextFile(LogPath(deep)));  // in the folder the log was created in
}

std::string g_forwarded;
void RecordForwarded(const char* format, va_list args) {
    g_forwarded += FormatTextV(format, args);
}

TEST(LogFileTest, OnlyEventVariantsCallTheForwarders) {
    LogFile log(nullptr, "", "");
    g_forwarded.clear();
    log.SetForwarder(kLogError, RecordForwarded);
    log.SetForwarder(kLogInfo, RecordForwarded);
    log.Error("plain %d;", 1);
    log.ErrorEvent("event %d;", 2);
    log.InfoEvent("info %s;", "3");
    log.WarningEvent("no forwarder;");
    EXPECT_EQ("event 2;info 3;", g_forwarded);
}

int ThrowingHook(std::int64_t, std::int64_t, unsigned, unsigned long, unsigned long,
                 unsigned long*) {
    throw std::runtime_error("reader failed");
}

int CountingHook(std::int64_t from, std::int64_t to, unsigned mask, unsigned long, unsigned long,
                 unsigned long* last) {
    *last = 42;
    return static_cast<int>(to - from) + static_cast<int>(mask);
}

TEST(LogFileTest, EventHookIsGuarded) {
    TestFolder root;
    LogFile log("Bootstrapper.log", root.Path().string(), "");
    unsigned long last = 0;
    EXPECT_EQ(0, log.CallEventHook(1, 2, 7, 0, 0, &last));  // no hook
    log.SetEventHook(CountingHook);
    EXPECT_EQ(17, log.CallEventHook(100, 110, 7, 0, 0, &last));
    EXPECT_EQ(42u, last);
    log.SetEventHook(ThrowingHook);
    EXPECT_EQ(0, log.CallEventHook(1, 2, 7, 0, 0, &last));
    EXPECT_EQ(1, log.GetErrorCount());
    log.Close();
    EXPECT_EQ("[ERROR] Unhandled exception caught during events log reading!\n",
              ReadTextFile(LogPath(root.Path().string())));
}

TEST(LogFileTest, FormatsLongTexts) {
    const std::string big(100000, 'q');
    EXPECT_EQ(big + "!", FormatText("%s!", big.c_str()));
}

}  // namespace
