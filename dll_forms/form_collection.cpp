#include "form_collection.h"

#include "log_file.h"
#include "text_util.h"
#include "xml_parser.h"

namespace {

// An include chain that comes back to a file already read would never end; a long one is
// a mistake as well.
const int kMaxIncludeDepth = 16;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Seen(const std::vector<std::string>& files, const std::string& path) {
    for (const std::string& file : files) {
        if (EqualsNoCase(file.c_str(), path.c_str()))
            return true;
    }
    return false;
}

}  // namespace

void FormCollection::ReadFile(const std::string& path, std::string* include) {
    XMLParser parser(path.c_str());
    include->clear();
    if (!parser.IsValid()) {
        problems_.push_back("The form file '" + path + "' cannot be read");
        return;
    }
    const XMLPosition root = parser.GetPosition();
    if (parser.Move(0)) {
        do {
            if (parser.NodeType() != 1 || !EqualsNoCase(parser.NodeName().c_str(), "Form"))
                continue;
            const XMLPosition element = parser.GetPosition();
            FormDefinition form;
            if (ReadFormDefinition(parser, &form, &problems_))
                forms_.push_back(form);
            parser.SetPosition(element);
        } while (parser.Move(2));
    }
    *include = parser.GetInclude(root).value_or("");
}

int FormCollection::Load(const std::string& path) {
    if (loaded_ && EqualsNoCase(path.c_str(), fileName_.c_str()))
        return static_cast<int>(forms_.size());
    forms_.clear();
    problems_.clear();
    const std::string folder = FolderOf(path);
    std::vector<std::string> read;
    std::string next = path;
    while (!next.empty() && forms_.empty()) {
        if (Seen(read, next) || static_cast<int>(read.size()) >= kMaxIncludeDepth) {
            problems_.push_back("The include chain of the form file '" + path +
                                "' goes round or is too long; '" + next + "' is not read");
            break;
        }
        read.push_back(next);
        std::string include;
        ReadFile(next, &include);
        next = include.empty() ? std::string() : folder + include;
    }
    for (const std::string& problem : problems_) Log().Error("%s", problem.c_str());
    fileName_ = path;
    loaded_ = true;
    return static_cast<int>(forms_.size());
}

const FormDefinition* FormCollection::Find(const std::string& id) const {
    for (const FormDefinition& form : forms_) {
        if (form.id == id)
            return &form;
    }
    return nullptr;
}
