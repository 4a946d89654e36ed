#pragma once
// The texts with which a run of setup opens and closes its log, and the choice of its
// final message. Pure functions of their inputs, so that they are tested without Windows.

#include <cstdint>
#include <ctime>
#include <string>

// What the banner says about the program, the system and the start.
struct BannerFacts {
    std::string productName;  // from the program's version resource
    std::string fileVersion;  // from the program's version resource
    int platform = 0;         // kPlatformNT, kPlatformWin9x or 0
    std::string osVersion;    // three fields: major.minor.servicePack
    std::time_t startTime = 0;
    std::uint64_t tickCountMs = 0;  // time since the machine started
    std::string commandLine;        // the tokens as given
};

// A line of sixty "=".
std::string SeparatorLine();

// The 24-character calendar form of a local time: "Wed Jun 30 21:49:08 1993".
std::string CalendarText(std::time_t time);

// The separator line and the banner, as written once at the start of the log.
std::string BuildBanner(const BannerFacts& facts);

// "Duration: 01h 02m 05s" for 3725 seconds.
std::string DurationText(long long seconds);

// "\nReturned  5  [RC_InvalidConfiguration]".
std::string ReturnedText(int code);

// The final message box of a run: the message tag, the specific text and whether the box
// offers the log file. A null tag means no box.
struct FinalMessage {
    const char* tag = nullptr;
    std::string text;
    bool offerLogLink = false;
};

// Interactive runs (mode flags 0) end with a box; invalid arguments always do.
bool ShowsFinalMessage(unsigned modeFlags, int code);
FinalMessage ChooseFinalMessage(int code, const std::string& detailText);

// The caption of setup's boxes and the name of a running setup in messages.
extern const char* const kSetupCaption;
