// Robustness of the expression evaluator: many generated and mutated texts from a fixed
// seed. Every evaluation must end with a code of the table, leave the result alone when it
// fails, give the same answer twice, and hand the plug-in caller only whole, well-formed
// calls. Crashes, hangs and memory faults show up under the sanitizers of the host build.

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "expression.h"
#include "plugin_call.h"

namespace {

const int kIterations = 20000;

const char* const kFragments[] = {"AND",
                                  "and",
                                  "Or",
                                  "OR",
                                  "not",
                                  "NOT",
                                  "!",
                                  "=",
                                  "!=",
                                  ">",
                                  ">=",
                                  "EQ",
                                  "eq",
                                  "ne",
                                  "NE",
                                  "LT",
                                  "lt",
                                  "LE",
                                  "le",
                                  "GT",
                                  "gt",
                                  "GE",
                                  "ge",
                                  "(",
                                  ")",
                                  "((",
                                  "))",
                                  "1",
                                  "0",
                                  "-5",
                                  "+5",
                                  "05",
                                  "-0",
                                  "7",
                                  "2147483647",
                                  "-2147483648",
                                  "2147483648",
                                  "abc",
                                  "Install",
                                  "xor",
                                  "Orange",
                                  "Never",
                                  "band",
                                  "a<b",
                                  "\"",
                                  "\"x y\"",
                                  "\"\"",
                                  "\" 1 \"",
                                  "[",
                                  "]",
                                  "[Name]",
                                  "[A B]",
                                  "[P.X]",
                                  "t.CallProc:Number()",
                                  "t.CallProc:Text(a b)",
                                  "t.CallProc:Echo(1)",
                                  "t.CallProc:Echo(0)",
                                  "t.CallProc:Echo()",
                                  "u.CallProc:Fail(x)",
                                  "t.P:Q(",
                                  "t.P:",
                                  ".",
                                  ":",
                                  "|",
                                  " ",
                                  "  ",
                                  "\t",
                                  "\r\n",
                                  "\n"};

int g_badCalls = 0;
std::string g_firstBadCall;

bool IsNameRun(const std::string& text, std::size_t from, std::size_t to) {
    if (to <= from || to - from > 1023)
        return false;
    for (std::size_t i = from; i < to; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '_')
            return false;
    }
    return true;
}

// The shape of a call token: name.name:name(arguments) with runs of at most 1023
// characters and no ")" inside the arguments.
bool IsWellFormedCall(const std::string& call) {
    const std::size_t dot = call.find('.');
    const std::size_t colon = call.find(':');
    const std::size_t open = call.find('(');
    if (dot == std::string::npos || colon == std::string::npos || open == std::string::npos)
        return false;
    if (call.back() != ')' || call.find(')') != call.size() - 1 || open + 2 > call.size())
        return false;
    return dot < colon && colon < open && IsNameRun(call, 0, dot) &&
           IsNameRun(call, dot + 1, colon) && IsNameRun(call, colon + 1, open) &&
           call.size() - open - 2 <= 1023;
}

int FuzzPlugin(const char* callText, std::string* text, int* number, std::string* error) {
    const std::string call = callText;
    if (!IsWellFormedCall(call) && g_badCalls++ == 0)
        g_firstBadCall = call;
    const std::size_t open = call.find('(');
    const std::string procedure = call.substr(call.find(':') + 1, open - call.find(':') - 1);
    if (procedure == "Number") {
        *number = static_cast<int>(call.size());
        return 0;
    }
    if (procedure == "Echo" || procedure == "Text") {
        *text = call.substr(open + 1, call.size() - open - 2);
        return 1;
    }
    if (procedure == "Fail") {
        *error = "failed";
        return -1;
    }
    return 5;  // an unknown result kind
}

class Generator {
  public:
    explicit Generator(unsigned seed) : random_(seed) {}

