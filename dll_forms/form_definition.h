#pragma once
// A form as its XML file describes it: the dialog template to show, its caption, and the
// controls to fill, show or hide; the buttons that end the form with their answers.
// Reading it needs no window; showing it is form_presenter_win32.cpp's.

#include <string>
#include <vector>

class XMLParser;

// What a control element asks of the control with its identifier in the template.
enum class FormControlKind { kButton, kLabel, kImage, kOther };

struct FormControl {
    FormControlKind kind = FormControlKind::kOther;
    std::string element;  // the element name as written
    std::string id;       // the Id attribute (a button's answer)
    int resourceId = 0;   // the control's identifier inside the template
    bool visible = true;
    bool bold = false;  // labels only
    std::string text;   // a label's element text, with CR LF line ends
    std::string uri;    // an image's bitmap file
};

struct FormDefinition {
    static const int kMaxButtons = 32;
    static const std::size_t kMaxAnswerLength = 127;

    std::string id;
    int resourceId = 0;
    bool hasCaption = false;
    std::string caption;
    std::vector<FormControl> controls;
    // The button controls entered into the button table (at most kMaxButtons), in order.
    std::vector<FormControl> buttons;

    // The answer of the button with this control identifier, or null when the identifier is
    // not in the button table (such a control does not end the form).
    const std::string* AnswerFor(int controlId) const;
};

// Reads the Form element at the parser's cursor into *form. Elements that cannot be used
// (no Id, a ResourceId that is not a number) are left out; each such fault appends a
// sentence to *problems. Returns false when the form itself cannot be used.
bool ReadFormDefinition(XMLParser& parser, FormDefinition* form,
                        std::vector<std::string>* problems);
