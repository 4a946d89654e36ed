#pragma once
// The file procedures of utils.dll: existence, copy, move, deletion by pattern, folder
// removal, and search and replace inside a file. Each has the signature of PluginProc.

#include <string>

#include "plugin_interface.h"

// A path argument as the procedures use it: expanded once more with setup's properties,
// double quotes removed, every "/" turned into "\".
std::string ProcPath(PluginSession session, const char* argument);

int FileExistsProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error);
int CopyFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error);
int DeleteFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error);
int DeleteFolderProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                     int* error);
int MoveFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error);
int FindInFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error);
int ReplaceInFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                      int* error);
