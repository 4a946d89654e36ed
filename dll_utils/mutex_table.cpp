#include "mutex_table.h"

#include <algorithm>

#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const unsigned long kUnlockPollMs = 1000;

struct LockRequest {
    long timeoutMs = -1;
    int timeoutSeconds = -1;
    std::string returnProperty;
    std::string unlockProperty;
};

// The optional time-out (seconds, negative: for ever) and the two property names from
// argv[first] on; false when the time-out is not a whole number.
bool ParseLockRequest(int argc, char** argv, int first, LockRequest* request) {
    if (argc > first && !ParseInt(argv[first], &request->timeoutSeconds))
        return false;
    if (request->timeoutSeconds >= 0)
        request->timeoutMs = static_cast<long>(request->timeoutSeconds) * 1000;
    if (argc > first + 1)
        request->returnProperty = argv[first + 1];
    if (argc > first + 2)
        request->unlockProperty = argv[first + 2];
    return true;
}

const char* OutcomeText(int outcome) {
    return outcome == kMutexLocked ? "1" : outcome == kMutexTimeout ? "2" : "-1";
}

void ReleaseAll(MutexTable& table, const std::vector<std::string>& names) {
    for (const std::string& name : names) table.ReleaseHeld(name);
}

// Keeps the held mutexes while the installer runs on: polls the unlock property and the
// parent process once a second and releases them all when either says so.
void HoldUntilUnlocked(MutexTable& table, MutexSession& session, PluginSession handle,
                       const std::vector<std::string>& names, const std::string& property,
                       const char* unlockFormat) {
    bool parentLogged = false;
    for (;;) {
        std::string value;
        const long code = session.GetProperty(property, &value);
        if (code != 0)
            PluginLog(handle, kLogPlain, "    Proc call : Error %ld reading property '%s': %s",
                      code, property.c_str(), SystemErrorText(code).c_str());
        else if (!value.empty() && value[0] == '1') {
            PluginLog(handle, kLogPlain, unlockFormat, property.c_str(), value.c_str());
            break;
        }
        std::string parent;
        const bool running = session.ParentRunning(&parent);
        if (!parentLogged && !parent.empty()) {
            PluginLog(handle, kLogPlain, "    Proc call : Parent process: %s", parent.c_str());
            parentLogged = true;
        }
        if (!running) {
            PluginLog(handle, kLogPlain, "    Proc call : Parent not found as running");
            break;
        }
        session.Sleep(kUnlockPollMs);
    }
    ReleaseAll(table, names);
}

// Tells the installer the outcome and, when asked to, holds the mutexes until unlocked.
void AfterLock(MutexTable& table, MutexSession* session, PluginSession handle,
               const LockRequest& request, int outcome, const std::vector<std::string>& held,
               const char* unlockFormat) {
    if (!session || request.returnProperty.empty())
        return;
    const char* text = OutcomeText(outcome);
    PluginLog(handle, kLogPlain, "    Proc call : Set MSI property: %s=%s",
              request.returnProperty.c_str(), text);
    session->SetProperty(request.returnProperty, text);
    if (!request.unlockProperty.empty() && outcome == kMutexLocked)
        HoldUntilUnlocked(table, *session, handle, held, request.unlockProperty, unlockFormat);
}

// Creates and waits for one mutex; a locked one goes into the table. Adds the status
// pieces to *status.
int LockOne(MutexTable& table, MutexSystem& system, const std::string& name, long timeoutMs,
            std::string* status) {
    bool existed = false;
    long code = 0;
    void* mutex = system.Create(name, &existed, &code);
    if (!mutex) {
        *status += FormatText("open error %ld - %s, ", code, SystemErrorText(code).c_str());
        return kMutexError;
    }
    if (existed)
        *status += "exists, ";
    const int outcome = system.Wait(mutex, timeoutMs, &code);
    if (outcome == kMutexLocked) {
        *status += "locked, ";
        table.Hold(name, mutex);
        return outcome;
    }
    system.Close(mutex);
    *status += outcome == kMutexTimeout
                   ? std::string("timeout, ")
                   : FormatText("lock error %ld - %s, ", code, SystemErrorText(code).c_str());
    return outcome;
}

