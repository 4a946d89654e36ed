#pragma once
// The rows of the progress dialog and what each one shows: the package, its version, and
// the text and icon of its state (the status table of package_state.h). The dialog reads
// the slots of its rows from the shared status block and hands the readings here; what
// changed is what it redraws.

#include <string>
#include <vector>

// What one row's slot held when it was read. kStateUnreadable: the slot could not be read
// (no slot of that name, or reading stopped); the row then keeps what it shows.
struct SlotReading {
    int state;
    std::string text;
    bool operator==(const SlotReading& other) const {
        return state == other.state && text == other.text;
    }
};

// What the Status column and the icon show for a state.
struct RowDisplay {
    std::string text;     // the display text of the state; empty for a state without a row
    int imageIndex = -1;  // the state's icon in the dialog's image list, -1 for none
    bool operator==(const RowDisplay& other) const {
        return text == other.text && imageIndex == other.imageIndex;
    }
};

struct ProgressRow {
    std::string name;
    std::string version;
    int state;
    std::string slotText;  // the slot's text, kept with the row; the list does not show it
    RowDisplay display;
    bool stateHasRow;  // whether the status table had a row for the state last looked up
};

class ProgressRows {
  public:
    void Add(const std::string& name, const std::string& version, int state);
    const std::vector<ProgressRow>& Rows() const { return rows_; }
    int Count() const { return static_cast<int>(rows_.size()); }

    // Takes the reading of each row (by index; rows beyond the readings keep theirs) and
    // returns the rows whose display changed. The display of a state is looked up again
    // when the state changed, and on every call for a state of the table, whose override
    // text or icon may have been set since; a state without a row is looked up (and
    // logged) once, not on every refresh.
    std::vector<int> Apply(const std::vector<SlotReading>& readings);

    // The last row whose state is in progress, -1 when none is.
    int RowInProgress() const;

  private:
    bool UpdateDisplay(ProgressRow& row, bool stateChanged);

    std::vector<ProgressRow> rows_;
};
