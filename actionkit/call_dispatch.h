#pragma once
// The procedure dispatcher of actionkit's CallProc. Its procedures take the action's
// context where the installer's one takes only the session handle (the context carries
// that session, the machine and the log writer), a result buffer of 2048 bytes, and answer
// with their own codes: kCallNotFound when the name is unknown, kCallBadArgCount when the
// number of arguments is wrong.

#include <string>
#include <vector>

#include "action_context.h"

constexpr int kCallNotFound = -901901;
constexpr int kCallBadArgCount = -901902;
// A procedure this build does not carry (its answer is a failure, never a result).
constexpr int kCallNotAvailable = -901904;
constexpr int kCallResultSize = 2048;
constexpr int kCallMaxArguments = 31;

using CallProcedure = int (*)(ActionContext& context, int argc, char** argv, char* result);

struct CallEntry {
    const char* name;
    CallProcedure function;
    int kind;  // 0: the result is the return value; 1: the text left in the buffer
};

// The call text "Name(arg|arg|...)" with an optional ":Property" after the last ")". The
// arguments are split at "|" with empty pieces dropped (runs of "|" count as one); at most
// 31 are taken.
struct ActionCall {
    std::string name;
    std::vector<std::string> arguments;
    std::string returnProperty;
};
bool ParseActionCall(const std::string& text, ActionCall* call);

// Arguments that hold a password (CheckLoginCredentials' second) become secrets of the log
// writer before the call's text is logged.
void HideCallSecrets(ActionContext& context, const ActionCall& call);

// The procedure table (name matched case-sensitively); null when the name is unknown.
const CallEntry* FindCallEntry(const std::string& name);

// The whole CallProc action: reads the call text, runs the procedure, sets the return
// property. Returns kActionSuccess or kActionFailure.
unsigned RunCallProc(ActionContext& context);
// The same from a call text at hand.
unsigned RunCallText(ActionContext& context, const std::string& text);
