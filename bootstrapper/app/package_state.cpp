#include "package_state.h"

#include "log_file.h"

namespace {

ProgressStatus g_progressStatuses[] = {
    {PS_None, "", "", 133, -1},
    {PS_InProgress, "In progress...", "", 130, -1},
    {PS_Completed, "Completed", "", 131, -1},
    {PS_Failed, "Failed", "", 132, -1},
    {PS_Skipped, "Skipped", "", 137, -1},
    {PS_Canceled, "Canceled", "", 132, -1},
    {PS_Preprocessing, "Preprocessing...", "", 130, -1},
    {PS_Preprocessed, "Preprocessed", "", 133, -1},
};

}  // namespace

std::string StateName(int state) {
    switch (state) {
        case PS_Error:
            return "error";
        case PS_None:
            return "none";
        case PS_InProgress:
            return "in progress";
        case PS_Completed:
            return "completed";
        case PS_Failed:
            return "failed";
        case PS_Skipped:
            return "skipped";
        case PS_Canceled:
            return "canceled";
        case PS_Preprocessing:
            return "preprocessing";
        case PS_Preprocessed:
            return "preprocessed";
        default:
            return "unknown status";
    }
}

ProgressStatus* FindProgressStatus(int state) {
    for (ProgressStatus& status : g_progressStatuses) {
        if (status.state == state)
            return &status;
    }
    Log().Error("Error retrieving progress status by index '%d'", state);
    return nullptr;
}

std::string ProgressStatusText(int state) {
    const ProgressStatus* status = FindProgressStatus(state);
    if (!status)
        return std::string();
    return status->overrideText[0] ? status->overrideText : status->text;
}
