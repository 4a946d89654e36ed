#pragma once
// The caller side of plug-in procedure calls: '<library>.CallProc:<procedure>(<arguments>)'.
// Conditions, computed properties and DLL-call elements all call through here.
//
// setup installs the library loader of plugin_library.h as the caller when its run starts.
// Until a caller is installed every call fails with a reason, so that configurations that
// depend on a plug-in fail visibly instead of silently succeeding.

#include <string>

enum PluginResultKind { kPluginFailed = -1, kPluginInteger = 0, kPluginText = 1 };

// Returns the result kind: the number in *number (kPluginInteger), the text in *text
// (kPluginText), or the reason in *error (kPluginFailed).
using PluginCaller = int (*)(const char* callText, std::string* text, int* number,
                             std::string* error);

int CallPluginProcedure(const char* callText, std::string* text, int* number, std::string* error);
// The result as one text: the decimal number or the text; false with the reason.
bool CallPluginForText(const char* callText, std::string* value, std::string* error);

// Replaces the caller (the plug-in loader installs itself; tests install fakes); null
// restores the default, which fails every call.
void SetPluginCaller(PluginCaller caller);
