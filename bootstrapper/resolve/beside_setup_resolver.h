#pragma once
// The resolver of a chain whose installer files lie beside setup: the file name, taken
// relative to setup's folder, is the installer when it exists. Archives, the registered
// prerequisite folders, the cache and downloads are not looked at.

#include <string>

#include "installer_resolver.h"

class FileSystem;
class LogFile;

class BesideSetupResolver : public InstallerResolver {
  public:
    BesideSetupResolver(std::string setupFolder, FileSystem& files, LogFile& log);
    ResolvedInstaller Resolve(const InstallerRequest& request) override;

  private:
    std::string setupFolder_;
    FileSystem& files_;
    LogFile& log_;
};
