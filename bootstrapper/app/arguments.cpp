#include "arguments.h"

#include <cctype>

#include "log_file.h"
#include "plain_regex.h"
#include "text_util.h"

namespace {

struct CategoryInfo {
    const char* name;
    int displayPosition;
    const char* pattern;
    const char* syntax;
    const char* help;
};

// Indexed by ArgumentCategory (match order).
const CategoryInfo kCategories[kArgCategoryCount] = {
    {"MSI Features", 3, "^\\s*?[fF]\\.(.+?)\\=([yY][eE][sS]|[nN][oO])\\s*?$",
     "[F.Feature1=Yes|No [F.Feature2=Yes|No]]",
     "\nMSI Features:  \n  F.   F.Feature=Yes or F.Feature=No\n"},
    {"MSI Properties", 4, "^\\s*?[pP]\\.(.+?)\\=(.+?)\\s*?$", "[P.Prop1=Val1 [P.Prop2=Val2]]",
     "\nMSI Properties:\n  P.   P.Property=Value\n"},
    {"BS Properties", 5, "^\\s*?([_a-zA-Z0-9.]+?)=(.+?)\\s*?$", "[Property=Value]",
     "\nBS Properties:\n       Property=Value (INSTALLDIR=\"Path\", Config=CannedConfigTag)\n"},
    {"Switches", 2, "^\\s*-[sSqQnN]\\s*$|^\\s*-[pP][rR][eE]\\s*$|^\\s*-[pP][oO][sS][tT]\\s*$",
     "[-s|-q] [-n] [-pre|-post]",
     "\nSwitches:  \n -s    silent (progress bar only)\n -q    quiet (no GUI at all)\n -pre  only "
     "prerequisites\n -post only postrequisites\n -n    external controlled (by Corvane)\n       "
     "by default (no switch) performs a GUI installation\n"},
    {"Actions", 1, "^\\s*[iIxXrR]\\s*$", "[i|x|r]",
     "\nActions:   \n  i    install (default)\n  x    uninstall\n  r    repair\n"},
    {"Invalid", 6, ".*", "", ""},
};

const PlainRegex& Matcher(int category) {
    static const PlainRegex matchers[kArgCategoryCount] = {
        PlainRegex(kCategories[0].pattern), PlainRegex(kCategories[1].pattern),
        PlainRegex(kCategories[2].pattern), PlainRegex(kCategories[3].pattern),
        PlainRegex(kCategories[4].pattern), PlainRegex(kCategories[5].pattern)};
    return matchers[category];
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The first character after the leading blanks of a switch or action, and the ones after.
std::string Word(const std::string& argument) {
    return Trim(argument, " \t\r\n\f\v");
}

void ApplySwitch(const std::string& argument, RunRequest* request) {
    const std::string word = Word(argument);
    if (word.size() < 2)
        return;
    switch (Lower(word[1])) {
        case 'n':
            request->modeFlags |= 4;
            break;
        case 's':
            request->modeFlags |= 1;
            break;
        case 'q':
            request->modeFlags |= 2;
            break;
        case 'p':
            if (word.size() > 2 && Lower(word[2]) == 'r')
                request->partialRun = 1;
            if (word.size() > 2 && Lower(word[2]) == 'o')
                request->partialRun = 2;
            break;
        default:
            break;
    }
}

int ActionOf(const std::string& argument) {
    const std::string word = Word(argument);
    const char first = word.empty() ? 'i' : Lower(word[0]);
    if (first == 'x')
        return 1;
    if (first == 'r')
        return 2;
    return 0;
}

void LogInvalidArguments(const ArgumentLists& lists, bool manyActions, bool modeConfusion) {
    const bool unknown = !lists.List(kArgInvalid).empty();
    std::string text = "Invalid arguments(";
    if (manyActions)
        text += "more then 1 action, ";
    if (modeConfusion)
        text += "install mode confusion, ";
    if (unknown)
        text += "unknown parameters, ";
    text = TrimRight(text, " ,") + "): ";
    const auto appendAll = [&text](const std::vector<std::string>& list) {
        for (const std::string& argument : list) text += argument + " ";
    };
    if (manyActions)
        appendAll(lists.List(kArgActions));
    if (modeConfusion)
        appendAll(lists.List(kArgSwitches));
    if (unknown)
        appendAll(lists.List(kArgInvalid));
    Log().Error("%s", text.c_str());
}

}  // namespace

void ArgumentLists::Clear() {
    for (auto& list : lists_) list.clear();
}

void ArgumentLists::Classify(const std::vector<std::string>& arguments) {
    Clear();
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        for (int category = 0; category < kArgCategoryCount; ++category) {
            if (boost::regex_match(arguments[i], Matcher(category))) {
                lists_[category].push_back(arguments[i]);
                break;
            }
        }
    }
}

const char* ArgumentLists::CategoryName(ArgumentCategory category) {
    return kCategories[category].name;
}

std::string ArgumentLists::ArgumentReport() const {
    std::string report;
    for (int category = 0; category < kArgCategoryCount; ++category) {
        report += FormatText("    %-16s:  ", kCategories[category].name);
        for (const std::string& argument : lists_[category]) report += argument + "  ";
        report += "\n";
    }
    return report;
}

std::string ArgumentLists::UsageText(const std::string& programName) {
    std::string text = FormatText("USAGE:\n %s  ", programName.c_str());
    for (int position = 1; position <= kArgCategoryCount; ++position) {
        for (const CategoryInfo& info : kCategories) {
            if (info.displayPosition == position && *info.syntax)
                text += std::string(info.syntax) + "  ";
        }
    }
    text += "\n\n";
    for (int position = 1; position <= kArgCategoryCount; ++position) {
        for (const CategoryInfo& info : kCategories) {
            if (info.displayPosition == position)
                text += info.help;
        }
    }
    return text + "\n";
}

RunRequest InterpretArguments(const ArgumentLists& lists) {
    RunRequest request;
    for (const std::string& argument : lists.List(kArgSwitches)) ApplySwitch(argument, &request);
    const bool manyActions = lists.List(kArgActions).size() > 1;
    request.invalid = !lists.List(kArgInvalid).empty() || manyActions;
    if (!request.invalid) {
        for (const std::string& argument : lists.List(kArgActions))
            request.action = ActionOf(argument);
        return request;
    }
    LogInvalidArguments(lists, manyActions, (request.modeFlags & 3) == 3);
    request.modeFlags &= ~3u;
    return request;
}

bool SplitAssignment(const std::string& argument, std::string* name, std::string* value) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos)
        return false;
    *name = argument.substr(0, equals);
    *value = Trim(argument.substr(equals + 1), "\"");
    return true;
}
