#include "token.h"

#include <algorithm>

#include "expression.h"
#include "log_file.h"
#include "plugin_call.h"
#include "relation.h"
#include "str_util.h"
#include "text_util.h"

namespace {

using Operands = std::vector<std::string>;

// Skipped between tokens.
const char kWhiteSpace[] = " \t\n\r";
// End an operand (an operand's first character always belongs to it).
const char kDelimiters[] = " \t\n\r()\"!=>[";
// Stripped from the values of plug-in calls and quoted texts, so that '"Install"'
// compares equal to the property value Install.
const char kValueTrim[] = "\" \t";

// ---- Evaluation of each kind; operand counts are checked by Operator::Evaluate ----

bool IsTruth(const std::string& value) {
    return value == "1" || value == "0";
}

int SetTruth(bool value, std::string* result) {
    *result = value ? "1" : "0";
    return kEvalOk;
}

int EvaluateAnd(const Operands& o, std::string* result) {
    if (!IsTruth(o[0]) || !IsTruth(o[1]))
        return kEvalBadOperands;
    return SetTruth(o[0] == "1" && o[1] == "1", result);
}

int EvaluateOr(const Operands& o, std::string* result) {
    if (!IsTruth(o[0]) || !IsTruth(o[1]))
        return kEvalBadOperands;
    return SetTruth(o[0] == "1" || o[1] == "1", result);
}

int EvaluateNot(const Operands& o, std::string* result) {
    if (!IsTruth(o[0]))
        return kEvalBadOperands;
    return SetTruth(o[0] == "0", result);
}

int EvaluateNothing(const Operands&, std::string*) {
    return kEvalOk;
}

// Numbers compare by value ("5" equals "+5"). Other texts compare byte for byte and only
// for (in)equality: LT, LE, GT and GE need a number on each side.
template <Relation R>
int EvaluateRelation(const Operands& o, std::string* result) {
    int a = 0;
    int b = 0;
    if (IsExpressionInteger(o[0], &a) && IsExpressionInteger(o[1], &b))
        return SetTruth(RelationHolds(R, (a > b) - (a < b)), result);
    if (R != Relation::kEqual && R != Relation::kNotEqual)
        return kEvalBadOperands;
    return SetTruth(RelationHolds(R, o[0].compare(o[1])), result);
}

// Plug-in calls take the one call path of the program (SetPluginCaller replaces it).
int EvaluateDllCall(const Operands& o, std::string* result) {
    std::string text;
    std::string error;
    int number = 0;
    const int kind = CallPluginProcedure(o[0].c_str(), &text, &number, &error);
    if (kind == kPluginInteger) {
        text = FormatText("%d", number);
    } else if (kind != kPluginText) {
        Log().Error("Method evaluation error: %s -> %s", o[0].c_str(), error.c_str());
        return kEvalFailed;
    }
    *result = Trim(text, kValueTrim);
    return kEvalOk;
}

// Expansion leaves a reference in place only when no property has that name.
int EvaluateProperty(const Operands& o, std::string*) {
    Log().Error("Property '%s' not found!", o[0].c_str());
    return kEvalFailed;
}

int EvaluateQuoted(const Operands& o, std::string* result) {
    *result = Trim(o[0], kValueTrim);
    return kEvalOk;
}

// ---- The operator table ----

struct KindRow {
    int type;
    int arity;
    int precedence;
    OperatorFunction function;
};

// Indexed by kind. GT is one step looser than the other comparisons: in the table sorted
// by precedence ">=" is then tried before ">", which would otherwise take its first
// character.
const KindRow kKinds[kOperatorKindCount] = {
    {kTokenOperator, 2, 5, EvaluateAnd},                                // AND
    {kTokenOperator, 2, 6, EvaluateOr},                                 // OR
    {kTokenOperator, 1, 4, EvaluateNot},                                // NOT, a prefix operator
    {kTokenOperator, 0, 1, EvaluateNothing},                            // (
    {kTokenOperator, 0, 1, EvaluateNothing},                            // )
    {kTokenOperator, 2, 2, EvaluateRelation<Relation::kEqual>},         // EQ
    {kTokenOperator, 2, 2, EvaluateRelation<Relation::kNotEqual>},      // NE
    {kTokenOperator, 2, 2, EvaluateRelation<Relation::kLess>},          // LT
    {kTokenOperator, 2, 2, EvaluateRelation<Relation::kLessEqual>},     // LE
    {kTokenOperator, 2, 3, EvaluateRelation<Relation::kGreater>},       // GT
    {kTokenOperator, 2, 2, EvaluateRelation<Relation::kGreaterEqual>},  // GE
    {kTokenFunction, 0, 1, EvaluateDllCall},                            // plug-in call
    {kTokenFunction, 0, 1, EvaluateProperty},                           // property reference
    {kTokenFunction, 0, 1, EvaluateQuoted},                             // quoted text
};

struct PatternRow {
    int kind;
    const char* name;
    const char* pattern;
    int fields;
    int advance;
};

// A word operator is its letters followed by a delimiter, or (second form) by anything
// at all: 'ORDER' at a token start is OR followed by "DER". Patterns of one kind are tried
// in the order listed.
#define WORD_END "%1[ \t\n\r()\"!=>[]"
const PatternRow kPatterns[] = {
    {kOperatorAnd, "AND", "%1[Aa]%1[Nn]%1[Dd]" WORD_END, 4, 3},
    {kOperatorAnd, "AND2", "%1[Aa]%1[Nn]%1[Dd]%*", 3, 3},
    {kOperatorOr, "OR", "%1[Oo]%1[Rr]" WORD_END, 3, 2},
    {kOperatorOr, "OR2", "%1[Oo]%1[Rr]%1*", 2, 2},
    {kOperatorNot, "NOT1", "%1[Nn]%1[Oo]%1[Tt]" WORD_END, 4, 3},
    {kOperatorNot, "NOT2", "%1[!]", 1, 1},
    {kOperatorNot, "NOT3", "%1[Nn]%1[Oo]%1[Tt]%*", 3, 3},
    {kOperatorOpen, "PARENTHESIS", "%1[(]", 1, 1},
    {kOperatorClose, "PARENTHESIS", "%1[)]", 1, 1},
    {kOperatorEq, "EQ", "%1[=]", 1, 1},
    {kOperatorEq, "EQ2", "%1[Ee]%1[Qq]" WORD_END, 3, 2},
    {kOperatorEq, "EQ3", "%1[Ee]%1[Qq]%*", 2, 2},
    {kOperatorNe, "NE", "%1[!]%1[=]", 2, 2},
    {kOperatorNe, "NE2", "%1[Nn]%1[Ee]" WORD_END, 3, 2},
    {kOperatorNe, "NE3", "%1[Nn]%1[Ee]%*", 2, 2},
    {kOperatorLt, "LT", "%1[Ll]%1[Tt]" WORD_END, 3, 2},
    {kOperatorLt, "LT2", "%1[Ll]%1[Tt]%*", 2, 2},
    {kOperatorLe, "LE", "%1[Ll]%1[Ee]" WORD_END, 3, 2},
    {kOperatorLe, "LE2", "%1[Ll]%1[Ee]%*", 2, 2},
    {kOperatorGt, "GT", "%1[>]", 1, 1},
    {kOperatorGt, "GT2", "%1[Gg]%1[Tt]" WORD_END, 3, 2},
    {kOperatorGt, "GT3", "%1[Gg]%1[Tt]%*", 2, 2},
    {kOperatorGe, "GE", "%1[>]%1[=]", 2, 2},
    {kOperatorGe, "G2", "%1[Gg]%1[Ee]" WORD_END, 3, 2},
    {kOperatorGe, "G2", "%1[Gg]%1[Ee]%*", 2, 2},
    {kOperatorDllCall, "DllCall",
     "%[a-zA-Z0-9_]%1[.]%[a-zA-Z0-9_]%1[:]%[a-zA-Z0-9_]%1[(]%[^)]%1[)]", 8, -1},
    {kOperatorDllCall, "DllCall2", "%[a-zA-Z0-9_]%1[.]%[a-zA-Z0-9_]%1[:]%[a-zA-Z0-9_]%1[(]%1[)]", 7,
     -1},
    {kOperatorProperty, "Property", "%1[[]%[a-zA-Z0-9_ \t\r\n]%1[]]", 3, -1},
    {kOperatorQuoted, "Property", "%1[\"]%[^\"]%1[\"]", 3, -1},
    {kOperatorQuoted, "Property", "%1[\"]%1[\"]", 2, -1},
};
#undef WORD_END

std::vector<Operator> BuildTable(bool sortedByPrecedence) {
    std::vector<Operator> table;
    for (int kind = 0; kind < kOperatorKindCount; ++kind) table.emplace_back(kind);
    if (sortedByPrecedence) {
        std::stable_sort(table.begin(), table.end(), [](const Operator& a, const Operator& b) {
            return a.Precedence() < b.Precedence();
        });
    }
    return table;
}

std::unique_ptr<Token> RecogniseOperator(const std::vector<Operator>& table,
                                         std::string_view rest) {
    std::string extracted;
    for (const Operator& prototype : table) {
        const int index = prototype.Match(rest, &extracted);
        if (index >= 0)
            return prototype.MakeToken(index, extracted);
    }
    return nullptr;
}

}  // namespace

