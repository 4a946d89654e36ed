#pragma once
// Expression: one condition or computed value of the configuration, such as
// '[Action]=Install AND [MainIsInstalled]=0' or 'utils.CallProc:Method(x)'.
//
// Callers expand property references first and hand over the expanded text. The text is
// tokenized, put in postfix order by precedence and checked; an expression with at least
// one operator is then evaluated to a value ("1" / "0" for conditions), one without any
// operator is returned as written with only its function tokens (plug-in calls, quoted
// texts) replaced by their values. Errors are returned as codes, never thrown.
//
// Plug-in calls go through CallPluginProcedure of plugin_call.h; tests put a fake in its
// place with SetPluginCaller.

#include <string>

enum ExpressionError {
    kExprOk = 0,
    kExprParenthesisMismatch = 1,
    kExprTooManyValues = 2,
    kExprEvaluationError = 3,
    kExprOperandCount = 4,
    kExprOperandSyntax = 5,
    kExprGeneralError = 6,
};

class Expression {
  public:
    Expression() = default;
    explicit Expression(std::string text);

    void SetText(std::string text);
    const std::string& Text() const { return text_; }

    // An ExpressionError; on kExprOk the result is set, otherwise it is left as it was.
    int Evaluate();
    const std::string& Result() const { return result_; }
    // Operators (parentheses included, functions not) found by the last evaluation.
    int OperatorCount() const { return operatorCount_; }

    // The text every caller logs for a code: "parenthesis mismatch", ...; "" for 0 and
    // for codes outside the table.
    static const char* ErrorText(int code);

  private:
    std::string text_;
    std::string result_;
    int operatorCount_ = 0;
};

// Integer test of the evaluator: "5", " 5 ", "+5", "-5" are integers; "05", "5x", "-0"
// and values outside the 32-bit range are not. *value is written only on success.
bool IsExpressionInteger(const std::string& text, int* value);
