#include "run_texts.h"

#include "local_time.h"
#include "log_file.h"
#include "return_codes.h"
#include "system_info.h"
#include "text_util.h"

const char* const kSetupCaption = "Setup progress";

namespace {

const char* PlatformFamily(int platform) {
    if (platform == kPlatformNT)
        return "NT";
    if (platform == kPlatformWin9x)
        return "9x";
    return "?";
}

}  // namespace

std::string SeparatorLine() {
    return std::string(60, '=');
}

std::string CalendarText(std::time_t time) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (!ToLocalTime(time, &local))
        return std::string();
    return FormatText("%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday % 7],
                      kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec, 1900 + local.tm_year);
}

std::string BuildBanner(const BannerFacts& facts) {
    std::string banner = SeparatorLine() + "\n";
    banner += FormatText("%s v%s\n", facts.productName.c_str(), facts.fileVersion.c_str());
    const std::time_t bootTime =
        facts.startTime - static_cast<std::time_t>(facts.tickCountMs / 1000);
    const std::string timeText = Trim(CalendarText(facts.startTime), "\r\n") +
                                 " (Machine running from " + Trim(CalendarText(bootTime), "\r\n") +
                                 ")";
    const std::string osVersion = facts.platform == 0 ? std::string() : facts.osVersion;
    banner += FormatText("MsWindows%s v%s - %s\n\n", PlatformFamily(facts.platform),
                         osVersion.c_str(), timeText.c_str());
    banner += FormatText("Command line:\n    %s\n\n", facts.commandLine.c_str());
    return banner;
}

std::string DurationText(long long seconds) {
    if (seconds < 0)
        seconds = 0;
    const long long hours = seconds / 3600;
    const long long minutes = (seconds % 3600) / 60;
    const long long rest = (seconds % 3600) % 60;
    return FormatText("Duration: %02lldh %02lldm %02llds", hours, minutes, rest);
}

std::string ReturnedText(int code) {
    char buffer[1024];
    std::snprintf(buffer, sizeof(buffer), "\nReturned  %d  [%s]", code, ReturnCodeName(code));
    return buffer;
}

bool ShowsFinalMessage(unsigned modeFlags, int code) {
    return modeFlags == 0 || code == RC_InvalidArguments;
}

FinalMessage ChooseFinalMessage(int code, const std::string& detailText) {
    const std::string detail = detailText.empty() ? "." : ": " + detailText;
    FinalMessage message;
    switch (code) {
        case RC_InvalidArguments:
        case RC_InvalidConfiguration:
        case RC_MainPackageNotDetected:
            message.tag = "BS_ERROR";
            message.text = ReturnCodeName(code) + 3;  // the name without "RC_"
            message.offerLogLink = true;
            break;
        case RC_UnhandledException:
            message.tag = "BS_ERROR";
            message.offerLogLink = true;
            break;
        case RC_ANewerVerAlreadyInstalled:
            message.tag = "BS_INSTALLED";
            break;
        case RC_AnotherInstanceRunning:
            message.tag = "BS_ANOTHERINSTANCE";
            message.text = FormatText("Another %s is running%s\nCurrent setup cannot continue!",
                                      kSetupCaption, detail.c_str());
            break;
        case RC_OriginalInstallerNotFound:
            message.tag = "BS_ORIGINALBSNOTFOUND";
            message.text = FormatText(
                "The existing version cannot be uninstalled (not found)%s\nSetup cannot continue!",
                detail.c_str());
            break;
        case RC_InvalidCRC32Checksum:
            message.tag = "BS_INVALIDCRC32CHECKSUM";
            message.text = "Package integrity check failed!";
            message.offerLogLink = true;
            break;
        default:
            break;
    }
    return message;
}
