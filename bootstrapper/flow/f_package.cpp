#include "f_package.h"

#include <cctype>
#include <cstdlib>

#include "log_file.h"

FPackage::FPackage() {
    tag_ = "PACKAGE";
    description_.clear();
}

int FPackage::Execute(int /*operation*/) {
    Log().Error("Package '%s' cannot run: the installation engine is not part of this build",
                name.c_str());
    return OnFailType();
}

int FPackage::RebootCodeValue() const {
    if (rebootCode.empty() || !std::isdigit(static_cast<unsigned char>(rebootCode[0]))) return 0;
    return std::atoi(rebootCode.c_str());
}

void FPackage::AddConfigurationError(const std::string& text) {
    if (!configurationErrors_.empty()) configurationErrors_ += "; ";
    configurationErrors_ += text;
}
