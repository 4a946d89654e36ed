#include "download_fetcher.h"

#include <utility>

#include "config_interpreter.h"
#include "download_texts.h"
#include "log_file.h"

namespace {

// The buttons of the dialog for one request.
class RequestChoices : public PrerequisiteChoices {
  public:
    using Downloader = std::function<DownloadOutcome()>;
    RequestChoices(FileSystem& files, const FetchRequest& request,
                   const ArchiveResolvable& resolvable, Downloader download)
        : files_(files),
          request_(request),
          resolvable_(resolvable),
          download_(std::move(download)) {}

    ArchiveChoice Check(const std::string& chosen) override {
        return CheckArchiveChoice(files_, chosen, request_.archiveName, resolvable_);
    }
    DownloadOutcome Download() override { return download_(); }

  private:
    FileSystem& files_;
    const FetchRequest& request_;
    const ArchiveResolvable& resolvable_;
    Downloader download_;
};

FetchResult Found(const std::string& archivePath, const std::string& folder, bool autoDownload) {
    FetchResult result;
    result.found = true;
    result.archivePath = archivePath;
    result.chosenFolder = folder;
    result.autoDownload = autoDownload;
    return result;
}

}  // namespace

DownloadFetcher::DownloadFetcher(PrerequisiteDownload& download, PrerequisiteDialog& dialog,
                                 FileSystem& files, LogFile& log, ArchiveResolvable resolvable)
    : download_(download),
      dialog_(dialog),
      files_(files),
      log_(log),
      resolvable_(std::move(resolvable)) {}

FetchResult DownloadFetcher::Fetch(const FetchRequest& request) {
    FetchResult result;
    if (request.autoDownload) {
        const DownloadOutcome outcome = DownloadFor(request, !request.quiet);
        if (outcome.ok)
            return Found(outcome.target, request.folder, true);
        ReportFailure(outcome, request.quiet);
        result.error = outcome.error;
    }
    // A failed automatic download still leaves the user the dialog, where an archive at
    // hand can be chosen; without a window the fetch fails here.
    if (request.quiet || !request.showDialog) {
        if (result.error.empty()) {
            result.error = FormatText(
                "Archive '%s' not found and not asked for: %s", request.archiveName.c_str(),
                request.quiet ? "no dialog is shown in quiet mode"
                              : "the prerequisite dialog is turned off (ShowDownloadPrereqDlg)");
            log_.Line("    Download  : %s", result.error.c_str());
        }
        return result;
    }
    return AskUser(request);
}

DownloadOutcome DownloadFetcher::DownloadFor(const FetchRequest& request, bool showProgress) {
    return download_.Download(request.archiveName, request.fileName, request.folder, showProgress);
}

FetchResult DownloadFetcher::AskUser(const FetchRequest& request) {
    DialogRequest dialogRequest{request.archiveName, request.fileName, request.archiveName};
    if (const PrerequisiteArchive* record = download_.Record(request.archiveName))
        dialogRequest.listEntry = ArchiveListEntry(*record);
    RequestChoices choices(files_, request, resolvable_, [this, &request] {
        DownloadOutcome outcome = DownloadFor(request, true);
        if (!outcome.ok)
            ReportFailure(outcome, false);
        return outcome;
    });
    const DialogAnswer answer = dialog_.Ask(dialogRequest, choices);
    if (!answer.accepted) {
        FetchResult result;
        result.error = answer.error;
        log_.Line("    Download  : %s", answer.error.c_str());
        return result;
    }
    log_.Line("    Download  : Archive '%s' chosen", answer.archivePath.c_str());
    return Found(answer.archivePath, answer.folder, answer.downloaded);
}

void DownloadFetcher::ReportFailure(const DownloadOutcome& outcome, bool quiet) {
    const std::string line =
        FormatText("    Download  : Could not download prerequisite -> %s", outcome.error.c_str());
    log_.Line("%s", line.c_str());
    if (quiet)
        return;
    const std::string boxText = FormatText("    Download  : Could not download prerequisite -> %s",
                                           outcome.userError.c_str());
    dialog_.ShowError(boxText);
}
