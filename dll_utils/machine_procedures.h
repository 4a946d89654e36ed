#pragma once
// The procedures of utils.dll that act on services, processes, windows and mutexes, and
// the concurrent installation guard, bound to the real machine. Each has the signature of
// PluginProc; the rules live in the neutral files named after each concern.

#include "plugin_interface.h"

int UtilsControlService(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
int UtilsServiceRegistered(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error);
int UtilsServiceIsRunning(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error);
int UtilsProcess(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error);
int UtilsProcessIsRunning(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error);
int UtilsFindWindow(PluginSession session, int argc, char** argv, char* result, int resultSize,
                    int* error);
int UtilsSetWindowTitle(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
int UtilsMutexLock(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error);
int UtilsMutexUnlock(PluginSession session, int argc, char** argv, char* result, int resultSize,
                     int* error);
int UtilsMutexArrayLock(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
int UtilsMutexArrayUnlock(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error);
int UtilsPreventConcurrentInstallations(PluginSession session, int argc, char** argv, char* result,
                                        int resultSize, int* error);
