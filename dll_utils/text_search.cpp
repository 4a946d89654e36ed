// Search and replace over file contents.

#include "text_search.h"

std::vector<std::size_t> FindOccurrences(const std::string& content, const std::string& search) {
    std::vector<std::size_t> found;
    if (search.empty())
        return found;
    for (std::size_t at = content.find(search); at != std::string::npos;
         at = content.find(search, at + search.size()))
        found.push_back(at);
    return found;
}

std::string ReplaceOccurrences(const std::string& content, const std::string& search,
                               const std::string& replacement) {
    std::string out;
    std::size_t from = 0;
    for (const std::size_t at : FindOccurrences(content, search)) {
        out.append(content, from, at - from);
        out += replacement;
        from = at + search.size();
    }
    out.append(content, from, std::string::npos);
    return out;
}
