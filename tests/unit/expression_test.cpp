#include "expression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "plugin_call.h"

namespace {

struct EvalCase {
    std::string text;
    int code;
    std::string result;  // checked when code is 0
};

void ExpectEvaluations(const std::vector<EvalCase>& cases) {
    for (const EvalCase& c : cases) {
        SCOPED_TRACE("expression: " + c.text);
        Expression expression(c.text);
        EXPECT_EQ(c.code, expression.Evaluate());
        EXPECT_EQ(c.code == 0 ? c.result : std::string(), expression.Result());
    }
}

TEST(ExpressionTest, LogicalOperatorsTakeTruthValuesOnly) {
    ExpectEvaluations({
        {"1 AND 0", 0, "0"},
        {"1 and 1", 0, "1"},
        {"1 OR 0", 0, "1"},
        {"0 or 0", 0, "0"},
        {"NOT 0", 0, "1"},
        {"not 1", 0, "0"},
        {"!1", 0, "0"},
        {"Yes AND 1", 5, ""},
        {"1 OR No", 5, ""},
        {"NOT 2", 5, ""},
        {"NOT +1", 5, ""},  // "+1" is the integer 1 but not a truth value
        {"1 AND", 4, ""},
        {"AND", 4, ""},
    });
}

TEST(ExpressionTest, EqualityComparesNumbersByValueAndTextsExactly) {
    ExpectEvaluations({
        {"5 = 05", 0, "0"},
        {"5 = +5", 0, "1"},
        {"5 EQ 5", 0, "1"},
        {"-0 = 0", 0, "0"},
        {"abc = ABC", 0, "0"},
        {"abc = abc", 0, "1"},
        {"Install=Install", 0, "1"},
        {"5 != 05", 0, "1"},
        {"5 NE +5", 0, "0"},
        {"a ne b", 0, "1"},
        {"a != a", 0, "0"},
        {"2147483648 = 2147483648", 0, "1"},  // out of range: compared as texts
        {"\"Install\" = Install", 0, "1"},
        {"Install = \" Install \"", 0, "1"},
        {"\"\" = \"\"", 0, "1"},
        {"\"a b\" = a b", 2, ""},
    });
}

TEST(ExpressionTest, OrderComparisonsNeedIntegers) {
    ExpectEvaluations({
        {"3 LT 10", 0, "1"},
        {"10 lt 3", 0, "0"},
        {"10 LT 9", 0, "0"},
        {"3 LE 3", 0, "1"},
        {"4 le 3", 0, "0"},
        {"3 GT 2", 0, "1"},
        {"3 > 3", 0, "0"},
        {"3 >= 3", 0, "1"},
        {"2 GE 3", 0, "0"},
        {"-5 LT -4", 0, "1"},
        {"+5 GE 5", 0, "1"},
        {"2147483647 GT -2147483648", 0, "1"},
        {"2 >= 1", 0, "1"},
        {"a LT b", 5, ""},
        {"x > 1", 5, ""},
        {"05 LT 6", 5, ""},
        {"2147483648 GT 1", 5, ""},
        {"-2147483649 LT 0", 5, ""},
    });
}

TEST(ExpressionTest, PrecedenceAndAssociativity) {
    ExpectEvaluations({
        // AND binds tighter than OR: 1 OR (1 AND 0), not (1 OR 1) AND 0.
        {"1=1 OR 2=2 AND 3=4", 0, "1"},
        {"(1=1 OR 2=2) AND 3=4", 0, "0"},
        // NOT binds tighter than AND, and is a prefix operator.
        {"NOT 0 AND 0", 0, "0"},
        {"NOT (0 AND 0)", 0, "1"},
        {"1 AND NOT 0", 0, "1"},
        {"NOT NOT 1", 4, ""},
        {"NOT (NOT 1)", 0, "1"},
        // Comparisons bind tighter than logic.
        {"1 = 1 AND 2 = 3", 0, "0"},
        {"Install=Install AND 0=0", 0, "1"},
        // Equal precedence associates to the left: (2 = 2) = 1.
        {"2 = 2 = 1", 0, "1"},
        {"3 LT 2 = 0", 0, "1"},
        // GT is looser than the other comparisons: 5 > (3 = 0); GE is not: (5 >= 3) = 0.
        {"5 > 3 = 0", 0, "1"},
        {"5 >= 3 = 0", 0, "0"},
        {"((1))", 0, "1"},
        {"(A)", 0, "A"},
    });
}

TEST(ExpressionTest, MalformedExpressions) {
    ExpectEvaluations({
        {"A = B C", 2, ""},
        {"1 AND 1 1", 2, ""},
        {"= A", 4, ""},
        {"A =", 4, ""},
        {"(A = B", 2, ""},
        {"A = B)", 1, ""},
        {")", 1, ""},
        {"(1 = 1))", 1, ""},
        {"()", 2, ""},
        {"(", 0, ""},  // the lone parenthesis is the one (empty) value
    });
}

TEST(ExpressionTest, TextsWithoutOperatorsStayAsWritten) {
    ExpectEvaluations({
        {"", 0, ""},
        {"C:\\Program Files\\App", 0, "C:\\Program Files\\App"},
        {"  a  b\tc ", 0, "  a  b\tc "},
        {"\"quoted\" text", 0, "quoted text"},
        {"Say \"hi\" twice \" hi \"!", 2, ""},  // "!" is NOT: no longer a text
        {"Say \"hi\" twice \" hi \".", 0, "Say hi twice hi."},
        {"a<b", 0, "a<b"},
        {"x [Prop.Y]", 0, "x [Prop.Y]"},
    });
}

TEST(ExpressionTest, LeftOverPropertyReferenceIsAnError) {
    LogCapture log;
    Expression condition("[Unknown] = 1");
    EXPECT_EQ(3, condition.Evaluate());
    EXPECT_TRUE(log.Contains("[ERROR] Property '[Unknown]' not found!"));

    Expression text("Path is [Install Dir]");
    EXPECT_EQ(3, text.Evaluate());
    EXPECT_TRUE(log.Contains("[ERROR] Property '[Install Dir]' not found!"));
}

TEST(ExpressionTest, ResultTextAndOperatorCountBetweenEvaluations) {
    Expression expression("(1 AND 0) OR u.CallProc:X() = \"a\"");
    EXPECT_EQ(3, expression.Evaluate());  // the plug-in call fails without a caller
    EXPECT_EQ(5, expression.OperatorCount());
    EXPECT_EQ("", expression.Result());

    expression.SetText("1 OR 0");
    EXPECT_EQ(0, expression.Evaluate());
    EXPECT_EQ("1", expression.Result());
    EXPECT_EQ(1, expression.OperatorCount());

    expression.SetText("1 OR");
    EXPECT_EQ(4, expression.Evaluate());
    EXPECT_EQ("1", expression.Result());  // unchanged by the failure
    EXPECT_EQ("1 OR", expression.Text());

    expression.SetText("\"a\" [b]");
    EXPECT_EQ(3, expression.Evaluate());
    EXPECT_EQ(0, expression.OperatorCount());
    EXPECT_EQ("1", expression.Result());

    Expression copy = expression;
    EXPECT_EQ("\"a\" [b]", copy.Text());
    EXPECT_EQ("1", copy.Result());
}

TEST(ExpressionTest, ErrorTexts) {
    const char* const texts[] = {
        "",
        "parenthesis mismatch",
        "too many values (check for extra spaces in current expression)",
        "evaluation error",
        "invalid operands number",
        "invalid operands syntax",
        "general error",
    };
    for (int code = 0; code < 7; ++code) EXPECT_STREQ(texts[code], Expression::ErrorText(code));
    EXPECT_STREQ("", Expression::ErrorText(7));
    EXPECT_STREQ("", Expression::ErrorText(-1));
}

TEST(ExpressionTest, IntegerTest) {
    struct Case {
        const char* text;
        bool integer;
        int value;
    };
    const Case cases[] = {
        {"5", true, 5},
        {" 5 ", true, 5},
        {"\t7\t", true, 7},
        {"+5", true, 5},
        {"-5", true, -5},
        {"0", true, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"05", false, 0},
        {"5x", false, 0},
        {"-0", false, 0},
        {"+", false, 0},
        {"++5", false, 0},
        {"", false, 0},
        {"5 5", false, 0},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        int value = 12345;
        EXPECT_EQ(c.integer, IsExpressionInteger(c.text, &value)) << c.text;
        EXPECT_EQ(c.integer ? c.value : 12345, value) << c.text;
    }
    int value = 0;
    EXPECT_FALSE(IsExpressionInteger(std::string("5") + '\0' + "1", &value));
}

// ---- Plug-in calls ----

std::vector<std::string> g_calls;

// Procedures by name: Number gives -42, Text a padded quoted text, Echo its argument,
// Odd an unknown result kind; anything else fails.
int FakePlugin(const char* callText, std::string* text, int* number, std::string* error) {
    const std::string call = callText;
    g_calls.push_back(call);
    if (call.find(":Number(") != std::string::npos) {
        *number = -42;
        return 0;
    }
    if (call.find(":Text(") != std::string::npos) {
        *text = " \t\"hello world\"\t ";
        return 1;
    }
    const std::size_t open = call.find(":Echo(");
    if (open != std::string::npos) {
        *text = call.substr(open + 6, call.size() - open - 7);
        return 1;
    }
    if (call.find(":Odd(") != std::string::npos)
        return 2;
    *error = "no such procedure";
    return -1;
}

class PluginCallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetPluginCaller(FakePlugin);
        g_calls.clear();
    }
    void TearDown() override { SetPluginCaller(nullptr); }
};