// Releases one mutex of the name: the table's hold when there is one, else the mutex opened
// by name (which only the owning thread can release). 0 or the error.
long UnlockOne(MutexTable& table, MutexSystem& system, const std::string& name,
               std::string* status) {
    if (table.Holds(name))
        return table.ReleaseHeld(name);
    bool existed = false;
    long code = 0;
    void* mutex = system.Create(name, &existed, &code);
    if (!mutex) {
        *status += FormatText("open error %ld: %s, ", code, SystemErrorText(code).c_str());
        return code != 0 ? code : kMutexNotOwner;
    }
    if (existed)
        *status += "exists, ";
    code = system.Release(mutex);
    system.Close(mutex);
    return code;
}

// The array's first index and count (arguments 2 and 3); a bad pair is logged and refused.
bool ParseRange(PluginSession handle, char** argv, int* first, int* count, int* error) {
    if (ParseInt(argv[2], first) && ParseInt(argv[3], count) && *first >= 1 && *count >= 1)
        return true;
    PluginLog(handle, kLogPlain,
              "    Proc call : IndexStart and ArrayCount parameters  should be both positive "
              "integer numbers");
    SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
    return false;
}

}  // namespace

MutexTable::~MutexTable() {
    for (const Held& held : held_) {
        system_.Release(held.mutex);
        system_.Close(held.mutex);
    }
}

bool MutexTable::Holds(const std::string& name) const {
    return std::any_of(held_.begin(), held_.end(), [&](const Held& h) { return h.name == name; });
}

long MutexTable::ReleaseHeld(const std::string& name) {
    for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
        if (it->name != name)
            continue;
        const long code = system_.Release(it->mutex);
        if (code != 0)
            return code;
        system_.Close(it->mutex);
        held_.erase(std::next(it).base());
        return 0;
    }
    return kMutexNotOwner;
}

