#pragma once
// What a custom action sees of the Windows Installer session: properties to read and write,
// and the installer's log. The actions are written against this interface so that their
// logic runs on the host with a fake session; session_win32.cpp is the installer's own.

#include <string>
#include <vector>

class ActionSession {
  public:
    virtual ~ActionSession() = default;
    // The whole value; an absent property, or one that cannot be read, reads as empty.
    virtual std::string Get(const char* name) = 0;
    // 0 on success, else the installer's error code.
    virtual unsigned Set(const char* name, const std::string& value) = 0;
    // One line for the installer's log (an information message).
    virtual void Write(const std::string& line) = 0;
};

// The log writer of the actions: formats one line (at most one buffer of 4095 characters)
// and masks every known secret in it before it reaches the session.
class ActionLog {
  public:
    explicit ActionLog(ActionSession& session) : session_(session) {}
    void operator()(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // value is written to no log from now on (property values whose names say password,
    // the properties the package hides from its log).
    void AddSecret(const std::string& value);

  private:
    ActionSession& session_;
    std::vector<std::string> secrets_;
};

// True when the name says that the property holds a password (any case).
bool IsPasswordName(const std::string& name);
