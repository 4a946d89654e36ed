#include <cctype>
#include <cstdio>
#include <string>

#include "actions.h"
#include "event_log_access.h"
#include "registry.h"

namespace {

const char* const kSource = "TarvexInstaller";
const char* const kSourceKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
    "TarvexInstaller";
// The installer's message 1000 shows the one string an event carries.
const unsigned long kEventId = 1000;
const unsigned long kTypesSupported = 7;  // error, warning, information

std::string PropertyOr(ActionContext& context, const char* name, const char* fallback) {
    const std::string value = context.Get(name);
    return value.empty() ? fallback : value;
}

// Registers the source with the installer's message library; done before every write, as
// another program may have removed it.
void RegisterSource(ActionContext& context) {
    RegistryAccess& registry = context.machine.Registry();
    const std::string file = context.machine.EventLog().SystemFolder() + "\\msi.dll";
    long error = 0;
    if (!registry.CreateKey(kSourceKey, kRegistry64View, &error) ||
        !registry.WriteString(std::string(kSourceKey) + "\\EventMessageFile", file, kRegistry64View,
                              &error) ||
        !registry.WriteNumber(std::string(kSourceKey) + "\\TypesSupported", kTypesSupported,
                              kRegistry64View, &error))
        context.log(".Error: SystemLog> Could not register the event source (error code %ld)",
                    error);
}

}  // namespace

SystemLogEvent ComposeSystemLogEvent(const std::string& message, const std::string& user,
                                     const std::string& privileged, const std::string& logon,
                                     const std::string& product, const std::string& version) {
    SystemLogEvent event;
    std::string info = message.empty() ? "e:Unknown" : message;
    char kind = 'e';
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(info[0])));
    if (info.size() >= 2 && info[1] == ':' && (first == 'e' || first == 'w' || first == 'i')) {
        kind = first;
        info = info.substr(2);
    }
    event.type = kind == 'e' ? 1 : kind == 'w' ? 2 : 4;
    char text[4096];
    std::snprintf(text, sizeof(text),
                  "%c:User: %s, Priviledged: %s, Logon: %s,\nProduct: %s, Version: %s,\nInfo: %s",
                  kind, user.c_str(), privileged.c_str(), logon.c_str(), product.c_str(),
                  version.c_str(), info.c_str());
    event.text = text;
    return event;
}

// "SystemLogMessage" begins with "e:", "w:" or "i:" for an error, a warning or an
// information; a message without one is an error. A failed write is logged: the
// installation goes on.
unsigned SystemLogAction(ActionContext& context) {
    const SystemLogEvent event = ComposeSystemLogEvent(
        context.Get("SystemLogMessage"), context.Get("USERNAME"), context.Get("Privileged"),
        context.Get("LogonUser"), PropertyOr(context, "ProductName", "Unknown"),
        PropertyOr(context, "ProductVersion", "Unknown"));
    RegisterSource(context);
    long error = 0;
    if (!context.machine.EventLog().Report(kSource, event.type, kEventId, event.text, &error))
        context.log(".Error: SystemLog> Could not write the event (error code %ld)", error);
    return kActionSuccess;
}
