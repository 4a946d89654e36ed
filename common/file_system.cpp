#include "file_system.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "files.h"
#include "platform.h"
#include "text_util.h"

namespace {

class SystemFiles : public FileSystem {
  public:
    bool FileExists(const std::string& path) override {
        return Files::FileExists(path.c_str(), false);
    }
    std::string CurrentDirectory() override { return platform::CurrentDirectory(); }
    bool ReadBlocks(const std::string& path, std::size_t blockSize,
                    const BlockReceiver& receive) override;
    std::string ShortPath(const std::string& path) override {
        const platform::ShortPathResult shortPath = platform::ShortPathName(path, kMaxPath);
        return shortPath.ok && !shortPath.path.empty() ? shortPath.path : path;
    }
    long ListMatches(const std::string& folder, const std::string& pattern,
                     std::vector<std::string>* names) override;
    long MoveFileTo(const std::string& source, const std::string& destination) override {
        return Files::Move(source.c_str(), destination.c_str(), false, false);
    }
    long CopyFileTo(const std::string& source, const std::string& destination) override {
        return Files::CopyOneFile(source.c_str(), destination.c_str());
    }
    long RemoveFile(const std::string& path) override { return Files::DeleteOneFile(path.c_str()); }
    long RemoveFolder(const std::string& folder) override;
    long LastWriteTime(const std::string& path, unsigned long long* time) override {
        return Files::LastWriteTime(path.c_str(), time);
    }
    long RemoveAtRestart(const std::string& path) override {
        return Files::DeleteAtRestart(path.c_str());
    }

  private:
    static constexpr std::size_t kMaxPath = 4096;
    static constexpr long kInvalidParameter = 87;  // an operation refused without a system code
};

// The system part is the opening of the file (platform.h): binary, and with a handle that no
// child process inherits.
bool SystemFiles::ReadBlocks(const std::string& path, std::size_t blockSize,
                             const BlockReceiver& receive) {
    if (path.empty() || blockSize == 0)
        return false;
    std::FILE* file = platform::OpenFileNotInherited(path, "rb");
    if (!file)
        return false;
    std::vector<char> block(blockSize);
    bool ok = true;
    for (;;) {
        const std::size_t size = std::fread(block.data(), 1, block.size(), file);
        if (size > 0 && !receive(block.data(), size))
            break;
        if (size < block.size()) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    return ok;
}

long SystemFiles::ListMatches(const std::string& folder, const std::string& pattern,
                              std::vector<std::string>* names) {
    Files found;
    if (found.ListFiles(folder.c_str(), pattern.c_str(), false, false) < 0)
        return Files::LastError() != 0 ? Files::LastError() : kInvalidParameter;
    for (const Files::Entry& entry : found.Entries()) names->push_back(entry.relative);
    return 0;
}

// A deletion that had to wait for the restart (3010) leaves the folder in place until then,
// which is not an error.
long SystemFiles::RemoveFolder(const std::string& folder) {
    const int result = Files::RemoveFolder(folder.c_str(), true, false);
    if (result == Files::kAllSucceeded || result == Files::kRestartRequired)
        return 0;
    return Files::LastError() != 0 ? Files::LastError() : kInvalidParameter;
}

}  // namespace

FileSystem& SystemFileSystem() {
    static SystemFiles files;
    return files;
}

bool ReadWholeFile(FileSystem& files, const std::string& path, std::string* content) {
    std::string text;
    const bool read =
        files.ReadBlocks(path, 64 * 1024, [&text](const char* data, std::size_t size) {
            text.append(data, size);
            return true;
        });
    if (read)
        *content = std::move(text);
    return read;
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsVolumeRoot(const std::string& path) {
    const std::string folder = TrimRight(path, "\\/");
    if (folder.empty() || folder.back() == ':')
        return true;
    if (folder.compare(0, 2, "\\\\") != 0)
        return false;
    const std::size_t separator = folder.find_first_of("\\/", 2);
    return separator == std::string::npos ||
           folder.find_first_of("\\/", separator + 1) == std::string::npos;
}

// Stops at a volume's root: a drive or a share is never created.
std::string HighestMissingFolder(FileSystem& files, const std::string& path) {
    std::string missing;
    for (std::string folder = ParentFolder(path); !IsVolumeRoot(folder);
         folder = ParentFolder(folder)) {
        if (files.FileExists(folder))
            break;
        missing = folder;
    }
    return missing;
}
