#pragma once
// PrerequisiteDownload: fetches one prerequisite archive from the download sites into a
// folder. The archive must have a record in <Prerequisites>; without one nothing is
// requested from any site. The transfer itself (and its progress dialog) is behind
// DownloadTransfer, so that the steps around it can be tested without a network.

#include <cstdint>
#include <string>
#include <vector>

class FileSystem;
class LogFile;
struct DownloadLocation;
struct PrerequisiteArchive;

enum class TransferStatus { kComplete, kCanceled, kNotFound, kFailed };

struct TransferResult {
    TransferStatus status = TransferStatus::kFailed;
    std::string error;  // the transfer's own text of a failure, may be empty
};

class DownloadTransfer {
  public:
    virtual ~DownloadTransfer() = default;
    // Creates folder and the missing folders above it; 0 or the system error code.
    virtual long CreateFolder(const std::string& folder) = 0;
    // Fetches url into the file target and returns when it is complete, failed or canceled
    // by the user. With showProgress, a dialog shows "name", the progress and Cancel.
    virtual TransferResult Fetch(const std::string& url, const std::string& target,
                                 const std::string& name, bool showProgress) = 0;
};

struct DownloadOutcome {
    bool ok = false;
    bool canceled = false;
    std::string target;     // the downloaded archive
    std::string error;      // the result text of a failure
    std::string userError;  // the same for the user (may point to the log)
};

extern const char kDownloadComplete[];  // "Package download complete"
extern const char kDownloadCanceled[];  // "Download canceled"

class PrerequisiteDownload {
  public:
    PrerequisiteDownload(const std::vector<PrerequisiteArchive>& archives,
                         const std::vector<DownloadLocation>& locations, FileSystem& files,
                         DownloadTransfer& transfer, LogFile& log);

    // Downloads archiveName into folder ("folder\archiveName"); fileName is the installer
    // file the archive holds (for the placeholders). Tries the sites in order until one
    // delivers; a cancel stops at once. Whatever a failed or canceled transfer left at the
    // target is deleted, so that no partial archive is taken for the real one later.
    DownloadOutcome Download(const std::string& archiveName, const std::string& fileName,
                             const std::string& folder, bool showProgress);
    // The record of archiveName in <Prerequisites>, null when it has none.
    const PrerequisiteArchive* Record(const std::string& archiveName) const;

  private:
    bool PrepareTarget(const std::string& folder, const std::string& target,
                       DownloadOutcome* outcome);
    void RemovePartial(const std::string& target);
    DownloadOutcome Fail(DownloadOutcome outcome, const std::string& error);

    const std::vector<PrerequisiteArchive>& archives_;
    const std::vector<DownloadLocation>& locations_;
    FileSystem& files_;
    DownloadTransfer& transfer_;
    LogFile& log_;
};
