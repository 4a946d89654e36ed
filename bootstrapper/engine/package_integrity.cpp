#include "package_integrity.h"

#include <cstdint>
#include <ctime>
#include <vector>

#include "clock.h"
#include "crc32.h"
#include "file_system.h"
#include "files.h"
#include "local_time.h"
#include "log_file.h"
#include "message_pump.h"
#include "run_services.h"
#include "str_util.h"
#include "text_util.h"

namespace {

// Both fields of a line are trimmed of blanks, and of tabs too: a list that worked before
// could end a checksum with any of them (see VerifyPackageIntegrity).
const char kBlanks[] = " \t";

std::tm LocalNow(RunServices& run) {
    return LocalTime(run.clock.Now());
}

}  // namespace

std::string FileChecksum(const std::string& path, RunServices& run) {
    Crc32 crc;
    // Waiting window messages are dispatched before the first block and after each one, so
    // that the progress dialog stays responsive however large the file is. There is no
    // pause when none is waiting: a fixed wait per file would only slow the check down.
    run.pump.DispatchPending();
    const bool read = run.files.ReadBlocks(path, kChecksumBlockSize,
                                           [&crc, &run](const char* data, std::size_t size) {
                                               crc.Update(data, size);
                                               run.pump.DispatchPending();
                                               return true;
                                           });
    if (!read) {
        run.log.Error("Unable to open file %s ", path.c_str());
        return std::string();
    }
    return Crc32Text(crc.Value());
}

bool SameChecksum(const std::string& computed, const std::string& listed) {
    std::uint32_t computedValue = 0;
    std::uint32_t listedValue = 0;
    return ParseCrc32Text(computed, &computedValue) && ParseCrc32Text(listed, &listedValue) &&
           computedValue == listedValue;
}

// The list is read whole and split at line feeds; lines without "|" and lines that do not
// split into exactly two fields are ignored. Lists are written by hand and by many tools:
// a trailing carriage return is dropped (CR-LF lists), both fields are trimmed of blanks and
// tabs, and checksums are compared as numbers (SameChecksum), so that upper case and the
// leading zeros most tools print still match. Older lists had to follow each checksum of an
// LF-only file with a blank; they match as well. A listed file that cannot be read never
// passes, not even against an empty checksum.
int VerifyPackageIntegrity(RunServices& run) {
    LogFile& log = run.log;
    const std::string listPath = Files::JoinPath(run.files.CurrentDirectory(), kChecksumListName);
    if (!run.files.FileExists(listPath)) {
        log.Info("%s does not exists! Skipping CRC32 check...", listPath.c_str());
        return -1;
    }
    std::string list;
    if (!ReadWholeFile(run.files, listPath, &list)) {
        // The list is there but cannot be read: nothing is verified, so the check fails.
        log.Error("Unable to open file %s ", listPath.c_str());
        return 0;
    }
    std::tm now = LocalNow(run);
    log.Info("[%02d:%02d:%02d] CRC32 verification started.", now.tm_hour, now.tm_min, now.tm_sec);
    bool failed = false;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (line.find('|') == std::string::npos)
            continue;
        if (line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> fields = SplitTokens(line.c_str(), '|', 0);
        if (fields.size() != 2)
            continue;
        const std::string file = Trim(fields[0], kBlanks);
        const std::string listed = Trim(fields[1], kBlanks);
        const std::string computed = FileChecksum(file, run);
        if (SameChecksum(computed, listed))
            continue;
        now = LocalNow(run);
        log.Error("[%02d:%02d:%02d] CRC32 checksum for %s is %s. Matching with %s failed",
                  now.tm_hour, now.tm_min, now.tm_sec, file.c_str(), computed.c_str(),
                  listed.c_str());
        failed = true;
    }
    now = LocalNow(run);
    log.Info("[%02d:%02d:%02d] CRC32 verification ended.", now.tm_hour, now.tm_min, now.tm_sec);
    return failed ? 0 : 1;
}
