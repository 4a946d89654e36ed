#pragma once
// The flow elements that change the machine: files (FFile), registry values (FRegistry)
// and environment variables (FEnvVar). Their configuration is read here; copying files
// with backup and the registry operations are added with the registry and file services.

#include <memory>
#include <string>

#include "f_base.h"

class FFile : public FBase {
  public:
    FFile();
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FFile>(*this); }

    std::string mask;               // file-name patterns separated by ","
    std::string sourceFolder;       // trimmed of "/" and "\" at both ends
    std::string destinationFolder;  // may hold property references
    std::string backupRoot;         // registry key of the bookkeeping
    std::string backupSuffix = "$bs";
    int sequence = 0;  // numbers the File entries of a package
    bool overwrite = false;
};

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
