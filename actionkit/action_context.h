#pragma once
// Everything one custom action works with: its session, the machine and the log writer.

#include "action_machine.h"
#include "action_session.h"

// Windows Installer reads a custom action's return value: 0 goes on; 1603 stops the
// installation. Any other value counts as an unexpected failure, and 259 would even skip
// the rest of the sequence as success, so no action returns anything else.
constexpr unsigned kActionSuccess = 0;
constexpr unsigned kActionFailure = 1603;

struct ActionContext {
    ActionContext(ActionSession& s, ActionMachine& m) : session(s), machine(m), log(s) {}
    ActionSession& session;
    ActionMachine& machine;
    ActionLog log;

    // Reads a property; a value whose name says password is masked in every later line.
    std::string Get(const char* name);
    // Sets a property and logs a failure.
    void Set(const char* name, const std::string& value);
};

// The values of the properties that the package hides from its log ("MsiHiddenProperties")
// become secrets of the log writer.
void HideListedProperties(ActionContext& context);

// Boolean outputs.
inline const char* Flag(bool value) {
    return value ? "1" : "0";
}
