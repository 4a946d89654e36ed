#include "action_session.h"

#include "action_context.h"

#include <cstdarg>
#include <cstdio>

#include "secrets.h"
#include "text_util.h"

void ActionLog::operator()(const char* format, ...) {
    char line[4096];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    session_.Write(MaskSecrets(line, secrets_));
}

void ActionLog::AddSecret(const std::string& value) {
    if (value.empty())
        return;
    // Longest first, so that a secret holding another one is masked whole.
    auto at = secrets_.begin();
    while (at != secrets_.end() && at->size() >= value.size()) ++at;
    secrets_.insert(at, value);
}

bool IsPasswordName(const std::string& name) {
    return ContainsNoCase(name, "password");
}

std::string ActionContext::Get(const char* name) {
    std::string value = session.Get(name);
    if (IsPasswordName(name))
        log.AddSecret(value);
    return value;
}

void ActionContext::Set(const char* name, const std::string& value) {
    const unsigned status = session.Set(name, value);
    if (status != 0)
        log(".Error: MsiSetProperty (%s) failed: %u", name, status);
}

void HideListedProperties(ActionContext& context) {
    for (const std::string& name : SplitNameList(context.session.Get("MsiHiddenProperties")))
        context.log.AddSecret(context.session.Get(name.c_str()));
}
