#pragma once
// The dialog procedures of utils.dll: message boxes, the options dialog and the file-open
// dialog that insists on a file version. Each has the signature of PluginProc.

#include "plugin_interface.h"

int MessageBoxProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error);
int MessageBoxExProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                     int* error);
int OptionsDialogProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                      int* error);
int OptionsDialogExProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
int BrowseForFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                      int* error);
