#pragma once
// The flow elements that change the machine: files (FFile, in f_file.h), registry values
// (FRegistry, f_registry.cpp) and environment variables (FEnvVar, f_registry.cpp), all
// built by the configuration reader.

#include <memory>
#include <string>

#include "f_base.h"
#include "f_file.h"

class FRegistry : public FBase {
  public:
    FRegistry();
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FRegistry>(*this); }

    std::string entry;  // "<ROOT>\<key>\<value name>", a key when it ends with "\"
    std::string value;  // first character selects the operation
    std::string type;   // "", "expand", "dword", ...
    std::string separator;
};

class FEnvVar : public FBase {
  public:
    FEnvVar();
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FEnvVar>(*this); }

    std::string name;
    std::string value;
    std::string type;  // "system" for the machine-wide environment, else the user's
    std::string separator;
};

// "Source" and "Location" of a File entry: trimmed of "/" and "\" at both ends.
std::string TrimFolderSlashes(const std::string& folder);
