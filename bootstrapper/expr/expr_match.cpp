#include "expr_match.h"

#include <cctype>
#include <utility>

#include "log_file.h"

namespace {

unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

// Reads the members of a set that starts at pattern[at] (just behind "["); returns the
// position behind the closing "]", or npos when the set is not closed.
std::size_t ParseSet(const std::string& pattern, std::size_t at, std::bitset<256>* set) {
    bool negated = false;
    if (at < pattern.size() && pattern[at] == '^') {
        negated = true;
        ++at;
    }
    const std::size_t first = at;
    for (; at < pattern.size(); ++at) {
        const char c = pattern[at];
        if (c == ']' && at != first)
            break;
        const bool range = at + 2 < pattern.size() && pattern[at + 1] == '-' &&
                           pattern[at + 2] != ']' && Byte(c) <= Byte(pattern[at + 2]);
        if (!range) {
            set->set(Byte(c));
            continue;
        }
        for (unsigned v = Byte(c); v <= Byte(pattern[at + 2]); ++v) set->set(v);
        at += 2;
    }
    if (at >= pattern.size())
        return std::string::npos;
    if (negated)
        set->flip();
    return at + 1;
}

}  // namespace

ExprMatch::ExprMatch(std::string name, const std::string& pattern, int expectedCount)
    : name_(std::move(name)), expectedCount_(expectedCount) {
    Parse(pattern);
}

void ExprMatch::Parse(const std::string& pattern) {
    std::size_t at = 0;
    while (at < pattern.size()) {
        const char c = pattern[at];
        if (c == '%') {
            at = ParseConversion(pattern, at + 1);
            continue;
        }
        Directive directive;
        directive.kind = std::isspace(Byte(c)) ? kSpace : kLiteral;
        directive.literal = c;
        directives_.push_back(directive);
        ++at;
    }
}

// Parses the conversion behind a "%" at pattern[at] and returns where the next directive
// starts. A directive that cannot be understood ends the pattern as one that never matches.
std::size_t ExprMatch::ParseConversion(const std::string& pattern, std::size_t at) {
    Directive directive;
    if (at < pattern.size() && pattern[at] == '%') {
        directive.kind = kLiteral;
        directive.literal = '%';
        directives_.push_back(directive);
        return at + 1;
    }
    directive.store = !(at < pattern.size() && pattern[at] == '*');
    if (!directive.store)
        ++at;
    std::size_t width = 0;
    for (; at < pattern.size() && std::isdigit(Byte(pattern[at])); ++at)
        width = width * 10 + static_cast<std::size_t>(pattern[at] - '0');
    if (at < pattern.size() && pattern[at] == '*') {
        directive.kind = kRest;
        ++at;
    }
    const bool restHere = directive.kind == kRest || (!directive.store && at >= pattern.size());
    if (restHere) {
        directive.kind = kRest;
        directives_.push_back(directive);
        return pattern.size();  // nothing behind "%*" is ever looked at
    }
    std::size_t next = std::string::npos;
    if (at < pattern.size() && pattern[at] == '[')
        next = ParseSet(pattern, at + 1, &directive.set);
    if (next == std::string::npos) {
        directive.kind = kInvalid;
        directives_.push_back(directive);
        return pattern.size();
    }
    // A run never exceeds a field buffer: it stops at the bound, as a bounded scan would,
    // and the next directive meets the rest of the run. In the operator table every run is
    // followed by a directive that then fails, so there an over-long field rejects the
    // match (nothing is overrun, no call is made with a shortened text); a run at the very
    // end of a pattern keeps its first kMaxFieldLength characters.
    directive.kind = kSet;
    directive.width = (width == 0 || width > kMaxFieldLength) ? kMaxFieldLength : width;
    directives_.push_back(directive);
    return next;
}

int ExprMatch::Scan(std::string_view input, std::vector<std::string>* fields) const {
    int count = 0;
    std::size_t at = 0;
    for (const Directive& d : directives_) {
        if (d.kind == kRest || d.kind == kInvalid)
            return count;
        if (d.kind == kSpace) {
            while (at < input.size() && std::isspace(Byte(input[at]))) ++at;
            continue;
        }
        if (d.kind == kLiteral) {
            if (at >= input.size() || input[at] != d.literal)
                return count;
            ++at;
            continue;
        }
        // A zero byte ends the input as it ends a C string: no field reaches past it.
        std::size_t length = 0;
        while (length < d.width && at + length < input.size() && input[at + length] != '\0' &&
               d.set[Byte(input[at + length])])
            ++length;
        if (length == 0)
            return count;
        if (d.store && ++count <= kMaxFields && fields)
            fields->emplace_back(input.substr(at, length));
        at += length;
    }
    return count;
}

void ExprMatch::WarnOverrun(std::string_view input, int count) const {
    if (count <= kMaxFields)
        return;
    const std::string text(input);
    Log().Warning(
        "ExprMatch::IsMatching() A memory overrun occurred during '%s' expression matching "
        "'%s'! Increase the number of parameters for sscanf() if needed.",
        text.c_str(), name_.c_str());
}

bool ExprMatch::IsMatching(std::string_view input) const {
    const int count = Scan(input, nullptr);
    WarnOverrun(input, count);
    return count == expectedCount_;
}

int ExprMatch::GetParameters(std::string_view input, std::vector<std::string>* fields) const {
    if (fields)
        fields->clear();
    const int count = Scan(input, fields);
    WarnOverrun(input, count);
    return count;
}
