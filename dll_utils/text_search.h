#pragma once
// Exact, case-sensitive search and replace over the bytes of a file's content.

#include <cstddef>
#include <string>
#include <vector>

// The start of every occurrence of search in content, each search continuing behind the
// previous match; an occurrence that ends at the last byte counts. Empty search: none.
std::vector<std::size_t> FindOccurrences(const std::string& content, const std::string& search);
// content with every occurrence found by FindOccurrences replaced.
std::string ReplaceOccurrences(const std::string& content, const std::string& search,
                               const std::string& replacement);
