#include "token.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expr_match.h"
#include "log_capture.h"

namespace {

const char* KindName(int kind) {
    static const char* const kNames[] = {"AND", "OR", "NOT", "(",  ")",    "EQ",  "NE",
                                         "LT",  "LE", "GT",  "GE", "Call", "Ref", "Quoted"};
    return kind >= 0 && kind < kOperatorKindCount ? kNames[kind] : "?";
}

std::vector<std::unique_ptr<Token>> TokensOf(const std::string& text) {
    std::vector<std::unique_ptr<Token>> tokens;
    Tokenize(text, &tokens);
    return tokens;
}

// Operands as 'text', operators and functions as KIND:text, separated by " | ".
std::string Describe(const std::string& text) {
    std::string out;
    for (const auto& token : TokensOf(text)) {
        if (!out.empty())
            out += " | ";
        if (token->Type() == kTokenOperand)
            out += "'" + token->Text() + "'";
        else
            out += std::string(KindName(static_cast<const Operator&>(*token).Kind())) + ":" +
                   token->Text();
    }
    return out;
}

std::string Join(const std::vector<std::string>& fields) {
    std::string out;
    for (const std::string& field : fields) out += (out.empty() ? "" : "|") + field;
    return out;
}

struct MatchCase {
    const char* pattern;
    int expected;
    std::string input;
    bool matches;
    int count;
    const char* fields;
};

TEST(ExprMatchTest, ScansLikeTheScanFormat) {
    const char* const word = "%1[Aa]%1[Nn]%1[Dd]%1[ \t\n\r()\"!=>[]";
    const char* const call = "%[a-zA-Z0-9_]%1[.]%[a-zA-Z0-9_]%1[:]%[a-zA-Z0-9_]%1[(]%[^)]%1[)]";
    const char* const name = "%1[_a-zA-Z]%*[_a-zA-Z0-9.]%[^\b]";
    const char* const assignment = "%[_a-zA-Z0-9.]=%[^\b]";
    const MatchCase cases[] = {
        {word, 4, "and x", true, 4, "a|n|d| "},
        {word, 4, "AnD(", true, 4, "A|n|D|("},
        {word, 4, "and[", true, 4, "a|n|d|["},
        {word, 4, "and", false, 3, "a|n|d"},
        {word, 4, "andy", false, 3, "a|n|d"},
        {word, 4, "an d", false, 2, "a|n"},
        {"%1[Aa]%1[Nn]%1[Dd]%*", 3, "andy", true, 3, "a|n|d"},
        {"%1[Oo]%1[Rr]%1*", 2, "or", true, 2, "o|r"},
        {"%1[Oo]%1[Rr]%1*", 2, "", false, 0, ""},
        {call, 8, "utils.P:Get(a b|c) = 1", true, 8, "utils|.|P|:|Get|(|a b|c|)"},
        {call, 8, "utils.P:Get()", false, 6, "utils|.|P|:|Get|("},
        {call, 8, "utils.P:Get(a", false, 7, "utils|.|P|:|Get|(|a"},
        {"%1[[]%[a-zA-Z0-9_ \t\r\n]%1[]]", 3, "[My Prop]x", true, 3, "[|My Prop|]"},
        {"%1[[]%[a-zA-Z0-9_ \t\r\n]%1[]]", 3, "[Prop.X]", false, 2, "[|Prop"},
        {"%1[\"]%[^\"]%1[\"]", 3, "\"a b\"c", true, 3, "\"|a b|\""},
        {"%1[^]]%1[]]", 2, "x]", true, 2, "x|]"},
        {"%1[^]]", 1, "]", false, 0, ""},
        {"%1[a-]%1[-z]", 2, "--", true, 2, "-|-"},
        {"%2[a]", 1, "aaa", true, 1, "aa"},
        {name, 1, "Name.X_9", true, 1, "N"},
        {name, 1, "9x", false, 0, ""},
        {name, 1, "ab-c", false, 2, "a|-c"},
        {assignment, 2, "Ver=x = [y]", true, 2, "Ver|x = [y]"},
        {assignment, 2, "=x", false, 0, ""},
        {assignment, 2, "a b=1", false, 1, "a"},
        {assignment, 2, "Ver=", false, 1, "Ver"},
        {"x %1[a]", 1, "x \t\na", true, 1, "a"},
        {"x%%%1[a]", 1, "x%a", true, 1, "a"},
        {"x%1[a]", 1, "ya", false, 0, ""},
        {"%1[a]%d", 2, "a1", false, 1, "a"},
        {"%1[a", 1, "a", false, 0, ""},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " on '" + c.input + "'");
        const ExprMatch match("Test", c.pattern, c.expected);
        EXPECT_EQ(c.matches, match.IsMatching(c.input));
        std::vector<std::string> fields{"stale"};
        EXPECT_EQ(c.count, match.GetParameters(c.input, &fields));
        EXPECT_EQ(c.fields, Join(fields));
    }
}