bool IsExpressionInteger(const std::string& text, int* value) {
    // A zero byte would end the text early for the C-string parser.
    if (text.find('\0') != std::string::npos)
        return false;
    return ParseInt(text.c_str(), value);
}

int Operand::Evaluate(const std::vector<std::string>&, std::string* result) const {
    *result = text_;
    return kEvalOk;
}

Operator::Operator(int kind) : Token(kTokenOperator, std::string()), kind_(kOperatorUnknown) {
    auto patterns = std::make_shared<std::vector<OperatorPattern>>();
    patterns_ = patterns;
    if (kind < 0 || kind >= kOperatorKindCount)
        return;
    const KindRow& row = kKinds[kind];
    kind_ = static_cast<OperatorKind>(kind);
    type_ = row.type;
    arity_ = row.arity;
    precedence_ = row.precedence;
    function_ = row.function;
    for (const PatternRow& p : kPatterns) {
        if (p.kind == kind)
            patterns->push_back({ExprMatch(p.name, p.pattern, p.fields), p.advance});
    }
}

int Operator::Evaluate(const std::vector<std::string>& operands, std::string* result) const {
    if (static_cast<int>(operands.size()) != arity_)
        return kEvalOperandCount;
    if (!function_)
        return kEvalOk;
    if (type_ != kTokenFunction)
        return function_(operands, result);
    const Operands own{text_};
    return function_(own, result);
}

