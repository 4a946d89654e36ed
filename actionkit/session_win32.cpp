#include "session_win32.h"

#include <msiquery.h>

#include "installer_session_win32.h"

std::string InstallerSession::Get(const char* name) {
    return ReadSessionProperty(session_, name);
}

unsigned InstallerSession::Set(const char* name, const std::string& value) {
    return MsiSetPropertyA(session_, name, value.c_str());
}

// An information message: a record whose field 0 holds the text.
void InstallerSession::Write(const std::string& line) {
    PMSIHANDLE record = MsiCreateRecord(1);
    if (!record)
        return;
    MsiRecordSetStringA(record, 0, line.c_str());
    MsiProcessMessage(session_, INSTALLMESSAGE_INFO, record);
}
