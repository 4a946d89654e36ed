#pragma once
// The package integrity check: "crc32.txt" in the current folder (setup's folder, where the
// run driver runs) lists the files shipped with setup and their CRC-32 checksums, one
// "file|checksum" line each; every listed file is checksummed and compared. The run
// (installer_walk.cpp) decides when the check runs and what its result does.
//
// The check reaches the machine through the run's services only: the files through
// run.files, the time of its log entries through run.clock, the window messages of the
// thread through run.pump, the log through run.log.

#include <cstddef>
#include <string>

struct RunServices;

inline constexpr char kChecksumListName[] = "crc32.txt";
// The files are read in blocks of this size; the waiting window messages are dispatched
// before the first block and after each one.
inline constexpr std::size_t kChecksumBlockSize = 64 * 1024;

// The "%x" text of the CRC-32 of the file at path (a relative path is relative to the
// current folder); an empty text when it cannot be read, logged as the error
// "Unable to open file %s ".
std::string FileChecksum(const std::string& path, RunServices& run);

// -1 when there is no "crc32.txt" (logged, nothing checked); 1 when every listed file
// matched its checksum; 0 when at least one did not (each logged as an error; a failure
// does not stop the check of the others).
int VerifyPackageIntegrity(RunServices& run);

// Whether a listed checksum names the value of a computed one: both are read as numbers, so
// that leading zeros and the case of the digits do not matter. A listed text that is not a
// hexadecimal number of 32 bits, or an empty computed text (the file could not be read),
// never matches.
bool SameChecksum(const std::string& computed, const std::string& listed);
