// The host build has no machine for the utils procedures: every part fails, and the tests
// install fakes.

#include "utils_machine.h"

#include "event_log_access.h"
#include "file_system.h"
#include "registry.h"

namespace {

const long kNotSupported = 50;  // ERROR_NOT_SUPPORTED

class NoRewriter : public FileRewriter {
  public:
    long WriteTemporary(const std::string&, const std::string&, std::string*) override {
        return kNotSupported;
    }
    long ReplaceWith(const std::string&, const std::string&) override { return kNotSupported; }
    long Remove(const std::string&) override { return kNotSupported; }
    long RemoveEmptyFolder(const std::string&) override { return kNotSupported; }
    bool IsFolder(const std::string&) override { return false; }
};

class NoSystem : public SystemQueries {
  public:
    std::string OsVersion() override { return std::string(); }
    bool FreeBytes(const std::string&, unsigned long long*, long* errorCode) override {
        *errorCode = kNotSupported;
        return false;
    }
    bool ProcessorArchitecture(unsigned*) override { return false; }
    bool IsAdministrator(bool*, long* errorCode) override {
        *errorCode = kNotSupported;
        return false;
    }
    bool AccountName(const std::string&, std::string*, long* errorCode) override {
        *errorCode = kNotSupported;
        return false;
    }
    bool Environment(const std::string&, std::string*) override { return false; }
};

class NoAccess : public AccessControl {
  public:
    bool CurrentUserSid(std::string*, long* errorCode) override {
        *errorCode = kNotSupported;
        return false;
    }
    long GrantAccess(const std::string&, bool, const std::string&, unsigned long, bool) override {
        return kNotSupported;
    }
    long TakeOwnership(const std::string&, bool) override { return kNotSupported; }
};

class NoSession : public SessionProperties {
  public:
    std::string Read(PluginSession, const std::string&) override { return std::string(); }
};

class NoEvents : public EventLogAccess {
  public:
    bool Report(const std::string&, unsigned short, unsigned long, const std::string&,
                long* error) override {
        *error = kNotSupported;
        return false;
    }
    bool Read(unsigned long, const EventRecordVisitor&, long* error) override {
        *error = kNotSupported;
        return false;
    }
    MessageResult MessageText(const std::string&, unsigned long, const std::vector<std::string>&,
                              std::string*, long* error) override {
        *error = kNotSupported;
        return MessageResult::kCannotLoad;
    }
    bool ExpandEnvironment(const std::string&, std::string*, long* error) override {
        *error = kNotSupported;
        return false;
    }
    std::string SystemFolder() override { return std::string(); }
};

}  // namespace

UtilsMachine RealUtilsMachine() {
    static NoRewriter rewriter;
    static NoSystem system;
    static NoAccess access;
    static NoSession session;
    static NoEvents events;
    return {&SystemRegistry(), &SystemFileSystem(), &rewriter, &system, &access, &session, &events};
}
