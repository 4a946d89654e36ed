#include <string>

#include "actions.h"
#include "text_edit.h"

// The product's Tcl scripts name its install folder through the mark "@INSTALLDIR@". Tcl
// reads "\" as an escape, so the folder goes in with "/" between its parts.

namespace {

const char* const kFolderMark = "@INSTALLDIR@";

std::string TclFolder(std::string folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    for (char& c : folder) {
        if (c == '\\')
            c = '/';
    }
    return folder;
}

}  // namespace

std::string ProcessScriptText(const std::string& text, const std::string& installFolder) {
    const std::string folder = TclFolder(installFolder);
    std::string result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool ended = end != std::string::npos;
        if (!ended)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        int count = 0;
        result += ReplaceAllText(line, kFolderMark, folder, &count);
        if (ended)
            result += "\r\n";
        start = end + 1;
    }
    return result;
}

unsigned long ProcessScriptFile(ActionMachine& machine, const std::string& path,
                                const std::string& installFolder) {
    std::string text;
    if (!machine.ReadWholeFile(path, &text))
        return 2;  // ERROR_FILE_NOT_FOUND
    const std::string processed = ProcessScriptText(text, installFolder);
    return processed == text ? 0 : machine.RewriteFile(path, processed);
}

// The install folder from "CustomActionData", else "INSTALLDIR". A script that is not there
// is passed over; one that cannot be rewritten stops the installation.
unsigned ConfigureFilesAction(ActionContext& context) {
    std::string folder = context.Get("CustomActionData");
    if (folder.empty())
        folder = context.Get("INSTALLDIR");
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) {
        context.log(".Error: ConfigureFiles> No install folder");
        return kActionFailure;
    }
    for (const char* name : {"vireo.tcl", "vireoext.tcl"}) {
        const std::string path = folder + "\\" + name;
        if (!context.machine.FileExists(path)) {
            context.log(".Info: ConfigureFiles> %s not found", path.c_str());
            continue;
        }
        const unsigned long error = ProcessScriptFile(context.machine, path, folder);
        if (error != 0) {
            context.log(".Error: ConfigureFiles> Could not rewrite %s (error code %lu)",
                        path.c_str(), error);
            return kActionFailure;
        }
        context.log(".Info: ConfigureFiles> %s configured", path.c_str());
    }
    return kActionSuccess;
}
