// Parsing the options dialog's arguments and building its answer.

#include "options_model.h"

#include <atomic>

#include "str_util.h"
#include "text_util.h"

namespace {

std::atomic<bool> dialogActive{false};

std::string LineBreaks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool Fail(std::string* reason, const std::string& text) {
    *reason = text;
    return false;
}

}  // namespace

std::vector<std::string> SplitOptionText(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t tilde = text.find('~', start);
        parts.push_back(LineBreaks(text.substr(start, tilde - start)));
        if (tilde == std::string::npos)
            return parts;
        start = tilde + 1;
    }
}

OptionItem ParseOption(const std::string& text) {
    OptionItem item;
    item.columns = SplitOptionText(text);
    const std::string state = item.columns.front();
    if (item.columns.size() > 1 && (state == "1" || state == "0" || state == "-")) {
        item.chosen = state == "1";
        item.choosable = state != "-";
        item.columns.erase(item.columns.begin());
    }
    return item;
}

bool ParseOptionsArguments(const std::vector<std::string>& arguments, bool extended,
                           OptionsContent* content, std::string* reason) {
    const std::size_t first = extended ? 6 : 4;
    if (arguments.size() <= first)
        return Fail(reason, "no option");
    const std::string type = Trim(arguments[0], " \t");
    if (!EqualsNoCase(type.c_str(), "SingleSel") && !EqualsNoCase(type.c_str(), "MultiSel"))
        return Fail(reason, "type");
    content->single = EqualsNoCase(type.c_str(), "SingleSel");
    std::size_t next = 1;
    if (extended &&
        (!ParseInt(arguments[next++].c_str(), &content->minimum) || content->minimum < 0))
        return Fail(reason, "the minimum number of choices is not a number");
    content->caption = LineBreaks(arguments[next++]);
    content->title = LineBreaks(arguments[next++]);
    content->columns = SplitOptionText(arguments[next++]);
    content->button = extended ? LineBreaks(arguments[next++]) : std::string();
    bool chosen = false;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        OptionItem item = ParseOption(arguments[i]);
        // A single selection starts with at most one option chosen: the first so marked.
        item.chosen = item.chosen && !(content->single && chosen);
        chosen = chosen || item.chosen;
        content->options.push_back(item);
    }
    return true;
}

void ChooseOption(std::vector<OptionItem>* options, std::size_t index, bool chosen, bool single) {
    if (index >= options->size() || !(*options)[index].choosable)
        return;
    if (single && chosen) {
        for (OptionItem& item : *options) item.chosen = false;
    }
    (*options)[index].chosen = chosen;
}

int ChosenCount(const std::vector<OptionItem>& options) {
    int count = 0;
    for (const OptionItem& item : options) count += item.chosen ? 1 : 0;
    return count;
}

std::string OptionsAnswer(const std::vector<OptionItem>& options, bool single) {
    if (single) {
        for (std::size_t i = 0; i < options.size(); ++i) {
            if (options[i].chosen)
                return std::to_string(i);
        }
        return "-1";
    }
    std::string answer;
    for (const OptionItem& item : options)
        answer += !item.choosable ? '_' : item.chosen ? '1' : '0';
    return answer;
}

bool AcquireOptionsDialogSlot() {
    bool expected = false;
    return dialogActive.compare_exchange_strong(expected, true);
}

void ReleaseOptionsDialogSlot() {
    dialogActive = false;
}
