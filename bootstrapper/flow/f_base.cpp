#include "f_base.h"

#include <cctype>

#include "log_file.h"
#include "messages.h"
#include "property_store.h"
#include "run_services.h"
#include "text_util.h"

namespace {

const std::size_t kFilterItemSize = 1023;

std::string Capitalised(std::string item) {
    for (std::size_t i = 0; i < item.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(item[i]);
        item[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
    }
    return item;
}

}  // namespace

FBase::FBase() = default;

FlowList& FlowList::operator=(const FlowList& other) {
    if (this == &other)
        return *this;
    elements_.clear();
    for (const auto& element : other.elements_) elements_.push_back(element->Clone());
    return *this;
}

int FBase::CheckImplicitCondition(RunServices& run) {
    return CheckCondition(run, implicit_, "Implicit -> ");
}

int FBase::CheckExplicitCondition(RunServices& run) {
    return CheckCondition(run, explicit_, "Explicit -> ");
}

int FBase::CheckCondition(RunServices& run, std::optional<Expression>& condition,
                          const char* label) {
    if (!condition)
        return 1;
    LogFile& log = run.log;
    log.Line("    Condition : %s%s", label, condition->Text().c_str());
    // The expanded text replaces the stored one: a later check sees it as expanded now.
    condition->SetText(run.properties.Expand(condition->Text().c_str()));
    log.Line("    Condition : %s", condition->Text().c_str());
    const int code = condition->Evaluate();
    if (code != 0) {
        log.Error("Error evaluating expression: %s", Expression::ErrorText(code));
        return -1;
    }
    const bool result = condition->Result() == "1";
    log.Line("    Condition : %s (evaluation result %s)", condition->Result().c_str(),
             result ? "True" : "False");
    return result ? 1 : 0;
}

void FBase::ParseOnFail(const std::string& text, LogFile& log) {
    onFailType_ = kOnFailNone;
    onFailMessage_.clear();
    const std::size_t colon = text.find(':');
    int type = -1;
    if (colon != std::string::npos) {
        type = ParseSeverity(Trim(text.substr(0, colon), " \t").c_str());
        onFailMessage_ = text.substr(colon + 1);
    }
    if (type < 0) {
        log.Warning(
            "Invalid format for attribute OnFail='%s'. It should be "
            "OnFail='<FailType>:<Message>' where FailType may be 'Info', 'Warning' or "
            "'Error'",
            text.c_str());
        return;
    }
    onFailType_ = type;
}

void FBase::ReportOnFail(LogFile& log) const {
    if (onFailMessage_.empty())
        return;
    switch (onFailType_) {
        case kOnFailInfo:
            log.InfoEvent("%s", onFailMessage_.c_str());
            break;
        case kOnFailWarning:
            log.WarningEvent("%s", onFailMessage_.c_str());
            break;
        case kOnFailError:
            log.ErrorEvent("%s", onFailMessage_.c_str());
            break;
        default:
            break;
    }
}

std::string FilterText(const std::string& list, const char* propertyReference) {
    std::string text = "0";
    bool any = false;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        const std::string item =
            Trim(list.substr(start, std::min(comma - start, kFilterItemSize)), " \t");
        // An empty item would leave "[Action]=" without a value and make the condition fail.
        if (!item.empty()) {
            text += std::string(" OR ") + propertyReference + "=" + Capitalised(item);
            any = true;
        }
        start = comma + 1;
    }
    return any ? text : "1";
}

std::string ImplicitConditionText(const std::string& actionList, const std::string& modeList) {
    return "(" + FilterText(actionList, "[Action]") + ") AND (" + FilterText(modeList, "[Mode]") +
           ")";
}

bool RunFlowElement(RunServices& run, FBase& element, int operation) {
    LogFile& log = run.log;
    if (element.CheckImplicitCondition(run) != 1 || element.CheckExplicitCondition(run) != 1) {
        log.Line("    Status    : SKIPPING (condition not met)");
        return true;
    }
    const int result = element.Execute(run, operation);
    if (result == kOnFailInfo || result == kOnFailWarning || result == kOnFailError)
        element.ReportOnFail(log);
    log.Line("    Completed : %s (OnFail -> %s)", result == kOnFailError ? "No" : "Yes",
             SeverityName(result));
    return result != kOnFailError;
}
