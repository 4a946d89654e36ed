#include "setup_folder.h"

#include "platform.h"

namespace {

const std::size_t kSetupFolderSize = 4096;  // bytes, terminator included
std::string g_setupFolder;

}  // namespace

void SetSetupFolder(const std::string& folder) {
    // Kept to the size of the fixed buffer the other deliverables expect; a longer folder
    // is cut rather than refused, as no such path can be opened anyway.
    g_setupFolder = folder.substr(0, kSetupFolderSize - 1);
}

std::string SetupFolder() {
    return g_setupFolder.empty() ? platform::ProgramFolder() : g_setupFolder;
}
