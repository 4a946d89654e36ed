#include "expression.h"

#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "token.h"

namespace {

using TokenList = std::vector<std::unique_ptr<Token>>;

const char* const kErrorTexts[] = {
    "",
    "parenthesis mismatch",
    "too many values (check for extra spaces in current expression)",
    "evaluation error",
    "invalid operands number",
    "invalid operands syntax",
    "general error",
};

int ToExpressionError(int evaluationCode) {
    switch (evaluationCode) {
        case kEvalOperandCount:
            return kExprOperandCount;
        case kEvalBadOperands:
            return kExprOperandSyntax;
        case kEvalFailed:
            return kExprEvaluationError;
        default:
            return kExprOk;
    }
}

// Only tokens of type Operator or Function are Operator objects.
const Operator& AsOperator(const Token& token) {
    return static_cast<const Operator&>(token);
}

bool IsOpening(const Token& token) {
    return token.Type() == kTokenOperator && AsOperator(token).Kind() == kOperatorOpen;
}

// Moves operators from the stack to the output down to the nearest opening parenthesis,
// which is dropped; false when the stack runs empty first.
bool CloseParenthesis(TokenList* stack, TokenList* output) {
    while (!stack->empty()) {
        std::unique_ptr<Token> top = std::move(stack->back());
        stack->pop_back();
        if (IsOpening(*top))
            return true;
        output->push_back(std::move(top));
    }
    return false;
}

// Operators that bind at least as tightly leave the stack first: equal precedence
// associates to the left.
void PushOperator(std::unique_ptr<Token> token, TokenList* stack, TokenList* output) {
    const int precedence = AsOperator(*token).Precedence();
    while (!stack->empty() && !IsOpening(*stack->back()) &&
           AsOperator(*stack->back()).Precedence() <= precedence) {
        output->push_back(std::move(stack->back()));
        stack->pop_back();
    }
    stack->push_back(std::move(token));
}

// Reorders the tokens into postfix order and counts the operators.
int ToPostfix(TokenList* tokens, int* operatorCount) {
    TokenList output;
    TokenList stack;
    for (std::unique_ptr<Token>& token : *tokens) {
        if (token->Type() != kTokenOperator) {
            output.push_back(std::move(token));
            continue;
        }
        ++*operatorCount;
        const OperatorKind kind = AsOperator(*token).Kind();
        if (kind == kOperatorOpen) {
            stack.push_back(std::move(token));
        } else if (kind == kOperatorClose) {
            if (!CloseParenthesis(&stack, &output))
                return kExprParenthesisMismatch;
        } else {
            PushOperator(std::move(token), &stack, &output);
        }
    }
    // What is left goes out unchecked; an unmatched opening parenthesis then leaves an
    // extra value behind, which the check reports.
    for (; !stack.empty(); stack.pop_back()) output.push_back(std::move(stack.back()));
    *tokens = std::move(output);
    return kExprOk;
}

// Runs the postfix list on a stack of values. With evaluate false it only checks the
// shape, so that a malformed expression is refused before any plug-in is called.
int RunPostfix(const TokenList& postfix, bool evaluate, std::string* result) {
    std::vector<std::string> values;
    for (const std::unique_ptr<Token>& token : postfix) {
        if (token->Type() == kTokenOperand) {
            values.push_back(token->Text());
            continue;
        }
        const Operator& op = AsOperator(*token);
        const std::size_t arity = static_cast<std::size_t>(op.Arity());
        if (values.size() < arity)
            return kExprOperandCount;
        const auto first = values.end() - static_cast<std::ptrdiff_t>(arity);
        std::vector<std::string> operands(std::make_move_iterator(first),
                                          std::make_move_iterator(values.end()));
        values.erase(first, values.end());
        std::string value;
        const int code = evaluate ? ToExpressionError(op.Evaluate(operands, &value)) : kExprOk;
        if (code != kExprOk)
            return code;
        values.push_back(std::move(value));
    }
    if (values.size() != 1)
        return kExprTooManyValues;
    if (evaluate)
        *result = std::move(values.front());
    return kExprOk;
}

// An expression without operators is a text: everything stays as written except the
// function tokens, which are replaced by their values.
int ReplaceFunctions(const std::string& text, const TokenList& tokens, std::string* result) {
    std::string out;
    std::size_t cursor = 0;
    for (const std::unique_ptr<Token>& token : tokens) {
        if (token->Type() != kTokenFunction)
            continue;
        const std::size_t at = text.find(token->Text(), cursor);
        if (at == std::string::npos)
            return kExprGeneralError;  // tokens are cut from this very text
        std::string value;
        const int code = ToExpressionError(token->Evaluate({}, &value));
        if (code != kExprOk)
            return code;
        out.append(text, cursor, at - cursor);
        out += value;
        cursor = at + token->Text().size();
    }
    out.append(text, cursor, std::string::npos);
    *result = std::move(out);
    return kExprOk;
}

}  // namespace

Expression::Expression(std::string text) : text_(std::move(text)) {}

void Expression::SetText(std::string text) {
    text_ = std::move(text);
}

int Expression::Evaluate() {
    TokenList tokens;
    Tokenize(text_, &tokens);
    operatorCount_ = 0;
    int code = ToPostfix(&tokens, &operatorCount_);
    if (code == kExprOk && operatorCount_ > 0)
        code = RunPostfix(tokens, false, nullptr);
    if (code != kExprOk)
        return code;
    if (operatorCount_ > 0)
        return RunPostfix(tokens, true, &result_);
    return ReplaceFunctions(text_, tokens, &result_);
}

const char* Expression::ErrorText(int code) {
    const int count = static_cast<int>(sizeof(kErrorTexts) / sizeof(kErrorTexts[0]));
    return (code > 0 && code < count) ? kErrorTexts[code] : "";
}
