// Button, icon, answer and language codes of the message box procedures.

#include "message_box_codes.h"

#include <cctype>

#include "plugin_interface.h"
#include "str_util.h"

namespace {

char Upper(const std::string& text, std::size_t index) {
    return index < text.size()
               ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[index])))
               : '\0';
}

const unsigned short kLangNeutral = 0x00;
const unsigned short kLangEnglish = 0x09;
const unsigned short kSubNeutral = 0x00;
const unsigned short kSubDefault = 0x01;
const unsigned short kSubSystemDefault = 0x02;

}  // namespace

bool ButtonStyle(const std::string& buttons, unsigned* style) {
    switch (Upper(buttons, 0)) {
        case 'O':
            *style = Upper(buttons, 1) == 'C' ? kBoxOkCancel : kBoxOk;
            return true;
        case 'R':
            *style = kBoxRetryCancel;
            return true;
        case 'Y':
            *style = Upper(buttons, 2) == 'C' ? kBoxYesNoCancel : kBoxYesNo;
            return true;
        default:
            *style = kBoxOkCancel;
            return false;
    }
}

bool IconStyle(const std::string& icon, unsigned* style) {
    switch (icon.empty() ? '\0' : icon[0]) {
        case 'E':
            *style = kBoxIconError;
            return true;
        case 'I':
            *style = kBoxIconInformation;
            return true;
        case 'Q':
            *style = kBoxIconQuestion;
            return true;
        case 'W':
            *style = kBoxIconWarning;
            return true;
        default:
            *style = kBoxIconInformation;
            return false;
    }
}

char AnswerLetter(int answer) {
    switch (answer) {
        case kAnswerOk:
            return 'O';
        case kAnswerCancel:
            return 'C';
        case kAnswerRetry:
            return 'R';
        case kAnswerYes:
            return 'Y';
        case kAnswerNo:
            return 'N';
        default:
            return '\0';
    }
}

unsigned short MessageBoxLanguage(const std::string& language) {
    const char first = Upper(language, 0);
    const unsigned short primary = first == 'E' ? kLangEnglish : kLangNeutral;
    const unsigned short sub = first == 'N'   ? kSubNeutral
                               : first == 'S' ? kSubSystemDefault
                                              : kSubDefault;
    return static_cast<unsigned short>((sub << 10) | primary);
}

unsigned MessageBoxStyleFor(unsigned long session, const std::string& buttons,
                            const std::string& icon) {
    unsigned buttonStyle = 0;
    if (!ButtonStyle(buttons, &buttonStyle))
        PluginLog(session, kLogWarning,
                  "BSMessageBox() has an incorrect parameter format for buttons: '%s'. See "
                  "'standard.xml' file for butttons valid format! Defaulting to 'Ok Cancel'",
                  buttons.c_str());
    unsigned iconStyle = 0;
    if (!IconStyle(icon, &iconStyle))
        PluginLog(session, kLogWarning,
                  "BSMessageBox() has an incorrect parameter format for icon: '%s'. See "
                  "'standard.xml' file for icons valid format! Defaulting to 'Info'",
                  icon.c_str());
    return buttonStyle | iconStyle;
}

int PutAnswerLetter(int answer, char* result, int resultSize) {
    const char letter = AnswerLetter(answer);
    StrCopyTruncated(result, " ", resultSize);
    if (result && resultSize >= 2)
        result[0] = letter;
    return static_cast<unsigned char>(letter);
}
