#pragma once
// Fakes of the machine parts of utils.dll's registry, file, text and system procedures, and a
// runner that calls one procedure as the dispatcher does.

#include <map>
#include <string>
#include <vector>

#include "event_log_access.h"
#include "fake_run.h"
#include "plugin_interface.h"
#include "registry.h"
#include "utils_machine.h"

// A registry that keeps the 32-bit and the 64-bit views apart (the default view is the
// 64-bit one, as for setup). Keys are lower-case paths; values are typed texts.
class ViewRegistry : public RegistryAccess {
  public:
    struct Key {
        std::map<std::string, TypedRegistryValue> values;  // by lower-case name
        std::map<std::string, std::string> names;          // lower-case name -> written name
    };
    void Set(RegistryView view, const std::string& path, const std::string& data,
             unsigned long type = kRegString);
    bool Has(RegistryView view, const std::string& path) const;
    std::string Get(RegistryView view, const std::string& path) const;
    bool HasKey(RegistryView view, const std::string& key) const;

    bool ReadValue(const std::string& path, std::string* value, RegistryView view,
                   long* errorCode) override;
    bool CreateKey(const std::string& keyPath, RegistryView view, long* errorCode) override;
    bool DeleteKey(const std::string& keyPath, RegistryView view, long* errorCode) override;
    bool WriteString(const std::string& path, const std::string& value, RegistryView view,
                     long* errorCode) override;
    bool DeleteValue(const std::string& path, RegistryView view, long* errorCode) override;
    bool WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                     long* errorCode) override;
    bool ReadStrings(const std::string& path, std::vector<std::string>* texts, RegistryView view,
                     long* errorCode) override;
    bool EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                         RegistryView view, long* errorCode) override;
    bool ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                   long* errorCode) override;
    bool WriteText(const std::string& path, const std::string& value, unsigned long type,
                   RegistryView view, long* errorCode) override;
    bool CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts, RegistryView view,
                         long* errorCode) override;
    bool DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) override;
    bool EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                          RegistryView view, long* errorCode) override;

  private:
    using View = std::map<std::string, Key>;
    View& Of(RegistryView view) { return view == kRegistry32View ? view32_ : view64_; }
    const View& Of(RegistryView view) const { return view == kRegistry32View ? view32_ : view64_; }
    bool Write(const std::string& path, const TypedRegistryValue& value, RegistryView view,
               long* errorCode);
    View view32_;
    View view64_;
};

// The file system of a FakeMachine whose searches also find names by a short form, as the
// system's own search does (names listed in shortMatches are added to every wildcard search
// of their folder).
class ShortNameFiles : public FakeMachine {
  public:
    long ListMatches(const std::string& folder, const std::string& pattern,
                     std::vector<std::string>* names) override;
    std::map<std::string, std::vector<std::string>> shortMatches;  // folder -> extra names
};

class FakeRewriter : public FileRewriter {
  public:
    explicit FakeRewriter(FakeMachine& files) : files_(files) {}
    long WriteTemporary(const std::string& folder, const std::string& content,
                        std::string* tempPath) override;
    long ReplaceWith(const std::string& original, const std::string& tempPath) override;
    long Remove(const std::string& path) override { return files_.RemoveFile(path); }
    long RemoveEmptyFolder(const std::string& folder) override;
    bool IsFolder(const std::string& path) override {
        return files_.FileExists(path) && files_.Content(path) == "<missing>";
    }
    long writeFailure = 0;    // a write that fails part way, with this code
    long replaceFailure = 0;  // the replacement fails with this code
    int temporaries = 0;

  private:
    FakeMachine& files_;
};

class FakeSystem : public SystemQueries {
  public:
    std::string OsVersion() override { return version; }
    bool FreeBytes(const std::string& folder, unsigned long long* bytes, long* errorCode) override;
    bool ProcessorArchitecture(unsigned* code) override {
        *code = architecture;
        return true;
    }
    bool IsAdministrator(bool* member, long* errorCode) override;
    bool AccountName(const std::string& sid, std::string* name, long* errorCode) override;
    bool Environment(const std::string& name, std::string* value) override;
    std::string version = "6.1.1";
    std::map<std::string, unsigned long long> freeBytes;  // by folder
    unsigned architecture = 9;
    bool administrator = true;
    long membershipFailure = 0;
    std::map<std::string, std::string> accounts;
    std::map<std::string, std::string> environment;
};

class FakeAccess : public AccessControl {
  public:
    struct Grant {
        std::string object;
        bool registryKey;
        std::string sid;
        unsigned long mask;
        bool inherit;
    };
    bool CurrentUserSid(std::string* sid, long*) override {
        *sid = "S-1-5-21-1-2-3-1001";
        return true;
    }
    long GrantAccess(const std::string& object, bool registryKey, const std::string& sid,
                     unsigned long mask, bool inherit) override {
        grants.push_back({object, registryKey, sid, mask, inherit});
        return grantFailure;
    }
    long TakeOwnership(const std::string& object, bool registryKey) override {
        owned.push_back((registryKey ? "key:" : "file:") + object);
        return 0;
    }
    std::vector<Grant> grants;
    std::vector<std::string> owned;
    long grantFailure = 0;
};

class FakeSession : public SessionProperties {
  public:
    std::string Read(PluginSession, const std::string& name) override {
        const auto it = properties.find(name);
        return it == properties.end() ? std::string() : it->second;
    }
    std::map<std::string, std::string> properties;
};

class FakeEvents : public EventLogAccess {
  public:
    struct Reported {
        std::string source;
        unsigned short type;
        std::string text;
    };
    bool Report(const std::string& source, unsigned short type, unsigned long,
                const std::string& text, long*) override {
        reported.push_back({source, type, text});
        return true;
    }
    bool Read(unsigned long, const EventRecordVisitor&, long*) override { return true; }
    MessageResult MessageText(const std::string&, unsigned long, const std::vector<std::string>&,
                              std::string*, long*) override {
        return MessageResult::kNotFound;
    }
    bool ExpandEnvironment(const std::string& text, std::string* expanded, long*) override {
        *expanded = text;
        return true;
    }
    std::string SystemFolder() override { return "C:\\Windows\\system32"; }
    std::vector<Reported> reported;
};

// One procedure call as the dispatcher makes it.
struct ProcOutcome {
    int number;
    std::string text;
    int status;
};
ProcOutcome RunProc(PluginProc proc, const std::vector<std::string>& arguments,
                    PluginSession session = 0, int resultSize = 256);
