#pragma once
// The content and the answer of the options dialog, apart from its window.
//
// Arguments. OptionsDialog(type|caption|title|columns|option|option|...) and
// OptionsDialogEx(type|minimum|caption|title|columns|button|option|option|...):
// - type: "SingleSel" or "MultiSel" (without regard to case);
// - minimum (Ex): how many options must be chosen before Continue can be pressed (0: none);
// - caption: the window's caption; title: the text above the list;
// - columns: the list's column headers separated by "~";
// - button (Ex): the text of the Continue button (empty keeps "&Continue");
// - option: its state, "~", then its column texts separated by "~". The state is "1"
//   (chosen), "0" (not chosen) or "-" (shown but cannot be chosen); an option whose first
//   part is none of these is not chosen and all its parts are column texts.
// In every text the two characters "\n" stand for a line break.

#include <string>
#include <vector>

struct OptionItem {
    std::vector<std::string> columns;
    bool chosen = false;
    bool choosable = true;
};

struct OptionsContent {
    bool single = false;  // the type is SingleSel
    int minimum = 0;
    std::string caption;
    std::string title;
    std::vector<std::string> columns;
    std::string button;
    std::vector<OptionItem> options;
};

// The parts of a text separated by "~", with each "\n" pair turned into a line break.
std::vector<std::string> SplitOptionText(const std::string& text);
OptionItem ParseOption(const std::string& text);

// The content of the arguments after the procedure name (texts already expanded); false
// with the reason for an unknown type, a bad minimum or no option.
bool ParseOptionsArguments(const std::vector<std::string>& arguments, bool extended,
                           OptionsContent* content, std::string* reason);

// In a single selection choosing one option clears the others.
void ChooseOption(std::vector<OptionItem>* options, std::size_t index, bool chosen, bool single);
int ChosenCount(const std::vector<OptionItem>& options);
// The answer: for a single selection the position of the chosen option ("-1" for none); else
// one character per option, "1" chosen, "0" not chosen, "_" cannot be chosen.
std::string OptionsAnswer(const std::vector<OptionItem>& options, bool single);

// The one options dialog that may be active in the library at a time.
bool AcquireOptionsDialogSlot();
void ReleaseOptionsDialogSlot();
