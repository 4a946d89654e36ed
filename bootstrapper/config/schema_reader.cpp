#include "schema_reader.h"

#include "f_execute.h"
#include "f_machine.h"
#include "log_file.h"
#include "registry.h"
#include "relation.h"
#include "setup_folder.h"
#include "str_util.h"
#include "text_util.h"
#include "version_compare.h"

namespace {

const char kStandardType[] = "STD";

std::optional<std::string> Attr(XMLParser& document, const char* name) {
    return document.GetAttribute(nullptr, name, 4);
}

std::string Text(XMLParser& document, const char* name) {
    return Attr(document, name).value_or("");
}

void GivenText(XMLParser& document, const char* name, std::string* field) {
    if (auto value = Attr(document, name))
        *field = *value;
}

void NonEmptyText(XMLParser& document, const char* name, std::string* field) {
    const std::string value = Text(document, name);
    if (!value.empty())
        *field = value;
}

void YesFlag(XMLParser& document, const char* name, bool* flag) {
    const std::string value = Text(document, name);
    if (!value.empty())
        *flag = EqualsNoCase(value.c_str(), "Yes");
}

void NotNoFlag(XMLParser& document, const char* name, bool* flag) {
    const std::string value = Text(document, name);
    if (!value.empty())
        *flag = !EqualsNoCase(value.c_str(), "No");
}

void CodeList(XMLParser& document, const char* name, std::set<int>* codes) {
    const std::string value = Text(document, name);
    for (const std::string& token : SplitTokens(value.c_str(), ',', 0)) {
        int code = 0;
        if (ParseInt(Trim(token, " \t").c_str(), &code))
            codes->insert(code);
    }
}

// Visits the child elements of the current element named name (exact case); the cursor
// is back on the current element afterwards.
template <typename Visitor>
void ForEachNamedChild(XMLParser& document, const char* name, Visitor visit) {
    const XMLPosition parent = document.GetPosition();
    if (document.FindChild(name)) {
        do {
            const XMLPosition element = document.GetPosition();
            visit(document);
            document.SetPosition(element);
        } while (document.FindNextSibling(name));
    }
    document.SetPosition(parent);
}

// The first child of that name, read by visit; nothing when there is none.
template <typename Visitor>
void WithChild(XMLParser& document, const char* name, Visitor visit) {
    const XMLPosition parent = document.GetPosition();
    if (document.FindChild(name))
        visit(document);
    document.SetPosition(parent);
}

void ReadCommonAttributes(XMLParser& document, FBase* element) {
    if (auto onFail = Attr(document, "OnFail"))
        element->ParseOnFail(*onFail, Log());
    const std::string condition = Text(document, "Condition");
    if (!condition.empty())
        element->SetExplicitCondition(condition);
}

std::unique_ptr<FExecute> BuildEntry(XMLParser& document, const char* attribute) {
    const std::string text = Text(document, attribute);
    if (text.empty())
        return nullptr;
    auto entry = std::make_unique<FExecute>();
    ReadCommonAttributes(document, entry.get());
    entry->SetImplicitCondition(
        ImplicitConditionText(Text(document, "InstallAction"), Text(document, "InstallMode")));
    return entry;
}

void BoundedText(XMLParser& document, const char* name, std::size_t size, std::string* field) {
    const std::string value = Text(document, name);
    if (value.empty())
        return;
    std::string buffer(size, '\0');
    if (StrNCopy(&buffer[0], value.c_str(), size) > 0)
        *field = buffer.c_str();
}

ConditionRecord ReadConditionRecord(XMLParser& document, int kind) {
    ConditionRecord record;
    record.kind = kind;
    record.condition = Text(document, "Expr");
    record.message = Text(document, "Message");
    const std::string actions = Text(document, "InstallAction");
    const std::string modes = Text(document, "InstallMode");
    const std::string actionFilter = actions.empty() ? "" : FilterText(actions, "[Action]");
    const std::string modeFilter = modes.empty() ? "" : FilterText(modes, "[Mode]");
    if (!actionFilter.empty() && !modeFilter.empty())
        record.precondition = "(" + actionFilter + ") AND (" + modeFilter + ")";
    else
        record.precondition = actionFilter + modeFilter;
    return record;
}

void ReadCommandLines(XMLParser& document, const char* child, CommandLines* lines) {
    WithChild(document, child, [lines](XMLParser& element) {
        if (auto text = Attr(element, "CmdLine"))
            lines->normal = *text;
        if (auto text = Attr(element, "CmdLineSilent"))
            lines->silent = *text;
        if (auto text = Attr(element, "CmdLineQuiet"))
            lines->quiet = *text;
    });
}

std::unique_ptr<FFile> BuildFile(XMLParser& document, int sequence) {
    auto file = std::make_unique<FFile>();
    file->mask = Text(document, "Name");
    const auto source = Attr(document, "Source");
    file->sourceFolder = TrimFolderSlashes(source ? *source : SetupFolder());
    file->destinationFolder = TrimFolderSlashes(Text(document, "Location"));
    YesFlag(document, "Overwrite", &file->overwrite);
    if (auto onFail = Attr(document, "OnFail"))
        file->ParseOnFail(*onFail, Log());
    file->backupRoot = FormatText("%s\\%s", "HKEY_LOCAL_MACHINE",
                                  "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo"
                                  "\\Bootstrapper\\Backup");
    file->sequence = sequence;
    return file;
}

std::unique_ptr<FBase> BuildMachineElement(XMLParser& document, bool registry) {
    std::unique_ptr<FBase> built;
    if (registry) {
        auto element = std::make_unique<FRegistry>();
        element->entry = Text(document, "Name");
        element->value = Text(document, "Value");
        GivenText(document, "Type", &element->type);
        GivenText(document, "Separator", &element->separator);
        built = std::move(element);
    } else {
        auto element = std::make_unique<FEnvVar>();
        element->name = Text(document, "Name");
        element->value = Text(document, "Value");
        GivenText(document, "Type", &element->type);
        GivenText(document, "Separator", &element->separator);
        built = std::move(element);
    }
    ReadCommonAttributes(document, built.get());
    return built;
}

}  // namespace

