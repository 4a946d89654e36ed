#pragma once
// RunServices: everything the installer run and its elements reach outside their own data.
// The run driver builds it from the real services (the log files, message boxes, the shared
// status block, child processes, Windows Installer, the registry, the file system, the wall
// clock, the event log, the window messages of the run's thread, the progress dialog); the
// walk tests build it from fakes of one machine. Engine and flow code reach the machine and
// the user only through it.

class Clock;
class EventLogger;
class FileSystem;
class InstallerQueries;
class InstallerResolver;
class LogFile;
class MachineProbe;
class MachineRestart;
class MessagePump;
class PackageStatusTable;
class ProcessRunner;
class ProgressView;
class PropertyStore;
class RegistryAccess;
class UserPrompts;

struct RunServices {
    LogFile& log;
    PropertyStore& properties;     // the run's properties (the configuration's store)
    UserPrompts& prompts;          // message boxes and questions
    PackageStatusTable& progress;  // the package slots of the shared status block
    ProcessRunner& processes;      // installers and chained setups
    InstallerResolver& resolver;   // where installer files are
    InstallerQueries& detection;   // installed products, package files, version resources
    MachineProbe& machine;         // the machine type of dependency checks
    RegistryAccess& registry;
    FileSystem& files;
    Clock& clock;
    EventLogger& events;
    MessagePump& pump;  // dispatches waiting window messages during long work
    MachineRestart& restart;
    ProgressView& progressDialog;  // the rows and texts of the progress dialog (normal mode)
};
