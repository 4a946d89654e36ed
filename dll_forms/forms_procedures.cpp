// The procedure table of forms.dll: one entry, ShowForm, which this build does not carry
// yet (it answers with a failure status).

#include "plugin_interface.h"

namespace {

const PluginProcEntry kFormsProcedures[] = {
    {"ShowForm", NotAvailableProc<1, 1>, kProcText, ""},
};

}  // namespace

const PluginProcTable& PluginModuleTable() {
    static const PluginProcTable table = {kFormsProcedures,
                                          sizeof(kFormsProcedures) / sizeof(kFormsProcedures[0])};
    return table;
}
