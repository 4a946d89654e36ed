#pragma once
// Libraries that setup, utils and forms import on first use (the installer library and
// version) are loaded from the system folder only, never from the folder of the program,
// where a download folder may hold a planted copy that would run elevated.

// Installs the loader of this module's delayed imports. Called first thing in WinMain and
// in DllMain on attach, before any of those libraries is used.
void LoadSystemLibrariesFromSystemFolder();
