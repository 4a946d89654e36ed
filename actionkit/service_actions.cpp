#include <cstdlib>
#include <string>

#include "actions.h"
#include "text_util.h"

namespace {

const unsigned long kNever = 0xFFFFFFFFul;
const std::size_t kMaxActions = 16;

// The words of a list separated by ",", ";", "|" or blanks.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text + ",") {
        if (c == ',' || c == ';' || c == '|' || c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

}  // namespace

bool ParseServiceRecovery(const std::string& resetPeriod, const std::string& actions,
                          ServiceRecovery* recovery) {
    *recovery = ServiceRecovery{};
    if (EqualsNoCase(resetPeriod.c_str(), "Infinite")) {
        recovery->resetSeconds = kNever;
    } else if (!resetPeriod.empty()) {
        char* end = nullptr;
        const unsigned long long seconds = std::strtoull(resetPeriod.c_str(), &end, 10);
        if (*end != '\0' || resetPeriod[0] == '-' || seconds >= kNever)
            return false;
        recovery->resetSeconds = static_cast<unsigned long>(seconds);
    }
    for (const std::string& word : Words(actions)) {
        if (EqualsNoCase(word.c_str(), "restart"))
            recovery->restart.push_back(true);
        else if (EqualsNoCase(word.c_str(), "nothing"))
            recovery->restart.push_back(false);
        else
            return false;
    }
    return !recovery->restart.empty() && recovery->restart.size() <= kMaxActions;
}

// "ServiceResetPeriod" is a number of seconds (empty: 0) or "Infinite"; "ServiceFailActions"
// lists "restart" or "nothing" per failure (a restart after one minute). A setting that does
// not read changes nothing. Problems are logged; the installation goes on.
unsigned ConfigServiceOnFailureAction(ActionContext& context) {
    context.log(".CA-ConfigServiceOnFailure");
    const std::string service = context.Get("ServiceName");
    if (service.empty()) {
        context.log(".Error: ServiceName property not set");
        return kActionSuccess;
    }
    const std::string actions = context.Get("ServiceFailActions");
    if (actions.empty()) {
        context.log(".Error: ServiceFailActions property not set");
        return kActionSuccess;
    }
    const std::string reset = context.Get("ServiceResetPeriod");
    ServiceRecovery recovery;
    if (!ParseServiceRecovery(reset, actions, &recovery)) {
        context.log(".Error: ServiceResetPeriod '%s' or ServiceFailActions '%s' not understood",
                    reset.c_str(), actions.c_str());
        return kActionSuccess;
    }
    unsigned long error = 0;
    switch (context.machine.SetServiceRecovery(service, recovery, &error)) {
        case ServiceStep::kDone:
            context.log(".Config for the %s service changed successfully", service.c_str());
            break;
        case ServiceStep::kOpenManager:
            context.log(".Error: Could not open the SCManager (%lu)", error);
            break;
        case ServiceStep::kLockDatabase:
            context.log(".Error: Could not lock the Service Database (%lu)", error);
            break;
        case ServiceStep::kOpenService:
            context.log(".Error: Could not open the %s service (%lu)", service.c_str(), error);
            break;
        case ServiceStep::kChange:
            context.log(".Error: Could not change the config for the %s service (%lu)",
                        service.c_str(), error);
            break;
    }
    return kActionSuccess;
}
