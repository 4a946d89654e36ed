#pragma once
// The words of the message box procedures: button codes, icon codes, answer letters and the
// language of MessageBoxEx, as the style and language numbers Windows takes.

#include <string>

#include "messages.h"

// The styles and answers the message boxes of setup do not use, as the system numbers them.
const unsigned kBoxYesNoCancel = 0x3;
const unsigned kBoxRetryCancel = 0x5;
enum MessageBoxAnswer {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerRetry = 4,
    kAnswerYes = 6,
    kAnswerNo = 7
};

// The buttons of a buttons text (first character upper-cased); false when the text is not a
// known code, and then *style is OK and Cancel.
bool ButtonStyle(const std::string& buttons, unsigned* style);
// The icon of an icon text (first character, case-sensitive); false when it is not a known
// code, and then *style is the information icon.
bool IconStyle(const std::string& icon, unsigned* style);
// The letter of an answer: "O", "C", "R", "Y", "N"; '\0' for any other.
char AnswerLetter(int answer);
// The language of MessageBoxEx's language text: primary English for "E" (else neutral),
// sub-language neutral for "N", system default for "S", default otherwise.
unsigned short MessageBoxLanguage(const std::string& language);

// The style of the buttons and icon texts; a text that is not a known code is logged as a
// warning and its default used.
unsigned MessageBoxStyleFor(unsigned long session, const std::string& buttons,
                            const std::string& icon);
// Puts the answer letter into the result buffer (" " when only the letter's place fits, an
// empty text for an answer without letter) and returns the letter's character code.
int PutAnswerLetter(int answer, char* result, int resultSize);
