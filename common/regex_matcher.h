#pragma once
// A compiled regular expression (Boost.Regex, default syntax) that answers whether a whole
// text matches. Compile errors are logged and leave the matcher invalid; nothing throws.

#include <memory>
#include <string>

class RegexMatcher {
  public:
    // context names the user of the expression in the log ("Version matching").
    RegexMatcher(const char* context, const char* pattern);
    ~RegexMatcher();
    RegexMatcher(const RegexMatcher&) = delete;
    RegexMatcher& operator=(const RegexMatcher&) = delete;

    bool IsValid() const { return expression_ != nullptr; }
    // True when the whole text matches; false for an invalid matcher or a null text.
    bool Matches(const char* text) const;

  private:
    struct Expression;  // keeps <boost/regex.hpp> out of every includer
    std::string context_;
    std::string pattern_;
    std::unique_ptr<Expression> expression_;
};
