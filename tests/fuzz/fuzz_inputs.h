#pragma once
// One input of each fuzz target, run the way the target runs it. The fuzz targets of the fuzz
// build call these from libFuzzer; the unit tests of the ordinary host build run the kept
// inputs (tests/fuzz/regressions, tests/fuzz/seeds) through the same functions, so that a
// fault once found stays found without the fuzzer. Each function leaves the process-wide
// settings it changes (property store, plug-in caller, setup folder, machine facts) as it
// found them.

#include <string>

// A condition: expanded with a property store and evaluated, plug-in calls answered by a
// fake.
void RunExpressionInput(const std::string& input);
// "standard.xml", "config.xml" and "settings.xml" in one input, separated by lines "@@@@",
// written into folder and read with the configuration reader; then the report of it.
void RunConfigInput(const std::string& folder, const std::string& input);
// The arguments of setup's command line.
void RunCommandLineInput(const std::string& input);
// A plug-in call text 'Name(arguments)[:Property]' dispatched to a small procedure table.
void RunPluginCallInput(const std::string& input);
// A "crc32.txt" list checked on the fake machine of the walk tests.
void RunChecksumListInput(const std::string& input);

// The separator line of the configuration input.
inline constexpr char kConfigInputSeparator[] = "\n@@@@\n";
