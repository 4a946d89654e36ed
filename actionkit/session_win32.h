#pragma once
// The installer's session behind ActionSession.

#include <windows.h>
#include <msi.h>

#include "action_session.h"

class InstallerSession : public ActionSession {
  public:
    explicit InstallerSession(MSIHANDLE session) : session_(session) {}
    std::string Get(const char* name) override;
    unsigned Set(const char* name, const std::string& value) override;
    void Write(const std::string& line) override;

  private:
    MSIHANDLE session_;
};
