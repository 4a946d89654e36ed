#include "return_codes.h"

#include <cctype>

namespace {

// The printed names come from this one text, cut into identifiers in place; its irregular
// blanks are harmless to the walk below.
char g_names[] =
    "RC_AllCompleted = 0, RC_NotCompleted = 1, RC_RebootRequired = 2, RC_RebootInProgress = 3, "
    "RC_InvalidArguments = 4, RC_InvalidConfiguration = 5, RC_MainPackageNotDetected = 6, "
    "RC_InstallationAborted = 7, RC_UnhandledException = 8, RC_DependenciesFailed = 9, "
    "RC_CallbackFailed =10, RC_ANewerVerAlreadyInstalled=11, RC_ActionCanceled =12, "
    "RC_ActionQuit =13, RC_AnotherInstanceRunning =14, RC_PendingRebootDetected =15, "
    "RC_OriginalInstallerNotFound=16, RC_InvalidCRC32Checksum =17, RC_ItemsNb";

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

struct NameTable {
    const char* names[RC_ItemsNb] = {};

    NameTable() {
        char* p = g_names;
        for (int i = 0; i < RC_ItemsNb && *p; ++i) {
            while (*p && !IsIdentifierChar(*p)) ++p;
            names[i] = p;
            while (IsIdentifierChar(*p)) ++p;
            if (*p)
                *p++ = '\0';
            while (*p && *p != ',') ++p;
        }
    }
};

// Built before the entry point runs, so that every later reader sees the finished table.
const NameTable g_table;

}  // namespace

const char* ReturnCodeName(int code) {
    if (code == RC_None)
        return "Ignored";
    if (code < 0 || code >= RC_ItemsNb || !g_table.names[code])
        return "RETURN CODE NOT FOUND";
    return g_table.names[code];
}

bool IsSuccessCode(int code) {
    return code == RC_AllCompleted || code == RC_RebootRequired || code == RC_RebootInProgress;
}
