#pragma once
// Installer: the run over the chain of packages and flow elements.
//
// This build has the run's preparation only: the defaults the run adds to the properties
// and their listing in the log. The phases that check dependencies and walk the chain
// come with the package element; until then a run ends as not completed.

class ConfigInterpreter;
class InstanceMap;
class PropertyStore;

class Installer {
  public:
    Installer(ConfigInterpreter& config, InstanceMap* productMap, void* module);
    // Runs the chain and returns the run's return code.
    int Run();

  private:
    ConfigInterpreter& config_;
    InstanceMap* productMap_;
    void* module_;
};

// The defaults of the run: SkipMain, SimulateInstall, ForceRollback and AutoRollback are
// "No" unless set.
void SetRunDefaults(PropertyStore& store);
// The property listing of a phase: its heading and one "name = value" line per property.
void LogProperties(const PropertyStore& store, int phase);
