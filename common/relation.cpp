#include "relation.h"

#include <cstring>

#include "text_util.h"

namespace {

const struct {
    const char* word;
    Relation relation;
} kWords[] = {
    {"=", Relation::kEqual},      {"==", Relation::kEqual},        {"eq", Relation::kEqual},
    {"e", Relation::kEqual},      {"!=", Relation::kNotEqual},     {"<>", Relation::kNotEqual},
    {"#", Relation::kNotEqual},   {"ne", Relation::kNotEqual},     {"<", Relation::kLess},
    {"lt", Relation::kLess},      {"l", Relation::kLess},          {"<=", Relation::kLessEqual},
    {"le", Relation::kLessEqual}, {">", Relation::kGreater},       {"gt", Relation::kGreater},
    {"g", Relation::kGreater},    {">=", Relation::kGreaterEqual}, {"ge", Relation::kGreaterEqual},
};

}  // namespace

Relation ParseRelation(const char* word, bool ignoreCase) {
    if (!word)
        return Relation::kNone;
    for (const auto& entry : kWords) {
        const bool same =
            ignoreCase ? EqualsNoCase(word, entry.word) : std::strcmp(word, entry.word) == 0;
        if (same)
            return entry.relation;
    }
    return Relation::kNone;
}

bool RelationHolds(Relation relation, int order) {
    switch (relation) {
        case Relation::kEqual:
            return order == 0;
        case Relation::kNotEqual:
            return order != 0;
        case Relation::kLess:
            return order < 0;
        case Relation::kLessEqual:
            return order <= 0;
        case Relation::kGreater:
            return order > 0;
        case Relation::kGreaterEqual:
            return order >= 0;
        case Relation::kNone:
            break;
    }
    return false;
}
