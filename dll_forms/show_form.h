#pragma once
// ShowForm(formId): shows a form of the library's form file and returns the Id of the
// button the user pressed (an empty text when the form ended otherwise). The dialog itself
// is a FormPresenter's; the Win32 one is form_presenter_win32.cpp.

#include <functional>
#include <string>

#include "form_definition.h"
#include "plugin_interface.h"

class FormCollection;

class FormPresenter {
  public:
    // Expands property references in a window title.
    using TitleExpander = std::function<std::string(const std::string&)>;
    virtual ~FormPresenter() = default;
    // Shows form until one of its buttons is pressed or its window goes away; returns the
    // pressed button's answer, or an empty text.
    virtual std::string Show(PluginSession session, const FormDefinition& form,
                             const TitleExpander& expandTitle) = 0;
};

// The procedure, over the given collection and presenter (the plug-in's table passes its
// own). The form file is the path handed over by InitializeDllData.
int RunShowForm(FormCollection& forms, FormPresenter& presenter, PluginSession session, int argc,
                char** argv, char* result, int resultSize, int* error);
