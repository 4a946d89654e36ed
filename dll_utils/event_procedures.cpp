// LogEventMessage through the run's event-log writer.

#include "event_procedures.h"

#include <string>

#include "clock.h"
#include "event_logger.h"
#include "log_file.h"
#include "text_util.h"
#include "utils_machine.h"

namespace {

int Category(PluginSession session, int argc, char** argv) {
    if (argc < 3)
        return EventLogger::kInfo;
    const char* severity = argv[2];
    if (EqualsNoCase(severity, "Error"))
        return EventLogger::kError;
    if (EqualsNoCase(severity, "Warning"))
        return EventLogger::kWarning;
    if (!EqualsNoCase(severity, "Info"))
        PluginLog(session, kLogWarning, "Invalid severity '%s'; assuming 'Info'", severity);
    return EventLogger::kInfo;
}

}  // namespace

int LogEventMessageProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    std::string product;
    if (!ProcProperty(session, "ProductName", &product) || product.empty()) {
        PluginLog(session, kLogError, "'%s' property not found", "ProductName");
        return 0;
    }
    const int category = Category(session, argc, argv);
    EventLogger events;
    events.SetName(product.c_str());
    events.Attach(*Machine().events, *Machine().registry, Log(), SystemClock());
    events.Write(category, 0, argv[1]);
    return 1;
}
