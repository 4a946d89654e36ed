#include "prerequisite_download.h"

#include "config_interpreter.h"
#include "download_address.h"
#include "file_system.h"
#include "log_file.h"
#include "system_error.h"

const char kDownloadComplete[] = "Package download complete";
const char kDownloadCanceled[] = "Download canceled";

namespace {
const char kSeeLog[] = "\nSee log file for details.";
}  // namespace

PrerequisiteDownload::PrerequisiteDownload(const std::vector<PrerequisiteArchive>& archives,
                                           const std::vector<DownloadLocation>& locations,
                                           FileSystem& files, DownloadTransfer& transfer,
                                           LogFile& log)
    : archives_(archives), locations_(locations), files_(files), transfer_(transfer), log_(log) {}

DownloadOutcome PrerequisiteDownload::Download(const std::string& archiveName,
                                               const std::string& fileName,
                                               const std::string& folder, bool showProgress) {
    DownloadOutcome outcome;
    const PrerequisiteArchive* record = Record(archiveName);
    if (!record) {
        return Fail(outcome, FormatText("Archive '%s' not found in prerequisites info list (see "
                                        "<Prerequisites> entry in standard.xml file)",
                                        archiveName.c_str()));
    }
    const std::vector<DownloadAddress> addresses = DownloadAddresses(*record, fileName, locations_);
    if (addresses.empty()) {
        return Fail(outcome, FormatText("No download location for archive '%s' (see "
                                        "<URL_Locations> entry in settings.xml file)",
                                        archiveName.c_str()));
    }
    outcome.target = FormatText("%s\\%s", folder.c_str(), record->archive.c_str());
    if (!PrepareTarget(folder, outcome.target, &outcome))
        return outcome;
    for (const DownloadAddress& address : addresses) {
        log_.Line("    Download  : Download '%s' to '%s'", address.shown.c_str(),
                  outcome.target.c_str());
        const TransferResult result =
            transfer_.Fetch(address.url, outcome.target, record->name, showProgress);
        if (result.status == TransferStatus::kComplete) {
            log_.Line("    Download  : %s", kDownloadComplete);
            outcome.ok = true;
            return outcome;
        }
        RemovePartial(outcome.target);
        if (result.status == TransferStatus::kCanceled) {
            log_.Line("    Download  : Download canceled by the user");
            outcome.canceled = true;
            outcome.error = outcome.userError = kDownloadCanceled;
            return outcome;
        }
        outcome.error = result.status == TransferStatus::kNotFound
                            ? FormatText("Error finding %s", address.shown.c_str())
                        : !result.error.empty()
                            ? result.error
                            : FormatText("Error downloading package '%s'", record->name.c_str());
        outcome.userError = outcome.error;
        log_.Line("    Download  : %s", outcome.error.c_str());
    }
    return outcome;
}

const PrerequisiteArchive* PrerequisiteDownload::Record(const std::string& archiveName) const {
    return FindPrerequisiteArchive(archives_, archiveName);
}

// An existing target is deleted first: what lies there is an older or partial copy, and
// a transfer that fails must not leave it looking like a fresh download.
bool PrerequisiteDownload::PrepareTarget(const std::string& folder, const std::string& target,
                                         DownloadOutcome* outcome) {
    if (files_.FileExists(target)) {
        const long code = files_.RemoveFile(target);
        if (code != 0) {
            *outcome =
                Fail(*outcome, FormatText("Cannot delete file '%s': error code %ld (%s)",
                                          target.c_str(), code, SystemErrorText(code).c_str()));
            return false;
        }
    }
    if (!files_.FileExists(folder)) {
        const long code = transfer_.CreateFolder(folder);
        if (code != 0) {
            *outcome =
                Fail(*outcome, FormatText("Cannot create folder '%s': error code %ld (%s)",
                                          folder.c_str(), code, SystemErrorText(code).c_str()));
            return false;
        }
    }
    return true;
}

void PrerequisiteDownload::RemovePartial(const std::string& target) {
    if (!files_.FileExists(target))
        return;
    const long code = files_.RemoveFile(target);
    if (code != 0) {
        log_.Warning("Cannot delete the partial download '%s': error code %ld (%s)", target.c_str(),
                     code, SystemErrorText(code).c_str());
    }
}

DownloadOutcome PrerequisiteDownload::Fail(DownloadOutcome outcome, const std::string& error) {
    log_.Error("%s", error.c_str());
    outcome.ok = false;
    outcome.error = error;
    outcome.userError = error + kSeeLog;
    return outcome;
}
