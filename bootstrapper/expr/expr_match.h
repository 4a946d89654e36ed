#pragma once
// ExprMatch: one scan pattern of the expression language and of the configuration syntax
// checks. A pattern is written in the scan-format notation and is run at the start of an
// input text; it matches when exactly the expected number of fields is captured.
//
// The directives understood (none of them skips white space by itself):
//   %1[set]   exactly one character of the set
//   %[set]    one or more characters of the set, as many as possible (a field width,
//             %N[set], bounds the run; without one the bound is kMaxFieldLength)
//   %*[set]   as %[set], but the run is not a field and is not counted
//   %* / %1*  at the end of a pattern: nothing more is required
//   %%        a literal "%"
//   blank     skips any white space of the input
//   other     a literal character that must be present
// A set is "^" for "all but", then its members; "]" right after "[" or "[^" is a member,
// and "a-z" is an inclusive range. Any other conversion (%d, %s, an unclosed set...) is a
// directive that never matches, so the count of fields stops there.

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class ExprMatch {
  public:
    // The most fields a match hands back, and the most characters kept of one field.
    static constexpr int kMaxFields = 10;
    static constexpr std::size_t kMaxFieldLength = 1023;

    ExprMatch(std::string name, const std::string& pattern, int expectedCount);

    const std::string& Name() const { return name_; }
    int ExpectedCount() const { return expectedCount_; }

    // Scans the input from its first character; true when exactly the expected number of
    // fields was captured.
    bool IsMatching(std::string_view input) const;
    // The same scan; *fields receives the captured fields in order (at most kMaxFields).
    // Returns the number of fields captured, which may exceed what *fields holds.
    int GetParameters(std::string_view input, std::vector<std::string>* fields) const;

  private:
    enum DirectiveKind { kSet, kLiteral, kSpace, kRest, kInvalid };
    struct Directive {
        DirectiveKind kind = kInvalid;
        std::bitset<256> set;
        std::size_t width = 0;
        bool store = false;
        char literal = 0;
    };

    void Parse(const std::string& pattern);
    std::size_t ParseConversion(const std::string& pattern, std::size_t at);
    int Scan(std::string_view input, std::vector<std::string>* fields) const;
    void WarnOverrun(std::string_view input, int count) const;

    std::string name_;
    std::vector<Directive> directives_;
    int expectedCount_;
};
