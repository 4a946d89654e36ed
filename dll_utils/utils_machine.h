#pragma once
// What the registry, file, text and system procedures of utils.dll reach of the machine,
// behind interfaces so that their logic is tested on the host against fakes. The library
// uses the real machine; a test replaces any part with SetUtilsMachine.

#include <string>

#include "plugin_interface.h"

class EventLogAccess;
class FileSystem;
class RegistryAccess;

// Rewriting a file whole: the new content goes to a unique temporary file beside the
// original, and only a complete temporary file replaces it (keeping the original's security
// and attributes). Each gives 0 or the system error code.
class FileRewriter {
  public:
    virtual ~FileRewriter() = default;
    // Creates a new file with a unique name in folder and writes content to it, checking
    // every write; *tempPath names it (also when a write failed, so it can be removed).
    virtual long WriteTemporary(const std::string& folder, const std::string& content,
                                std::string* tempPath) = 0;
    // Puts the temporary file in the place of original.
    virtual long ReplaceWith(const std::string& original, const std::string& tempPath) = 0;
    virtual long Remove(const std::string& path) = 0;
    // Removes a folder only when it is empty.
    virtual long RemoveEmptyFolder(const std::string& folder) = 0;
    // Whether path names an existing folder (not a file).
    virtual bool IsFolder(const std::string& path) = 0;
};

// Questions about the running system. Each false return carries the system error code.
class SystemQueries {
  public:
    virtual ~SystemQueries() = default;
    // "major.minor.servicePack" as the kernel reports it (not the compatibility version the
    // process is shown); empty when it cannot be read.
    virtual std::string OsVersion() = 0;
    virtual bool FreeBytes(const std::string& folder, unsigned long long* bytes,
                           long* errorCode) = 0;
    // The native processor architecture code (0xFFFF for unknown).
    virtual bool ProcessorArchitecture(unsigned* code) = 0;
    // Whether the effective token (the thread's, else the process's) is a member of the local
    // Administrators group; a group listed only for denial does not count.
    virtual bool IsAdministrator(bool* member, long* errorCode) = 0;
    // "DOMAIN\name" of an account given as "S-1-..." text.
    virtual bool AccountName(const std::string& sid, std::string* name, long* errorCode) = 0;
    // The variable's value; false when it is not set.
    virtual bool Environment(const std::string& name, std::string* value) = 0;
};

// Changing access rules and owners of files, folders and registry keys. Paths of keys are
// full registry paths ("HKEY_LOCAL_MACHINE\..."), everything else is a file system path.
class AccessControl {
  public:
    virtual ~AccessControl() = default;
    // "S-1-..." of the user the process runs as.
    virtual bool CurrentUserSid(std::string* sid, long* errorCode) = 0;
    // Adds an allowing rule for sid with mask to the object's existing list (merged, inherited
    // rules kept); inherit passes the rule on to what lies below the object.
    virtual long GrantAccess(const std::string& object, bool registryKey, const std::string& sid,
                             unsigned long mask, bool inherit) = 0;
    // Makes the Administrators group the owner of the object.
    virtual long TakeOwnership(const std::string& object, bool registryKey) = 0;
};

// Property lookups of a procedure: setup's property store when the call came through
// BSCallProc, the installer session when it came through CallProc.
class SessionProperties {
  public:
    virtual ~SessionProperties() = default;
    // The installer property's value; empty when absent or unreadable.
    virtual std::string Read(PluginSession session, const std::string& name) = 0;
};

struct UtilsMachine {
    RegistryAccess* registry;
    FileSystem* files;
    FileRewriter* rewriter;
    SystemQueries* system;
    AccessControl* access;
    SessionProperties* session;
    EventLogAccess* events;
};

// The parts in use; every member is set.
UtilsMachine& Machine();
// Replaces the parts that are not null; returns the previous set.
UtilsMachine SetUtilsMachine(const UtilsMachine& parts);
// The real machine (provided by the Windows build, and by the host build as parts that fail).
UtilsMachine RealUtilsMachine();

// A property's value and whether it exists: from setup's store, or from the session.
bool ProcProperty(PluginSession session, const std::string& name, std::string* value);
// A text with setup's property references expanded ("[", "]", "Property."); inside Windows
// Installer the installer has formatted the call text already and it is returned as it is.
std::string ProcExpand(PluginSession session, const std::string& text);
