#pragma once
// The text procedures of utils.dll and the pure text functions behind them. Each procedure
// has the signature of PluginProc.

#include <string>
#include <vector>

#include "plugin_interface.h"

// The path up to, not including, the first "\" after its first two characters ("C:" for
// "C:\x", "\\server" for "\\server\share"); a path without such a "\" is its own root.
std::string RootDriveOf(const std::string& path);
// Every occurrence of what removed (with is 0) or replaced by with.
std::string ReplaceChar(const std::string& text, char what, char with);
// The pieces joined with one "\" between them: "/" becomes "\", trailing "\" are dropped.
std::string JoinPathPieces(const std::vector<std::string>& pieces);

int GetRootDriveProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                     int* error);
int RemoveCharProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error);
int PathJoinProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error);
int GetPropertyValueProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error);
int GetEnvProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
               int* error);