std::unique_ptr<FExecute> BuildDllCallEntry(XMLParser& document) {
    auto entry = BuildEntry(document, "DllCall");
    if (!entry)
        return nullptr;
    auto call = std::make_unique<FDllCall>(Text(document, "DllCall"));
    call->CopyOnFail(*entry);
    entry->SetDllCall(std::move(call));
    return entry;
}

std::unique_ptr<FExecute> BuildPropertyEntry(XMLParser& document) {
    auto entry = BuildEntry(document, "SetProperty");
    if (!entry)
        return nullptr;
    auto property = std::make_unique<FProperty>(Text(document, "SetProperty"));
    property->CopyOnFail(*entry);
    entry->SetProperty(std::move(property));
    const auto exprEval = Attr(document, "ExprEval");
    entry->SetExprEval(!(exprEval && EqualsNoCase(exprEval->c_str(), "no")));
    return entry;
}

bool FitsSystem(const OsRequirement& requirement, const MachineFacts& machine) {
    if (!requirement.type.empty()) {
        const int platform = EqualsNoCase(requirement.type.c_str(), "WinNT")   ? 2
                             : EqualsNoCase(requirement.type.c_str(), "Win9x") ? 1
                                                                               : -1;
        if (platform != machine.platform)
            return false;
    }
    if (!requirement.architecture.empty() &&
        !EqualsNoCase(requirement.architecture.c_str(), machine.osArchitecture.c_str()))
        return false;
    if (requirement.version.empty())
        return true;
    const std::string& op = requirement.versionOperator;
    if (op.empty())
        return VersionInList(machine.osVersion.c_str(), requirement.version.c_str());
    const Relation relation = ParseRelation(op.c_str(), true);
    if (relation == Relation::kNone) {
        Log().Warning("Unknown operating-system version operator '%s'", op.c_str());
        return false;
    }
    // The operator compares the system version with the given one on as many parts as the
    // shorter of the two has.
    return RelationHolds(relation,
                         CompareVersions(machine.osVersion.c_str(), requirement.version.c_str(),
                                         kVersionCompareShorter));
}

void SchemaReader::ReadContents(XMLParser& document, const FlowList* standardList,
                                FlowList* list) const {
    const XMLPosition contents = document.GetPosition();
    if (!document.Move(0))
        return;
    do {
        if (document.NodeType() != 1)
            continue;
        const XMLPosition child = document.GetPosition();
        if (auto element = BuildElement(document, standardList))
            list->Add(std::move(element));
        document.SetPosition(child);
    } while (document.Move(2));
    document.SetPosition(contents);
}

std::unique_ptr<FBase> SchemaReader::BuildElement(XMLParser& document,
                                                  const FlowList* standardList) const {
    const std::string name = document.NodeName();
    if (EqualsNoCase(name.c_str(), "Package"))
        return BuildPackage(document, standardList);
    if (EqualsNoCase(name.c_str(), "Execute")) {
        if (auto call = BuildDllCallEntry(document))
            return call;
        return BuildPropertyEntry(document);
    }
    if (EqualsNoCase(name.c_str(), "EnvironmentVar"))
        return BuildMachineElement(document, false);
    if (EqualsNoCase(name.c_str(), "Registry"))
        return BuildMachineElement(document, true);
    return nullptr;
}

