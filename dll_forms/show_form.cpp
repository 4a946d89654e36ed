#include "show_form.h"

#include "form_collection.h"
#include "property_store.h"
#include "str_util.h"

namespace {

// Only one form is shown at a time: a form's message loop dispatches every message of the
// thread, so a second request can arrive while a form is up (from a window procedure).
bool g_showing = false;

class ShowingScope {
  public:
    ShowingScope() { g_showing = true; }
    ~ShowingScope() { g_showing = false; }
    ShowingScope(const ShowingScope&) = delete;
    ShowingScope& operator=(const ShowingScope&) = delete;
};

std::string ExpandTitle(const std::string& title) {
    const PropertyStore* store = PluginProperties();
    return store ? store->Expand(title.c_str(), "[", "]", "Property.") : title;
}

}  // namespace

int RunShowForm(FormCollection& forms, FormPresenter& presenter, PluginSession session, int argc,
                char** argv, char* result, int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    if (result && resultSize > 0)
        result[0] = '\0';
    // Checked before the file is read: reading another file would replace the forms under
    // the one that is shown.
    if (g_showing) {
        PluginLog(session, kLogError, "Form '%s' not shown: another form is shown", argv[1]);
        return 0;
    }
    forms.Load(PluginDataPath());
    const FormDefinition* form = forms.Find(argv[1]);
    if (!form) {
        PluginLog(session, kLogError, "Form '%s' not found (returned NULL)", argv[1]);
        return 0;
    }
    std::string answer;
    {
        ShowingScope showing;
        answer = presenter.Show(session, *form, ExpandTitle);
    }
    if (result && resultSize > 0)
        StrCopyTruncated(result, answer.c_str(), resultSize);
    return 0;
}
