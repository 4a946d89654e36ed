// The registry bookkeeping of a File entry: under "<backup root>\<product key>\<package>" the
// value "FILE0001" lists the files it copied and "FILE0001_FOLDERS" the folders it created,
// each list joined with "," (files by their names relative to the destination folder, which
// therefore never hold a ",", folders by their full paths; a folder whose path holds a "," comes
// back in pieces that the undo refuses, so it stays rather than anything else going). The record
// links the run that copied the files with the run that puts the old ones back, across restarts and
// later runs of setup.

#include "f_file.h"

#include "log_file.h"
#include "registry.h"
#include "run_services.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const long kNotFound = 2;  // ERROR_FILE_NOT_FOUND: no such key or value

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    for (const std::string& piece : SplitTokens(text.c_str(), ',', 0)) {
        const std::string item = Trim(piece, " \t");
        if (!item.empty())
            items.push_back(item);
    }
    return items;
}

std::string JoinList(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
    return text;
}

// The items of first, then those of second that first lacks (without regard to case).
std::vector<std::string> Union(std::vector<std::string> first,
                               const std::vector<std::string>& second) {
    for (const std::string& item : second) {
        bool present = false;
        for (const std::string& kept : first)
            present = present || EqualsNoCase(kept.c_str(), item.c_str());
        if (!present)
            first.push_back(item);
    }
    return first;
}

// A missing value is an empty list.
bool ReadList(RegistryAccess& registry, const std::string& path, std::vector<std::string>* items,
              long* errorCode) {
    std::string text;
    if (!registry.ReadValue(path, &text, kRegistryDefaultView, errorCode))
        return *errorCode == kNotFound;
    *items = SplitList(text);
    return true;
}

}  // namespace

// Empty when a part of the key is unknown: without the run's product key or the package's
// name the record of one product could not be told from another's.
std::string FFile::RecordKey() {
    if (backupRoot.empty() || productKey.empty() || Reserved(0).empty())
        return "";
    return FormatText("%s\\%s\\%s", backupRoot.c_str(), productKey.c_str(), Reserved(0).c_str());
}

std::string FFile::FilesValueName() const {
    return FormatText("%s%04d", tag_.c_str(), sequence);
}

bool FFile::ReadRecord(RunServices& run, Lists* lists, long* errorCode) {
    const std::string key = RecordKey();
    if (key.empty()) {
        run.log.Error("No registry restore location provided for files '%s'", mask.c_str());
        return false;
    }
    const std::string files = key + "\\" + FilesValueName();
    return ReadList(run.registry, files, &lists->files, errorCode) &&
           ReadList(run.registry, files + "_FOLDERS", &lists->folders, errorCode);
}

// What an earlier forward run recorded stays recorded: a second run finds the folders it
// created existing and, with Overwrite off, leaves out the files already there, and must not
// make the record forget them.
bool FFile::WriteRecord(RunServices& run, const Lists& earlier, const Lists& done) {
    LogFile& log = run.log;
    const std::string key = RecordKey();
    if (key.empty()) {
        log.Error("No registry backup location provided for files '%s'", mask.c_str());
        return false;
    }
    long code = 0;
    const std::vector<std::string> files = Union(earlier.files, done.files);
    const std::vector<std::string> folders = Union(earlier.folders, done.folders);
    if (files.empty() && folders.empty())
        return true;  // nothing to put back later
    if (!run.registry.CreateKey(key, kRegistryDefaultView, &code)) {
        log.Error("Cannot perform backup in registry for files '%s': error code '%d' (%s)",
                  mask.c_str(), static_cast<int>(code), SystemErrorText(code).c_str());
        return false;
    }
    const std::string path = key + "\\" + FilesValueName();
    if (!run.registry.WriteString(path, JoinList(files), kRegistryDefaultView, &code)) {
        log.Error("Cannot create files backup in registry for '%s': error code '%d' (%s)",
                  mask.c_str(), static_cast<int>(code), SystemErrorText(code).c_str());
        return false;
    }
    if (!run.registry.WriteString(path + "_FOLDERS", JoinList(folders), kRegistryDefaultView,
                                  &code)) {
        log.Error("Cannot create folders backup in registry for '%s': error code '%d' (%s)",
                  mask.c_str(), static_cast<int>(code), SystemErrorText(code).c_str());
        return false;
    }
    return true;
}

// The key itself goes with its last value, so that an uninstalled product leaves no empty
// keys behind; other entries of the package keep it while they have records.
bool FFile::RemoveRecord(RunServices& run) {
    const std::string key = RecordKey();
    bool removed = true;
    for (const std::string& path :
         {key + "\\" + FilesValueName(), key + "\\" + FilesValueName() + "_FOLDERS"}) {
        long code = 0;
        if (run.registry.DeleteValue(path, kRegistryDefaultView, &code) || code == kNotFound)
            continue;
        run.log.Error("Cannot remove '%s' registry key: error code '%d' (%s)", path.c_str(),
                      static_cast<int>(code), SystemErrorText(code).c_str());
        removed = false;
    }
    std::vector<RegistryValue> values;
    long code = 0;
    if (removed && run.registry.EnumerateValues(key, &values, kRegistryDefaultView, &code) &&
        values.empty())
        run.registry.DeleteKey(key, kRegistryDefaultView, &code);
    return removed;
}
