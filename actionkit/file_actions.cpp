#include <cstdio>
#include <string>

#include "actions.h"
#include "text_edit.h"

namespace {

// Rewrites the file with every occurrence replaced; the number replaced, or -1 with the
// reason logged.
int ReplaceInFile(ActionContext& context, const ReplaceData& data) {
    std::string bytes;
    if (!context.machine.ReadWholeFile(data.file, &bytes)) {
        context.log(".Error: SearchAndReplace> Could not read '%s'", data.file.c_str());
        return -1;
    }
    int count = 0;
    const std::string replaced = ReplaceAllText(bytes, data.search, data.replacement, &count);
    if (count == 0)
        return 0;
    const unsigned long error = context.machine.RewriteFile(data.file, replaced);
    if (error != 0) {
        context.log(".Error: SearchAndReplace> Could not rewrite '%s' (error code %lu)",
                    data.file.c_str(), error);
        return -1;
    }
    return count;
}

std::string Decimal(int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    return text;
}

}  // namespace

unsigned SearchAndReplaceAction(ActionContext& context, bool noneMeansEmpty) {
    ReplaceData data;
    if (!ParseReplaceData(context.Get("CustomActionData"), noneMeansEmpty, &data)) {
        context.log(
            ".Error: SearchAndReplace> CustomActionData must be file|search|replacement"
            " with a file and a search text");
        return kActionFailure;
    }
    const int count = ReplaceInFile(context, data);
    if (count < 0)
        return kActionFailure;
    context.log(".Info: SearchAndReplace> %d replacement(s) in '%s'", count, data.file.c_str());
    return kActionSuccess;
}

// The number of replacements goes to "SubstCount", "-1" when the file could not be read
// or rewritten or no search text was given.
unsigned SearchAndReplaceMsiAction(ActionContext& context) {
    ReplaceData data;
    data.file = context.Get("SubstFile");
    data.search = context.Get("SubstOld");
    data.replacement = context.Get("SubstNew");
    int count = -1;
    if (data.file.empty() || data.search.empty())
        context.log(".Error: SearchAndReplaceMSI> SubstFile and SubstOld must be set");
    else
        count = ReplaceInFile(context, data);
    context.Set("SubstCount", Decimal(count));
    return kActionSuccess;
}

// An empty "CleanMe" stays as it is.
unsigned CleanStringAction(ActionContext& context) {
    const std::string text = context.Get("CleanMe");
    if (!text.empty())
        context.Set("CleanMe", CleanName(text));
    return kActionSuccess;
}

unsigned FileExistsAction(ActionContext& context) {
    context.log(".Entering FileExists");
    const std::string path = context.Get("SourceFilePath");
    const bool exists = !path.empty() && context.machine.FileExists(path);
    context.log(exists ? ".FileDoesExist = 1" : ".FileDoesExist = 0");
    context.Set("FileDoesExist", Flag(exists));
    context.log(".Leaving FileExists");
    return kActionSuccess;
}

// Copies "SourceFilePath" over "DestFilePath"; "CopyFileResult" says whether it worked.
unsigned CopyFileAction(ActionContext& context) {
    const std::string source = context.Get("SourceFilePath");
    const std::string target = context.Get("DestFilePath");
    unsigned long error = 87;
    if (!source.empty() && !target.empty())
        error = context.machine.CopyOneFile(source, target);
    if (error != 0)
        context.log(".Error: copy1fileMSI> Could not copy '%s' to '%s' (error code %lu)",
                    source.c_str(), target.c_str(), error);
    context.Set("CopyFileResult", Flag(error == 0));
    return kActionSuccess;
}

// A key that cannot be opened counts 0 values.
unsigned CountRegKeyValuesAction(ActionContext& context) {
    const std::string key = context.Get("KEYPATH");
    const int count = key.empty() ? -1 : context.machine.CountKeyValues(key);
    if (count < 0)
        context.log(".Error: CountRegKeyValues> Could not open HKLM\\%s", key.c_str());
    context.Set("KEYVALUECOUNT", Decimal(count < 0 ? 0 : count));
    return kActionSuccess;
}

// "PasswordText" is a secret: neither it nor its digest is logged.
unsigned GetShaHashAction(ActionContext& context) {
    const std::string text = context.Get("PasswordText");
    const std::string digest = Sha1Hex(text);
    context.log.AddSecret(digest);
    context.Set("PasswordHash", digest);
    return kActionSuccess;
}
