#include "file_system.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "files.h"
#include "platform.h"

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

  private:
    static constexpr std::size_t kMaxPath = 4096;
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
