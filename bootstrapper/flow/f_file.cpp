#include "f_file.h"

#include <algorithm>

#include "file_names.h"
#include "file_system.h"
#include "files.h"
#include "log_file.h"
#include "property_store.h"
#include "run_services.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const int kBackward = 1;
const int kSetAside = 2;  // the operation field of a set-aside around an installer
const char kSetAsideSuffix[] = "$bt";

// The folders of the protected places of the machine and of setup: a recorded folder that is
// one of them, or above one, is never deleted.
std::vector<std::string> ProtectedFolders(const PropertyStore& properties) {
    std::vector<std::string> folders;
    for (const char* name : {"WindowsFolder", "SystemFolder", "ProgramFilesFolder",
                             "CommonFilesFolder", "TempFolder", "SetupFolder"})
        folders.push_back(properties.Get(name));
    return folders;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::any_of(list.begin(), list.end(), [&item](const std::string& other) {
        return EqualsNoCase(other.c_str(), item.c_str());
    });
}

void AddUnique(std::vector<std::string>* list, const std::string& item) {
    if (!Contains(*list, item))
        list->push_back(item);
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

// "%s - error code %d (%s)": the warning of a file or folder that could not be handled.
void WarnStep(LogFile& log, const std::string& message, long code) {
    log.Warning("%s - error code %d (%s)", message.c_str(), static_cast<int>(code),
                SystemErrorText(code).c_str());
}

}  // namespace

// The folders of one run, expanded with the run's properties.
struct FFile::Places {
    std::string source;
    std::string destination;
};

FFile::FFile() {
    tag_ = "FILE";
    description_ = "FILE";
}

int FFile::Execute(RunServices& run, int direction) {
    LogFile& log = run.log;
    log.Line("    File      : Source='%s'  Destination='%s'  Mask='%s' Overwrite='%s'",
             sourceFolder.c_str(), destinationFolder.c_str(), mask.c_str(),
             overwrite ? "Yes" : "No");
    if (Trim(destinationFolder, " \t").empty()) {
        log.Error("Location (destination) not specified for '%s' file(s) copy", mask.c_str());
        return OnFailType();
    }
    Places places{NormalFolder(run.properties.Expand(sourceFolder.c_str())),
                  NormalFolder(run.properties.Expand(destinationFolder.c_str()))};
    // An unresolved property or a relative path would put the files wherever setup happens
    // to run, and make the bookkeeping's names point elsewhere in a later run.
    if (!IsFullFolder(places.destination)) {
        log.Error("Location (destination) '%s' is not a full folder path for '%s' file(s) copy",
                  places.destination.c_str(), mask.c_str());
        return OnFailType();
    }
    const bool backward = direction == kBackward;
    Lists lists;
    if (!BuildList(run, Operation() == kSetAside ? kBackward : direction, places, &lists)) {
        log.Error("Error retrieving files list for '%s'", mask.c_str());
        return OnFailType();
    }
    log.Line("    File      : Found %d -> %s", static_cast<int>(lists.files.size()),
             Joined(lists.files, ", ").c_str());
    // Files copied without a place to record them could never be put back.
    if (!backward && Operation() != kSetAside && RecordKey().empty()) {
        log.Error("No registry backup location provided for files '%s'", mask.c_str());
        return OnFailType();
    }
    // What an earlier forward run recorded is already ours: the file in its place is our copy,
    // and taking it for the backup would leave it behind after the undo.
    Lists earlier;
    long readCode = 0;
    if (!backward && Operation() != kSetAside)
        ReadRecord(run, &earlier, &readCode);
    Lists done{lists.files, {}};
    for (const std::string& name : lists.files) {
        long code = 0;
        const bool ours = Contains(earlier.files, name);
        const std::string failure = backward ? StepBackward(run, places, name, &code)
                                             : StepForward(run, places, name, ours, &done, &code);
        if (!failure.empty())
            WarnStep(log, failure, code);
    }
    if (Operation() == kSetAside)
        return 0;
    if (backward)
        RemoveCreatedFolders(run, places, lists);
    const bool recorded = backward ? RemoveRecord(run) : WriteRecord(run, earlier, done);
    return recorded ? 0 : OnFailType();
}

bool FFile::BuildList(RunServices& run, int listDirection, const Places& places, Lists* lists) {
    if (listDirection != kBackward)
        return ListSource(run, places, lists);
    long code = 0;
    if (!ReadRecord(run, lists, &code))
        return false;
    // The record is registry data: a name that would leave the destination folder is dropped.
    std::vector<std::string> kept;
    for (const std::string& name : lists->files) {
        if (IsContainedName(name))
            AddUnique(&kept, name);
        else
            run.log.Warning("File name '%s' refused: it does not stay inside '%s'", name.c_str(),
                            places.destination.c_str());
    }
    lists->files = kept;
    return true;
}

