// The logon check of the dispatcher's CheckLoginCredentials.

#include <windows.h>

#include "machine_win32.h"
#include "system_error.h"
#include "unique_handle_win32.h"

bool SystemMachine::CheckLogon(const std::string& user, const std::string& domain,
                               const std::string& password, unsigned long* error) {
    HANDLE token = nullptr;
    const BOOL accepted =
        LogonUserA(user.c_str(), domain.empty() ? nullptr : domain.c_str(), password.c_str(),
                   LOGON32_LOGON_NETWORK, LOGON32_PROVIDER_DEFAULT, &token);
    *error = accepted ? 0 : GetLastError();
    KernelHandle closer(token);
    return accepted != FALSE;
}

std::string SystemMachine::ErrorText(unsigned long error) {
    return SystemErrorText(static_cast<long>(error));
}
