#pragma once
// DownloadFetcher: the prerequisite fetcher of the program. With automatic download the
// archive is downloaded into the requested folder without asking; otherwise, or when that
// download fails, the prerequisite dialog asks the user for the archive, unless no window
// may be shown (quiet mode, or the dialog turned off), in which case the fetch fails.

#include <string>

#include "archive_choice.h"
#include "prerequisite_download.h"
#include "prerequisite_fetcher.h"

// What the prerequisite dialog's buttons do; the dialog shows the messages.
class PrerequisiteChoices {
  public:
    virtual ~PrerequisiteChoices() = default;
    // OK with the text of the file field.
    virtual ArchiveChoice Check(const std::string& chosen) = 0;
    // The Download button: the archive into the download folder.
    virtual DownloadOutcome Download() = 0;
};

struct DialogRequest {
    std::string archiveName;
    std::string fileName;
    std::string listEntry;  // the missing archive as the list shows it
};

struct DialogAnswer {
    bool accepted = false;  // false: the user canceled the setup, or the dialog failed
    std::string archivePath;
    std::string folder;
    bool downloaded = false;  // the user chose to download
    std::string error;        // why nothing was accepted
};

class PrerequisiteDialog {
  public:
    virtual ~PrerequisiteDialog() = default;
    // Shows the dialog until the user's choice passes choices.Check or a download through
    // choices.Download succeeds, or the user confirms that the setup is canceled.
    virtual DialogAnswer Ask(const DialogRequest& request, PrerequisiteChoices& choices) = 0;
    // A message box titled "Tarvex setup" with an error.
    virtual void ShowError(const std::string& text) = 0;
};

class DownloadFetcher : public PrerequisiteFetcher {
  public:
    DownloadFetcher(PrerequisiteDownload& download, PrerequisiteDialog& dialog, FileSystem& files,
                    LogFile& log, ArchiveResolvable resolvable);

    FetchResult Fetch(const FetchRequest& request) override;

  private:
    DownloadOutcome DownloadFor(const FetchRequest& request, bool showProgress);
    FetchResult AskUser(const FetchRequest& request);
    void ReportFailure(const DownloadOutcome& outcome, bool quiet);

    PrerequisiteDownload& download_;
    PrerequisiteDialog& dialog_;
    FileSystem& files_;
    LogFile& log_;
    ArchiveResolvable resolvable_;
};
