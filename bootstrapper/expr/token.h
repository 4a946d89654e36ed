#pragma once
// The lexical side of the expression language: tokens, the fixed table of operator kinds
// with the scan patterns that recognise them, and the tokenizer.
//
// Property references have been replaced by their values before a text reaches the
// tokenizer, so a bracketed name that is still there names an unknown property.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "expr_match.h"

enum TokenType { kTokenOperand = 0, kTokenOperator = 1, kTokenFunction = 2 };

// Kinds 0 to 10 are operators, 11 to 13 functions (tokens that evaluate to a value by
// themselves); 14 stands for any unknown kind.
enum OperatorKind {
    kOperatorAnd = 0,
    kOperatorOr = 1,
    kOperatorNot = 2,
    kOperatorOpen = 3,
    kOperatorClose = 4,
    kOperatorEq = 5,
    kOperatorNe = 6,
    kOperatorLt = 7,
    kOperatorLe = 8,
    kOperatorGt = 9,
    kOperatorGe = 10,
    kOperatorDllCall = 11,
    kOperatorProperty = 12,
    kOperatorQuoted = 13,
    kOperatorUnknown = 14,
};
constexpr int kOperatorKindCount = 14;

// Codes of a token's Evaluate.
enum EvaluationCode {
    kEvalOk = 0,
    kEvalOperandCount = 1,  // not the operator's arity of operands
    kEvalBadOperands = 2,   // operands not usable for this operator
    kEvalFailed = 3,        // unknown property, failed plug-in call
};

class Token {
  public:
    virtual ~Token() = default;

    int Type() const { return type_; }
    const std::string& Text() const { return text_; }

    // Computes the token's value from its operands into *result; an EvaluationCode.
    virtual int Evaluate(const std::vector<std::string>& operands, std::string* result) const = 0;
    // The number of input characters the token covers.
    virtual int Length() const = 0;

  protected:
    Token(int type, std::string text) : type_(type), text_(std::move(text)) {}
    Token(const Token&) = default;
    Token& operator=(const Token&) = default;

    int type_;
    std::string text_;
};

// A plain value: evaluates to its own text.
class Operand : public Token {
  public:
    explicit Operand(std::string text) : Token(kTokenOperand, std::move(text)) {}
    int Evaluate(const std::vector<std::string>& operands, std::string* result) const override;
    int Length() const override { return static_cast<int>(text_.size()); }
};

// One scan pattern of an operator and the number of characters a match consumes
// (-1: the whole matched text).
struct OperatorPattern {
    ExprMatch match;
    int advance;
};

// The value of one operator kind from exactly its arity of operands (a function gets its
// own token text as the single operand); an EvaluationCode.
using OperatorFunction = int (*)(const std::vector<std::string>& operands, std::string* result);

class Operator : public Token {
  public:
    // The prototype of a kind: its patterns, arity, precedence and evaluation. A kind
    // outside 0..13 gives the inert operator of kind 14 (no patterns, arity 0,
    // precedence 0, an evaluation that does nothing).
    explicit Operator(int kind);

    OperatorKind Kind() const { return kind_; }
    int Arity() const { return arity_; }
    // A smaller number binds tighter.
    int Precedence() const { return precedence_; }
    const std::vector<OperatorPattern>& Patterns() const { return *patterns_; }
    // The pattern this token was recognised by; -1 for a prototype.
    int MatchedPattern() const { return matchedPattern_; }

    // Checks the operand count against the arity, then evaluates the kind.
    int Evaluate(const std::vector<std::string>& operands, std::string* result) const override;
    int Length() const override { return Length(matchedPattern_); }
    // Characters consumed by a match of the given pattern: its advance, or the length of
    // the token text when the advance is -1 or the index is not a pattern.
    int Length(int patternIndex) const;

    // Runs the pattern on the input and stores in *out the concatenation of the captured
    // fields; true when the pattern matched.
    bool Extract(int patternIndex, std::string_view input, std::string* out) const;
    // The index of the first pattern that matches the input, or -1; *out (when given)
    // receives that pattern's extracted text.
    int Match(std::string_view input, std::string* out) const;
    // A token of this kind for a match of the given pattern with its extracted text:
    // an operator keeps the first advance characters, a function the whole text.
    std::unique_ptr<Operator> MakeToken(int patternIndex, const std::string& extracted) const;

  private:
    const OperatorPattern* PatternAt(int index) const;

    OperatorKind kind_;
    int arity_ = 0;
    int precedence_ = 0;
    // Shared by the prototype and all its tokens: the patterns never change once built.
    std::shared_ptr<const std::vector<OperatorPattern>> patterns_;
    OperatorFunction function_ = nullptr;
    int matchedPattern_ = -1;
};

// The process-wide prototypes of the 14 kinds, built on first use: in kind order, or
// sorted by ascending precedence (stable, so kind order among equal precedence).
const std::vector<Operator>& OperatorTable(bool sortedByPrecedence);

// Appends the tokens of text to *tokens in text order. Never fails: a text that no pattern
// recognises becomes operands, and an empty text adds nothing.
void Tokenize(const std::string& text, std::vector<std::unique_ptr<Token>>* tokens);