int MutexLockProc(MutexTable& table, MutexSystem& system, MutexSession* session,
                  PluginSession handle, int argc, char** argv, int* error) {
    if (!CheckPluginArgCount(argc, 1, 4, error))
        return 0;
    LockRequest request;
    if (!ParseLockRequest(argc, argv, 2, &request)) {
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    const std::string name = argv[1];
    const std::string params = FormatText(
        "Mutex='%s', Timeout='%d', PropReturn='%s', PropUnlock='%s'", name.c_str(),
        request.timeoutSeconds, request.returnProperty.c_str(), request.unlockProperty.c_str());
    PluginLog(handle, kLogPlain, "    Proc call : Params: %s", params.c_str());
    PluginLog(handle, kLogPlain, "    Proc call : Try lock mutex");
    bool existed = false;
    long code = 0;
    int outcome = kMutexError;
    void* mutex = system.Create(name, &existed, &code);
    if (!mutex)
        PluginLog(handle, kLogPlain, "    Proc call : Mutex open error %ld: %s", code,
                  SystemErrorText(code).c_str());
    else {
        if (existed)
            PluginLog(handle, kLogPlain, "    Proc call : Mutex already exists");
        outcome = system.Wait(mutex, request.timeoutMs, &code);
        if (outcome == kMutexLocked) {
            PluginLog(handle, kLogPlain, "    Proc call : Mutex locked");
            table.Hold(name, mutex);
        } else {
            system.Close(mutex);
            if (outcome == kMutexTimeout)
                PluginLog(handle, kLogPlain, "    Proc call : Mutex lock timeout");
            else
                PluginLog(handle, kLogPlain, "    Proc call : Mutex lock error %ld: %s", code,
                          SystemErrorText(code).c_str());
        }
    }
    AfterLock(table, session, handle, request, outcome, {name},
              "    Proc call : UNLOCK MUTEX (property '%s' was set to '%s')");
    PluginLog(handle, kLogPlain, "    Proc call : Exit MutexLock");
    return outcome;
}

int MutexUnlockProc(MutexTable& table, MutexSystem& system, PluginSession handle, int argc,
                    char** argv, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    PluginLog(handle, kLogPlain, "    Proc call : Open mutex '%s'", argv[1]);
    std::string status;
    const long code = UnlockOne(table, system, argv[1], &status);
    if (status == "exists, ")
        PluginLog(handle, kLogPlain, "    Proc call : Mutex already exists");
    else if (!status.empty())
        PluginLog(handle, kLogPlain, "    Proc call : Mutex %s", TrimRight(status, " ,").c_str());
    if (code != 0) {
        PluginLog(handle, kLogPlain, "    Proc call : Mutex unlock error %ld: %s", code,
                  SystemErrorText(code).c_str());
        return 0;
    }
    PluginLog(handle, kLogPlain, "    Proc call : Mutex unlocked");
    return 1;
}

int MutexArrayLockProc(MutexTable& table, MutexSystem& system, MutexSession* session,
                       PluginSession handle, int argc, char** argv, int* error) {
    if (!CheckPluginArgCount(argc, 3, 6, error))
        return 0;
    int first = 0;
    int count = 0;
    LockRequest request;
    if (!ParseRange(handle, argv, &first, &count, error))
        return 0;
    if (!ParseLockRequest(argc, argv, 4, &request)) {
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    const long last = static_cast<long>(first) + count - 1;
    const std::string params =
        FormatText("MutexArray='%s%d'-'%s%ld', Timeout='%d', PropReturn='%s', PropUnlock='%s'",
                   argv[1], first, argv[1], last, request.timeoutSeconds,
                   request.returnProperty.c_str(), request.unlockProperty.c_str());
    PluginLog(handle, kLogPlain, "    Proc call : Params: %s", params.c_str());
    PluginLog(handle, kLogPlain, "    Proc call : Try lock a %d mutex array", count);
    std::vector<std::string> held;
    int outcome = kMutexLocked;
    for (long index = first; index <= last && outcome == kMutexLocked; ++index) {
        const std::string name = FormatText("%s%ld", argv[1], index);
        std::string status;
        outcome = LockOne(table, system, name, request.timeoutMs, &status);
        PluginLog(handle, kLogPlain, "    Proc call : Mutex '%s': %s", name.c_str(),
                  TrimRight(status, " ,").c_str());
        if (outcome == kMutexLocked)
            held.push_back(name);
    }
    if (outcome != kMutexLocked)
        ReleaseAll(table, held);
    AfterLock(table, session, handle, request, outcome, held,
              "    Proc call : UNLOCK ALL MUTEXES (property '%s' was set to '%s')");
    PluginLog(handle, kLogPlain, "    Proc call : Exit MutexArrayLock");
    return outcome;
}

int MutexArrayUnlockProc(MutexTable& table, MutexSystem& system, PluginSession handle, int argc,
                         char** argv, int* error) {
    if (!CheckPluginArgCount(argc, 3, 3, error))
        return 0;
    int first = 0;
    int count = 0;
    if (!ParseRange(handle, argv, &first, &count, error))
        return 0;
    const long last = static_cast<long>(first) + count - 1;
    PluginLog(handle, kLogPlain, "    Proc call : Unlock a %d mutex array: '%s%d' - '%s%ld'", count,
              argv[1], first, argv[1], last);
    bool all = true;
    for (long index = first; index <= last; ++index) {
        const std::string name = FormatText("%s%ld", argv[1], index);
        std::string status;
        const long code = UnlockOne(table, system, name, &status);
        status += code == 0 ? std::string("unlocked, ")
                            : FormatText("error %ld - %s, ", code, SystemErrorText(code).c_str());
        all = all && code == 0;
        PluginLog(handle, kLogPlain, "    Proc call : Mutex '%s': %s", name.c_str(),
                  TrimRight(status, " ,").c_str());
    }
    return all ? 1 : 0;
}
