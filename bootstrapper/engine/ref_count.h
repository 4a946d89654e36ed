#pragma once
// RefCount: the reference counts of shared products, kept in the registry. A store is one
// root key; under it each shared product has a key, and each product that references it
// has one text value there, named after the referencing product and holding the shared
// product's product code where it is known. The number of values is the product's
// reference count; a missing key counts 0.
//
// The run keeps two stores of the same shape: the permanent one, and a temporary one that
// holds the references of a run in progress (they stay there when the run fails).
//
// Registry errors are written to the log with the operation's context and never stop the
// caller: a key that cannot be read counts 0 and lists nothing.

#include <string>
#include <vector>

class LogFile;
class RegistryAccess;
struct RegistryValue;

// The two stores, as full registry paths under HKEY_LOCAL_MACHINE.
std::string PermanentRefCountRoot();
std::string TemporaryRefCountRoot();

// The name of references whose origin is not known; never removed as an orphan.
inline constexpr char kUnknownReference[] = "UNKNOWN";

class RefCount {
  public:
    RefCount(std::string rootPath, RegistryAccess& registry, LogFile& log);

    // Sets the reference, creating the product key when it is missing.
    bool AddRefCount(const std::string& product, const std::string& reference,
                     const std::string& data);
    // Removes the reference and, when it was the last one, the product key. Returns the
    // references left (0 when the key is missing), -1 when the key could not be read.
    int RemoveRefCount(const std::string& product, const std::string& reference);
    int GetRefCount(const std::string& product);
    bool HasReference(const std::string& product, const std::string& reference);
    // The data of a reference; false when there is no such reference.
    bool ReadReference(const std::string& product, const std::string& reference, std::string* data);
    // Whether the product key exists. A key that cannot be checked for another reason than
    // its absence counts as existing, so that nobody removes what nobody could verify.
    bool Exists(const std::string& product);
    // The names of the references, joined with ", ".
    std::string GetRefCountList(const std::string& product);
    // Removes the references of products that have no key of their own in this store (they
    // are no longer installed), except those named in kept (compared without regard to
    // case). Returns whether one was removed; removed gets their names joined with ", ".
    bool RemoveOrphans(const std::string& product, const std::vector<std::string>& kept,
                       std::string* removed);

  private:
    std::string KeyPath(const std::string& product) const;
    // The references of a product; false when the key is missing or unreadable (logged with
    // context unless missing).
    bool References(const std::string& product, std::vector<RegistryValue>* values,
                    const char* context);
    void LogError(long code, const char* context);

    std::string root_;
    RegistryAccess& registry_;
    LogFile& log_;
};
