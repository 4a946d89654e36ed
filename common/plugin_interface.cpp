#include "plugin_interface.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "property_store.h"
#include "secrets.h"
#include "str_util.h"

namespace {

struct PluginData {
    PropertyStore* store = nullptr;
    char path[kPluginPathSize] = {};
    int consoleSink = -1;
};

PluginData& Data() {
    static PluginData data;
    return data;
}

PluginMessageHook g_messageHook = nullptr;

const std::size_t kMaxMessageLength = 4095;

void WriteLogEntry(LogSeverity severity, const std::string& text) {
    switch (severity) {
        case kLogError:
            Log().Error("%s", text.c_str());
            break;
        case kLogWarning:
            Log().Warning("%s", text.c_str());
            break;
        case kLogInfo:
            Log().Info("%s", text.c_str());
            break;
        default:
            Log().Line("%s", text.c_str());
            break;
    }
}

// Logs the outcome of a procedure and turns a kind-0 result into its decimal text.
void ReportResult(PluginSession session, const PluginProcEntry& entry, int value, int status,
                  char* buffer, int size) {
    std::string message = buffer;
    if (entry.kind == kProcInteger) {
        if (status == 0)
            StrCopyTruncated(buffer, FormatText("%d", value).c_str(), size);
        PluginLog(session, kLogPlain, "    Proc call : returned (int) '%d'", value);
    } else {
        message.clear();
        PluginLog(session, kLogPlain, "    Proc call : returned (str) '%s'", buffer);
    }
    if (!message.empty())
        PluginLog(session, kLogPlain, "    Proc call : message '%s'", message.c_str());
}

// Turns the not-found and bad-count statuses into 87 with their error entries.
int OutwardStatus(PluginSession session, const std::string& name, int status) {
    if (status == ERR_PROC_NOT_FOUND) {
        PluginLog(session, kLogError, "Proc %s not found", name.c_str());
        return kPluginInvalidParameter;
    }
    if (status == ERR_PROC_BAD_ARG_COUNT) {
        PluginLog(session, kLogError, "Proc %s has an incorrect number of parameters",
                  name.c_str());
        return kPluginInvalidParameter;
    }
    return status;
}

bool ParseBounded(const char* text, PluginCall* call, PluginSession session) {
    std::vector<char> copy(kPluginCallBufferSize, '\0');
    StrNCopy(copy.data(), text ? text : "", copy.size());
    if (ParsePluginCall(copy.data(), call))
        return true;
    PluginLog(session, kLogError, "CallProc> Incorrect format for '%s'", copy.data());
    return false;
}

}  // namespace

const PluginProcEntry* FindPluginProc(const PluginProcTable& table, const char* name) {
    for (int i = 0; i < table.count; ++i) {
        if (std::strcmp(table.entries[i].name, name) == 0)
            return &table.entries[i];
    }
    return nullptr;
}

bool ParsePluginCall(const char* text, PluginCall* call) {
    const std::string whole = text ? text : "";
    const std::size_t open = whole.find('(');
    const std::size_t close = whole.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    call->name = whole.substr(0, open);
    const std::string arguments = whole.substr(open + 1, close - open - 1);
    call->pieces = SplitTokens(arguments.c_str(), '|', 0);
    const std::size_t colon = whole.find(':', close);
    call->returnProperty = colon == std::string::npos ? std::string() : whole.substr(colon + 1);
    return true;
}

PluginArguments::PluginArguments(const PluginCall& call, const PropertyStore* store) {
    const std::size_t passed =
        std::min(call.pieces.size(), static_cast<std::size_t>(kPluginMaxArguments));
    complete_ = passed == call.pieces.size();
    argc_ = static_cast<int>(passed) + 1;
    texts_.reserve(passed + 1);
    texts_.push_back(call.name);
    for (std::size_t i = 0; i < passed; ++i) {
        const std::string& piece = call.pieces[i];
        texts_.push_back(store ? store->Expand(piece.c_str(), "[", "]", "Property.") : piece);
        display_ += (i == 0 ? "" : "|") + texts_.back();
    }
    for (std::size_t i = 0; i < texts_.size(); ++i) argv_[i] = &texts_[i][0];
}

void SetPluginStatus(int* error, int status) {
    if (error)
        *error = status;
}