TEST(ExprMatchTest, BoundsAFieldToItsBufferSize) {
    const ExprMatch run("Run", "%[a]%1[b]", 2);
    const std::string fits(ExprMatch::kMaxFieldLength, 'a');
    std::vector<std::string> fields;
    EXPECT_TRUE(run.IsMatching(fits + "b"));
    EXPECT_EQ(2, run.GetParameters(fits + "b", &fields));
    EXPECT_EQ(fits, fields[0]);

    // One character more: the field is cut at the bound and the rest of the run meets
    // the next directive, so the pattern does not match.
    EXPECT_FALSE(run.IsMatching(fits + "ab"));
    EXPECT_EQ(1, run.GetParameters(fits + "ab", &fields));
    EXPECT_EQ(ExprMatch::kMaxFieldLength, fields[0].size());

    const ExprMatch wide("Wide", "%5000[a]", 1);
    EXPECT_EQ(1, wide.GetParameters(std::string(3000, 'a'), &fields));
    EXPECT_EQ(ExprMatch::kMaxFieldLength, fields[0].size());
}

TEST(ExprMatchTest, WarnsWhenMoreThanTenFieldsAreCaptured) {
    std::string pattern;
    for (int i = 0; i < 11; ++i) pattern += "%1[a]";
    const ExprMatch eleven("Eleven", pattern, 11);
    const ExprMatch ten("Ten", pattern.substr(0, 50), 10);
    LogCapture log;
    EXPECT_TRUE(ten.IsMatching("aaaaaaaaaaa"));
    EXPECT_FALSE(log.Contains("memory overrun"));

    EXPECT_TRUE(eleven.IsMatching("aaaaaaaaaaa"));
    EXPECT_TRUE(
        log.Contains("[WARNING] ExprMatch::IsMatching() A memory overrun occurred during "
                     "'aaaaaaaaaaa' expression matching 'Eleven'! Increase the number of "
                     "parameters for sscanf() if needed."));
    std::vector<std::string> fields;
    EXPECT_EQ(11, eleven.GetParameters("aaaaaaaaaaa", &fields));
    EXPECT_EQ(static_cast<std::size_t>(ExprMatch::kMaxFields), fields.size());
}

struct TokenCase {
    const char* text;
    const char* tokens;
};

TEST(TokenizerTest, CutsTextsIntoTokens) {
    const TokenCase cases[] = {
        {"A=B", "'A' | EQ:= | 'B'"},
        {"a != b", "'a' | NE:!= | 'b'"},
        {"a >= b", "'a' | GE:>= | 'b'"},
        {"a > b", "'a' | GT:> | 'b'"},
        {"!a", "NOT:! | 'a'"},
        {"a!b", "'a' | NOT:! | 'b'"},
        {"!=!", "NE:!= | NOT:!"},
        {">==", "GE:>= | EQ:="},
        {"x and y", "'x' | AND:and | 'y'"},
        {"x AND(y)", "'x' | AND:AND | (:( | 'y' | ):)"},
        {"not a Or b", "NOT:not | 'a' | OR:Or | 'b'"},
        {"NOT!a", "NOT:NOT | NOT:! | 'a'"},
        {"3 lt 10 Le 4 GT 1 ge 0 eq 5 ne 6",
         "'3' | LT:lt | '10' | LE:Le | '4' | GT:GT | '1' | GE:ge | '0' | EQ:eq | '5' | NE:ne | "
         "'6'"},
        {"Orange", "OR:Or | 'ange'"},
        {"ORDER", "OR:OR | 'DER'"},
        {"Never", "NE:Ne | 'ver'"},
        {"x=android", "'x' | EQ:= | AND:and | 'roid'"},
        {"xor", "'xor'"},
        {"band", "'band'"},
        {"a<b", "'a<b'"},
        {"utils.Proc:Get()", "Call:utils.Proc:Get()"},
        {"utils.Proc:Get(a b)", "Call:utils.Proc:Get(a b)"},
        {"utils.Proc:Get(a|b)=1", "Call:utils.Proc:Get(a|b) | EQ:= | '1'"},
        {"NOT u_1.CallProc:Is_2(x)", "NOT:NOT | Call:u_1.CallProc:Is_2(x)"},
        {"utils.Proc:Get", "'utils.Proc:Get'"},
        {"utils.Proc:Get(a", "'utils.Proc:Get' | (:( | 'a'"},
        {"utils.Proc-x:Get()", "'utils.Proc-x:Get' | (:( | ):)"},
        {"[My Prop]", "Ref:[My Prop]"},
        {"[a]b", "Ref:[a] | 'b'"},
        {"[Prop.X]", "'[Prop.X]'"},
        {"[Prop.X]=1", "'[Prop.X]' | EQ:= | '1'"},
        {"[", "'['"},
        {"]", "']'"},
        {"[]", "'[]'"},
        {"\"a b\"", "Quoted:\"a b\""},
        {"\"\"", "Quoted:\"\""},
        {"x=\"\"y", "'x' | EQ:= | Quoted:\"\" | 'y'"},
        {"\"open", "'\"open'"},
        {"\"a\"b\"", "Quoted:\"a\" | 'b' | '\"'"},
        {"", ""},
        {" \t\r\n ", ""},
        {"\ta\n=\r\"x\" ", "'a' | EQ:= | Quoted:\"x\""},
        {"C:\\Program Files\\App", "'C:\\Program' | 'Files\\App'"},
    };
    for (const TokenCase& c : cases) EXPECT_EQ(c.tokens, Describe(c.text)) << "text: " << c.text;
}

