#pragma once
// The message box of setup: always on top, optionally with an underlined "Open log file"
// link under its text, or ignoring the Enter key (for questions that must not be answered
// by a stray key press).

// Shows the box and returns the button pressed (0 when the box could not be shown).
// owner is a window handle or null.
int MessageBoxWithLink(const char* text, const char* caption, unsigned type, const char* logPath,
                       void* owner, bool absorbEnter);

// What a click on the link does with the log path. The default opens it with the shell;
// tests replace it to observe the click without starting an editor.
using LogLinkOpener = void (*)(const char* logPath);
LogLinkOpener SetLogLinkOpener(LogLinkOpener opener);

// Control identifiers of the box's additions, so that the box can be inspected.
const int kLogLinkControlId = 0x7F01;
const int kEnterSinkButtonId = 0x7F02;
