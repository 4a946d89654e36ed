#pragma once
// FFile: a File entry of a package. It copies files from a source folder into a destination
// folder, keeps every file it replaces beside it as "<name>.$bs", and records in the registry
// which files it copied and which folders it created, so that a later run (an uninstall, a
// rollback, a run after a restart) can put everything back as it was.
//
// Directions: 0 and 2 forward, 1 backward. The operation field (set by the package) 2 turns
// them into a set-aside around an installer that works on the product: backward moves each
// recorded file to "<name>.$bt" and puts its backup in place, forward puts the "$bt" file
// back. The set-aside works on the recorded files and leaves the record alone.

#include <memory>
#include <string>
#include <vector>

#include "f_base.h"

class FFile : public FBase {
  public:
    FFile();
    int Execute(RunServices& run, int direction) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FFile>(*this); }

    std::string mask;               // file-name patterns separated by ","
    std::string sourceFolder;       // trimmed of "/" and "\" at both ends
    std::string destinationFolder;  // may hold property references
    std::string backupRoot;         // registry key of the bookkeeping
    std::string backupSuffix = "$bs";
    int sequence = 0;  // numbers the File entries of a package
    bool overwrite = false;
    // The run's product key; with the backup root and the package's Name (reserved text 0)
    // it names the bookkeeping key. Set by the package before the element runs.
    std::string productKey;

  private:
    struct Places;
    struct Lists {
        std::vector<std::string> files;    // names relative to the destination folder
        std::vector<std::string> folders;  // full paths of the folders this entry created
    };

    bool BuildList(RunServices& run, int listDirection, const Places& places, Lists* lists);
    bool ListSource(RunServices& run, const Places& places, Lists* lists);
    bool ReadRecord(RunServices& run, Lists* lists, long* errorCode);
    std::string StepForward(RunServices& run, const Places& places, const std::string& name,
                            bool ours, Lists* created, long* errorCode);
    std::string StepBackward(RunServices& run, const Places& places, const std::string& name,
                             long* errorCode);
    void RemoveCreatedFolders(RunServices& run, const Places& places, const Lists& lists);
    bool WriteRecord(RunServices& run, const Lists& earlier, const Lists& done);
    bool RemoveRecord(RunServices& run);
    std::string RecordKey();
    std::string FilesValueName() const;
};
