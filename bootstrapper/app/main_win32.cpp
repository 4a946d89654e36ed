// Entry point of setup.exe: a GUI program without a main window of its own.

#include <windows.h>

#include "log_file.h"
#include "run_driver.h"
#include "system_libraries_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, char* commandLine, int /*show*/) {
    LoadSystemLibrariesFromSystemFolder();
    Log();  // the log starts in the folder setup was started from
    RunDriver driver(instance, commandLine);
    return driver.Run();
}
