// The reference counts of shared products in the run: temporary references while the run
// is in progress, orphans, the phrases of a package's reason, the uninstall of a shared
// package that other products still need, and the update after each package.
//
// What holds at the end of every package step: a product key exists exactly while at least
// one installed product references it. A product references a package when it depends on
// it; the MAIN package references itself, so that its own key says whether the product is
// installed (and a reference by a product without a key of its own is an orphan).

#include "installer.h"

#include "log_file.h"
#include "package_state.h"
#include "product_info.h"
#include "property_store.h"
#include "run_services.h"
#include "system_error.h"
#include "text_util.h"
#include "version_compare.h"

namespace {

enum class ReferenceChange { kKeep, kAdd, kRemove };

// The package's product is there as the chain wants it: at the wanted version, matching its
// pattern or range, at a newer version (which serves the product as well), or installed
// when no version is asked for.
bool PresentAsWanted(const FPackage& package) {
    switch (package.LastComparison()) {
        case kSameInstalled:
        case kPatternMatched:
        case kInRange:
        case kNewerInstalled:
            return true;
        case kNoRequirement:
            return package.Product().installed;
        default:
            return false;
    }
}

bool IsProductCode(const std::string& text) {
    return text.size() == ProductInfo::kCodeSize - 1 && text.front() == '{' && text.back() == '}';
}

}  // namespace

// References are named after the referencing product's own key, which is the MAIN
// package's Name, followed by its wanted version when the product is multiversion. With
// the Name alone, two versions of one product installed side by side would share one
// reference, and the orphan check would look for a key that a multiversion product never
// has, and so remove the references of installed products.
std::string Installer::ReferenceName() const {
    return main_->RefCountKeyName();
}

// A package is kept for the run when it is required, or when it belongs to a feature of
// the MAIN product that this run selects. Its temporary reference says that this run is
// about to install it.
void Installer::SetTemporaryReferences() {
    if (!mainInstance_ || action_ == 2)
        return;
    std::string names;
    for (FBase* element : elements_) {
        const FPackage* package = dynamic_cast<const FPackage*>(element);
        if (!package)
            continue;
        const bool kept = package->required || (!package->feature.empty() && !package->IsMain() &&
                                                FeatureSelected(*package));
        if (!kept)
            continue;
        temporaryReferences_.AddRefCount(package->RefCountKeyName(), ReferenceName(),
                                         package->Product().productCode);
        names += (names.empty() ? "" : ", ") + package->name;
    }
    if (!names.empty())
        log_.Line("    Set temporary (install) refcount for: %s", names.c_str());
}

// Only a successful run removes its temporary references: after a failure they show what
// the run had set out to install.
void Installer::RemoveTemporaryReference(const FPackage& package) {
    if (mainInstance_ && success_)
        temporaryReferences_.RemoveRefCount(package.RefCountKeyName(), ReferenceName());
}

// The current product's own references are kept even before its MAIN key exists: this run
// is installing it.
void Installer::RemoveOrphanReferences(const FPackage& package) {
    std::string removed;
    if (references_.RemoveOrphans(package.RefCountKeyName(), {kUnknownReference, ReferenceName()},
                                  &removed))
        log_.Line("    Ref count : REMOVE ORPHAN REF COUNTS (FOR NOT INSTALLED PRODUCTS) -> %s ",
                  removed.c_str());
}

// A package that detection gives no product code (for example one without a product id)
// can still be uninstalled or repaired by the code this product stored with its reference.
// Returns whether the product id changed (the caller compares again).
//
// The stored code only fills a missing one: a code that detection found is what is on the
// machine now, while a stored one may name a product that has been replaced since.
bool Installer::TakeProductCodeFromReferences(FPackage& package) {
    if (action_ == 0 || package.Product().productCode[0])
        return false;
    const std::string code = RefCountProductCode(package);
    if (code.empty())
        return false;
    log_.Line("No product code detected for '%s' package! Adding code from ref count '%s'",
              package.name.c_str(), code.c_str());
    package.version.productId = "p" + code;
    return true;
}