bool CheckPluginArgCount(int argc, int minimum, int maximum, int* error) {
    const int count = argc - 1;
    const bool accepted = count >= minimum && (maximum < 0 || count <= maximum);
    SetPluginStatus(error, accepted ? 0 : ERR_PROC_BAD_ARG_COUNT);
    return accepted;
}

int DispatchPluginCall(const PluginProcTable& table, const char* call, int* intResult, char* result,
                       int resultSize, int* error) {
    PluginCall parsed;
    if (!ParseBounded(call, &parsed, 0)) {
        SetPluginStatus(error, kPluginInvalidParameter);
        return -1;
    }
    PluginArguments arguments(parsed, PluginProperties());
    int status = ERR_PROC_NOT_FOUND;
    int kind = -1;
    const PluginProcEntry* entry = FindPluginProc(table, parsed.name.c_str());
    if (entry && !arguments.Complete()) {
        status = ERR_PROC_BAD_ARG_COUNT;
    } else if (entry) {
        PluginLog(0, kLogPlain, "    Proc call : calling %s(%s)", parsed.name.c_str(),
                  arguments.Display().c_str());
        int localInt = 0;
        char localBuffer[kPluginResultBufferSize];
        if (!intResult)
            intResult = &localInt;
        if (!result || resultSize <= 0) {
            result = localBuffer;
            resultSize = sizeof(localBuffer);
        }
        result[0] = '\0';
        const int value =
            entry->function(0, arguments.Argc(), arguments.Argv(), result, resultSize, &status);
        *intResult = value;
        ReportResult(0, *entry, value, status, result, resultSize);
        if (status == 0)
            kind = entry->kind;
    }
    status = OutwardStatus(0, parsed.name, status);
    SetPluginStatus(error, status);
    return kind;
}

unsigned RunSessionCall(const PluginProcTable& table, PluginSession session, const char* text,
                        std::string* returnProperty, std::string* value) {
    returnProperty->clear();
    value->clear();
    PluginCall parsed;
    if (!ParseBounded(text, &parsed, session))
        return kPluginInvalidParameter;
    PluginArguments arguments(parsed, PluginProperties());
    int status = ERR_PROC_NOT_FOUND;
    char buffer[kPluginResultBufferSize] = {};
    const PluginProcEntry* entry = FindPluginProc(table, parsed.name.c_str());
    if (entry && !arguments.Complete()) {
        status = ERR_PROC_BAD_ARG_COUNT;
    } else if (entry) {
        PluginLog(session, kLogInfo, ".Info: CallProc> Calling %s(%s)", parsed.name.c_str(),
                  arguments.Display().c_str());
        const int result = entry->function(session, arguments.Argc(), arguments.Argv(), buffer,
                                           sizeof(buffer), &status);
        ReportResult(session, *entry, result, status, buffer, sizeof(buffer));
    }
    if (OutwardStatus(session, parsed.name, status) != status)
        return kPluginInvalidParameter;
    *returnProperty = parsed.returnProperty;
    *value = buffer;
    return 0;
}

void SetPluginData(void* console, PropertyStore* store, const char* path) {
    PluginData& data = Data();
    if (data.consoleSink >= 0)
        Log().RemoveSink(data.consoleSink);
    data.consoleSink = console ? Log().AddHandleSink(console) : -1;
    data.store = store;
    // The library's own log lines (call arguments among them) mask the caller's secrets.
    Log().SetSecretSource(store);
    data.path[0] = '\0';
    StrNCopy(data.path, path ? path : "");
}

PropertyStore* PluginProperties() {
    return Data().store;
}

const char* PluginDataPath() {
    return Data().path;
}

void SetPluginMessageHook(PluginMessageHook hook) {
    g_messageHook = hook;
}

void PluginLog(PluginSession session, LogSeverity severity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextV(format, args);
    va_end(args);
    if (session != 0 && g_messageHook) {
        // The installer's log gets what setup's log gets: no secret value.
        const PropertyStore* secrets = Log().SecretSource();
        const std::string shown = secrets ? MaskSecretText(text, *secrets) : text;
        g_messageHook(session, shown.substr(0, kMaxMessageLength).c_str());
    }
    WriteLogEntry(severity, text);
}

int PluginProcNotAvailable(int argc, char** argv, int minimum, int maximum, int* error) {
    if (!CheckPluginArgCount(argc, minimum, maximum, error))
        return 0;
    PluginLog(0, kLogError, "%s is not available in this build", argv[0]);
    SetPluginStatus(error, kPluginNotAvailable);
    return 0;
}
