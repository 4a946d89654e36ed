#pragma once
// The user messages of setup: texts by tag, with built-in defaults that "standard.xml"
// may replace, and the message box that shows them.

#include <string>
#include <vector>

// Buttons and icons of the message box, as the system numbers them.
const unsigned kBoxOk = 0x0;
const unsigned kBoxOkCancel = 0x1;
const unsigned kBoxYesNo = 0x4;
const unsigned kBoxIconError = 0x10;
const unsigned kBoxIconQuestion = 0x20;
const unsigned kBoxIconWarning = 0x30;
const unsigned kBoxIconInformation = 0x40;
const int kBoxAnswerOk = 1;
const int kBoxAnswerYes = 6;

struct MessageEntry {
    char tag[64];
    char text[1024];
};

class Messages {
  public:
    Messages();

    // Replaces the entry of that tag (tag and text), or appends a new one. A null text
    // keeps the text of an existing entry and gives a new entry an empty text.
    void Set(const char* tag, const char* text);
    const MessageEntry* Find(const char* tag) const;
    std::size_t Count() const { return entries_.size(); }
    const MessageEntry& At(std::size_t index) const { return entries_[index]; }

    // The text a box shows for tag: the specific text first, then the configured text of
    // the tag on the next line.
    std::string Compose(const char* tag, const char* text) const;

    // Shows Compose(tag, text) in the message box (with the "Open log file" link when
    // logPath is given) and returns the button that was pressed.
    int Show(const char* tag, const char* text, const char* caption, unsigned type,
             const char* logPath, void* owner, bool absorbEnter) const;

  private:
    std::vector<MessageEntry> entries_;
};

// The message table of the program.
Messages& UserMessages();

// The text of tag in messages, or fallback when there is none or it is empty.
std::string MessageText(const Messages& messages, const char* tag, const char* fallback);

// Severity words of flow-element messages: "Info" 1, "Warning" 2, "Error" 3 (any case),
// "" 0, anything else -1.
int ParseSeverity(const char* text);
const char* SeverityName(int severity);
