#pragma once
// Text work of the custom actions: cleaning names, search and replace, the data of the
// search-and-replace actions, SHA-1 digests.

#include <string>

// Every character that is neither an ASCII letter, a digit nor "_" replaced by "_".
std::string CleanName(const std::string& text);

// text with every occurrence of search replaced by replacement, left to right, never
// looking into a replacement; *count receives the number replaced. An empty search text
// changes nothing (it would match everywhere).
std::string ReplaceAllText(const std::string& text, const std::string& search,
                           const std::string& replacement, int* count);

// The data of the deferred search-and-replace actions: "<file>|<search>|<replacement>",
// split at the first two "|" so that the replacement may hold "|". The variant of the
// second action reads a replacement "None" (any case) as empty.
struct ReplaceData {
    std::string file;
    std::string search;
    std::string replacement;
};
bool ParseReplaceData(const std::string& data, bool noneMeansEmpty, ReplaceData* result);

// The SHA-1 digest of bytes as 40 lower-case hexadecimal digits.
std::string Sha1Hex(const std::string& bytes);
