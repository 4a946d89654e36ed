// The program's prerequisite fetcher: the neutral download and fetcher over the URL
// moniker's transfer and the prerequisite dialog.

#include <utility>

#include "download_fetcher_factory.h"

namespace {

class ProgramFetcher : public PrerequisiteFetcher {
  public:
    ProgramFetcher(void* module, const std::vector<PrerequisiteArchive>& archives,
                   const std::vector<DownloadLocation>& locations, LogFile& log, FileSystem& files,
                   ArchiveResolvable resolvable)
        : transfer_(MakeUrlDownloadTransfer(module)),
          dialog_(MakePrerequisiteDialog(module)),
          download_(archives, locations, files, *transfer_, log),
          fetcher_(download_, *dialog_, files, log, std::move(resolvable)) {}

    FetchResult Fetch(const FetchRequest& request) override { return fetcher_.Fetch(request); }

  private:
    std::unique_ptr<DownloadTransfer> transfer_;
    std::unique_ptr<PrerequisiteDialog> dialog_;
    PrerequisiteDownload download_;
    DownloadFetcher fetcher_;
};

}  // namespace

std::unique_ptr<PrerequisiteFetcher> MakeDownloadFetcher(
    void* module, const std::vector<PrerequisiteArchive>& archives,
    const std::vector<DownloadLocation>& locations, LogFile& log, FileSystem& files,
    ArchiveResolvable resolvable) {
    return std::make_unique<ProgramFetcher>(module, archives, locations, log, files,
                                            std::move(resolvable));
}
