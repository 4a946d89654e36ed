// Fuzz target: a command line of setup. The input is split as the run driver splits its
// command line, classified, interpreted, reported, and turned into properties, with a
// canned configuration in place so that CannedConfig= arguments are applied as well.

#include <cstddef>
#include <cstdint>
#include <string>

#include "arguments.h"
#include "command_line.h"
#include "property_store.h"
#include "standard_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string line = "\"C:\\Setup\\setup.exe\" " + input;
    const CommandLine command(line.c_str(), " \t", '"');
    ArgumentLists lists;
    lists.Classify(command.Arguments());
    InterpretArguments(lists);
    lists.ArgumentReport();
    CannedConfig canned;
    canned.name = "Full";
    canned.options.emplace_back("F.Docs", "Yes");
    canned.options.emplace_back("P.INSTALLDIR", "C:\\x");
    canned.options.emplace_back("Bad", "x");
    PropertyStore store;
    ApplyArgumentProperties(store, lists, {canned});
    return 0;
}