// A config.xml package of type "STD" may be completed from a standard package of any
// type, which it must name by its tag; the standard package's own type is kept.
const FPackage* SchemaReader::FindStandard(const FlowList& standardList, const std::string& tag,
                                           const std::string& type, bool* basedOnStandard) const {
    const bool anyType = EqualsNoCase(type.c_str(), kStandardType);
    for (const auto& element : standardList) {
        const auto* candidate = dynamic_cast<const FPackage*>(element.get());
        if (!candidate)
            continue;
        if (!anyType && !EqualsNoCase(candidate->type.c_str(), type.c_str()))
            continue;
        *basedOnStandard = true;
        const bool named = EqualsNoCase(candidate->tag.c_str(), tag.c_str());
        const bool generic =
            !anyType && EqualsNoCase(candidate->tag.c_str(), candidate->type.c_str());
        if ((named || generic) && FitsSystem(candidate->os, machine_))
            return candidate;
    }
    return nullptr;
}

std::unique_ptr<FPackage> SchemaReader::BuildPackage(XMLParser& document,
                                                     const FlowList* standardList) const {
    auto package = std::make_unique<FPackage>();
    const std::string tag = Text(document, "Tag");
    const std::string type = Text(document, "Type");
    if (standardList) {
        bool based = false;
        const FPackage* standard = FindStandard(*standardList, tag, type, &based);
        if (standard)
            *package = *standard;
        package->basedOnStandard = based || standard;
        if (!standard && EqualsNoCase(type.c_str(), kStandardType))
            package->AddConfigurationError(FormatText(
                "Package '%s' not found in standard packages (standard.xml)", tag.c_str()));
    }
    GivenText(document, "Tag", &package->tag);
    if (!EqualsNoCase(type.c_str(), kStandardType) || package->type.empty())
        GivenText(document, "Type", &package->type);
    GivenText(document, "Name", &package->name);
    GivenText(document, "FileName", &package->fileName);
    GivenText(document, "ArchiveName", &package->archiveName);
    GivenText(document, "Feature", &package->feature);
    GivenText(document, "RebootCode", &package->rebootCode);
    GivenText(document, "AppName", &package->appName);
    NotNoFlag(document, "Vital", &package->vital);
    NotNoFlag(document, "RefCount", &package->refCounted);
    YesFlag(document, "Required", &package->required);
    YesFlag(document, "Permanent", &package->permanent);
    YesFlag(document, "Silent", &package->silent);
    YesFlag(document, "DelayReboot", &package->delayReboot);
    YesFlag(document, "ShowProgress", &package->showProgress);
    YesFlag(document, "Multiversion", &package->version.multiversion);
    const std::string success = Text(document, "SuccessCodes");
    if (!success.empty() && success[0] == '*')
        package->allCodesSucceed = true;
    else
        CodeList(document, "SuccessCodes", &package->successCodes);
    CodeList(document, "ErrorCodes", &package->errorCodes);
    CodeList(document, "CancelCodes", &package->cancelCodes);
    ReadPackageChildren(document, package.get());
    return package;
}

void SchemaReader::ReadPackageChildren(XMLParser& document, FPackage* package) const {
    WithChild(document, "Cache", [package](XMLParser& e) {
        package->cached = true;
        NonEmptyText(e, "Location", &package->cacheLocation);
    });
    WithChild(document, "Dependencies", [package](XMLParser& e) {
        NonEmptyText(e, "OSType", &package->os.type);
        NonEmptyText(e, "OSVer", &package->os.version);
        NonEmptyText(e, "OSArch", &package->os.architecture);
        NonEmptyText(e, "OSOper", &package->os.versionOperator);
        NonEmptyText(e, "Packages", &package->os.packages);
    });
    WithChild(document, "Version", [package](XMLParser& e) {
        const std::string version = Trim(Text(e, "Version"), " \t");
        if (!version.empty())
            package->version.versionText = version;
        NonEmptyText(e, "Detect", &package->version.productId);
    });
    for (int kind : {0, 1}) {
        ForEachNamedChild(document, kind == 0 ? "InstallCondition" : "UninstallCondition",
                          [package, kind](XMLParser& e) {
                              if (!Text(e, "Expr").empty())
                                  package->conditions.push_back(ReadConditionRecord(e, kind));
                          });
    }
    WithChild(document, "ExtraParameters", [package](XMLParser& e) {
        BoundedText(e, "CollapseBy", 8, &package->collapseBy);
        BoundedText(e, "Default", 512, &package->extraParameters);
    });
    ForEachNamedChild(document, "Execute", [package](XMLParser& e) {
        if (auto call = BuildDllCallEntry(e))
            package->beforeInstaller.Add(std::move(call));
        if (auto property = BuildPropertyEntry(e))
            package->beforeInstaller.Add(std::move(property));
    });
    ReadCommandLines(document, "Install", &package->install);
    ReadCommandLines(document, "Uninstall", &package->uninstall);
    ReadCommandLines(document, "Repair", &package->repair);
    WithChild(document, "Properties", [package](XMLParser& e) {
        GivenText(e, "Input", &package->inputProperties);
        GivenText(e, "Output", &package->outputProperties);
    });
    int sequence = 0;
    ForEachNamedChild(document, "File", [package, &sequence](XMLParser& e) {
        package->aroundInstaller.Add(BuildFile(e, ++sequence));
    });
}
