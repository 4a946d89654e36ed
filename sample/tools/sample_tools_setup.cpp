// The postrequisite of the sample chain: a plain executable installer. "/install" records
// the tools' version under HKLM\Software\TarvexSample\Tools, "/uninstall" removes it; any
// other argument is refused with exit code 87. It writes what it does to its standard
// output, which setup copies into its log.

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kKey[] = "Software\\TarvexSample\\Tools";
const char kVersion[] = "1.0.0";

int Install() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        std::printf("Sample Tools: cannot create the registry key\n");
        return 1603;
    }
    const LONG result = RegSetValueExA(key, "Version", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(kVersion), sizeof(kVersion));
    RegCloseKey(key);
    std::printf("Sample Tools %s installed\n", kVersion);
    return result == ERROR_SUCCESS ? 0 : 1603;
}

int Uninstall() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0);
    std::printf("Sample Tools removed\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "/install") == 0)
        return Install();
    if (argc == 2 && std::strcmp(argv[1], "/uninstall") == 0)
        return Uninstall();
    std::printf("usage: SampleTools.exe /install | /uninstall\n");
    return 87;
}
