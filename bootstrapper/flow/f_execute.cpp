#include "f_execute.h"

#include <cctype>

#include "log_file.h"
#include "plugin_call.h"
#include "property_store.h"
#include "run_services.h"

namespace {

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

std::string NameBeforeEquals(const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
        return assignment;
    return assignment.substr(0, equals);
}

}  // namespace

bool IsPropertyName(const std::string& text) {
    if (text.empty())
        return false;
    const unsigned char first = static_cast<unsigned char>(text[0]);
    if (!std::isalpha(first) && first != '_')
        return false;
    for (char c : text) {
        if (!IsNameChar(c))
            return false;
    }
    return true;
}

bool IsAssignment(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    return i > 0 && i + 1 < text.size() && text[i] == '=';
}

FProperty::FProperty(const std::string& assignment) : assignment_(assignment) {
    tag_ = assignment.empty() ? "PROPERTY" : "PROPERTY " + NameBeforeEquals(assignment);
    description_.clear();
}

int FProperty::Execute(RunServices& run, int /*operation*/) {
    LogFile& log = run.log;
    log.Line("    Property  : '%s'", assignment_.c_str());
    if (!IsAssignment(assignment_)) {
        log.Error("Property set syntax error matching '%s'", assignment_.c_str());
        return OnFailType();
    }
    const std::size_t equals = assignment_.find('=');
    const std::string name = assignment_.substr(0, equals);
    const std::string value = run.properties.Expand(assignment_.substr(equals + 1).c_str());
    if (!exprEval_) {
        run.properties.Set(name.c_str(), value.c_str(), true);
        log.Line("    Property  : ExprEval='No' -> '%s=%s'", name.c_str(), value.c_str());
        return 0;
    }
    Expression expression(value);
    const int code = expression.Evaluate();
    if (code != 0) {
        log.Error("Error evaluating expression during property set: %s",
                  Expression::ErrorText(code));
        return OnFailType();
    }
    run.properties.Set(name.c_str(), expression.Result().c_str(), true);
    log.Line("    Property  : ExprEval='Yes' -> '%s=%s'", name.c_str(),
             expression.Result().c_str());
    return 0;
}

FDllCall::FDllCall(const std::string& call) : call_(call) {
    tag_ = "DLLCALL";
    description_.clear();
    indent_.clear();
}

bool FDllCall::Split(const std::string& text, Parts* parts, LogFile& log) {
    *parts = Parts{};
    parts->call = text;
    const std::size_t colon = parts->call.rfind(':');
    if (colon != std::string::npos && parts->call.find(')', colon) == std::string::npos) {
        parts->nameAfter = parts->call.substr(colon + 1);
        parts->call.erase(colon);
        if (!IsPropertyName(parts->nameAfter)) {
            log.Error("Not a valid property name '%s'", parts->nameAfter.c_str());
            return false;
        }
    }
    if (IsAssignment(parts->call)) {
        const std::size_t equals = parts->call.find('=');
        parts->nameBefore = parts->call.substr(0, equals);
        parts->call.erase(0, equals + 1);
    }
    return true;
}

int FDllCall::Execute(RunServices& run, int /*operation*/) {
    LogFile& log = run.log;
    log.Line("    DLL call  : '%s'", call_.c_str());
    if (call_.empty())
        return 0;
    Parts parts;
    if (!Split(call_, &parts, log))
        return OnFailType();
    const std::string call = run.properties.Expand(parts.call.c_str());
    std::string value, error;
    if (!CallPluginForText(call.c_str(), &value, &error)) {
        log.Error("Method evaluation: %s", error.c_str());
        return OnFailType();
    }
    for (const std::string* name : {&parts.nameAfter, &parts.nameBefore}) {
        if (name->empty())
            continue;
        run.properties.Set(name->c_str(), value.c_str(), true);
        log.Line("    DLL call  : %s = %s", name->c_str(), value.c_str());
    }
    return 0;
}

FExecute::FExecute() {
    tag_ = "EXECUTE";
    description_ = "EXECUTE";
}

FExecute::FExecute(const FExecute& other)
    : FBase(other),
      dllCall_(other.dllCall_ ? std::make_unique<FDllCall>(*other.dllCall_) : nullptr),
      property_(other.property_ ? std::make_unique<FProperty>(*other.property_) : nullptr) {}

std::string FExecute::GetTag() const {
    if (dllCall_)
        return dllCall_->GetTag();
    if (property_)
        return property_->GetTag();
    return tag_;
}

void FExecute::SetExprEval(bool value) {
    if (dllCall_)
        dllCall_->SetExprEval(value);
    if (property_)
        property_->SetExprEval(value);
}

int FExecute::Execute(RunServices& run, int operation) {
    if (dllCall_ && property_) {
        run.log.Error("Cannot execute both: DllCall and Property set");
        return OnFailType();
    }
    if (dllCall_)
        return dllCall_->Execute(run, operation);
    if (property_)
        return property_->Execute(run, operation);
    return OnFailType();
}
