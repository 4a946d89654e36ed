#include "form_definition.h"

#include <cstdio>

#include "form_check.h"
#include "text_util.h"
#include "xml_parser.h"

namespace {

// Element names are matched without regard to case, the button's too: a form author who
// writes <button> means a button, and a button that silently never answers is worse.
FormControlKind KindOf(const std::string& element) {
    if (EqualsNoCase(element.c_str(), "Button"))
        return FormControlKind::kButton;
    if (EqualsNoCase(element.c_str(), "Label"))
        return FormControlKind::kLabel;
    if (EqualsNoCase(element.c_str(), "Image"))
        return FormControlKind::kImage;
    return FormControlKind::kOther;
}

std::string Attribute(XMLParser& parser, const char* name) {
    return parser.GetAttribute(nullptr, name, 4).value_or("");
}

// The text of the element at the cursor: its first child when that is text.
std::string ElementText(XMLParser& parser) {
    if (!parser.Move(0))
        return std::string();
    const int type = parser.NodeType();
    std::string text = (type == 3 || type == 4) ? parser.NodeContent() : std::string();
    parser.Move(1);
    return text;
}

// Line ends become CR LF: the edit controls of the templates break lines there only, and
// the XML reader hands over LF.
std::string WithCrLf(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            result += '\r';
        result += text[i];
    }
    return result;
}

std::string Describe(const std::string& formId, const std::string& element, int index) {
    return "Form '" + formId + "': element " + std::to_string(index) + " <" + element + ">";
}

// Reads the control element at the cursor; false (with the reason) when it is not usable.
bool ReadControl(XMLParser& parser, const std::string& where, FormControl* control,
                 std::string* problem) {
    control->element = parser.NodeName();
    control->kind = KindOf(control->element);
    const std::optional<std::string> id = parser.GetAttribute(nullptr, "Id", 4);
    const std::optional<std::string> resourceId = parser.GetAttribute(nullptr, "ResourceId", 4);
    // Only a button needs an Id (its answer); for the other controls it is a name only.
    if (control->kind == FormControlKind::kButton)
        *problem = CheckIdAttribute(where, id);
    if (problem->empty())
        *problem = CheckResourceIdAttribute(where, resourceId);
    if (!problem->empty())
        return false;
    control->id = id.value_or("");
    if (control->kind == FormControlKind::kButton &&
        control->id.size() > FormDefinition::kMaxAnswerLength)
        control->id.resize(FormDefinition::kMaxAnswerLength);
    control->resourceId = *ParseResourceId(*resourceId);
    control->visible = !EqualsNoCase(Attribute(parser, "Visible").c_str(), "No");
    if (control->kind == FormControlKind::kLabel) {
        control->bold = EqualsNoCase(Attribute(parser, "Bold").c_str(), "Yes");
        control->text = WithCrLf(ElementText(parser));
    }
    if (control->kind == FormControlKind::kImage)
        control->uri = Attribute(parser, "URI");
    return true;
}

void AddControl(const FormControl& control, FormDefinition* form,
                std::vector<std::string>* problems, bool* tooMany) {
    if (control.kind == FormControlKind::kButton) {
        if (static_cast<int>(form->buttons.size()) >= FormDefinition::kMaxButtons) {
            // Reported once per form, however many buttons are left out.
            if (!*tooMany) {
                char text[128];
                std::snprintf(text, sizeof(text),
                              "Too many controls in the form! Maximum is %d (try to increase "
                              "it and recompile)",
                              FormDefinition::kMaxButtons);
                problems->push_back(text);
            }
            *tooMany = true;
            return;
        }
        form->buttons.push_back(control);
    }
    form->controls.push_back(control);
}

void ReadControls(XMLParser& parser, FormDefinition* form, std::vector<std::string>* problems) {
    if (!parser.Move(0))
        return;
    bool tooMany = false;
    int index = 0;
    do {
        if (parser.NodeType() != 1)
            continue;
        ++index;
        FormControl control;
        std::string problem;
        if (ReadControl(parser, Describe(form->id, parser.NodeName(), index), &control, &problem))
            AddControl(control, form, problems, &tooMany);
        else
            problems->push_back(problem);
    } while (parser.Move(2));
    parser.Move(1);
}

}  // namespace

const std::string* FormDefinition::AnswerFor(int controlId) const {
    for (const FormControl& button : buttons) {
        if (button.resourceId == controlId)
            return &button.id;
    }
    return nullptr;
}

bool ReadFormDefinition(XMLParser& parser, FormDefinition* form,
                        std::vector<std::string>* problems) {
    const std::optional<std::string> id = parser.GetAttribute(nullptr, "Id", 4);
    const std::optional<std::string> resourceId = parser.GetAttribute(nullptr, "ResourceId", 4);
    const std::string where = id && !id->empty() ? "Form '" + *id + "'" : "A Form element";
    std::string problem = CheckIdAttribute(where, id);
    if (problem.empty())
        problem = CheckResourceIdAttribute(where, resourceId);
    if (!problem.empty()) {
        problems->push_back(problem);
        return false;
    }
    form->id = *id;
    form->resourceId = *ParseResourceId(*resourceId);
    const std::optional<std::string> caption = parser.GetAttribute(nullptr, "Caption", 4);
    form->hasCaption = caption.has_value();
    form->caption = caption.value_or("");
    ReadControls(parser, form, problems);
    return true;
}
