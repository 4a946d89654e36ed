#pragma once
// The Windows Application event log as the event logger uses it: report an event, read the
// records, and turn a record into its message text with a message file. Behind an interface
// because the logic on top of it must be tested with records that look real, and Wine's event
// log keeps nothing. SystemEventLog() is the machine's log (Windows build only).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct EventRecord {
    unsigned long number = 0;       // the record number, growing with every record of the log
    std::int64_t generated = 0;     // when the event was generated, seconds since 1970
    unsigned short type = 0;        // 1 error, 2 warning, 4 information, 8 and 16 audits
    unsigned long eventId = 0;      // the identifier without its severity and facility bits
    unsigned long fullEventId = 0;  // as stored, the key of the message in its file
    std::string source;
    std::vector<std::string> strings;  // the insertion strings of the message
};

// Returns false to stop the reading.
using EventRecordVisitor = std::function<bool(const EventRecord&)>;

class EventLogAccess {
  public:
    virtual ~EventLogAccess() = default;

    // Writes one event with one string under source. false with the system error code.
    virtual bool Report(const std::string& source, unsigned short type, unsigned long eventId,
                        const std::string& text, long* error) = 0;
    // Reads the Application log: without afterRecord from the newest record backwards, with
    // it forwards from the record after afterRecord. Stops when visit returns false or the
    // records end; false with the system error code when the log cannot be opened or read.
    virtual bool Read(unsigned long afterRecord, const EventRecordVisitor& visit, long* error) = 0;

    enum class MessageResult { kFound, kCannotLoad, kNotFound };
    // The message eventId of messageFile (a path with its environment variables expanded)
    // with the insertion strings filled in; the error code tells why when it is not found.
    virtual MessageResult MessageText(const std::string& messageFile, unsigned long eventId,
                                      const std::vector<std::string>& strings, std::string* text,
                                      long* error) = 0;
    // text with its environment variables expanded; false with the system error code.
    virtual bool ExpandEnvironment(const std::string& text, std::string* expanded, long* error) = 0;
    // The system folder, where the installer's message library lives.
    virtual std::string SystemFolder() = 0;
};

EventLogAccess& SystemEventLog();
