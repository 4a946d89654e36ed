#include <string>

#include "actions.h"

// The start-up script of the product's Tcl shell, in "TclScripts\tarvexwish.tcl" of the
// install folder. Folder names go into Tcl words quoted, with the characters that Tcl would
// read as substitutions ("$", "[") or escapes escaped: a folder name must not run code.

namespace {

std::string TclQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"' || c == '$' || c == '[' || c == ']')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Slashed(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

}  // namespace

std::string WishScriptText(const std::string& installFolder) {
    const std::string library = installFolder + "\\TclScripts\\lib";
    const std::string binaries = installFolder + "\\TclScripts\\bin";
    return "console show\n"
           "set env(VIREO_HWLIB_DIR) " +
           TclQuoted(Slashed(library)) +
           "\n"
           "lappend auto_path " +
           TclQuoted(Slashed(library)) +
           "\n"
           "append env(PATH) " +
           TclQuoted(";" + binaries) +
           "\n"
           "wm iconbitmap . " +
           TclQuoted(Slashed(installFolder + "\\vireo.ico")) +
           "\n"
           "puts -nonewline \"(TclScripts) 1 % \"\n";
}

// The install folder in "CustomActionData"; deferred: a script that cannot be written stops
// the installation.
unsigned CreateWishScriptAction(ActionContext& context) {
    std::string folder = context.Get("CustomActionData");
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) {
        context.log(".Error: CreateTarvexWishTcl> No install folder in CustomActionData");
        return kActionFailure;
    }
    for (const char* sub : {"\\TclScripts\\bin", "\\TclScripts\\lib"}) {
        const unsigned long error = context.machine.CreateFolders(folder + sub);
        if (error != 0) {
            context.log(".Error: CreateTarvexWishTcl> Could not create %s%s (error code %lu)",
                        folder.c_str(), sub, error);
            return kActionFailure;
        }
    }
    const std::string script = folder + "\\TclScripts\\tarvexwish.tcl";
    const unsigned long error = context.machine.RewriteFile(script, WishScriptText(folder));
    if (error != 0) {
        context.log(".Error: CreateTarvexWishTcl> Could not write %s (error code %lu)",
                    script.c_str(), error);
        return kActionFailure;
    }
    context.log(".Info: CreateTarvexWishTcl> %s written", script.c_str());
    return kActionSuccess;
}
