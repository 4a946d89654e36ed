#include "progress_rows.h"

#include "package_state.h"

namespace {

RowDisplay DisplayOf(const ProgressStatus* status) {
    RowDisplay display;
    if (status) {
        display.text = status->overrideText[0] ? status->overrideText : status->text;
        display.imageIndex = status->imageIndex;
    }
    return display;
}

}  // namespace

void ProgressRows::Add(const std::string& name, const std::string& version, int state) {
    ProgressRow row{name, version, state, std::string(), RowDisplay(), false};
    UpdateDisplay(row, true);
    rows_.push_back(row);
}

bool ProgressRows::UpdateDisplay(ProgressRow& row, bool stateChanged) {
    if (!stateChanged && !row.stateHasRow)
        return false;  // a state without a row: looked up (and logged) when it was taken
    const ProgressStatus* status = FindProgressStatus(row.state);
    row.stateHasRow = status != nullptr;
    const RowDisplay display = DisplayOf(status);
    if (display == row.display)
        return false;
    row.display = display;
    return true;
}

std::vector<int> ProgressRows::Apply(const std::vector<SlotReading>& readings) {
    std::vector<int> changed;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        ProgressRow& row = rows_[i];
        bool stateChanged = false;
        if (i < readings.size() && readings[i].state != kStateUnreadable) {
            stateChanged = readings[i].state != row.state;
            row.state = readings[i].state;
            row.slotText = readings[i].text;
        }
        if (UpdateDisplay(row, stateChanged))
            changed.push_back(static_cast<int>(i));
    }
    return changed;
}

int ProgressRows::RowInProgress() const {
    int found = -1;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].state == PS_InProgress)
            found = static_cast<int>(i);
    }
    return found;
}
