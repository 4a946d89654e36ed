// The text procedures of utils.dll.

#include "text_procedures.h"

#include <cstring>

#include "property_store.h"
#include "str_util.h"
#include "utils_machine.h"

std::string RootDriveOf(const std::string& path) {
    if (path.size() <= 2)
        return path;
    const std::size_t slash = path.find('\\', 2);
    return slash == std::string::npos ? path : path.substr(0, slash);
}

std::string ReplaceChar(const std::string& text, char what, char with) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != what)
            out += c;
        else if (with != '\0')
            out += with;
    }
    return out;
}

std::string JoinPathPieces(const std::vector<std::string>& pieces) {
    std::string joined;
    for (std::string piece : pieces) {
        for (char& c : piece) {
            if (c == '/')
                c = '\\';
        }
        while (!piece.empty() && piece.back() == '\\') piece.pop_back();
        if (!joined.empty() && !piece.empty() && piece[0] != '\\')
            joined += '\\';
        joined += piece;
    }
    return joined;
}

int GetRootDriveProc(PluginSession, int argc, char** argv, char* result, int resultSize,
                     int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    StrCopyTruncated(result, RootDriveOf(argv[1]).c_str(), resultSize);
    return 0;
}

// The character must be one character and the replacement at most one.
int RemoveCharProc(PluginSession, int argc, char** argv, char* result, int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    const char* with = argc > 3 ? argv[3] : "";
    if (std::strlen(argv[2]) != 1 || std::strlen(with) > 1) {
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    StrCopyTruncated(result, ReplaceChar(argv[1], argv[2][0], with[0]).c_str(), resultSize);
    return 0;
}

int PathJoinProc(PluginSession, int argc, char** argv, char* result, int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 2, -1, error))
        return 0;
    const std::vector<std::string> pieces(argv + 1, argv + argc);
    StrCopyTruncated(result, JoinPathPieces(pieces).c_str(), resultSize);
    return 0;
}

// From setup the value is the expansion of "[name]", so that references inside it resolve;
// inside Windows Installer it is the session's property.
int GetPropertyValueProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    std::string value;
    if (!ProcProperty(session, argv[1], &value)) {
        value = argv[2];
    } else if (session == 0) {
        const std::string reference = std::string("[") + argv[1] + "]";
        value = PluginProperties()->Expand(reference.c_str(), "[", "]", "Property.");
    }
    StrCopyTruncated(result, value.c_str(), resultSize);
    return 0;
}

int GetEnvProc(PluginSession, int argc, char** argv, char* result, int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    std::string value;
    Machine().system->Environment(argv[1], &value);
    StrCopyTruncated(result, value.c_str(), resultSize);
    return 1;
}
