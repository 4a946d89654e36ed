#pragma once
// Small text helpers on std::string.

#include <string>
#include <vector>

// Removes the characters of set from both ends / the start / the end.
std::string Trim(const std::string& text, const char* set);
std::string TrimLeft(const std::string& text, const char* set);
std::string TrimRight(const std::string& text, const char* set);

// Comparison without regard to case (ASCII letters).
bool EqualsNoCase(const char* a, const char* b);
bool StartsWithNoCase(const std::string& text, const char* prefix);
bool EndsWithNoCase(const std::string& text, const char* suffix);
bool ContainsNoCase(const std::string& text, const std::string& part);
// text with its ASCII capitals made small.
std::string ToLowerAscii(std::string text);

// True when a program or file name holds a folder or a drive ("\\", "/" or ":"): Windows
// takes such a name as a path and never searches for it. A bare name it would search for.
bool NamesFolder(const std::string& name);

// The names of a name list: items separated by ",", ";", blanks or tabs; empty items are
// dropped.
std::vector<std::string> SplitNameList(const std::string& list);
