#include "file_system.h"

#include "files.h"
#include "platform.h"

namespace {

class SystemFiles : public FileSystem {
  public:
    bool FileExists(const std::string& path) override {
        return Files::FileExists(path.c_str(), false);
    }
    std::string CurrentDirectory() override { return platform::CurrentDirectory(); }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static SystemFiles files;
    return files;
}
