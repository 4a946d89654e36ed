#pragma once
// What the run asks of the progress dialog: one row per package (and one for the integrity
// check), the texts above the list, and when it is shown and closed. The program's dialog
// (progress_dialog.h) reads the states of its rows from the shared status block itself;
// the run only fills it, titles it and opens and closes it. Tests record the requests.

#include <string>

class ProgressView {
  public:
    virtual ~ProgressView() = default;

    // Appends a row; rows are added before the dialog is shown.
    virtual void AddRow(const std::string& name, const std::string& version, int state) = 0;
    virtual void SetTitle(const std::string& text) = 0;     // the window's text
    virtual void SetCaption(const std::string& text) = 0;   // the bold line on the banner
    virtual void SetSubtitle(const std::string& text) = 0;  // the line under it
    // Creates the window when needed and shows it.
    virtual void Show() = 0;
    // Takes the window down; nothing of the dialog runs afterwards. Closing a dialog that
    // was never shown, or closing twice, does nothing.
    virtual void Close() = 0;
};