TEST_F(PluginCallTest, ResultKindsBecomeValues) {
    ExpectEvaluations({
        {"t.CallProc:Number()", 0, "-42"},
        {"t.CallProc:Text(x)", 0, "hello world"},
        {"t.CallProc:Number() = -42", 0, "1"},
        {"t.CallProc:Number() LT 0", 0, "1"},
        {"t.CallProc:Echo(1) AND NOT t.CallProc:Echo(0)", 0, "1"},
        {"t.CallProc:Echo( 7 ) = 7", 0, "1"},
        {"t.CallProc:Echo(\"x\") = x", 0, "1"},
        {"t.CallProc:Missing(x)", 3, ""},
        {"t.CallProc:Odd()", 3, ""},
    });
}

TEST_F(PluginCallTest, CallsRunInTextOrderWithTheirWholeText) {
    Expression expression("t.CallProc:Echo(1) AND t.CallProc:Echo(a b|c) = b");
    EXPECT_EQ(0, expression.Evaluate());
    EXPECT_EQ("0", expression.Result());
    EXPECT_EQ((std::vector<std::string>{"t.CallProc:Echo(1)", "t.CallProc:Echo(a b|c)"}), g_calls);
}

TEST_F(PluginCallTest, TextModeReplacesOnlyTheCalls) {
    Expression expression("Version  2 of t.CallProc:Text(a b)\tplus t.CallProc:Number().");
    EXPECT_EQ(0, expression.Evaluate());
    EXPECT_EQ("Version  2 of hello world\tplus -42.", expression.Result());
    EXPECT_EQ(0, expression.OperatorCount());
    EXPECT_EQ(2u, g_calls.size());
}

