// Fuzz target: see RunChecksumListInput in fuzz_inputs.h.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunChecksumListInput(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
