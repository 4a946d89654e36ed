#pragma once
// Path rules of the resolver: the folders it searches and the names it searches them for.

#include <string>

// folder with "/" turned into "\" and a final "\" added; "" stays "".
std::string ResolverFolder(const std::string& folder);

// Checks a FileName or ArchiveName before it is joined to a searched folder. A leading
// ".\" (or "./") is removed. The name must stay inside the folder: a name that is empty,
// absolute ("\x", "/x"), on a drive ("C:x", "C:\x"), a share ("\\server\share"), or
// that holds a "..", "." or empty part is refused, so that a configuration (or a property it
// expands) can never make setup run a file found outside the places it searches.
bool SafeRelativeName(const std::string& name, std::string* cleaned);

// "\\server\share" of a path on a network share, "" for any other path.
std::string ShareRoot(const std::string& path);
