// The file procedures of utils.dll over the file system interface of common.

#include "file_procedures.h"

#include <vector>

#include "deletion_guard.h"
#include "file_system.h"
#include "files.h"
#include "system_error.h"
#include "text_search.h"
#include "text_util.h"
#include "utils_machine.h"

namespace {

const long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
const long kReadFault = 30;    // ERROR_READ_FAULT

struct SplitPath {
    std::string folder;
    std::string name;
};

SplitPath Split(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// The long names in folder that match pattern. The system's search also matches short 8.3
// names, so that "*.txt" finds "notes.txtx" by its short name "NOTES~1.TXT"; each name is
// tested again on its own.
std::vector<std::string> Matches(const SplitPath& path, long* errorCode) {
    std::vector<std::string> names;
    std::vector<std::string> found;
    *errorCode = Machine().files->ListMatches(path.folder, path.name, &found);
    for (const std::string& name : found) {
        if (WildcardMatches(path.name, name))
            names.push_back(name);
    }
    return names;
}

// A file, not a folder, at path.
bool IsFile(const std::string& path) {
    return path.find_first_of("*?") == std::string::npos && Machine().files->FileExists(path) &&
           !Machine().rewriter->IsFolder(path);
}

bool IsFolder(const std::string& path) {
    return Machine().rewriter->IsFolder(path);
}

void LogFileLine(const char* format, const std::string& path, long code) {
    PluginLog(0, code == 0 ? kLogPlain : kLogWarning, format, path.c_str(), static_cast<int>(code),
              SystemErrorText(code).c_str());
}

bool ReadContent(PluginSession session, const std::string& path, std::string* content) {
    if (ReadWholeFile(*Machine().files, path, content))
        return true;
    const long code = Machine().files->FileExists(path) ? kReadFault : kFileNotFound;
    PluginLog(session, kLogPlain, "    Proc call : Error %d opening file '%s' for read: %s",
              static_cast<int>(code), path.c_str(), SystemErrorText(code).c_str());
    return false;
}

// The new content goes to a unique temporary file beside the original, which it replaces
// only when every byte was written; the original is untouched by any failure.
bool Rewrite(PluginSession session, const std::string& path, const std::string& content) {
    FileRewriter& rewriter = *Machine().rewriter;
    std::string temp;
    long code = rewriter.WriteTemporary(ParentFolder(path), content, &temp);
    if (code != 0) {
        PluginLog(session, kLogPlain, "    Proc call : Error %d opening file '%s' for write: %s",
                  static_cast<int>(code), temp.empty() ? path.c_str() : temp.c_str(),
                  SystemErrorText(code).c_str());
    } else {
        code = rewriter.ReplaceWith(path, temp);
        if (code != 0)
            PluginLog(session, kLogError, "Could not replace file '%s': %s", path.c_str(),
                      SystemErrorText(code).c_str());
    }
    if (code != 0 && !temp.empty())
        rewriter.Remove(temp);
    return code == 0;
}

}  // namespace

std::string ProcPath(PluginSession session, const char* argument) {
    std::string path = ProcExpand(session, argument);
    std::string out;
    for (const char c : path) {
        if (c != '"')
            out += c == '/' ? '\\' : c;
    }
    return out;
}

int FileExistsProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const std::string path = ProcPath(session, argv[1]);
    PluginLog(session, kLogPlain, "    Proc call : Check file exists '%s'", path.c_str());
    return IsFile(path) ? 1 : 0;
}

