#include "relation.h"

#include <gtest/gtest.h>

#include <string>

#include "expression.h"

namespace {

TEST(RelationTest, WordsNameTheirRelation) {
    const struct {
        const char* word;
        bool ignoreCase;
        Relation expected;
    } rows[] = {
        {"=", false, Relation::kEqual},
        {"==", false, Relation::kEqual},
        {"eq", false, Relation::kEqual},
        {"e", false, Relation::kEqual},
        {"EQ", true, Relation::kEqual},
        {"Eq", true, Relation::kEqual},
        {"!=", false, Relation::kNotEqual},
        {"<>", false, Relation::kNotEqual},
        {"#", false, Relation::kNotEqual},
        {"NE", true, Relation::kNotEqual},
        {"<", false, Relation::kLess},
        {"lt", false, Relation::kLess},
        {"L", true, Relation::kLess},
        {"<=", false, Relation::kLessEqual},
        {"LE", true, Relation::kLessEqual},
        {">", false, Relation::kGreater},
        {"gt", false, Relation::kGreater},
        {"G", true, Relation::kGreater},
        {">=", false, Relation::kGreaterEqual},
        {"gE", true, Relation::kGreaterEqual},
        // Letters in another case only when the case is ignored.
        {"EQ", false, Relation::kNone},
        {"Ge", false, Relation::kNone},
        // Whole words only.
        {"eqx", true, Relation::kNone},
        {" =", true, Relation::kNone},
        {">= ", true, Relation::kNone},
        {"=>", true, Relation::kNone},
        {"=<", true, Relation::kNone},
        {"~", true, Relation::kNone},
        {"", true, Relation::kNone},
        {nullptr, true, Relation::kNone},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, ParseRelation(row.word, row.ignoreCase))
            << (row.word ? row.word : "(null)") << " ignoreCase=" << row.ignoreCase;
}

TEST(RelationTest, OnlyTheSignOfTheOrderCounts) {
    // Whether the relation holds for orders -7, -1, 0, 1 and 9.
    const struct {
        Relation relation;
        bool holds[5];
    } rows[] = {
        {Relation::kEqual, {false, false, true, false, false}},
        {Relation::kNotEqual, {true, true, false, true, true}},
        {Relation::kLess, {true, true, false, false, false}},
        {Relation::kLessEqual, {true, true, true, false, false}},
        {Relation::kGreater, {false, false, false, true, true}},
        {Relation::kGreaterEqual, {false, false, true, true, true}},
        {Relation::kNone, {false, false, false, false, false}},
    };
    const int orders[5] = {-7, -1, 0, 1, 9};
    for (const auto& row : rows) {
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(row.holds[i], RelationHolds(row.relation, orders[i]))
                << "relation " << static_cast<int>(row.relation) << ", order " << orders[i];
    }
}

// The comparison operators of expressions decide as the words they are written with say.
TEST(RelationTest, ExpressionOperatorsAgreeWithTheirWords) {
    const char* const words[] = {"=",  "EQ", "eq", "!=", "NE", "LT", "lt",
                                 "LE", ">",  "GT", ">=", "GE", "ge"};
    const struct {
        const char* left;
        const char* right;
        int order;
    } sides[] = {{"1", "2", -1}, {"2", "2", 0}, {"+2", "2", 0}, {"3", "-2", 1}};
    for (const char* word : words) {
        const Relation relation = ParseRelation(word, true);
        ASSERT_NE(Relation::kNone, relation) << word;
        for (const auto& side : sides) {
            const std::string text = std::string(side.left) + " " + word + " " + side.right;
            Expression expression(text);
            ASSERT_EQ(kExprOk, expression.Evaluate()) << text;
            EXPECT_EQ(RelationHolds(relation, side.order) ? "1" : "0", expression.Result()) << text;
        }
    }
}

}  // namespace
