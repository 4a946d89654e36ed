#pragma once
// The registry procedures of utils.dll. Every registry call names its view: the procedures
// without a view in their name work in the default view; "_x32x64" writes the 32-bit view
// and then the 64-bit view; the copy between views goes from the 64-bit view to the 32-bit
// view. Each procedure has the signature of PluginProc.

#include <string>

#include "plugin_interface.h"
#include "registry.h"

class RegistryAccess;

// The views a two-view procedure works in, in order.
extern const RegistryView kBothViews[2];

// The data of a value as RegistryGetValue gives it: multi-string values as their strings each
// followed by "/".
bool ReadValueForDisplay(RegistryAccess& registry, const std::string& path, RegistryView view,
                         std::string* text, long* errorCode);

// Copies the values and sub-keys of keyPath from one view into the other; the values
// overwrite those of the same name, other values of the target stay. Returns the number of
// keys and values written, or -1 with the error in *errorCode. Values of types that the
// registry layer cannot write faithfully (binary, multi-string, 64-bit numbers) are not
// copied and are counted in *skipped.
int CopyRegistryKey(RegistryAccess& registry, const std::string& keyPath, RegistryView from,
                    RegistryView to, int* skipped, long* errorCode);

int RegistryExistsProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                       int* error);
int RegistryEntriesCountProc(PluginSession session, int argc, char** argv, char* result,
                             int resultSize, int* error);
int RegistryGetValueProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error);
int RegistrySetValueProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error);
int RegistrySetValueBothProc(PluginSession session, int argc, char** argv, char* result,
                             int resultSize, int* error);
int RegistryMakeKeyBothProc(PluginSession session, int argc, char** argv, char* result,
                            int resultSize, int* error);
int RegistryCopyKeyWow6432Proc(PluginSession session, int argc, char** argv, char* result,
                               int resultSize, int* error);
int RegistryDeleteKeyWow64Proc(PluginSession session, int argc, char** argv, char* result,
                               int resultSize, int* error);
