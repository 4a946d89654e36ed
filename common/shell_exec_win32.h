#pragma once
// The system calls of ShellExec that tests replace, to play failures that a working system
// does not produce on demand. Each starts as the system's own function.

#include <windows.h>

#include <string>

struct ShellExecCalls {
    // The wait for the child, its output and the caller's messages.
    decltype(&MsgWaitForMultipleObjectsEx) waitForChild = MsgWaitForMultipleObjectsEx;
    // Opens the write end of the output pipe.
    decltype(&CreateFileA) openPipeWriteEnd = CreateFileA;
};

// The calls in use; a test that changes them puts the defaults back (ShellExecCalls{}).
ShellExecCalls& ShellExecSystemCalls();

// The command line whose first token, a bare program name, is replaced by that program's
// path in the system folder; any other command line comes back unchanged.
std::string CommandFromSystemFolder(const std::string& commandLine);
