#pragma once
// The machine the configuration tests read their standard properties from: a 64-bit
// Windows 10 workstation with Windows Installer 5 and the usual folders.

#include "standard_properties.h"

inline MachineFacts FixedFacts() {
    MachineFacts facts;
    facts.platform = 2;
    facts.osVersion = "10.0.0";
    facts.osArchitecture = "64-bit";
    facts.ntWorkstation = true;
    facts.installerMajorVersion = 5;
    facts.programFilesFolder = "C:\\Program Files";
    facts.tempFolder = "C:\\Temp";
    facts.commonFilesFolder = "C:\\Program Files\\Common Files";
    facts.systemFolder = "C:\\windows\\system32";
    facts.windowsFolder = "C:\\windows";
    return facts;
}
