#pragma once
// FBase: what every flow element shares: a type tag for the log, an implicit condition
// (the action and mode filter) and an explicit condition (the Condition attribute) that
// decide whether it runs, and the OnFail rule that says what its failure means.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "expression.h"

class LogFile;
struct RunServices;

// OnFail types; also the values Execute returns for a failure.
enum OnFailType { kOnFailNone = 0, kOnFailInfo = 1, kOnFailWarning = 2, kOnFailError = 3 };

class FBase {
  public:
    FBase();
    virtual ~FBase() = default;

    // 1 true, 0 false, -1 evaluation error; 1 without a condition. The condition's property
    // references are expanded with the run's properties.
    virtual int CheckImplicitCondition(RunServices& run);
    virtual int CheckExplicitCondition(RunServices& run);
    virtual std::string GetTag() const { return tag_; }
    // 0 on success, else the OnFail type.
    virtual int Execute(RunServices& run, int operation) = 0;
    // A deep copy (packages completed from a standard package copy its elements).
    virtual std::unique_ptr<FBase> Clone() const = 0;

    const std::string& Description() const { return description_; }
    const std::string& Indent() const { return indent_; }
    void SetImplicitCondition(const std::string& text) { implicit_.emplace(text); }
    void SetExplicitCondition(const std::string& text) { explicit_.emplace(text); }
    const Expression* ImplicitCondition() const { return implicit_ ? &*implicit_ : nullptr; }
    const Expression* ExplicitCondition() const { return explicit_ ? &*explicit_ : nullptr; }

    // Parses "<FailType>:<Message>"; an invalid text is logged and leaves type None.
    void ParseOnFail(const std::string& text, LogFile& log);
    // Gives this element the OnFail rule of another (the children of an Execute entry
    // fail with the rule written on the entry).
    void CopyOnFail(const FBase& other) {
        onFailType_ = other.onFailType_;
        onFailMessage_ = other.onFailMessage_;
    }
    int OnFailType() const { return onFailType_; }
    const std::string& OnFailMessage() const { return onFailMessage_; }
    // Writes the OnFail message with the severity of the OnFail type (forwarded).
    void ReportOnFail(LogFile& log) const;

    int Operation() const { return operation_; }
    void SetOperation(int operation) { operation_ = operation; }
    // Reserved texts; the first names the element's registry bookkeeping key.
    std::string& Reserved(int index) { return reserved_[index]; }

  protected:
    FBase(const FBase&) = default;
    FBase& operator=(const FBase&) = default;

    std::string tag_ = "BASE";
    std::string description_ = "BASE FLOW ELEMENT";
    std::string indent_ = std::string(16, ' ');

  private:
    int CheckCondition(RunServices& run, std::optional<Expression>& condition, const char* label);

    std::array<std::string, 5> reserved_;
    int operation_ = 0;
    std::optional<Expression> implicit_;
    std::optional<Expression> explicit_;
    int onFailType_ = kOnFailNone;
    std::string onFailMessage_;
};

// An owning list of flow elements; copying it copies every element.
class FlowList {
  public:
    FlowList() = default;
    FlowList(const FlowList& other) { *this = other; }
    FlowList& operator=(const FlowList& other);
    FlowList(FlowList&&) = default;
    FlowList& operator=(FlowList&&) = default;

    void Add(std::unique_ptr<FBase> element) { elements_.push_back(std::move(element)); }
    std::size_t Size() const { return elements_.size(); }
    bool Empty() const { return elements_.empty(); }
    FBase& At(std::size_t index) const { return *elements_[index]; }
    auto begin() const { return elements_.begin(); }
    auto end() const { return elements_.end(); }

  private:
    std::vector<std::unique_ptr<FBase>> elements_;
};

// The implicit condition of an element from its action and mode lists:
// "(0 OR [Action]=Install OR [Action]=Repair) AND (1)".
std::string FilterText(const std::string& list, const char* propertyReference);
std::string ImplicitConditionText(const std::string& actionList, const std::string& modeList);

// Runs one element as the installer does: both conditions must hold, then Execute, then
// the OnFail rule. Returns false when the element failed the flow (OnFail Error).
bool RunFlowElement(RunServices& run, FBase& element, int operation);