TEST_F(PluginCallTest, MalformedExpressionsCallNothing) {
    ExpectEvaluations({
        {"t.CallProc:Number() = 1)", 1, ""},
        {"t.CallProc:Number() t.CallProc:Number() = 1", 2, ""},
        {"NOT NOT t.CallProc:Echo(1)", 4, ""},
        {"(t.CallProc:Number() = 1", 2, ""},
    });
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(PluginCallTest, FailureIsLoggedAndStopsTheEvaluation) {
    LogCapture log;
    Expression expression("t.CallProc:Missing(x) OR t.CallProc:Number() = 1");
    EXPECT_EQ(3, expression.Evaluate());
    EXPECT_TRUE(
        log.Contains("[ERROR] Method evaluation error: t.CallProc:Missing(x) -> no such "
                     "procedure"));
    EXPECT_EQ(1u, g_calls.size());
}

TEST(PluginCallDefaultTest, WithoutACallerEveryCallFails) {
    SetPluginCaller(nullptr);
    LogCapture log;
    Expression expression("utils.CallProc:Get()");
    EXPECT_EQ(3, expression.Evaluate());
    EXPECT_STREQ("evaluation error", Expression::ErrorText(3));
    EXPECT_TRUE(
        log.Contains("[ERROR] Method evaluation error: utils.CallProc:Get() -> plug-in "
                     "calls are not available"));
}

// ---- Fields longer than a field buffer ----

TEST_F(PluginCallTest, OverLongFieldsAreRefusedNotCut) {
    const std::string fits(1023, 'x');
    const std::string tooLong(1500, 'x');

    Expression call("t.CallProc:Echo(" + fits + ")");
    EXPECT_EQ(0, call.Evaluate());
    EXPECT_EQ(fits, call.Result());
    ASSERT_EQ(1u, g_calls.size());

    // The call no longer matches as a whole: it falls apart into an operand and
    // parentheses, and no shortened call is ever made.
    g_calls.clear();
    Expression longCall("t.CallProc:Echo(" + tooLong + ")");
    EXPECT_EQ(2, longCall.Evaluate());
    EXPECT_TRUE(g_calls.empty());

    Expression longQuote("x = \"" + tooLong + "\"");
    EXPECT_EQ(2, longQuote.Evaluate());
    Expression longQuoteText("\"" + tooLong + "\"");
    EXPECT_EQ(0, longQuoteText.Evaluate());
    EXPECT_EQ("\"" + tooLong + "\"", longQuoteText.Result());

    LogCapture log;
    Expression longReference("[" + tooLong + "]");
    EXPECT_EQ(0, longReference.Evaluate());
    EXPECT_EQ("[" + tooLong + "]", longReference.Result());
    EXPECT_FALSE(log.Contains("not found"));

    // Operands have no field buffer: long ones compare in full.
    Expression operands(tooLong + "a = " + tooLong + "b");
    EXPECT_EQ(0, operands.Evaluate());
    EXPECT_EQ("0", operands.Result());
}

}  // namespace
