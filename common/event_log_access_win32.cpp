// The machine's Application event log through the classic event-log calls.

#include <windows.h>

#include <memory>
#include <vector>

#include "event_log_access.h"
#include "event_record_block.h"

namespace {

struct EventSourceCloser {
    void operator()(HANDLE source) const { DeregisterEventSource(source); }
};
struct EventLogCloser {
    void operator()(HANDLE log) const { CloseEventLog(log); }
};
struct ModuleFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

// The most insertion strings a message can name (%1 to %99): the array handed to the
// formatter always has that many, so a message that names more strings than its record
// carries reads empty texts instead of memory past the array.
const std::size_t kMaxInserts = 99;

static_assert(sizeof(EVENTLOGRECORD) == kEventRecordHeaderSize,
              "the record block is decoded with the system's header size");

class SystemEventLogAccess : public EventLogAccess {
  public:
    bool Report(const std::string& source, unsigned short type, unsigned long eventId,
                const std::string& text, long* error) override {
        std::unique_ptr<void, EventSourceCloser> handle(
            RegisterEventSourceA(nullptr, source.c_str()));
        const char* strings[] = {text.c_str()};
        if (handle && ReportEventA(handle.get(), type, 0, eventId, nullptr, 1, 0, strings, nullptr))
            return true;
        *error = static_cast<long>(GetLastError());
        return false;
    }

    bool Read(unsigned long afterRecord, const EventRecordVisitor& visit, long* error) override {
        std::unique_ptr<void, EventLogCloser> log(OpenEventLogA(nullptr, "Application"));
        if (!log)
            return Failed(error);
        DWORD flags = afterRecord == 0 ? EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ
                                       : EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ;
        std::vector<BYTE> buffer(1024);
        for (;;) {
            DWORD read = 0;
            DWORD needed = 0;
            if (!ReadEventLogA(log.get(), flags, afterRecord, buffer.data(),
                               static_cast<DWORD>(buffer.size()), &read, &needed)) {
                const DWORD code = GetLastError();
                if (code == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
                    buffer.resize(needed);
                    continue;
                }
                if (code == ERROR_INVALID_PARAMETER && (flags & EVENTLOG_SEEK_READ)) {
                    // The record to start after is gone (the log wrapped): read from the
                    // oldest one left.
                    flags = EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ;
                    continue;
                }
                return code == ERROR_HANDLE_EOF || Failed(error);
            }
            flags = (flags & ~EVENTLOG_SEEK_READ) | EVENTLOG_SEQUENTIAL_READ;
            switch (VisitEventRecordBlock(buffer.data(), read, visit)) {
                case RecordBlockEnd::kAllRead:
                    break;
                case RecordBlockEnd::kStopped:
                    return true;
                case RecordBlockEnd::kMalformed:
                    *error = ERROR_INVALID_DATA;
                    return false;
            }
        }
    }

    MessageResult MessageText(const std::string& messageFile, unsigned long eventId,
                              const std::vector<std::string>& strings, std::string* text,
                              long* error) override {
        std::unique_ptr<HINSTANCE__, ModuleFreer> module(
            LoadLibraryExA(messageFile.c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (!module) {
            Failed(error);
            return MessageResult::kCannotLoad;
        }
        std::vector<DWORD_PTR> inserts(kMaxInserts, reinterpret_cast<DWORD_PTR>(""));
        for (std::size_t i = 0; i < strings.size() && i < kMaxInserts; ++i)
            inserts[i] = reinterpret_cast<DWORD_PTR>(strings[i].c_str());
        char* message = nullptr;
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                               FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           module.get(), eventId, 0, reinterpret_cast<char*>(&message), 0,
                           reinterpret_cast<va_list*>(inserts.data()));
        std::unique_ptr<void, LocalFreer> owned(message);
        if (length == 0) {
            Failed(error);
            return MessageResult::kNotFound;
        }
        text->assign(message, length);
        return MessageResult::kFound;
    }

    bool ExpandEnvironment(const std::string& text, std::string* expanded, long* error) override {
        std::string buffer(MAX_PATH, '\0');
        for (int attempt = 0; attempt < 2; ++attempt) {
            const DWORD length = ExpandEnvironmentStringsA(text.c_str(), &buffer[0],
                                                           static_cast<DWORD>(buffer.size()));
            if (length == 0)
                return Failed(error);
            if (length <= buffer.size()) {
                expanded->assign(buffer.c_str());
                return true;
            }
            buffer.assign(length, '\0');
        }
        return Failed(error);
    }

    std::string SystemFolder() override {
        char folder[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
        return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
    }

  private:
    static bool Failed(long* error) {
        *error = static_cast<long>(GetLastError());
        return false;
    }
};

}  // namespace

EventLogAccess& SystemEventLog() {
    static SystemEventLogAccess log;
    return log;
}
