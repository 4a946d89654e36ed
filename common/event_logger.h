#pragma once
// EventLogger: the link of a run with the Windows Application event log, both ways. It
// writes the run's important entries (the log's forwarded errors, warnings and information,
// and the engine's progress and action records) as events of the source "TarvexInstaller",
// registering that source before each write. And after an installer has run it reads back
// the events that Windows Installer wrote in the installer's time window, copies them into
// the log and keeps the texts of those that are not success events.
//
// Until the machine's event log is attached (Attach) the events are only kept in memory
// (Events()), which is what tests of the run look at.

#include <cstdint>
#include <string>
#include <vector>

#include "event_log_access.h"

class Clock;
class EventLogAccess;
class LogFile;
class RegistryAccess;

class EventLogger {
  public:
    static constexpr std::size_t kNameSize = 256;
    static constexpr int kEventId = 1000;  // every event is written with this identifier

    enum Category { kInfo = 0, kWarning = 1, kError = 2, kProgress = 3, kAction = 4 };

    // Bounded copy: a name that does not fit is refused (logged) and the old one stays.
    void SetName(const char* text);
    const std::string& Name() const { return name_; }

    // From now on events go to log (and their failures are logged there), registration goes
    // through registry, and the waits for installer events take the clock's time.
    void Attach(EventLogAccess& eventLog, RegistryAccess& registry, LogFile& log, Clock& clock);

    void Info(const std::string& text) { Write(kInfo, 0, text); }
    void Warning(const std::string& text) { Write(kWarning, 0, text); }
    void Error(const std::string& text) { Write(kError, 0, text); }
    // The progress and action records of a run need a message identifier: application
    // events 1000 + n, package events 1100 + n.
    void Progress(int id, const std::string& text) { Write(kProgress, id, text); }
    void Action(int id, const std::string& text) { Write(kAction, id, text); }
    // Writes one event: checks the category and the identifier, composes
    // "[<category>] <name>: [<id>] <text>", registers the source and reports the event.
    void Write(int category, int id, const std::string& text);

    // What was written, in order (also when no event log is attached).
    struct Event {
        int category;
        int id;
        std::string text;
    };
    const std::vector<Event>& Events() const { return events_; }

    void AddSuccessId(int id) { successIds_.push_back(id); }
    bool IsSuccessId(int id) const;
    const std::vector<int>& SuccessIds() const { return successIds_; }
    // The messages of installer events that were not success events.
    const std::vector<std::string>& FailureTexts() const { return failureTexts_; }

    // Copies the installer events of [fromTime, toTime] (seconds since 1970) of the types in
    // typeMask into the log: records after afterRecord (0: from the newest backwards), at most
    // maxCount (0: no limit). lastRecord gets the highest record number seen. Returns the
    // number of events copied.
    int ReadInstallerEvents(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                            unsigned long afterRecord, unsigned long maxCount,
                            unsigned long* lastRecord);
    // ReadInstallerEvents for the window of a process that has just ended, waiting for the
    // installer's closing event only where that is worth it (see event_collection.cpp).
    int CollectInstallerEvents(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                               unsigned long afterRecord, unsigned long maxCount,
                               unsigned long* lastRecord);

    // The expanded message of a record, from the message files its source registered; empty
    // when none of them gives one (the failures are logged).
    std::string GetMessageText(const EventRecord& record);

    // Whether the machine's event log is known to keep what is written to it: the run's own
    // first event was read back. Unknown until an event was written and looked for.
    enum class Keeping { kUnknown, kKeeps, kKeepsNothing };
    Keeping LogKeeping() const { return keeping_; }

    // How long the wait for an installer's closing event may last, and how often it looks.
    static constexpr unsigned kClosingEventWaitMs = 2000;
    static constexpr unsigned kClosingEventPollMs = 100;
    // How many of the newest records are looked through for the run's own first event.
    static constexpr int kOwnEventSearchDepth = 256;

  private:
    // What one reading of a time window found.
    struct Reading {
        unsigned long lastRecord = 0;
        unsigned long copied = 0;
        bool began = false;    // a Windows Installer transaction began in the window
        bool ended = false;    // ... and ended
        bool product = false;  // a product was installed, removed or changed
        bool Closed() const { return began ? ended : product; }
    };

    LogFile& Out();
    void RegisterSource();
    void SetMessageFile(const std::string& file);
    void Report(unsigned short eventType, const std::string& text);
    void LookForOwnEvent(bool lastLook);
    void ReadWindow(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                    unsigned long afterRecord, unsigned long maxCount, Reading* reading);
    void CopyRecord(const EventRecord& record);
    bool ReadMessage(const std::string& file, const EventRecord& record, std::string* text,
                     long* error);

    std::string name_;
    std::vector<int> successIds_;
    std::vector<std::string> failureTexts_;
    std::vector<Event> events_;
    EventLogAccess* eventLog_ = nullptr;
    RegistryAccess* registry_ = nullptr;
    LogFile* log_ = nullptr;
    Clock* clock_ = nullptr;
    Keeping keeping_ = Keeping::kUnknown;
    std::string ownEventText_;  // the first event written, looked for to learn the keeping
    std::int64_t ownEventTime_ = 0;
};

// The event logger of the program.
EventLogger& GlobalEventLogger();

// Hands the global log's forwarded entries and its event hook to the global event logger.
void ForwardLogToEventLog(LogFile& log);
