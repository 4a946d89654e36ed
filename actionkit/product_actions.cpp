#include <cstdio>
#include <string>
#include <vector>

#include "actions.h"
#include "product_lookup.h"
#include "version_text.h"

// "1" when the actual version is at least the required one. A version that is missing is
// logged and answers "0": an unknown version never passes for a sufficient one.
unsigned CmpProductVersionStringsAction(ActionContext& context) {
    const std::string actual = context.Get("ACTUALVERSION");
    const std::string required = context.Get("RequiredVersion");
    if (actual.empty())
        context.log(".Error: CmpProductVersionStrings: ActualVersion not found");
    if (required.empty())
        context.log(".Error: CmpProductVersionStrings: RequiredVersion not found");
    const bool met =
        !actual.empty() && !required.empty() && CompareFourFields(actual, required) >= 0;
    context.Set("RequiredProductCodeVersion", Flag(met));
    return kActionSuccess;
}

unsigned GetShortVersionAction(ActionContext& context) {
    context.Set("ShortVersion3Digit", ShortVersion(context.Get("LongVersion4Digit")));
    return kActionSuccess;
}

// "GetProductCode" may name one product or, as in the dispatcher's procedure, a
// comma-separated list in which "u{...}" stands for the products of an upgrade code.
unsigned GetProductVersionAction(ActionContext& context) {
    const std::string codes = context.Get("GetProductCode");
    context.Set("RetProductVersion", HighestInstalledVersion(context.machine.Installer(), codes));
    return kActionSuccess;
}

// "RequiredProductCodeVersion" means here what it means after CmpProductVersionStrings:
// "1" when the installed version is at least the required one, "0" otherwise or when the
// product is not installed.
unsigned CheckProductVersionAction(ActionContext& context) {
    const std::string codes = context.Get("GetProductCode");
    const std::string required = context.Get("RequiredVersion");
    const std::string installed = HighestInstalledVersion(context.machine.Installer(), codes);
    context.log(".Info: CheckProductVersion> Installed '%s', required '%s'", installed.c_str(),
                required.c_str());
    const bool met = !installed.empty() && CompareFourFields(installed, required) >= 0;
    context.Set("RequiredProductCodeVersion", Flag(met));
    return kActionSuccess;
}

// The last related product found, as the installer enumerates them.
unsigned FindProductCodeAction(ActionContext& context) {
    const auto products =
        RelatedProductCodes(context.machine.Installer(), context.Get("ProductUpgradeCode"));
    context.Set("ProductCodeFound", products.empty() ? std::string() : products.back());
    return kActionSuccess;
}

unsigned DetectOldProductsAction(ActionContext& context) {
    const auto products =
        RelatedProductCodes(context.machine.Installer(), context.Get("ProductUpgradeCode"));
    context.Set("OLDAPPGUID", products.empty() ? std::string() : products.back());
    char count[16];
    std::snprintf(count, sizeof(count), "%d", static_cast<int>(products.size()));
    context.Set("OLDAPPCOUNTER", count);
    return kActionSuccess;
}

unsigned GetFileVersionAction(ActionContext& context) {
    const std::string path = context.Get("FILEPATH");
    context.Set("FVERSION", path.empty() ? std::string() : context.machine.FileVersion(path));
    return kActionSuccess;
}
