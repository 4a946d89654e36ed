#pragma once
// Reading the properties of a Windows Installer session (custom actions have no property
// store of setup; they read what the installer gives them).

#include <windows.h>
#include <msi.h>

#include <string>

// The whole text of a session property, however long (the installer answers
// ERROR_MORE_DATA with the length it needs, and the read is repeated with that size). An
// absent property reads as empty; so does one that cannot be read.
std::string ReadSessionProperty(MSIHANDLE session, const char* name);
