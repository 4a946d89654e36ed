// Fuzz target: a condition as the run evaluates it. The input is expanded with a property
// store (as every condition is before evaluation) and evaluated; plug-in calls go to a
// fake that answers from its argument, so that texts returned by calls are evaluated too.

#include <cstddef>
#include <cstdint>
#include <string>

#include "expression.h"
#include "plugin_call.h"
#include "property_store.h"

namespace {

int EchoCaller(const char* callText, std::string* text, int* number, std::string* error) {
    const std::string call = callText;
    if (call.find("Fail") != std::string::npos) {
        *error = "failed";
        return kPluginFailed;
    }
    if (call.find("Number") != std::string::npos) {
        *number = static_cast<int>(call.size());
        return kPluginInteger;
    }
    *text = call.substr(call.find('(') == std::string::npos ? 0 : call.find('(') + 1);
    return kPluginText;
}

PropertyStore& Store() {
    static PropertyStore* store = [] {
        auto* created = new PropertyStore();
        created->Set("Action", "Install", true);
        created->Set("Mode", "Silent", true);
        created->Set("MainIsInstalled", "0", true);
        created->Set("Version", "1.2.3", true);
        created->Set("Empty", "", true);
        created->Set("Nested", "[Action]", true);
        created->Set("Call", "utils.CallProc:Echo([Version])", true);
        created->Set("Number", "-2147483648", true);
        return created;
    }();
    return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetPluginCaller(EchoCaller);
    SetCurrentPropertyStore(&Store());
    const std::string input(reinterpret_cast<const char*>(data), size);
    Expression expression(Store().Expand(input.c_str()));
    if (expression.Evaluate() == kExprOk) {
        // A value is evaluated again as the property elements do with computed values.
        Expression again(expression.Result());
        again.Evaluate();
    }
    int value = 0;
    IsExpressionInteger(input, &value);
    return 0;
}
