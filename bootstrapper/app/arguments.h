#pragma once
// The arguments of setup sorted into their six categories by fixed patterns, the report
// and usage texts, and what they mean for the run: action, mode, partial run.

#include <string>
#include <vector>

// In match order: an argument goes to the first category whose pattern it matches whole.
enum ArgumentCategory {
    kArgMsiFeatures = 0,
    kArgMsiProperties,
    kArgBsProperties,
    kArgSwitches,
    kArgActions,
    kArgInvalid,
    kArgCategoryCount
};

class ArgumentLists {
  public:
    // Classifies every argument but the first (the program path).
    void Classify(const std::vector<std::string>& arguments);
    void Clear();

    const std::vector<std::string>& List(ArgumentCategory category) const {
        return lists_[category];
    }
    static const char* CategoryName(ArgumentCategory category);

    // One line per category: "    <name, 16 wide>:  " and each argument followed by two
    // blanks.
    std::string ArgumentReport() const;
    static std::string UsageText(const std::string& programName);

  private:
    std::vector<std::string> lists_[kArgCategoryCount];
};

// What the arguments ask of the run.
struct RunRequest {
    int action = 0;          // 0 install, 1 uninstall, 2 repair
    unsigned modeFlags = 0;  // bit 0 silent, bit 1 quiet, bit 2 externally controlled
    int partialRun = 0;      // 0 all, 1 prerequisites only, 2 postrequisites only
    bool invalid = false;
};

// Interprets classified arguments. Invalid arguments are logged as an error naming the
// reasons; they clear the silent and quiet bits so that the usage message is shown.
RunRequest InterpretArguments(const ArgumentLists& lists);

// "Name=Value" split at the first "=", the value without surrounding double quotes; false
// when there is no "=".
bool SplitAssignment(const std::string& argument, std::string* name, std::string* value);
