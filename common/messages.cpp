#include "messages.h"

#include <cstring>

#include "str_util.h"
#include "text_util.h"

namespace {

struct DefaultMessage {
    const char* tag;
    const char* text;
};

const DefaultMessage kDefaults[] = {
    {"DEPENDS_FAIL", "Dependencies checking failed (see log file)!\nInstallation aborted."},
    {"REBOOT_REQ", "Reboot is required! Do you want to reboot now?"},
    {"REBOOT_MSG", "Reboot is required by Tarvex setup"},
    {"REBOOT_CACHE_DELETED",
     "Reboot is required to delete the remaining installer cache files.\nDo you want to reboot "
     "now?"},
    {"BS_ERROR", "An error occurred during the setup. See log file for more details."},
    {"BS_INSTALLED",
     "A newer version is already installed. Downgrade is not supported.\r\nPlease uninstall the "
     "existing version before continuing."},
    {"PEND_REBOOT", "A pending reboot is detected. Setup must be restarted after reboot."},
    {"ROLLBACK_ON_CANCEL", "Operation canceled. Do you want to rollback all the actions?"},
    {"ROLLBACK_ON_ERROR", "Operation not completed. Do you want to rollback all the actions?"},
    {"BS_ANOTHERINSTANCE", ""},
    {"BS_ORIGINALBSNOTFOUND", ""},
    {"PEND_REBOOT_ON_FAIL",
     "Also a pending reboot is detected on the machine. You may retry the instalation after a "
     "reboot."},
    {"BS_INVALIDCRC32CHECKSUM",
     "Checksum verification failed. Installation aborted. See log file for more details"},
};

}  // namespace

Messages::Messages() {
    for (const DefaultMessage& message : kDefaults) Set(message.tag, message.text);
}

void Messages::Set(const char* tag, const char* text) {
    if (!tag)
        return;
    for (MessageEntry& entry : entries_) {
        if (EqualsNoCase(entry.tag, tag)) {
            StrNCopy(entry.tag, tag);
            if (text)
                StrNCopy(entry.text, text);
            return;
        }
    }
    MessageEntry entry{};
    StrNCopy(entry.tag, tag);
    if (text)
        StrNCopy(entry.text, text);
    entries_.push_back(entry);
}

const MessageEntry* Messages::Find(const char* tag) const {
    if (!tag)
        return nullptr;
    for (const MessageEntry& entry : entries_) {
        if (EqualsNoCase(entry.tag, tag))
            return &entry;
    }
    return nullptr;
}

std::string Messages::Compose(const char* tag, const char* text) const {
    std::string message = text ? text : "";
    const MessageEntry* entry = Find(tag);
    if (entry && entry->text[0] != '\0') {
        message += '\n';
        message += entry->text;
    }
    return message;
}

Messages& UserMessages() {
    static Messages messages;
    return messages;
}

int ParseSeverity(const char* text) {
    if (!text || !*text)
        return 0;
    if (EqualsNoCase(text, "Info"))
        return 1;
    if (EqualsNoCase(text, "Warning"))
        return 2;
    if (EqualsNoCase(text, "Error"))
        return 3;
    return -1;
}

const char* SeverityName(int severity) {
    switch (severity) {
        case 0:
            return "None";
        case 1:
            return "Info";
        case 2:
            return "Warning";
        case 3:
            return "Error";
        default:
            return "Invalid format";
    }
}

std::string MessageText(const Messages& messages, const char* tag, const char* fallback) {
    const MessageEntry* entry = messages.Find(tag);
    return entry && entry->text[0] != '\0' ? entry->text : (fallback ? fallback : "");
}