// The source folder is searched pattern by pattern, without its sub-folders.
bool FFile::ListSource(RunServices& run, const Places& places, Lists* lists) {
    for (const std::string& piece : SplitTokens(mask.c_str(), ',', 0)) {
        const std::string pattern = Trim(piece, " \t");
        std::vector<std::string> names;
        if (pattern.empty())
            continue;
        if (run.files.ListMatches(places.source, pattern, &names) != 0)
            return false;
        for (const std::string& found : names) {
            const std::string name = Trim(found, "/\\");
            if (!IsContainedName(name)) {
                run.log.Warning("File name '%s' refused: it does not stay inside '%s'",
                                name.c_str(), places.destination.c_str());
                continue;
            }
            if (overwrite || !run.files.FileExists(Files::JoinPath(places.destination, name)))
                AddUnique(&lists->files, name);
        }
    }
    return true;
}

// Forward, directions 0 and 2. A file is never copied over before it has its backup (unless
// it is our own copy): a failure ends the step for that file. With the set-aside operation only a
// file that was set aside is put back; moving an installer's file to the backup for nothing would
// leave the destination empty.
std::string FFile::StepForward(RunServices& run, const Places& places, const std::string& name,
                               bool ours, Lists* created, long* errorCode) {
    FileSystem& files = run.files;
    const std::string target = Files::JoinPath(places.destination, name);
    const std::string backup = target + "." + backupSuffix;
    const std::string setAside = target + "." + kSetAsideSuffix;
    const bool restoring = Operation() == kSetAside;
    if (restoring && !files.FileExists(setAside))
        return "";
    if (!ours && files.FileExists(target) && !files.FileExists(backup) &&
        (*errorCode = files.MoveFileTo(target, backup)) != 0)
        return FormatText("Error renaming file '%s' as '%s'", target.c_str(), backup.c_str());
    const std::string createdFolder = HighestMissingFolder(files, target);
    if (restoring) {
        if ((*errorCode = files.MoveFileTo(setAside, target)) != 0)
            return FormatText("Error restoring file '%s' to '%s'", setAside.c_str(),
                              target.c_str());
        return "";
    }
    if (!createdFolder.empty())
        AddUnique(&created->folders, createdFolder);
    const std::string source = Files::JoinPath(places.source, name);
    if ((*errorCode = files.CopyFileTo(source, target)) != 0)
        return FormatText("Error copying file '%s' to '%s'", source.c_str(), target.c_str());
    return "";
}

// Backward, direction 1. The backup goes back only when the file in its place is gone.
std::string FFile::StepBackward(RunServices& run, const Places& places, const std::string& name,
                                long* errorCode) {
    FileSystem& files = run.files;
    const std::string target = Files::JoinPath(places.destination, name);
    const std::string backup = target + "." + backupSuffix;
    if (Operation() == kSetAside) {
        const std::string setAside = target + "." + kSetAsideSuffix;
        if (files.FileExists(target) && (*errorCode = files.MoveFileTo(target, setAside)) != 0)
            return FormatText("Error renamin file '%s' as '%s'", target.c_str(), setAside.c_str());
    } else if (files.FileExists(target) && (*errorCode = files.RemoveFile(target)) != 0) {
        return FormatText("Error deleting file '%s'", target.c_str());
    }
    if (files.FileExists(backup) && (*errorCode = files.MoveFileTo(backup, target)) != 0)
        return FormatText("Error renaming file '%s' as '%s'", backup.c_str(), target.c_str());
    return "";
}

// A recorded folder is deleted with its content, so the record alone must not be able to
// reach anything but the folders on the way to the destination; the machine's and setup's
// own folders are kept in any case.
void FFile::RemoveCreatedFolders(RunServices& run, const Places& places, const Lists& lists) {
    const std::vector<std::string> kept = ProtectedFolders(run.properties);
    for (const std::string& recorded : lists.folders) {
        const std::string folder = NormalFolder(recorded);
        if (!IsFullFolder(folder) || !IsOnPathOf(folder, places.destination) ||
            HoldsAny(folder, kept)) {
            run.log.Warning("Folder '%s' refused: it is not a folder created for '%s'",
                            recorded.c_str(), places.destination.c_str());
            continue;
        }
        if (!run.files.FileExists(folder))
            continue;
        const long code = run.files.RemoveFolder(folder);
        if (code != 0)
            WarnStep(run.log, FormatText("Error deleting folder '%s'", folder.c_str()), code);
    }
}
