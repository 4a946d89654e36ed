#pragma once
// The procedures of utils.dll that act on services, processes, windows and mutexes, and
// the concurrent installation guard, bound to the real machine. Each has the signature of
// PluginProc; the rules live in the neutral files named after each concern.

#include "plugin_interface.h"

#define TARVEX_UTILS_PROC(name) \
    int name(PluginSession session, int argc, char** argv, char* result, int resultSize, int* error)

TARVEX_UTILS_PROC(UtilsControlService);
TARVEX_UTILS_PROC(UtilsServiceRegistered);
TARVEX_UTILS_PROC(UtilsServiceIsRunning);
TARVEX_UTILS_PROC(UtilsProcess);
TARVEX_UTILS_PROC(UtilsProcessIsRunning);
TARVEX_UTILS_PROC(UtilsFindWindow);
TARVEX_UTILS_PROC(UtilsSetWindowTitle);
TARVEX_UTILS_PROC(UtilsMutexLock);
TARVEX_UTILS_PROC(UtilsMutexUnlock);
TARVEX_UTILS_PROC(UtilsMutexArrayLock);
TARVEX_UTILS_PROC(UtilsMutexArrayUnlock);
TARVEX_UTILS_PROC(UtilsPreventConcurrentInstallations);

#undef TARVEX_UTILS_PROC