    std::string Next() {
        std::string text;
        const int parts = Below(12) + 1;
        for (int i = 0; i < parts; ++i) text += Part();
        if (Below(4) == 0)
            Mutate(&text);
        return text;
    }

  private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string Part() {
        const int fragments = static_cast<int>(sizeof(kFragments) / sizeof(kFragments[0]));
        switch (Below(20)) {
            case 0:
                return LongField();
            case 1:
                return Nested();
            default:
                return std::string(Below(3) == 0 ? "" : " ") + kFragments[Below(fragments)];
        }
    }

    // Runs around the 1023-character bound, in every place a field can hold them.
    std::string LongField() {
        const std::string run(static_cast<std::size_t>(1000 + Below(100)), "ax _"[Below(4)]);
        switch (Below(5)) {
            case 0:
                return " t.CallProc:Echo(" + run + ")";
            case 1:
                return " \"" + run + "\"";
            case 2:
                return " [" + run + "]";
            case 3:
                return " " + run + ".CallProc:Echo(1)";
            default:
                return " " + run;
        }
    }

    std::string Nested() {
        const int depth = Below(50) == 0 ? 500 : Below(30) + 1;
        return std::string(static_cast<std::size_t>(depth), '(') + " 1 = 1 " +
               std::string(static_cast<std::size_t>(depth - Below(2)), ')');
    }

    void Mutate(std::string* text) {
        const int edits = Below(4) + 1;
        for (int i = 0; i < edits && !text->empty(); ++i) {
            const std::size_t at = static_cast<std::size_t>(Below(static_cast<int>(text->size())));
            const char byte = static_cast<char>(Below(256));
            switch (Below(4)) {
                case 0:
                    text->insert(at, 1, byte);
                    break;
                case 1:
                    text->erase(at, 1);
                    break;
                case 2:
                    (*text)[at] = byte;
                    break;
                default:
                    text->insert(at, text->substr(at, static_cast<std::size_t>(Below(8))));
            }
        }
    }

    std::mt19937 random_;
};

TEST(ExpressionFuzzTest, EveryTextEndsWithACodeOfTheTable) {
    SetPluginCaller(FuzzPlugin);
    g_badCalls = 0;
    Generator generator(20240611u);
    Expression expression;
    int outOfTable = 0;
    int unstable = 0;
    int resultChangedOnFailure = 0;
    int plainTextChanged = 0;
    int codes[7] = {};
    std::string firstFailure;
    for (int i = 0; i < kIterations; ++i) {
        const std::string text = generator.Next();
        const std::string before = expression.Result();
        expression.SetText(text);
        const int code = expression.Evaluate();
        const std::string result = expression.Result();
        bool bad = false;
        if (code < 0 || code > 6) {
            bad = true;
            ++outOfTable;
        } else {
            ++codes[code];
        }
        if (code != 0 && result != before) {
            bad = true;
            ++resultChangedOnFailure;
        }
        // A text without operators and without function tokens comes back unchanged.
        const bool plain = text.find_first_of("\"[(") == std::string::npos;
        if (code == 0 && expression.OperatorCount() == 0 && plain && result != text) {
            bad = true;
            ++plainTextChanged;
        }
        if (expression.Evaluate() != code || expression.Result() != result) {
            bad = true;
            ++unstable;
        }
        if (bad && firstFailure.empty())
            firstFailure = text;
    }
    SetPluginCaller(nullptr);

    EXPECT_EQ(0, outOfTable);
    EXPECT_EQ(0, resultChangedOnFailure);
    EXPECT_EQ(0, plainTextChanged);
    EXPECT_EQ(0, unstable);
    EXPECT_EQ("", firstFailure);
    EXPECT_EQ(0, g_badCalls) << "first malformed call: " << g_firstBadCall;
    // The generator must reach every outcome the evaluator has, or it tests too little.
    for (int code = 0; code <= 5; ++code) EXPECT_GT(codes[code], 0) << "code " << code;
}

}  // namespace
