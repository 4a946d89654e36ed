#pragma once
// Builds the packages and flow elements of a Contents section: Package, Execute,
// EnvironmentVar and Registry elements become FPackage, FExecute, FEnvVar and FRegistry
// objects. A package of "config.xml" is completed from the standard package it names.

#include <memory>

#include "f_base.h"
#include "f_package.h"
#include "standard_properties.h"
#include "xml_parser.h"

class FExecute;

class SchemaReader {
  public:
    explicit SchemaReader(const MachineFacts& machine) : machine_(machine) {}

    // Appends the elements built from the children of the Contents element at the cursor
    // to list. standardList is null while the standard packages themselves are read.
    void ReadContents(XMLParser& document, const FlowList* standardList, FlowList* list) const;
    // The element of the child at the cursor, or null for elements that build nothing.
    std::unique_ptr<FBase> BuildElement(XMLParser& document, const FlowList* standardList) const;
    std::unique_ptr<FPackage> BuildPackage(XMLParser& document, const FlowList* standardList) const;

  private:
    const FPackage* FindStandard(const FlowList& standardList, const std::string& tag,
                                 const std::string& type, bool* basedOnStandard) const;
    void ReadPackageChildren(XMLParser& document, FPackage* package) const;

    MachineFacts machine_;
};

// Whether the running system fits an operating-system requirement.
bool FitsSystem(const OsRequirement& requirement, const MachineFacts& machine);

// The Execute entry builders: a DLL call or a property assignment, or null when the entry
// has no such attribute.
std::unique_ptr<FExecute> BuildDllCallEntry(XMLParser& document);
std::unique_ptr<FExecute> BuildPropertyEntry(XMLParser& document);
