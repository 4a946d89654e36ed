#include "installer_session_win32.h"

#include <msiquery.h>

#include <vector>

namespace {

// Most properties fit at once; a long CustomActionData takes a second call.
const DWORD kFirstReadSize = 1024;

}  // namespace

std::string ReadSessionProperty(MSIHANDLE session, const char* name) {
    std::vector<char> buffer(kFirstReadSize, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    UINT status = MsiGetPropertyA(session, name, buffer.data(), &size);
    if (status == ERROR_MORE_DATA) {
        // size is the length without the terminator.
        buffer.assign(static_cast<std::size_t>(size) + 1, '\0');
        size = static_cast<DWORD>(buffer.size());
        status = MsiGetPropertyA(session, name, buffer.data(), &size);
    }
    if (status != ERROR_SUCCESS)
        return std::string();
    return std::string(buffer.data(), size);
}
