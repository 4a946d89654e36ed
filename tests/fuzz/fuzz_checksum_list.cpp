// Fuzz target: a "crc32.txt" list on the fake machine of the walk tests, checked against
// three files beside setup (one of them large enough to take several blocks).

#include <cstddef>
#include <cstdint>
#include <string>

#include "crc32.h"
#include "fake_run.h"
#include "package_integrity.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    FakeRun run;
    run.machine.SetFileContent("C:\\Setup\\crc32.txt", input);
    run.machine.SetFileContent("C:\\Setup\\a.msi", "abc");
    run.machine.SetFileContent("C:\\Setup\\empty.txt", "");
    run.machine.SetFileContent("C:\\Setup\\big.bin", std::string(3 * kChecksumBlockSize + 7, 'x'));
    VerifyPackageIntegrity(run.Services());
    std::uint32_t value = 0;
    ParseCrc32Text(input, &value);
    return 0;
}
