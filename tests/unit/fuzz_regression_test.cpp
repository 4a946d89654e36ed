// The kept inputs of the fuzz targets, run in the ordinary host build under the sanitizers:
// the seeds (tests/fuzz/seeds/<target>/) and every input that once crashed, hung or made a
// sanitizer report (tests/fuzz/regressions/<target>/). A fault that comes back ends this
// test program with the sanitizer's report.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "fuzz_inputs.h"
#include "test_folder.h"

namespace {

namespace fs = std::filesystem;

// Runs every file of the target's folders under tests/fuzz; returns the number of inputs.
int RunKeptInputs(const std::string& target, const std::function<void(const std::string&)>& run) {
    int count = 0;
    for (const char* kind : {"seeds", "regressions"}) {
        const fs::path folder = fs::path(TARVEX_SOURCE_DIR) / "tests" / "fuzz" / kind / target;
        if (!fs::is_directory(folder))
            continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            run(ReadTextFile(entry.path().string()));
            ++count;
        }
    }
    return count;
}

TEST(FuzzRegressionTest, KeptInputsOfEveryTargetRunClean) {
    TestFolder folder;
    const std::string configFolder = folder.Path().string();
    EXPECT_GT(RunKeptInputs("fuzz_expression", RunExpressionInput), 0);
    EXPECT_GT(RunKeptInputs("fuzz_command_line", RunCommandLineInput), 0);
    EXPECT_GT(RunKeptInputs("fuzz_plugin_call", RunPluginCallInput), 0);
    EXPECT_GT(RunKeptInputs("fuzz_checksum_list", RunChecksumListInput), 0);
    EXPECT_GT(RunKeptInputs("fuzz_config",
                            [&](const std::string& input) { RunConfigInput(configFolder, input); }),
              0);
}

}  // namespace
