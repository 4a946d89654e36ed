#pragma once
// The program's prerequisite fetcher and its Windows parts: the transfer through the URL
// moniker with its progress dialog, and the prerequisite dialog. module holds the dialog
// resources of setup (the download and prerequisite dialogs). Windows build only.

#include <memory>
#include <vector>

#include "archive_choice.h"
#include "download_fetcher.h"
#include "prerequisite_download.h"
#include "prerequisite_fetcher.h"

class FileSystem;
class LogFile;
struct DownloadLocation;
struct PrerequisiteArchive;

std::unique_ptr<DownloadTransfer> MakeUrlDownloadTransfer(void* module);
std::unique_ptr<PrerequisiteDialog> MakePrerequisiteDialog(void* module);

// The fetcher over the configuration's archive records and download locations (both must
// outlive it). resolvable may be null (every existing archive of the right name is taken).
std::unique_ptr<PrerequisiteFetcher> MakeDownloadFetcher(
    void* module, const std::vector<PrerequisiteArchive>& archives,
    const std::vector<DownloadLocation>& locations, LogFile& log, FileSystem& files,
    ArchiveResolvable resolvable = nullptr);