// Every file that matches the source's name is copied: into the destination when it is a
// folder (or ends with "\"), else to the destination path itself.
int CopyFileProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    const std::string source = ProcPath(session, argv[1]);
    const std::string destination = ProcPath(session, argv[2]);
    PluginLog(session, kLogPlain, "    Proc call : Copy file '%s' to '%s'", source.c_str(),
              destination.c_str());
    const SplitPath from = Split(source);
    long code = 0;
    const std::vector<std::string> names = Matches(from, &code);
    const bool intoFolder = names.size() > 1 ||
                            (!destination.empty() && destination.back() == '\\') ||
                            IsFolder(destination);
    int copied = 0;
    for (const std::string& name : names) {
        const std::string file = Files::JoinPath(from.folder, name);
        const std::string target = intoFolder ? Files::JoinPath(destination, name) : destination;
        code = Machine().files->CopyFileTo(file, target);
        PluginLog(session, code == 0 ? kLogPlain : kLogWarning,
                  "    File '%-32s' copy %s (%d - %s)", file.c_str(),
                  code == 0 ? "succeeded" : "failed", static_cast<int>(code),
                  SystemErrorText(code).c_str());
        copied += code == 0 ? 1 : 0;
    }
    return !names.empty() && copied == static_cast<int>(names.size()) ? 1 : 0;
}

int DeleteFileProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const std::string path = ProcPath(session, argv[1]);
    PluginLog(session, kLogPlain, "    Proc call : Delete file '%s'", path.c_str());
    const SplitPath target = Split(path);
    std::string reason;
    if (!FilesMayBeDeleted(target.folder, target.name, &reason)) {
        PluginLog(session, kLogError, "Refusing to delete '%s': %s", path.c_str(), reason.c_str());
        return 0;
    }
    long code = 0;
    const std::vector<std::string> names = Matches(target, &code);
    int deleted = 0;
    for (const std::string& name : names) {
        const std::string file = Files::JoinPath(target.folder, name);
        code = Machine().files->RemoveFile(file);
        LogFileLine("    File '%-32s' deleting return code: %d (%s)", file, code);
        deleted += code == 0 ? 1 : 0;
    }
    return !names.empty() && deleted == static_cast<int>(names.size()) ? 1 : 0;
}

int DeleteFolderProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    const std::string mode = argc > 2 ? Trim(argv[2], " \t") : "0";
    if (mode != "0" && mode != "1") {
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    const std::string folder = TrimRight(ProcPath(session, argv[1]), "\\");
    const bool forced = mode == "1";
    PluginLog(session, kLogPlain, "    Proc call : Delete folder '%s' %s", folder.c_str(),
              forced ? "FORCED" : "if EMPTY");
    std::string reason;
    if (!FolderMayBeRemoved(folder, &reason)) {
        PluginLog(session, kLogError, "Refusing to delete '%s': %s", folder.c_str(),
                  reason.c_str());
        return 0;
    }
    const long code = forced ? Machine().files->RemoveFolder(folder)
                             : Machine().rewriter->RemoveEmptyFolder(folder);
    if (code != 0)
        LogFileLine("    File '%-32s' deleting return code: %d (%s)", folder, code);
    return Machine().files->FileExists(folder) ? 0 : 1;
}

int MoveFileProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    const std::string source = ProcPath(session, argv[1]);
    const std::string destination = ProcPath(session, argv[2]);
    PluginLog(session, kLogPlain, "    Proc call : Move file '%s' to '%s'", source.c_str(),
              destination.c_str());
    const long code = Machine().files->MoveFileTo(source, destination);
    if (code != 0)
        PluginLog(session, kLogError, "Could not move file '%s': %s", source.c_str(),
                  SystemErrorText(code).c_str());
    return code == 0 ? 1 : 0;
}

int FindInFileProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    const std::string path = ProcPath(session, argv[1]);
    std::string content;
    if (!ReadContent(session, path, &content))
        return 0;
    return FindOccurrences(content, argv[2]).empty() ? 0 : 1;
}

// An empty search text would match everywhere and nowhere; it is refused.
int ReplaceInFileProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 3, 3, error))
        return 0;
    const std::string path = ProcPath(session, argv[1]);
    const std::string search = argv[2];
    if (search.empty()) {
        PluginLog(session, kLogError, "ReplaceInFile: the search text is empty");
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    std::string content;
    if (!ReadContent(session, path, &content))
        return 0;
    if (FindOccurrences(content, search).empty())
        return 0;
    return Rewrite(session, path, ReplaceOccurrences(content, search, argv[3])) ? 1 : 0;
}
