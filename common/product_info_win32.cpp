// The system's answers to product detection: Windows Installer client calls, the registry
// and version resources.

#include <windows.h>

#include "registry_key_win32.h"

#include <msi.h>
#include <msiquery.h>

#include "log_file.h"
#include "product_info.h"
#include "system_info.h"

namespace {

const LPCSTR kOpenReadOnly = nullptr;  // MSIDBOPEN_READONLY, spelled for the -A call
const UINT kRevisionNumber = 9;        // PID_REVNUMBER: the package code

// Runs a Windows Installer text query, with a larger buffer when the first one is too small.
// query(buffer, &size) takes the buffer size in characters and returns the length copied.
template <typename Query>
UINT ReadText(Query query, std::string* value) {
    DWORD size = 128;
    std::string buffer(size, '\0');
    UINT result = query(&buffer[0], &size);
    if (result == ERROR_MORE_DATA) {
        buffer.assign(++size, '\0');  // the size answered leaves out the terminator
        result = query(&buffer[0], &size);
    }
    if (result == ERROR_SUCCESS)
        value->assign(buffer.c_str());
    return result;
}

class SystemPackage : public InstallerPackage {
  public:
    SystemPackage() = default;
    // PMSIHANDLE copies as a plain value: a copy of the package would close the database twice.
    SystemPackage(const SystemPackage&) = delete;
    SystemPackage& operator=(const SystemPackage&) = delete;

    long Open(const char* path) { return MsiOpenDatabaseA(path, kOpenReadOnly, &database_); }

    long Property(const char* name, std::string* value) override {
        const std::string query =
            FormatText("SELECT `Value` FROM `Property` WHERE `Property`.`Property`='%s'", name);
        PMSIHANDLE view;
        PMSIHANDLE record;
        UINT result = MsiDatabaseOpenViewA(database_, query.c_str(), &view);
        if (result == ERROR_SUCCESS)
            result = MsiViewExecute(view, 0);
        if (result == ERROR_SUCCESS)
            result = MsiViewFetch(view, &record);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_UNKNOWN_PROPERTY;  // the package does not set it
        if (result != ERROR_SUCCESS)
            return result;
        return ReadText(
            [&](char* buffer, DWORD* size) { return MsiRecordGetStringA(record, 1, buffer, size); },
            value);
    }

    long RevisionNumber(std::string* value) override {
        PMSIHANDLE summary;
        const UINT result = MsiGetSummaryInformationA(database_, nullptr, 0, &summary);
        if (result != ERROR_SUCCESS)
            return result;
        return ReadText(
            [&](char* buffer, DWORD* size) {
                UINT type = 0;
                INT number = 0;
                FILETIME time{};
                return MsiSummaryInfoGetPropertyA(summary, kRevisionNumber, &type, &number, &time,
                                                  buffer, size);
            },
            value);
    }

  private:
    PMSIHANDLE database_;
};

class SystemQueries : public InstallerQueries {
  public:
    long RelatedProduct(const char* upgradeCode, unsigned long index,
                        std::string* productCode) override {
        char code[ProductInfo::kCodeSize] = {};
        const UINT result = MsiEnumRelatedProductsA(upgradeCode, 0, index, code);
        if (result == ERROR_SUCCESS)
            *productCode = code;
        return result;
    }

    long InstalledProduct(unsigned long index, std::string* productCode) override {
        char code[ProductInfo::kCodeSize] = {};
        const UINT result = MsiEnumProductsA(index, code);
        if (result == ERROR_SUCCESS)
            *productCode = code;
        return result;
    }

    long ProductProperty(const char* productCode, const char* property,
                         std::string* value) override {
        return ReadText(
            [&](char* buffer, DWORD* size) {
                return MsiGetProductInfoA(productCode, property, buffer, size);
            },
            value);
    }

    std::unique_ptr<InstallerPackage> OpenPackage(const char* path, long* error) override {
        auto package = std::make_unique<SystemPackage>();
        *error = package->Open(path);
        if (*error != ERROR_SUCCESS)
            return nullptr;
        return package;
    }

    bool ReadRegistry(const std::string& path, RegistryView view, std::string* value,
                      long* error) override {
        return ReadRegistryValue(path, value, view, error);
    }

    long ListMachineSubkeys(const char* key, RegistryView view,
                            std::vector<std::string>* names) override {
        KeyHandle handle;
        LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0,
                                    KEY_ENUMERATE_SUB_KEYS | ViewFlag(view), handle.Out());
        char name[256];  // key names have at most 255 characters
        for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
            DWORD size = sizeof(name);
            result =
                RegEnumKeyExA(handle.Get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_SUCCESS)
                names->push_back(name);
        }
        return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
    }

    std::string FileVersion(const char* path) override { return GetVersion(path, "FileVersion"); }
    std::string FileProductName(const char* path) override {
        return GetVersion(path, "ProductName");
    }
};

}  // namespace

InstallerQueries& SystemInstallerQueries() {
    static SystemQueries queries;
    return queries;
}
