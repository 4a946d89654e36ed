// The message boxes and the file-open dialog of utils.dll.

#include "dialog_procedures.h"

#include <windows.h>

#include <commdlg.h>

#include <string>
#include <vector>

#include "file_choice.h"
#include "files.h"
#include "log_file.h"
#include "message_box_codes.h"
#include "str_util.h"
#include "system_error.h"

namespace {

const WORD kEnglishUnitedStates = 1033;

std::string Argument(int argc, char** argv, int index) {
    return index < argc ? argv[index] : std::string();
}

int ShowBox(PluginSession session, int argc, char** argv, WORD language, bool fallback) {
    const unsigned style =
        MessageBoxStyleFor(session, Argument(argc, argv, 3), Argument(argc, argv, 4));
    int answer = MessageBoxExA(nullptr, argv[1], argv[2], style, language);
    if (answer == 0 && fallback)
        answer = MessageBoxA(nullptr, argv[1], argv[2], style);
    return answer;
}

// The folder as the dialog starts in it: "%" references resolved, made absolute.
std::string InitialFolder(PluginSession session, const std::string& folder) {
    char expanded[MAX_PATH] = {};
    if (ExpandEnvironmentStringsA(folder.c_str(), expanded, sizeof(expanded)) == 0 ||
        expanded[0] == '\0')
        StrCopyTruncated(expanded, folder.empty() ? "." : folder.c_str(), sizeof(expanded));
    char full[MAX_PATH] = {};
    if (GetFullPathNameA(expanded, sizeof(full), full, nullptr) == 0) {
        const DWORD code = GetLastError();
        PluginLog(session, kLogPlain, "    Proc call : Error %d obtaining current directory: %s",
                  static_cast<int>(code), SystemErrorText(code).c_str());
        return expanded;
    }
    return full;
}

// Restores the process's current folder, which the file-open dialog may change.
class CurrentFolderScope {
  public:
    explicit CurrentFolderScope(PluginSession session) : session_(session) {
        char folder[MAX_PATH] = {};
        if (GetCurrentDirectoryA(sizeof(folder), folder) == 0) {
            const DWORD code = GetLastError();
            PluginLog(session, kLogPlain,
                      "    Proc call : Error %d obtaining current directory: %s",
                      static_cast<int>(code), SystemErrorText(code).c_str());
        }
        folder_ = folder;
    }
    ~CurrentFolderScope() {
        if (folder_.empty() || SetCurrentDirectoryA(folder_.c_str()))
            return;
        const DWORD code = GetLastError();
        PluginLog(session_, kLogPlain, "    Proc call : Error %d changing directory to '%s': %s",
                  static_cast<int>(code), folder_.c_str(), SystemErrorText(code).c_str());
    }
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

  private:
    PluginSession session_;
    std::string folder_;
};

struct BrowseRequest {
    std::string file;
    std::string version;
    std::string folder;
    std::string filter;  // the pattern the dialog lists; the file's own name by default
};

// The file-open dialog; empty when the user cancels.
std::string AskForFile(PluginSession session, const BrowseRequest& request) {
    PluginLog(session, kLogPlain, "    Proc call : Calling GetOpenFileName()");
    const std::string title = FormatText("Please select '%s' file having '%s' version.",
                                         request.file.c_str(), request.version.c_str());
    std::string filter =
        request.filter + '\0' + request.filter + '\0' + "*.*" + '\0' + "*.*" + '\0' + '\0';
    char path[MAX_PATH] = {};
    StrCopyTruncated(path, request.file.c_str(), sizeof(path));
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof(path);
    dialog.lpstrInitialDir = request.folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&dialog)) {
        PluginLog(session, kLogPlain, "    Proc call : GetOpenFileName() canceled");
        return std::string();
    }
    PluginLog(session, kLogPlain, "    Proc call : GetOpenFileName() returned '%s'", path);
    return path;
}

// Whether the user accepts the file: the right version, or no version and a yes to the
// question. A wrong version is told and refused.
bool AcceptFile(PluginSession session, const BrowseRequest& request, const std::string& path) {
    PluginLog(session, kLogPlain, "    Proc call : Check version for file '%s'", path.c_str());
    const std::string found = Files::FileVersion(path.c_str());
    switch (JudgeFileVersion(found, request.version)) {
        case kFileAccepted:
            return true;
        case kFileWithoutVersion: {
            const std::string question = FormatText(
                "No version detected for file '%s'.\n\nDo you want to install it anyway?",
                path.c_str());
            return MessageBoxA(nullptr, question.c_str(), request.file.c_str(),
                               MB_YESNO | MB_ICONQUESTION) == IDYES;
        }
        case kFileWrongVersion:
            break;
    }
    const std::string text =
        FormatText("File '%s' has version '%s'.\n\nPlease select a file with version '%s'.",
                   path.c_str(), found.c_str(), request.version.c_str());
    MessageBoxA(nullptr, text.c_str(), request.file.c_str(), MB_OK | MB_ICONWARNING);
    return false;
}

std::string StripQuotes(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '"')
            out += c;
    }
    return out;
}

}  // namespace

int MessageBoxProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                   int* error) {
    if (!CheckPluginArgCount(argc, 2, 4, error))
        return 0;
    return PutAnswerLetter(ShowBox(session, argc, argv, kEnglishUnitedStates, true), result,
                           resultSize);
}

int MessageBoxExProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                     int* error) {
    if (!CheckPluginArgCount(argc, 2, 6, error))
        return 0;
    const WORD language = MessageBoxLanguage(Argument(argc, argv, 5));
    return PutAnswerLetter(ShowBox(session, argc, argv, language, false), result, resultSize);
}

// BrowseForFile(file|version|folder|pattern): the pattern (fourth, optional) is what the
// dialog lists; further arguments are ignored.
int BrowseForFileProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                      int* error) {
    if (!CheckPluginArgCount(argc, 3, -1, error))
        return 0;
    CurrentFolderScope restore(session);
    BrowseRequest request{StripQuotes(argv[1]), argv[2], InitialFolder(session, argv[3]),
                          Argument(argc, argv, 4)};
    if (request.filter.empty())
        request.filter = request.file.empty() ? "*.*" : request.file;
    PluginLog(session, kLogPlain, "    Proc call : Try find file '%s' (initial dir is '%s')",
              request.file.c_str(), request.folder.c_str());
    std::string path = Files::JoinPath(request.folder, request.file);
    if (request.file.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        path = AskForFile(session, request);
    while (!path.empty() && !AcceptFile(session, request, path))
        path = AskForFile(session, request);
    StrCopyTruncated(result, path.c_str(), resultSize);
    return 0;
}
