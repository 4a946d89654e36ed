#pragma once
// The plug-in side of procedure calls, shared by utils and forms: the procedure table,
// the text-call parser 'Name(arg1|arg2|...)', the dispatcher behind the exports, the
// statuses and the plug-in's log writer.
//
// Heap discipline across the module boundary: setup hands its PropertyStore over by
// pointer and the plug-in only reads it through the store's own members (Expand,
// IsDefined, Get, Compare). setup, utils and forms are built by one toolchain against the
// same C runtime (msvcrt), so every allocation made by those members comes from the one
// msvcrt heap and is released by the member that made it. Beyond that nothing allocated
// on one side is ever freed on the other: results go back through the caller's buffer and
// plain integers.

#include <string>
#include <vector>

#include "log_file.h"

class PropertyStore;

// The Windows Installer session handle (MSIHANDLE); 0 when there is none.
using PluginSession = unsigned long;

constexpr int ERR_PROC_NOT_FOUND = -901901;
constexpr int ERR_PROC_BAD_ARG_COUNT = -901902;
constexpr int ERR_PROC_BAD_ARG_VALUE = -901903;
// What the exports report outward (ERROR_INVALID_PARAMETER).
constexpr int kPluginInvalidParameter = 87;
// The status of a procedure that this build does not carry yet (ERROR_CALL_NOT_IMPLEMENTED).
constexpr int kPluginNotAvailable = 120;

constexpr int kPluginMaxArguments = 31;
constexpr int kPluginArgvSize = 32;
constexpr int kPluginCallBufferSize = 10240;
constexpr int kPluginResultBufferSize = 2048;
constexpr int kPluginPathSize = 260;

enum PluginProcKind { kProcInteger = 0, kProcText = 1 };

using PluginProc = int (*)(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error);

struct PluginProcEntry {
    const char* name;
    PluginProc function;
    int kind;
    const char* help;
};

struct PluginProcTable {
    const PluginProcEntry* entries;
    int count;
};

// The first entry named exactly name (case-sensitive), or null.
const PluginProcEntry* FindPluginProc(const PluginProcTable& table, const char* name);

// A call text split into its parts.
struct PluginCall {
    std::string name;                 // everything before the first "(", as written
    std::vector<std::string> pieces;  // all pieces of the argument text
    std::string returnProperty;       // after the first ":" behind the last ")"
};

// False when the text has no "(" or no ")" after it.
bool ParsePluginCall(const char* text, PluginCall* call);

// The argument vector of one call: argv[0] the name, then at most 31 pieces (expanded
// with the store when it is set), null entries after them. argc counts the pieces in argv,
// so that no procedure reads past the slots; a call with more pieces is not Complete and
// is refused with a bad argument count.
class PluginArguments {
  public:
    PluginArguments(const PluginCall& call, const PropertyStore* store);
    bool Complete() const { return complete_; }
    int Argc() const { return argc_; }
    char** Argv() { return argv_; }
    // The passed arguments joined by "|".
    const std::string& Display() const { return display_; }

  private:
    std::vector<std::string> texts_;
    char* argv_[kPluginArgvSize] = {};
    std::string display_;
    int argc_ = 1;
    bool complete_ = true;
};

// Stores 0 in *error when argc - 1 lies in [minimum, maximum] (maximum < 0: no upper
// bound), else ERR_PROC_BAD_ARG_COUNT; true when the count is accepted.
bool CheckPluginArgCount(int argc, int minimum, int maximum, int* error);
void SetPluginStatus(int* error, int status);

// The dispatcher behind BSCallProc.
int DispatchPluginCall(const PluginProcTable& table, const char* call, int* intResult, char* result,
                       int resultSize, int* error);

// The dispatcher behind CallProc, after the call text was read from the session.
// Returns 0 or 87; *returnProperty and *value name the property to set (empty for none).
unsigned RunSessionCall(const PluginProcTable& table, PluginSession session, const char* text,
                        std::string* returnProperty, std::string* value);

// Library-wide state set by InitializeDllData.
void SetPluginData(void* console, PropertyStore* store, const char* path);
PropertyStore* PluginProperties();
const char* PluginDataPath();

// The plug-in log writer: with a session, the text (at most 4095 characters) first goes to
// the installer through the message hook; then it is written to the log.
using PluginMessageHook = void (*)(PluginSession session, const char* text);
void SetPluginMessageHook(PluginMessageHook hook);
void PluginLog(PluginSession session, LogSeverity severity, const char* format, ...)
    TARVEX_PRINTF(3, 4);

// A procedure that this build does not carry: checks the count, then fails with
// kPluginNotAvailable and logs "<name> is not available in this build".
int PluginProcNotAvailable(int argc, char** argv, int minimum, int maximum, int* error);

template <int Minimum, int Maximum>
int NotAvailableProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    return PluginProcNotAvailable(argc, argv, Minimum, Maximum, error);
}
