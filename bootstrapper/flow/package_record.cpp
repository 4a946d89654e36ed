#include "package_record.h"

#include <cctype>
#include <cstdlib>

int PackageRecord::RebootCodeValue() const {
    if (rebootCode.empty() || !std::isdigit(static_cast<unsigned char>(rebootCode[0])))
        return 0;
    return std::atoi(rebootCode.c_str());
}

std::string PackageRecord::RefCountKeyName() const {
    return version.multiversion ? name + version.versionText : name;
}

const std::optional<std::string>& PackageRecord::CommandLineTemplate(int action, int mode) const {
    static const std::optional<std::string> none;
    const CommandLines* lines = action == 0   ? &install
                                : action == 1 ? &uninstall
                                : action == 2 ? &repair
                                              : nullptr;
    if (!lines)
        return none;
    switch (mode) {
        case 0:
            return lines->normal;
        case 1:
            return lines->silent;
        case 2:
            return lines->quiet;
        default:
            return none;
    }
}
