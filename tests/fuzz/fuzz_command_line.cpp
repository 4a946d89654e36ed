// Fuzz target: see RunCommandLineInput in fuzz_inputs.h.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunCommandLineInput(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
