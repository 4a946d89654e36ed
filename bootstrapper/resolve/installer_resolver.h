#pragma once
// Where the installer file of a package is. The run asks once per package that executes,
// before the package reads its installer file and starts it.

#include <string>

// What the run knows of the file it needs (property references already expanded).
struct InstallerRequest {
    std::string packageName;
    std::string fileName;     // the package's FileName
    std::string archiveName;  // the package's ArchiveName, may be empty
    // False when a copy in the package's cache can serve: nothing is downloaded and the user
    // is not asked for a file that the run has already.
    bool mayFetch = true;
};

struct ResolvedInstaller {
    bool found = false;
    std::string path;    // the full path of the installer file when found
    std::string reason;  // why it was not found
};

class InstallerResolver {
  public:
    virtual ~InstallerResolver() = default;
    // Finds the installer file and logs the "Resolver  :" lines of the search.
    virtual ResolvedInstaller Resolve(const InstallerRequest& request) = 0;
};
