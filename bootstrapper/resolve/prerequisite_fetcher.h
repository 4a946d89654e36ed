#pragma once
// The last resort of the resolver: a prerequisite whose installer and archive are found
// nowhere is downloaded from the configured locations, or the user is asked where it is
// (the prerequisite dialog). The resolver asks through this interface, so that its search
// can be tested without a network or a window.

#include <string>

struct FetchRequest {
    std::string fileName;       // the installer file the package needs
    std::string archiveName;    // the archive that holds it
    std::string folder;         // where a download goes (the TEMP folder)
    bool autoDownload = false;  // AutoDownloadPrerequisites: download without asking
    bool showDialog = true;     // ShowDownloadPrereqDlg
    bool quiet = false;         // no window may be shown
};

struct FetchResult {
    bool found = false;
    std::string archivePath;    // the archive that was downloaded or chosen
    std::string chosenFolder;   // the folder that holds it (becomes PrerequisitesLocation)
    bool autoDownload = false;  // the user's choice, for AutoDownloadPrerequisites
    std::string error;          // why nothing was found
};

class PrerequisiteFetcher {
  public:
    virtual ~PrerequisiteFetcher() = default;
    // Downloads or asks for the archive; logs its "Download  :" lines.
    virtual FetchResult Fetch(const FetchRequest& request) = 0;
};
