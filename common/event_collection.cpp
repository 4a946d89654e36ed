// The reading side of the event logger: the installer's events of a process's time window
// copied into the log, the message texts of records, and the wait for late events.

#include <algorithm>

#include "clock.h"
#include "event_logger.h"
#include "log_file.h"
#include "registry.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const char kInstallerSource[] = "MsiInstaller";
const char kOwnSource[] = "TarvexInstaller";

// The installer's own records of a run: a transaction begins and ends around it, and the
// product's record says what became of the product.
const unsigned long kTransactionBegins = 1040;
const unsigned long kTransactionEnds = 1042;
bool IsProductRecord(unsigned long id) {
    return id >= 1033 && id <= 1038;
}

const char* TypeName(unsigned short type) {
    switch (type) {
        case 1:
            return "Error";
        case 2:
            return "Warning";
        case 4:
            return "Information";
        case 8:
            return "Success Audit";
        case 16:
            return "Failure Audit";
        default:
            return "Unknown";
    }
}

// Reading backwards, records newer than the window are passed over (another program may
// have written after the process ended) and the first older one ends the reading; forwards,
// the other way round.
enum class Place { kBefore, kInside, kAfter };
Place PlaceOf(const EventRecord& record, std::int64_t fromTime, std::int64_t toTime) {
    if (record.generated < fromTime)
        return Place::kBefore;
    return record.generated > toTime ? Place::kAfter : Place::kInside;
}

}  // namespace

int EventLogger::ReadInstallerEvents(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                                     unsigned long afterRecord, unsigned long maxCount,
                                     unsigned long* lastRecord) {
    Reading reading;
    reading.lastRecord = afterRecord;
    ReadWindow(fromTime, toTime, typeMask, afterRecord, maxCount, &reading);
    if (lastRecord)
        *lastRecord = reading.lastRecord;
    return static_cast<int>(reading.copied);
}

void EventLogger::ReadWindow(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                             unsigned long afterRecord, unsigned long maxCount, Reading* reading) {
    if (!eventLog_)
        return;
    const bool backwards = afterRecord == 0;
    long error = 0;
    const bool read = eventLog_->Read(
        afterRecord,
        [&](const EventRecord& record) {
            if (!backwards && record.number <= afterRecord)
                return true;
            const Place place = PlaceOf(record, fromTime, toTime);
            if (place != Place::kInside)
                return backwards ? place == Place::kAfter : place == Place::kBefore;
            if (!EqualsNoCase(record.source.c_str(), kInstallerSource) || !(record.type & typeMask))
                return true;
            CopyRecord(record);
            if (maxCount == 0)
                ++reading->copied;
            reading->lastRecord = std::max(reading->lastRecord, record.number);
            reading->began = reading->began || record.eventId == kTransactionBegins;
            reading->ended = reading->ended || record.eventId == kTransactionEnds;
            reading->product = reading->product || IsProductRecord(record.eventId);
            return maxCount == 0 || ++reading->copied < maxCount;
        },
        &error);
    if (!read)
        Out().Warning("Error '%ld' reading the event log: %s", error,
                      SystemErrorText(error).c_str());
}

void EventLogger::CopyRecord(const EventRecord& record) {
    const std::string message = Trim(GetMessageText(record), " \t\n\r");
    if (!IsSuccessId(static_cast<int>(record.eventId)))
        failureTexts_.push_back(message);
    Out().Line("    MSI log   : Type=%s  ID=%lu  Event=%s", TypeName(record.type), record.eventId,
               message.c_str());
}

// The first of the source's message files that has the message wins. A record whose
// message no file has still says something: its insertion strings, one after the other.
std::string EventLogger::GetMessageText(const EventRecord& record) {
    std::string files;
    long error = 0;
    const std::string path =
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EventLog\\Application\\" +
        record.source + "\\EventMessageFile";
    if (registry_->ReadValue(path, &files, kRegistryDefaultView, &error)) {
        long lastError = 0;
        for (const std::string& entry : SplitTokens(files.c_str(), ';', 0)) {
            std::string text;
            if (ReadMessage(Trim(entry, " \t"), record, &text, &lastError))
                return text;
        }
        LogSystemError(Out(), lastError, "EventLogger::GetString()", "    ");
    }
    std::string joined;
    for (const std::string& part : record.strings) joined += (joined.empty() ? "" : " ") + part;
    return joined;
}

bool EventLogger::ReadMessage(const std::string& file, const EventRecord& record, std::string* text,
                              long* error) {
    if (file.empty())
        return false;
    std::string expanded;
    if (!eventLog_->ExpandEnvironment(file, &expanded, error)) {
        Out().Error("ExpandEnvironmentStrings() returned %ld: %s", *error,
                    SystemErrorText(*error).c_str());
        return false;
    }
    switch (eventLog_->MessageText(expanded, record.fullEventId, record.strings, text, error)) {
        case EventLogAccess::MessageResult::kFound:
            return true;
        case EventLogAccess::MessageResult::kCannotLoad:
            LogSystemError(Out(), *error, "EventLogger::LoadLibraryEx()", "    ");
            return false;
        default:
            return false;
    }
}

// The installer writes its last records as it ends, and the event log may take a moment to
// hand them out. The window is read at once; the reading is repeated for a short while only
// when the log is known to keep events and the installer's closing record has not come. On a
// machine whose log keeps nothing no time is spent waiting.
int EventLogger::CollectInstallerEvents(std::int64_t fromTime, std::int64_t toTime,
                                        unsigned typeMask, unsigned long afterRecord,
                                        unsigned long maxCount, unsigned long* lastRecord) {
    if (!eventLog_)
        return 0;
    if (keeping_ == Keeping::kUnknown)
        LookForOwnEvent(true);
    Reading reading;
    reading.lastRecord = afterRecord;
    ReadWindow(fromTime, toTime, typeMask, afterRecord, maxCount, &reading);
    const auto full = [&] { return maxCount != 0 && reading.copied >= maxCount; };
    for (unsigned waited = 0; keeping_ == Keeping::kKeeps && !reading.Closed() && !full() &&
                              waited < kClosingEventWaitMs;
         waited += kClosingEventPollMs) {
        clock_->Sleep(kClosingEventPollMs);
        const unsigned long more = maxCount == 0 ? 0 : maxCount - reading.copied;
        Reading later = reading;
        later.copied = 0;
        ReadWindow(fromTime, std::max(toTime, clock_->Now()), typeMask, reading.lastRecord, more,
                   &later);
        later.copied += reading.copied;
        reading = later;
    }
    if (lastRecord)
        *lastRecord = reading.lastRecord;
    return static_cast<int>(reading.copied);
}

// The run's first event, read back, tells whether the log keeps what is written to it. The
// log may hand it out a moment late: not found at once, it is looked for again after the
// first installer, and only then taken as missing.
void EventLogger::LookForOwnEvent(bool lastLook) {
    if (ownEventText_.empty() || keeping_ != Keeping::kUnknown)
        return;
    bool found = false;
    int looked = 0;
    long error = 0;
    eventLog_->Read(
        0,
        [&](const EventRecord& record) {
            if (record.generated < ownEventTime_ - 1 || ++looked > kOwnEventSearchDepth)
                return false;
            found = EqualsNoCase(record.source.c_str(), kOwnSource) && !record.strings.empty() &&
                    record.strings[0] == ownEventText_;
            return !found;
        },
        &error);
    if (found)
        keeping_ = Keeping::kKeeps;
    else if (lastLook)
        keeping_ = Keeping::kKeepsNothing;
}
