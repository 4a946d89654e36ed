#include "installer.h"

#include "config_interpreter.h"
#include "log_file.h"
#include "property_store.h"
#include "return_codes.h"

namespace {

const int kPropertiesPhase = 2;
const int kNameWidth = 26;

}  // namespace

void SetRunDefaults(PropertyStore& store) {
    for (const char* name : {"SkipMain", "SimulateInstall", "ForceRollback", "AutoRollback"})
        store.Set(name, "No", false);
}

void LogProperties(const PropertyStore& store, int phase) {
    LogFile& log = Log();
    log.Line("\n(%d) INITIALIZING PROPERTIES...", phase);
    for (int i = 0; i < store.Count(); ++i) {
        const Property* property = store.At(i);
        log.Line("    %-*s = %s", kNameWidth, property->Name.c_str(), property->Value.c_str());
    }
    log.Line("%s", "");
}

Installer::Installer(ConfigInterpreter& config, InstanceMap* productMap, void* module)
    : config_(config), productMap_(productMap), module_(module) {}

int Installer::Run() {
    SetRunDefaults(config_.Properties());
    LogProperties(config_.Properties(), kPropertiesPhase);
    Log().Line("No package was run: the installation engine is not part of this build.");
    return RC_NotCompleted;
}
