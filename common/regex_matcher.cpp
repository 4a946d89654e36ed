#include "regex_matcher.h"

#include <exception>

#include "log_file.h"
#include "plain_regex.h"

struct RegexMatcher::Expression {
    explicit Expression(const std::string& pattern) : regex(pattern) {}
    PlainRegex regex;
};

namespace {

void LogRegexException(const std::string& context, const std::string& pattern,
                       const std::exception& e) {
    Log().Error("Exception in boost::regex module for expression: %s", pattern.c_str());
    Log().Line("    %s: %s", context.c_str(), e.what());
}

}  // namespace

RegexMatcher::RegexMatcher(const char* context, const char* pattern)
    : context_(context ? context : ""), pattern_(pattern ? pattern : "") {
    try {
        expression_ = std::make_unique<Expression>(pattern_);
    } catch (const std::exception& e) {
        LogRegexException(context_, pattern_, e);
    }
}

RegexMatcher::~RegexMatcher() = default;

bool RegexMatcher::Matches(const char* text) const {
    if (!expression_ || !text)
        return false;
    try {
        return boost::regex_match(text, expression_->regex);
    } catch (const std::exception& e) {
        // Matching can give up on patterns with runaway backtracking.
        LogRegexException(context_, pattern_, e);
        return false;
    }
}
