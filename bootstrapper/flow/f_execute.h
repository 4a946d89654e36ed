#pragma once
// The flow elements that change the run's state without touching the machine: a property
// assignment (FProperty), a plug-in procedure call whose result may be stored in
// properties (FDllCall), and FExecute, which carries the shared attributes of an Execute
// entry and runs its one child.

#include <memory>
#include <string>

#include "f_base.h"

class FProperty : public FBase {
  public:
    // assignment: "<Name>=<Value>"; empty for an element without one.
    explicit FProperty(const std::string& assignment);
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FProperty>(*this); }

    const std::string& Assignment() const { return assignment_; }
    bool ExprEval() const { return exprEval_; }
    void SetExprEval(bool value) { exprEval_ = value; }

  private:
    std::string assignment_;
    bool exprEval_ = true;
};

class FDllCall : public FBase {
  public:
    // call: "[<Name>=]<library>.CallProc:<procedure>(<arguments>)[:<Name2>]"
    explicit FDllCall(const std::string& call);
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FDllCall>(*this); }

    const std::string& Call() const { return call_; }
    void SetExprEval(bool value) { exprEval_ = value; }

    // The call split into its result names and the procedure call; false (logged) when
    // the name after the call is not a property name.
    struct Parts {
        std::string nameBefore;
        std::string call;
        std::string nameAfter;
    };
    static bool Split(const std::string& text, Parts* parts, LogFile& log);

  private:
    std::string call_;
    bool exprEval_ = true;  // kept for the Execute entry's ExprEval; a call never evaluates
};

class FExecute : public FBase {
  public:
    FExecute();
    FExecute(const FExecute& other);
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FExecute>(*this); }
    std::string GetTag() const override;

    void SetDllCall(std::unique_ptr<FDllCall> call) { dllCall_ = std::move(call); }
    void SetProperty(std::unique_ptr<FProperty> property) { property_ = std::move(property); }
    FDllCall* DllCall() const { return dllCall_.get(); }
    FProperty* Property() const { return property_.get(); }
    void SetExprEval(bool value);

  private:
    std::unique_ptr<FDllCall> dllCall_;
    std::unique_ptr<FProperty> property_;
};

// A property name: a letter or "_", then letters, digits, "_" or ".".
bool IsPropertyName(const std::string& text);
// "<name>=<value>" with a name of letters, digits, "_" or "." and a value that is not empty.
bool IsAssignment(const std::string& text);
