#pragma once
// The message boxes and questions the run puts to the user. The program shows them as
// message boxes with the texts of the message table; tests answer them from a script.

#include <string>

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;
    // Shows the configured text of tag (may be null) after text (may be null), with the
    // buttons and icon of type (kBox* of messages.h); returns the button pressed
    // (kBoxAnswer*), 0 when the box could not be shown.
    virtual int Show(const char* tag, const char* text, unsigned type) = 0;
    // The configured text of tag, or fallback when the table has none (or an empty one).
    virtual std::string Text(const char* tag, const char* fallback) = 0;
};

// The prompts of the program: the message box of setup over the message table.
UserPrompts& MessageBoxPrompts();
