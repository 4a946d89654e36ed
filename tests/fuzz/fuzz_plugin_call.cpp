// Fuzz target: the text of a plug-in call as a plug-in receives it,
// 'Name(arg1|arg2|...)[:Property]', split and dispatched to a small procedure table
// through the same dispatcher as the exports, with the property store set so that the
// arguments are expanded.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "plugin_interface.h"
#include "property_store.h"

namespace {

// Writes every argument into the result, as far as it fits: procedures must be able to
// trust argc, argv and the result size they are given.
int JoinProc(PluginSession, int argc, char** argv, char* result, int resultSize, int* error) {
    std::string text;
    for (int i = 1; i < argc; ++i) text += argv[i];
    if (result && resultSize > 0) {
        std::strncpy(result, text.c_str(), static_cast<std::size_t>(resultSize) - 1);
        result[resultSize - 1] = '\0';
    }
    SetPluginStatus(error, 0);
    return argc;
}

int CountProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    return static_cast<int>(std::strlen(argv[1]));
}

const PluginProcEntry kEntries[] = {
    {"Join", JoinProc, kProcText, ""},
    {"Count", CountProc, kProcInteger, ""},
};
const PluginProcTable kTable = {kEntries, 2};

PropertyStore& Store() {
    static PropertyStore* store = [] {
        auto* created = new PropertyStore();
        created->Set("Folder", "C:\\Program Files\\Tarvex", true);
        created->Set("Loop", "[Loop]", true);
        return created;
    }();
    return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetCurrentPropertyStore(&Store());
    const std::string input(reinterpret_cast<const char*>(data), size);
    int number = 0;
    int error = 0;
    char result[kPluginResultBufferSize];
    DispatchPluginCall(kTable, input.c_str(), &number, result, sizeof(result), &error);
    PluginCall call;
    if (ParsePluginCall(input.c_str(), &call)) {
        PluginArguments arguments(call, &Store());
        arguments.Display();
    }
    return 0;
}
