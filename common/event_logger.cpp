#include "event_logger.h"

#include <algorithm>
#include <cstdarg>

#include "clock.h"
#include "log_file.h"
#include "registry.h"
#include "secrets.h"
#include "str_util.h"
#include "system_error.h"

namespace {

const char kSource[] = "TarvexInstaller";
const char kInstallerMessageFile[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\MsiInstaller"
    "\\EventMessageFile";
const char kSourceKey[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
    "TarvexInstaller";
const char kSourceMessageFile[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
    "TarvexInstaller\\EventMessageFile";
const char kSourceTypes[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
    "TarvexInstaller\\TypesSupported";
const unsigned long kTypesSupported = 7;  // error, warning, information

struct CategoryRow {
    int category;
    const char* name;
    unsigned short eventType;
};

const CategoryRow kCategories[] = {
    {EventLogger::kInfo, "Info", 4},     {EventLogger::kWarning, "Warning", 2},
    {EventLogger::kError, "Error", 1},   {EventLogger::kProgress, "Progress", 4},
    {EventLogger::kAction, "Action", 4},
};

const CategoryRow* FindCategory(int category) {
    for (const CategoryRow& row : kCategories) {
        if (row.category == category)
            return &row;
    }
    return nullptr;
}

}  // namespace

void EventLogger::SetName(const char* text) {
    char buffer[kNameSize] = {};
    if (text && StrNCopy(buffer, text) > 0)
        name_ = buffer;
}

void EventLogger::Attach(EventLogAccess& eventLog, RegistryAccess& registry, LogFile& log,
                         Clock& clock) {
    eventLog_ = &eventLog;
    registry_ = &registry;
    log_ = &log;
    clock_ = &clock;
}

bool EventLogger::IsSuccessId(int id) const {
    return std::find(successIds_.begin(), successIds_.end(), id) != successIds_.end();
}

LogFile& EventLogger::Out() {
    return log_ ? *log_ : Log();
}

void EventLogger::Write(int category, int id, const std::string& text) {
    if ((category == kProgress || category == kAction) && id == 0) {
        Out().Line("[ERROR] No message Id is specified (required for Action an Progress logs)");
        return;
    }
    if (category > kAction) {
        Out().Line("[ERROR] Invalid event category (number %d)", category);
        return;
    }
    const CategoryRow* row = FindCategory(category);
    if (!row) {
        Out().Line("[ERROR] No entry found for %d category!", category);
        return;
    }
    events_.push_back(Event{category, id, text});
    if (!eventLog_)
        return;
    const std::string prefix = id != 0 && category >= kProgress ? FormatText("[%d] ", id) : "";
    std::string composed =
        FormatText("[%s] %s: %s%s", row->name, name_.c_str(), prefix.c_str(), text.c_str());
    // The event log is readable by every user of the machine: secrets stay out of it as they
    // stay out of the log files.
    if (Out().SecretSource())
        composed = MaskSecretText(composed, *Out().SecretSource());
    RegisterSource();
    Report(row->eventType, composed);
}

void EventLogger::Report(unsigned short eventType, const std::string& text) {
    long error = 0;
    if (!eventLog_->Report(kSource, eventType, kEventId, text, &error)) {
        Out().Warning("Error '%ld' writing to event log: %s", error,
                      SystemErrorText(error).c_str());
        return;
    }
    if (ownEventText_.empty()) {
        ownEventText_ = text;
        ownEventTime_ = clock_->Now();
        LookForOwnEvent(false);
    }
}

// The source borrows the message file of the installer's own source, whose message 1000
// shows the one string an event carries. Done before every write: another program may have
// removed or changed the registration meanwhile.
void EventLogger::RegisterSource() {
    std::string installerFile;
    long error = 0;
    const bool read =
        registry_->ReadValue(kInstallerMessageFile, &installerFile, kRegistryDefaultView, &error);
    if (read)
        Out().Line("[INFO] Registry value of %s is %s", kInstallerMessageFile,
                   installerFile.c_str());
    else
        Out().Line("[INFO] Failed to get registry value of %s", kInstallerMessageFile);
    std::vector<RegistryValue> values;
    if (registry_->EnumerateValues(kSourceKey, &values, kRegistryDefaultView, &error)) {
        if (read)
            SetMessageFile(installerFile);
        else
            Out().Line("[INFO] Value of %s will be unchanged ", kSourceMessageFile);
        return;
    }
    if (!registry_->CreateKey(kSourceKey, kRegistryDefaultView, &error)) {
        Out().Warning("Error '%ld' registering event log source: %s", error,
                      SystemErrorText(error).c_str());
        return;
    }
    if (!read) {
        Out().Line("[INFO] Setting a default value to %s", kSourceMessageFile);
        installerFile = eventLog_->SystemFolder() + "\\msi.dll";
    }
    SetMessageFile(installerFile);
    if (!registry_->WriteNumber(kSourceTypes, kTypesSupported, kRegistryDefaultView, &error))
        Out().Warning("Error '%ld' registering event log source: %s", error,
                      SystemErrorText(error).c_str());
}

void EventLogger::SetMessageFile(const std::string& file) {
    long error = 0;
    if (registry_->WriteString(kSourceMessageFile, file, kRegistryDefaultView, &error))
        Out().Line("[INFO] Value of %s was set to %s", kSourceMessageFile, file.c_str());
    else
        Out().Line("[INFO] Failed to set value of %s to %s", kSourceMessageFile, file.c_str());
}

EventLogger& GlobalEventLogger() {
    static EventLogger logger;
    return logger;
}

namespace {

void ForwardInfo(const char* format, va_list args) {
    GlobalEventLogger().Info(FormatTextV(format, args));
}
void ForwardWarning(const char* format, va_list args) {
    GlobalEventLogger().Warning(FormatTextV(format, args));
}
void ForwardError(const char* format, va_list args) {
    GlobalEventLogger().Error(FormatTextV(format, args));
}

int CollectFromGlobalLogger(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                            unsigned long afterRecord, unsigned long maxCount,
                            unsigned long* lastRecord) {
    return GlobalEventLogger().CollectInstallerEvents(fromTime, toTime, typeMask, afterRecord,
                                                      maxCount, lastRecord);
}

}  // namespace

void ForwardLogToEventLog(LogFile& log) {
    log.SetForwarder(kLogInfo, ForwardInfo);
    log.SetForwarder(kLogWarning, ForwardWarning);
    log.SetForwarder(kLogError, ForwardError);
    log.SetEventHook(CollectFromGlobalLogger);
}
