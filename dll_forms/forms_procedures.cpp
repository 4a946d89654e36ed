// The procedure table of forms.dll: one entry, ShowForm.

#include "form_collection.h"
#include "form_presenter_win32.h"
#include "plugin_interface.h"
#include "show_form.h"

namespace {

// The forms of the library, kept for its life.
FormCollection& Forms() {
    static FormCollection forms;
    return forms;
}

int ShowFormProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error) {
    return RunShowForm(Forms(), Win32FormPresenter(), session, argc, argv, result, resultSize,
                       error);
}

const PluginProcEntry kFormsProcedures[] = {
    {"ShowForm", ShowFormProc, kProcText, ""},
};

}  // namespace

const PluginProcTable& PluginModuleTable() {
    static const PluginProcTable table = {kFormsProcedures,
                                          sizeof(kFormsProcedures) / sizeof(kFormsProcedures[0])};
    return table;
}
