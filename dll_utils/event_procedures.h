#pragma once
// LogEventMessage: a message of the configuration written to the Windows event log under the
// product's name. It has the signature of PluginProc.

#include "plugin_interface.h"

int LogEventMessageProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
