// The event logger against an event log held in memory: what is written, how the source is
// registered, which installer records reach the log, their message texts, and how long the
// logger waits for an installer's late records.

#include "event_logger.h"

#include <gtest/gtest.h>

#include <map>

#include "fake_run.h"
#include "secrets.h"

namespace {

const char kInstallerFile[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\MsiInstaller"
    "\\EventMessageFile";
const char kSourceKey[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
    "TarvexInstaller";

// An Application log: reported events become records when the log keeps them; records may
// be scheduled to appear only after the clock has slept a while. Message files hold
// messages with %1.. inserts.
class MemoryEventLog : public EventLogAccess {
  public:
    explicit MemoryEventLog(FakeClock& clock) : clock_(clock) {}

    struct Pending {
        EventRecord record;
        unsigned long long visibleAfterMs;
    };

    bool keeps = true;
    long reportError = 0;
    std::vector<Pending> records;  // oldest first
    std::map<std::string, std::map<unsigned long, std::string>> messageFiles;
    std::vector<std::string> loaded;

    // A record of source generated at time, numbered after the last one.
    void Add(const std::string& source, unsigned short type, unsigned long id,
             std::int64_t generated, std::vector<std::string> strings = {},
             unsigned long long visibleAfterMs = 0) {
        EventRecord record;
        record.number = next_++;
        record.generated = generated;
        record.type = type;
        record.eventId = id;
        record.fullEventId = id | 0x40000000;  // as Windows keeps an informational identifier
        record.source = source;
        record.strings = std::move(strings);
        records.push_back(Pending{record, visibleAfterMs});
    }

    bool Report(const std::string& source, unsigned short type, unsigned long eventId,
                const std::string& text, long* error) override {
        reported.push_back(Reported{source, type, eventId, text});
        if (reportError != 0) {
            *error = reportError;
            return false;
        }
        if (keeps)
            Add(source, type, eventId, clock_.Now(), {text});
        return true;
    }

    bool Read(unsigned long afterRecord, const EventRecordVisitor& visit, long*) override {
        std::vector<EventRecord> visible;
        for (const Pending& pending : records) {
            if (pending.visibleAfterMs <= clock_.SleptMilliseconds())
                visible.push_back(pending.record);
        }
        if (afterRecord == 0) {
            for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
                if (!visit(*it))
                    return true;
            }
            return true;
        }
        for (const EventRecord& record : visible) {
            if (record.number >= afterRecord && !visit(record))
                return true;
        }
        return true;
    }

    MessageResult MessageText(const std::string& messageFile, unsigned long eventId,
                              const std::vector<std::string>& strings, std::string* text,
                              long* error) override {
        loaded.push_back(messageFile);
        const auto file = messageFiles.find(messageFile);
        if (file == messageFiles.end()) {
            *error = 126;  // the module was not found
            return MessageResult::kCannotLoad;
        }
        const auto message = file->second.find(eventId & 0xFFFF);
        if (message == file->second.end()) {
            *error = 317;  // no such message
            return MessageResult::kNotFound;
        }
        *text = message->second;
        for (std::size_t i = 0; i < strings.size(); ++i) {
            const std::string insert = "%" + std::to_string(i + 1);
            const std::size_t at = text->find(insert);
            if (at != std::string::npos)
                text->replace(at, insert.size(), strings[i]);
        }
        return MessageResult::kFound;
    }

    bool ExpandEnvironment(const std::string& text, std::string* expanded, long*) override {
        *expanded = text;
        const std::string root = "%SystemRoot%";
        if (expanded->compare(0, root.size(), root) == 0)
            expanded->replace(0, root.size(), "C:\\Windows");
        return true;
    }

    std::string SystemFolder() override { return "C:\\Windows\\system32"; }

    struct Reported {
        std::string source;
        unsigned short type;
        unsigned long eventId;
        std::string text;
    };
    std::vector<Reported> reported;

  private:
    FakeClock& clock_;
    unsigned long next_ = 1;
};

class EventLoggerTest : public ::testing::Test {
  protected:
    EventLoggerTest() : eventLog_(clock_) {
        logger_.SetName("Suite");
        logger_.Attach(eventLog_, machine_, log_.File(), clock_);
        machine_.SetValue(kInstallerFile, "%SystemRoot%\\system32\\msi.dll");
        eventLog_.messageFiles["C:\\Windows\\system32\\msi.dll"] = {
            {1033, "Windows Installer installed the product. Product Name: %1. Status: %2."},
            {1040, "Beginning a Windows Installer transaction: %1."},
            {1042, "Ending a Windows Installer transaction: %1."},
            {11708, "Product: %1 -- Installation failed.\r\n"},
        };
    }

    std::int64_t Now() { return clock_.Now(); }

    FakeClock clock_;
    MemoryEventLog eventLog_;
    FakeMachine machine_;
    MemoryLog log_;
    EventLogger logger_;
};

TEST_F(EventLoggerTest, EachCategoryWritesItsTypeAndText) {
    logger_.Info("one");
    logger_.Warning("two");
    logger_.Error("three");
    logger_.Progress(1101, "four");
    logger_.Action(1001, "five");
    ASSERT_EQ(5u, eventLog_.reported.size());
    const unsigned short types[] = {4, 2, 1, 4, 4};
    const char* texts[] = {"[Info] Suite: one", "[Warning] Suite: two", "[Error] Suite: three",
                           "[Progress] Suite: [1101] four", "[Action] Suite: [1001] five"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ("TarvexInstaller", eventLog_.reported[i].source);
        EXPECT_EQ(types[i], eventLog_.reported[i].type) << i;
        EXPECT_EQ(1000u, eventLog_.reported[i].eventId);
        EXPECT_EQ(texts[i], eventLog_.reported[i].text);
    }
    EXPECT_EQ(5u, logger_.Events().size());
}

TEST_F(EventLoggerTest, MissingIdentifierAndBadCategoryWriteOnlyTheirErrorLine) {
    logger_.Progress(0, "no id");
    logger_.Action(0, "no id either");
    logger_.Write(7, 1, "bad");
    logger_.Write(-1, 1, "worse");
    EXPECT_TRUE(eventLog_.reported.empty());
    EXPECT_TRUE(logger_.Events().empty());
    EXPECT_EQ(
        "[ERROR] No message Id is specified (required for Action an Progress logs)\n"
        "[ERROR] No message Id is specified (required for Action an Progress logs)\n"
        "[ERROR] Invalid event category (number 7)\n"
        "[ERROR] No entry found for -1 category!\n",
        log_.Text());
}

TEST_F(EventLoggerTest, NewSourceTakesTheInstallersMessageFile) {
    logger_.Info("x");
    std::string value;
    long error = 0;
    ASSERT_TRUE(machine_.ReadValue(std::string(kSourceKey) + "\\EventMessageFile", &value,
                                   kRegistryDefaultView, &error));
    EXPECT_EQ("%SystemRoot%\\system32\\msi.dll", value);
    EXPECT_EQ("7", machine_.Value(std::string(kSourceKey) + "\\TypesSupported"));
    EXPECT_TRUE(log_.Contains("[INFO] Registry value of " + std::string(kInstallerFile) +
                              " is %SystemRoot%\\system32\\msi.dll\n"));
    EXPECT_TRUE(log_.Contains("[INFO] Value of " + std::string(kSourceKey) +
                              "\\EventMessageFile was set to %SystemRoot%\\system32\\msi.dll\n"));
}

TEST_F(EventLoggerTest, WithoutTheInstallersValueANewSourceGetsTheSystemLibrary) {
    long error = 0;
    machine_.DeleteValue(kInstallerFile, kRegistryDefaultView, &error);
    logger_.Info("x");
    EXPECT_EQ("C:\\Windows\\system32\\msi.dll",
              machine_.Value(std::string(kSourceKey) + "\\EventMessageFile"));
    EXPECT_TRUE(log_.Contains("[INFO] Failed to get registry value of " +
                              std::string(kInstallerFile) + "\n"));
    EXPECT_TRUE(log_.Contains("[INFO] Setting a default value to " + std::string(kSourceKey) +
                              "\\EventMessageFile\n"));
}

TEST_F(EventLoggerTest, ExistingSourceKeepsItsValueWhenTheInstallersCannotBeRead) {
    machine_.SetValue(std::string(kSourceKey) + "\\EventMessageFile", "C:\\own.dll");
    long error = 0;
    machine_.DeleteValue(kInstallerFile, kRegistryDefaultView, &error);
    logger_.Info("x");
    EXPECT_EQ("C:\\own.dll", machine_.Value(std::string(kSourceKey) + "\\EventMessageFile"));
    EXPECT_TRUE(log_.Contains("[INFO] Value of " + std::string(kSourceKey) +
                              "\\EventMessageFile will be unchanged \n"));
    EXPECT_EQ("", machine_.Value(std::string(kSourceKey) + "\\TypesSupported"));
}

TEST_F(EventLoggerTest, FailedWriteIsAWarningAndSecretsNeverReachTheEventLog) {
    PropertyStore store;
    store.Set("DbPassword", "correct horse", false);
    log_.File().SetSecretSource(&store);
    logger_.Error("login with correct horse failed");
    ASSERT_EQ(1u, eventLog_.reported.size());
    EXPECT_EQ("[Error] Suite: login with ****** failed", eventLog_.reported[0].text);
    eventLog_.reportError = 5;
    logger_.Info("y");
    EXPECT_TRUE(log_.Contains("[WARNING] Error '5' writing to event log: "));
    log_.File().SetSecretSource(nullptr);
}

TEST_F(EventLoggerTest, InstallerRecordsOfTheWindowAreCopiedOthersAreNot) {
    const std::int64_t start = Now();
    logger_.AddSuccessId(1033);
    eventLog_.Add("MsiInstaller", 4, 1040, start - 5, {"before"});  // before the window
    eventLog_.Add("MsiInstaller", 4, 1040, start, {"setup.msi"});
    eventLog_.Add("Other", 1, 11708, start + 1, {"not ours"});
    eventLog_.Add("msiinstaller", 1, 11708, start + 1, {"Demo"});
    eventLog_.Add("MsiInstaller", 8, 1033, start + 1, {"Demo", "0"});  // type not asked for
    eventLog_.Add("MsiInstaller", 4, 1033, start + 2, {"Demo", "0"});
    eventLog_.Add("MsiInstaller", 4, 1042, start + 2, {"setup.msi"});
    eventLog_.Add("MsiInstaller", 1, 11708, start + 9, {"later"});  // after the window
    unsigned long last = 0;
    EXPECT_EQ(4, logger_.ReadInstallerEvents(start, start + 2, 7, 0, 0, &last));
    EXPECT_EQ(7u, last);
    EXPECT_EQ(
        "    MSI log   : Type=Information  ID=1042  Event=Ending a Windows Installer "
        "transaction: setup.msi.\n"
        "    MSI log   : Type=Information  ID=1033  Event=Windows Installer installed the "
        "product. Product Name: Demo. Status: 0.\n"
        "    MSI log   : Type=Error  ID=11708  Event=Product: Demo -- Installation failed.\n"
        "    MSI log   : Type=Information  ID=1040  Event=Beginning a Windows Installer "
        "transaction: setup.msi.\n",
        log_.Text());
    // The success record is copied but is no failure text.
    const std::vector<std::string> failures = {
        "Ending a Windows Installer transaction: setup.msi.",
        "Product: Demo -- Installation failed.",
        "Beginning a Windows Installer transaction: setup.msi."};
    EXPECT_EQ(failures, logger_.FailureTexts());
}

TEST_F(EventLoggerTest, ReadingAfterARecordGoesForwardsAndCountsStop) {
    const std::int64_t start = Now();
    for (int i = 0; i < 4; ++i) eventLog_.Add("MsiInstaller", 4, 1040, start, {std::to_string(i)});
    unsigned long last = 0;
    EXPECT_EQ(2, logger_.ReadInstallerEvents(start, start, 7, 2, 0, &last));
    EXPECT_EQ(4u, last);
    EXPECT_EQ(
        "    MSI log   : Type=Information  ID=1040  Event=Beginning a Windows Installer "
        "transaction: 2.\n"
        "    MSI log   : Type=Information  ID=1040  Event=Beginning a Windows Installer "
        "transaction: 3.\n",
        log_.Text());
    log_.Clear();
    EXPECT_EQ(1, logger_.ReadInstallerEvents(start, start, 7, 0, 1, &last));
    EXPECT_EQ(4u, last);
    EXPECT_TRUE(log_.Contains("transaction: 3."));
}

TEST_F(EventLoggerTest, MessageFileListSkipsAFileThatCannotBeLoaded) {
    machine_.SetValue(
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EventLog\\Application\\"
        "MsiInstaller\\EventMessageFile",
        "C:\\missing.dll; %SystemRoot%\\system32\\msi.dll");
    EventRecord record;
    record.source = "MsiInstaller";
    record.eventId = 1040;
    record.fullEventId = 1040;
    record.strings = {"a.msi"};
    EXPECT_EQ("Beginning a Windows Installer transaction: a.msi.", logger_.GetMessageText(record));
    const std::vector<std::string> loaded = {"C:\\missing.dll", "C:\\Windows\\system32\\msi.dll"};
    EXPECT_EQ(loaded, eventLog_.loaded);
    EXPECT_TRUE(log_.Contains("EventLogger::LoadLibraryEx()"));
    // A message no file has: the record's own strings still say something.
    record.eventId = record.fullEventId = 9999;
    record.strings = {"disk", "full"};
    EXPECT_EQ("disk full", logger_.GetMessageText(record));
    EXPECT_TRUE(log_.Contains("EventLogger::GetString()"));
}

// A run's first event tells whether the log keeps what it is given; then the wait for the
// installer's closing record after a process.
class EventWaitTest : public EventLoggerTest {
  protected:
    int Collect() {
        unsigned long last = 0;
        return logger_.CollectInstallerEvents(start_, start_ + 1, 7, 0, 0, &last);
    }
    void BeginTransaction() { eventLog_.Add("MsiInstaller", 4, 1040, start_, {"a.msi"}); }

    std::int64_t start_ = Now();
};

TEST_F(EventWaitTest, ClosingRecordArrivingLateIsWaitedFor) {
    logger_.Action(1001, "Application Suite started");
    EXPECT_EQ(EventLogger::Keeping::kKeeps, logger_.LogKeeping());
    BeginTransaction();
    eventLog_.Add("MsiInstaller", 4, 1042, start_ + 1, {"a.msi"}, 300);
    EXPECT_EQ(2, Collect());
    EXPECT_GE(clock_.SleptMilliseconds(), 300u);
    EXPECT_LT(clock_.SleptMilliseconds(), 300u + EventLogger::kClosingEventPollMs + 1);
    // The record of the first reading is not copied again by the later ones.
    const std::string text = log_.Text();
    const std::string begin = "Beginning a Windows Installer transaction: a.msi.";
    EXPECT_EQ(text.find(begin), text.rfind(begin));
    EXPECT_TRUE(log_.Contains("Ending a Windows Installer transaction: a.msi."));
}

TEST_F(EventWaitTest, LogThatKeepsNothingCostsNoWait) {
    eventLog_.keeps = false;
    logger_.Action(1001, "Application Suite started");
    EXPECT_EQ(0, Collect());
    EXPECT_EQ(EventLogger::Keeping::kKeepsNothing, logger_.LogKeeping());
    EXPECT_EQ(0u, clock_.SleptMilliseconds());
}

TEST_F(EventWaitTest, ClosingRecordThatNeverComesEndsTheWaitAtItsLimit) {
    logger_.Action(1001, "Application Suite started");
    BeginTransaction();
    EXPECT_EQ(1, Collect());
    EXPECT_EQ(EventLogger::kClosingEventWaitMs, clock_.SleptMilliseconds());
}

TEST_F(EventWaitTest, ClosedTransactionIsNotWaitedFor) {
    logger_.Action(1001, "Application Suite started");
    BeginTransaction();
    eventLog_.Add("MsiInstaller", 4, 1042, start_ + 1, {"a.msi"});
    EXPECT_EQ(2, Collect());
    EXPECT_EQ(0u, clock_.SleptMilliseconds());
}

TEST_F(EventWaitTest, RunOwnEventReadBackLateStillCountsAsKeeping) {
    eventLog_.keeps = false;
    logger_.Action(1001, "Application Suite started");
    EXPECT_EQ(EventLogger::Keeping::kUnknown, logger_.LogKeeping());
    eventLog_.Add("TarvexInstaller", 4, 1000, Now(),
                  {"[Action] Suite: [1001] Application Suite started"});
    Collect();
    EXPECT_EQ(EventLogger::Keeping::kKeeps, logger_.LogKeeping());
}

TEST(EventForwardingTest, EventEntriesOfTheLogReachTheGlobalLogger) {
    MemoryLog log;
    ForwardLogToEventLog(log.File());
    const std::size_t before = GlobalEventLogger().Events().size();
    log.File().WarningEvent("disk %d is full", 2);
    log.File().Warning("not forwarded");
    ASSERT_EQ(before + 1, GlobalEventLogger().Events().size());
    EXPECT_EQ(EventLogger::kWarning, GlobalEventLogger().Events().back().category);
    EXPECT_EQ("disk 2 is full", GlobalEventLogger().Events().back().text);
}

}  // namespace
