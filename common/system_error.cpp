#include "system_error.h"

#include "log_file.h"
#include "platform.h"
#include "text_util.h"

std::string SystemErrorText(long code, const char* fallback) {
    std::string text;
    if (platform::SystemMessage(code, &text)) {
        text = Trim(text, " \t\r\n");
        if (!text.empty())
            return text;
    }
    if (fallback)
        return fallback;
    return FormatText("CANNOT FORMAT ERROR MESSAGE FOR CODE '%ld'!", code);
}

void LogSystemError(long code, const char* context, const char* indent) {
    LogSystemError(Log(), code, context, indent);
}

void LogSystemError(LogFile& log, long code, const char* context, const char* indent) {
    if (!indent)
        indent = "";
    if (!context)
        context = "";
    log.Line("%s", indent);
    log.Line("%sContext:    %s", indent, context);
    log.Line("%sError code: %ld", indent, code);
    log.Line("%sError descr:%s\n", indent, SystemErrorText(code, "").c_str());
}
