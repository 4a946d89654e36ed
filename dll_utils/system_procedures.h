#pragma once
// The system queries and access-right procedures of utils.dll. Each has the signature of
// PluginProc.

#include <string>

#include "plugin_interface.h"

int RunningAsAdminProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                       int* error);
int IsOSVersionProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                    int* error);
int GetDiskFreeSpaceProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error);
int GetProcessorArchitectureProc(PluginSession session, int argc, char** argv, char* result,
                                 int resultSize, int* error);
int GetAccountNameProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                       int* error);
int SetAccessPermissionsProc(PluginSession session, int argc, char** argv, char* result,
                             int resultSize, int* error);
int TakeFileOwnershipProc(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error);
int TakeRegistryOwnershipProc(PluginSession session, int argc, char** argv, char* result,
                              int resultSize, int* error);
int RegistryGrantAccessToCrtUserProc(PluginSession session, int argc, char** argv, char* result,
                                     int resultSize, int* error);
