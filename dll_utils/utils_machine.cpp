// The machine parts of the utils procedures and their property lookups.

#include "utils_machine.h"

#include "property_store.h"

UtilsMachine& Machine() {
    static UtilsMachine machine = RealUtilsMachine();
    return machine;
}

UtilsMachine SetUtilsMachine(const UtilsMachine& parts) {
    UtilsMachine& machine = Machine();
    const UtilsMachine previous = machine;
    if (parts.registry)
        machine.registry = parts.registry;
    if (parts.files)
        machine.files = parts.files;
    if (parts.rewriter)
        machine.rewriter = parts.rewriter;
    if (parts.system)
        machine.system = parts.system;
    if (parts.access)
        machine.access = parts.access;
    if (parts.session)
        machine.session = parts.session;
    if (parts.events)
        machine.events = parts.events;
    return previous;
}

// Inside Windows Installer an empty property and an absent one cannot be told apart; both
// count as absent.
bool ProcProperty(PluginSession session, const std::string& name, std::string* value) {
    if (session != 0) {
        *value = Machine().session->Read(session, name);
        return !value->empty();
    }
    const PropertyStore* store = PluginProperties();
    if (!store || !store->IsDefined(name.c_str())) {
        value->clear();
        return false;
    }
    *value = store->Get(name.c_str());
    return true;
}

std::string ProcExpand(PluginSession session, const std::string& text) {
    const PropertyStore* store = PluginProperties();
    if (session != 0 || !store)
        return text;
    return store->Expand(text.c_str(), "[", "]", "Property.");
}