const OperatorPattern* Operator::PatternAt(int index) const {
    const bool known = index >= 0 && index < static_cast<int>(patterns_->size());
    return known ? &(*patterns_)[static_cast<std::size_t>(index)] : nullptr;
}

int Operator::Length(int patternIndex) const {
    const OperatorPattern* pattern = PatternAt(patternIndex);
    if (pattern && pattern->advance >= 0)
        return pattern->advance;
    return static_cast<int>(text_.size());
}

bool Operator::Extract(int patternIndex, std::string_view input, std::string* out) const {
    const OperatorPattern* pattern = PatternAt(patternIndex);
    if (!pattern)
        return false;
    std::vector<std::string> fields;
    const int count = pattern->match.GetParameters(input, &fields);
    out->clear();
    for (const std::string& field : fields) *out += field;
    return count == pattern->match.ExpectedCount();
}

int Operator::Match(std::string_view input, std::string* out) const {
    for (std::size_t i = 0; i < patterns_->size(); ++i) {
        if (!(*patterns_)[i].match.IsMatching(input))
            continue;
        if (out)
            Extract(static_cast<int>(i), input, out);
        return static_cast<int>(i);
    }
    return -1;
}

std::unique_ptr<Operator> Operator::MakeToken(int patternIndex,
                                              const std::string& extracted) const {
    auto token = std::make_unique<Operator>(*this);
    token->matchedPattern_ = patternIndex;
    token->text_ = extracted;
    const OperatorPattern* pattern = PatternAt(patternIndex);
    const int advance = pattern ? pattern->advance : -1;
    // The extracted text of a word operator includes the delimiter behind it; that
    // delimiter is not part of the operator and is not consumed.
    if (type_ == kTokenOperator && advance >= 0 && advance < static_cast<int>(extracted.size()))
        token->text_.resize(static_cast<std::size_t>(advance));
    return token;
}

const std::vector<Operator>& OperatorTable(bool sortedByPrecedence) {
    static const std::vector<Operator> byKind = BuildTable(false);
    static const std::vector<Operator> byPrecedence = BuildTable(true);
    return sortedByPrecedence ? byPrecedence : byKind;
}

void Tokenize(const std::string& text, std::vector<std::unique_ptr<Token>>* tokens) {
    const std::vector<Operator>& table = OperatorTable(true);
    std::size_t at = text.find_first_not_of(kWhiteSpace);
    while (at != std::string::npos) {
        std::unique_ptr<Token> token = RecogniseOperator(table, std::string_view(text).substr(at));
        if (!token) {
            const std::size_t end = text.find_first_of(kDelimiters, at + 1);
            token = std::make_unique<Operand>(text.substr(at, end - at));
        }
        // Every token covers at least its first character, so the walk always advances.
        at += static_cast<std::size_t>(std::max(1, token->Length()));
        tokens->push_back(std::move(token));
        at = text.find_first_not_of(kWhiteSpace, at);
    }
}
