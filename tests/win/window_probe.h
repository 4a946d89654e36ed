#pragma once
// Finds and inspects the windows a test's program opens, from another thread or process,
// and saves screenshots of the display.

#include <functional>
#include <string>
#include <vector>

struct ProbedControl {
    void* window;
    std::string className;
    std::string text;
    int id;
};

// Waits up to timeoutMs for a visible top-level window with this caption that belongs to
// process processId (0: any process). Returns the window handle or null.
void* WaitForWindow(const char* caption, unsigned long processId, unsigned long timeoutMs);
// The same for a window one of whose controls has a text that starts with textPrefix: a
// program may show several windows with one caption.
void* WaitForWindowWithText(const char* caption, unsigned long processId,
                            const std::string& textPrefix, unsigned long timeoutMs);
// The same for a window that accept also takes: for programs that show several windows of
// one caption.
void* WaitForWindowThat(const char* caption, unsigned long processId,
                        const std::function<bool(void*)>& accept, unsigned long timeoutMs);
bool WindowAlive(void* window);
// The captions of the visible top-level windows of a process and the texts of their
// controls, one window a line: what a failed wait for a window saw.
std::string DescribeWindows(unsigned long processId);
std::vector<ProbedControl> ChildControls(void* window);
// The first child whose text starts with prefix, or an empty record.
ProbedControl FindControlByTextPrefix(void* window, const std::string& prefix);
bool ControlFontIsUnderlined(void* control);
// Presses a button of a dialog by its identifier.
void PressButton(void* dialog, int id);
// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::string& path);
// The folder for screenshots in the build tree (created on first use).
std::string ArtifactFolder();