struct PatternCase {
    const char* text;
    const char* patternName;
    int patternIndex;
    int length;
};

TEST(TokenizerTest, RecordsTheWinningPatternAndItsAdvance) {
    const PatternCase cases[] = {
        {"!a", "NOT2", 1, 1},
        {"not a", "NOT1", 0, 3},
        {"nota", "NOT3", 2, 3},
        {"AND(", "AND", 0, 3},
        {"ANDy", "AND2", 1, 3},
        {"or", "OR2", 1, 2},
        {"!= 1", "NE", 0, 2},
        {"ge(", "G2", 1, 2},
        {"GEx", "G2", 2, 2},
        {"u.P:Q()", "DllCall2", 1, 7},
        {"u.P:Q(x y)", "DllCall", 0, 10},
        {"[A B] x", "Property", 0, 5},
        {"\"\"", "Property", 1, 2},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto tokens = TokensOf(c.text);
        ASSERT_FALSE(tokens.empty());
        ASSERT_NE(kTokenOperand, tokens[0]->Type());
        const auto& op = static_cast<const Operator&>(*tokens[0]);
        ASSERT_EQ(c.patternIndex, op.MatchedPattern());
        EXPECT_EQ(c.patternName, op.Patterns()[c.patternIndex].match.Name());
        EXPECT_EQ(c.length, op.Length());
    }
}

TEST(OperatorTableTest, SortedByPrecedenceWithKindOrderKept) {
    const std::vector<Operator>& byKind = OperatorTable(false);
    ASSERT_EQ(static_cast<std::size_t>(kOperatorKindCount), byKind.size());
    for (int kind = 0; kind < kOperatorKindCount; ++kind) EXPECT_EQ(kind, byKind[kind].Kind());
    // Longer symbols come first where they share a start: ">=" before ">", "!=" before "!".
    std::vector<int> order;
    for (const Operator& op : OperatorTable(true)) order.push_back(op.Kind());
    EXPECT_EQ((std::vector<int>{3, 4, 11, 12, 13, 5, 6, 7, 8, 10, 9, 2, 0, 1}), order);
}

TEST(OperatorTest, OperandCountsUnknownKindsAndPrototypes) {
    const std::vector<Operator>& table = OperatorTable(false);
    std::string result = "untouched";
    EXPECT_EQ(kEvalOperandCount, table[kOperatorAnd].Evaluate({"1"}, &result));
    EXPECT_EQ(kEvalOperandCount, table[kOperatorNot].Evaluate({"1", "0"}, &result));
    EXPECT_EQ(kEvalOperandCount, table[kOperatorQuoted].Evaluate({"x"}, &result));
    EXPECT_EQ("untouched", result);

    for (int kind : {-1, 14, 99}) {
        const Operator unknown(kind);
        EXPECT_EQ(kOperatorUnknown, unknown.Kind());
        EXPECT_EQ(0, unknown.Arity() + unknown.Precedence());
        EXPECT_EQ(-1, unknown.Match("and", nullptr));
        EXPECT_EQ(kEvalOk, unknown.Evaluate({}, &result));
        EXPECT_EQ("untouched", result);
    }

    const Operator& andOp = table[kOperatorAnd];
    std::string out;
    EXPECT_TRUE(andOp.Extract(0, "And (", &out));
    EXPECT_EQ("And ", out);
    EXPECT_FALSE(andOp.Extract(0, "And", &out));
    EXPECT_FALSE(andOp.Extract(7, "And", &out));
    const std::unique_ptr<Operator> token = andOp.MakeToken(0, "And ");
    EXPECT_EQ("And", token->Text());
    EXPECT_EQ("", andOp.Text());  // the prototype is not changed by its tokens
    EXPECT_EQ(-1, andOp.MatchedPattern());
}

}  // namespace