// With an upgrade code, the first installed related product of the wanted version; else the
// code stored with the current product's reference. Anything that is not a product code is
// not taken.
std::string Installer::RefCountProductCode(const FPackage& package) {
    const std::string& id = package.version.productId;
    if (id.size() > 1 && (id[0] == 'u' || id[0] == 'U')) {
        const std::string upgradeCode = id.substr(1);
        std::string productCode;
        for (unsigned long index = 0;; ++index) {
            const long result =
                run_.detection.RelatedProduct(upgradeCode.c_str(), index, &productCode);
            if (result == kInstallerNoMoreItems)
                break;
            if (result != kInstallerSuccess) {
                log_.Error("GetRefCountProductCode(...) returned error '%d': %s",
                           static_cast<int>(result), SystemErrorText(result).c_str());
                return "";
            }
            std::string version;
            if (run_.detection.ProductProperty(productCode.c_str(), "VersionString", &version) !=
                kInstallerSuccess) {
                log_.Warning("Cannot read product details for 'p%s'", productCode.c_str());
                continue;
            }
            if (CompareVersions(version.c_str(), package.version.versionText.c_str(),
                                kVersionCompareSecond) == 0)
                return productCode;
        }
        log_.Line("No installed versions detected for product 'u%s'", upgradeCode.c_str());
        return "";
    }
    std::string data;
    references_.ReadReference(package.RefCountKeyName(), ReferenceName(), &data);
    data = Trim(data, " \t");
    return IsProductCode(data) ? data : "";
}

// The phrases of the reference counts in the package's reason, and the uninstall skips they
// decide (progress state "skipped"; a package already processed keeps the state it has).
//
// A repair executes every package it selects already; a temporary reference left by an
// earlier run is reported, and turns no package that this run skips into one that runs (that
// would install an optional package whose feature this run did not choose).
void Installer::AddRefCountPhrases(const FPackage& package, PackageDecision& decision,
                                   bool runnable) {
    const auto skip = [this, &package, &decision, runnable]() {
        decision.state = 2;
        if (runnable)
            SetStatus(package.name, PS_Skipped);
    };
    if (action_ == 1 && !package.permanent) {
        decision.reason += "not permanent, ";
    } else if (action_ == 1) {
        decision.reason += "permanent, ";
        if (!ListedInPackages(package.name))
            skip();
    }
    const bool executes = runnable && decision.state == 1;
    if (action_ == 0 && executes)
        decision.reason += package.vital ? "vital, " : "non vital, ";
    if (!package.refCounted || !executes)
        return;
    const std::string key = package.RefCountKeyName();
    const int count = references_.GetRefCount(key);
    const bool own = references_.HasReference(key, ReferenceName());
    decision.reason += FormatText("ref.count %d%s, ", count,
                                  count != 0 && !own ? " (but not by this package)" : "");
    if (temporaryReferences_.HasReference(key, ReferenceName()))
        decision.reason += "temp ref. count, ";
    // A permanent package still executing here is named in "Packages"; like any other, it is
    // left in place while another product still references it.
    if (action_ == 1 && (count > 1 || (count == 1 && !own)))
        skip();
}

namespace {

// What the package step means for the current product's reference, from the package's
// progress state and what detection says after the step.
//
// Install and repair: a package that completed is referenced. One that was skipped because
// it is already there as wanted is referenced as well: the product depends on it all the
// same, and without its reference another product's uninstall would remove it from under
// this one. A failed package adds nothing. The MAIN package's own reference follows whether
// the product is installed afterwards.
//
// Uninstall: the reference goes, also when the package stays because other products still
// need it. A package whose uninstall failed keeps it: the package is still there, and when
// the product is gone all the same the reference becomes an orphan that a later run removes.
ReferenceChange DecideReferenceChange(const FPackage& package, int action, int state) {
    if (action == 1)
        return state == PS_Failed || state == PS_Canceled ? ReferenceChange::kKeep
                                                          : ReferenceChange::kRemove;
    if (package.IsMain()) {
        if (package.LastComparison() == kNotInstalled)
            return ReferenceChange::kRemove;
        return PresentAsWanted(package) && package.LastComparison() != kNewerInstalled
                   ? ReferenceChange::kAdd
                   : ReferenceChange::kKeep;
    }
    if (state == PS_Completed || (state != PS_Failed && PresentAsWanted(package)))
        return ReferenceChange::kAdd;
    return ReferenceChange::kKeep;
}

}  // namespace

// After a package step that was selected and not already processed. A repair adds back a
// reference that has gone missing by the same rule as an install.
void Installer::UpdateReferences(const FPackage& package) {
    if (!package.refCounted)
        return;
    const std::string key = package.RefCountKeyName();
    const int before = references_.GetRefCount(key);
    switch (DecideReferenceChange(package, action_, Status(package.name))) {
        case ReferenceChange::kAdd:
            references_.AddRefCount(key, ReferenceName(), package.Product().productCode);
            break;
        case ReferenceChange::kRemove:
            references_.RemoveRefCount(key, ReferenceName());
            break;
        case ReferenceChange::kKeep:
            break;
    }
    const int after = references_.GetRefCount(key);
    log_.Line("    Ref.count : %d -> %d [%s]\n", before, after,
              references_.GetRefCountList(key).c_str());
    NoteReleasedCache(package, before, after);
}
