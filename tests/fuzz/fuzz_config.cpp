// Fuzz target: see RunConfigInput in fuzz_inputs.h. The files are written into a private
// folder made once per process and removed at its end.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_inputs.h"

namespace {

std::string& Folder() {
    static std::string folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The global log opens its files in these folders: without them it opens none, and the
    // fuzzer does not write a log entry per input to the disk.
    unsetenv("TEMP");
    unsetenv("ALLUSERSPROFILE");
    // In memory when the system offers it: three files are written per input, and a disk
    // that another program keeps busy could stall one for longer than the time limit.
    char inMemory[] = "/dev/shm/tarvex-fuzz-config-XXXXXX";
    char onDisk[] = "/tmp/tarvex-fuzz-config-XXXXXX";
    const char* folder = mkdtemp(inMemory);
    if (!folder)
        folder = mkdtemp(onDisk);
    if (!folder)
        std::abort();
    Folder() = folder;
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunConfigInput(Folder(), std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
