#include "plugin_call.h"

#include "log_file.h"

namespace {

int Unavailable(const char*, std::string*, int*, std::string* error) {
    *error = "plug-in calls are not available in this build";
    return kPluginFailed;
}

PluginCaller g_caller = Unavailable;

}  // namespace

void SetPluginCaller(PluginCaller caller) {
    g_caller = caller ? caller : Unavailable;
}

int CallPluginProcedure(const char* callText, std::string* text, int* number, std::string* error) {
    text->clear();
    error->clear();
    *number = 0;
    return g_caller(callText ? callText : "", text, number, error);
}

bool CallPluginForText(const char* callText, std::string* value, std::string* error) {
    int number = 0;
    const int kind = CallPluginProcedure(callText, value, &number, error);
    if (kind == kPluginInteger)
        *value = FormatText("%d", number);
    return kind != kPluginFailed;
}
