#pragma once
// The key operations of the registry layer: create, delete, delete when empty, check, and
// list sub-keys and values, each logging its failure with the registry layer's texts and
// returning the Windows error code (0 on success). A key that is missing is returned as 2
// (not found) and not logged, except by CheckRegKey, whose question it answers; the callers
// decide what a missing key means to them.

#include <string>
#include <vector>

#include "registry.h"

class LogFile;

// Windows error codes the registry layer returns itself.
const long kRegistryNotFound = 2;           // ERROR_FILE_NOT_FOUND
const long kRegistryInvalidData = 13;       // ERROR_INVALID_DATA
const long kRegistryNotSupported = 50;      // ERROR_NOT_SUPPORTED
const long kRegistryInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
const long kRegistryPathNotFound = 3;       // ERROR_PATH_NOT_FOUND
const long kRegistryKeyNotEmpty = 145;      // ERROR_DIR_NOT_EMPTY

// True for the codes that say that a key or a value is not there.
bool IsRegistryNotFound(long errorCode);

// Opens or creates the key with every key missing above it.
long CreateRegKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                  RegistryView view);
// Deletes the key with all its values and sub-keys. A root is refused.
long DeleteRegKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                  RegistryView view);
// Deletes the key only when it has neither values nor sub-keys; otherwise it logs the
// warning that the key is not empty and returns kRegistryKeyNotEmpty. A root is refused.
long DeleteRegEmptyKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                       RegistryView view);
// 0 when the key exists. A missing key writes the line "Key not found"; a key that cannot
// be opened otherwise the error "Error opening key".
long CheckRegKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                 RegistryView view);
long EnumerateRegKeys(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                      std::vector<std::string>* names, RegistryView view);
long EnumerateRegValues(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                        std::vector<RegistryValue>* values, RegistryView view);

// The key path of a path, without its final "\" ("HKEY_CURRENT_USER\Environment\PATH" gives
// "HKEY_CURRENT_USER\Environment"); false with the error logged when the path has no known
// root, or, when keyRequired is set, names a root alone.
bool RegistryKeyOf(LogFile& log, const std::string& path, bool keyRequired, std::string* keyPath);
