#include "call_dispatch.h"

#include <cstdio>
#include <cstring>

#include "str_util.h"

namespace {

// The call text is read into a buffer of this size; longer texts are refused.
const std::size_t kCallTextSize = 4096;

std::string ReadCallText(ActionContext& context) {
    std::string text = context.Get("CustomActionData");
    if (!text.empty())
        return text;
    context.log(
        ".Info: CallProc> CustomActionData property not found. Maybe not deferred. Trying for "
        "CallProcData.");
    return context.Get("CallProcData");
}

// Runs the entry; returns the procedure's code, with the result text in *result.
int Invoke(ActionContext& context, const CallEntry& entry, ActionCall& call, std::string* result) {
    std::vector<char*> argv(kCallMaxArguments + 2, nullptr);
    argv[0] = &call.name[0];
    for (std::size_t i = 0; i < call.arguments.size(); ++i) argv[i + 1] = &call.arguments[i][0];
    const int argc = static_cast<int>(call.arguments.size()) + 1;
    char buffer[kCallResultSize] = {};
    context.log(".Info: CallProc> Calling %s(), Params = %d", entry.name, argc);
    const int code = entry.function(context, argc, argv.data(), buffer);
    buffer[kCallResultSize - 1] = '\0';
    if (entry.kind == 0 && code != kCallNotFound && code != kCallBadArgCount)
        std::snprintf(buffer, sizeof(buffer), "%d", code);
    context.log(".Info: CallProc> %s() returned %d (Str = %s)", entry.name, code, buffer);
    *result = buffer;
    return code;
}

unsigned Refuse(ActionContext& context, int code, const std::string& name) {
    if (code == kCallBadArgCount)
        context.log(".Error: CallProc> Proc %s - incorrect number of parameters", name.c_str());
    else if (code == kCallNotAvailable)
        context.log(".Error: CallProc> Proc %s is not available in this build", name.c_str());
    else
        context.log(".Error: CallProc> Proc %s not found", name.c_str());
    return kActionFailure;
}

}  // namespace

void HideCallSecrets(ActionContext& context, const ActionCall& call) {
    if (call.name == "CheckLoginCredentials" && call.arguments.size() >= 2)
        context.log.AddSecret(call.arguments[1]);
}

bool ParseActionCall(const std::string& text, ActionCall* call) {
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    call->name = text.substr(0, open);
    call->arguments.clear();
    const std::string inner = text.substr(open + 1, close - open - 1);
    for (const std::string& piece : SplitTokens(inner.c_str(), '|', 0)) {
        if (!piece.empty() && call->arguments.size() < kCallMaxArguments)
            call->arguments.push_back(piece);
    }
    const std::size_t colon = text.find(':', close);
    call->returnProperty = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    return true;
}

unsigned RunCallProc(ActionContext& context) {
    context.log(".Info: Executing CallProc Custom Action");
    return RunCallText(context, ReadCallText(context));
}

unsigned RunCallText(ActionContext& context, const std::string& text) {
    if (text.empty()) {
        context.log(".Error: CallProc> Property not found: %s", "CustomActionData/CallProcData");
        return kActionFailure;
    }
    if (text.size() >= kCallTextSize) {
        context.log(".Error: CallProc> Arguments longer than %d characters",
                    static_cast<int>(kCallTextSize - 1));
        return kActionFailure;
    }
    ActionCall call;
    const bool parsed = ParseActionCall(text, &call);
    if (parsed)
        HideCallSecrets(context, call);
    context.log(".Info: CallProc> Arguments: %s", text.c_str());
    if (!parsed) {
        context.log(".Error: CallProc> Incorrect format");
        return kActionFailure;
    }
    const CallEntry* entry = FindCallEntry(call.name);
    if (!entry)
        return Refuse(context, kCallNotFound, call.name);
    std::string result;
    const int code = Invoke(context, *entry, call, &result);
    if (code == kCallNotFound || code == kCallBadArgCount || code == kCallNotAvailable)
        return Refuse(context, code, call.name);
    if (!call.returnProperty.empty()) {
        context.log(".Info: CallProc> Return property: %s = %s", call.returnProperty.c_str(),
                    result.c_str());
        const unsigned status = context.session.Set(call.returnProperty.c_str(), result);
        if (status != 0)
            context.log(".Error: CallProc> MsiSetProperty (%s, %s) failed: %u",
                        call.returnProperty.c_str(), result.c_str(), status);
    }
    context.log(".Info: CallProc Custom Action executed");
    return kActionSuccess;
}
