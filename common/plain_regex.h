#pragma once

// The regular expressions of setup: Perl syntax, classified with the C library's character
// tables instead of a std::locale. Setup matches command-line words and version texts, which
// never need locale-aware classes; leaving std::locale alone spares every run building its
// facets, and keeps that code out of the working set.

#include <boost/regex.hpp>

using PlainRegex = boost::basic_regex<char, boost::c_regex_traits<char>>;
