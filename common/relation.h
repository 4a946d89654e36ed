#pragma once
// The relation words (">=", "GE", "<>", ...) wherever a text names a comparison: the
// operating-system version operator of the configuration, the expression operators and
// the operator word of the version procedures of utils. One table says which word means
// which relation, and one function decides a relation from the order of its two sides.

enum class Relation { kNone, kEqual, kNotEqual, kLess, kLessEqual, kGreater, kGreaterEqual };

// The relation a word names, as a whole word:
//   equal             =   ==  eq  e
//   not equal         !=  <>  #   ne
//   less              <   lt  l
//   less or equal     <=  le
//   greater           >   gt  g
//   greater or equal  >=  ge
// With ignoreCase the letters may be written in any case, otherwise only as listed (lower
// case). kNone for null and for any other word.
Relation ParseRelation(const char* word, bool ignoreCase);

// Whether the relation holds between two sides whose comparison gave order: below 0 when
// the left side is the lower, 0 when they are equal, above 0 when the left is the higher.
// kNone never holds.
bool RelationHolds(Relation relation, int order);
