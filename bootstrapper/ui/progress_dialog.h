#pragma once
// ProgressDialog: the progress dialog of a run with a user interface (dialog 104 of setup):
// a banner with a bold caption and a subtitle, the list of rows (icon, package, version,
// status) and Cancel. A refresh thread reads the states of the rows from the product's
// shared status block every 500 ms. The window belongs to the thread that shows it (the
// run's main thread, which dispatches its window messages while installers run); the
// refresh thread never touches the window itself, it posts what it read, so that closing
// the dialog can always wait for the thread to end.
//
// Every dialog object is in a process-wide list, where the dialog procedure finds it by
// its window. Windows build only.

#include <memory>
#include <string>

#include "progress_view.h"

class InstanceMap;
class PropertyStore;

class ProgressDialog : public ProgressView {
  public:
    // module holds dialog 104 with its banner and status icons; map is the product's status
    // block (may be null: then the rows keep their states); Cancel sets "Quit" in
    // properties.
    ProgressDialog(void* module, InstanceMap* map, PropertyStore& properties);
    ~ProgressDialog() override;
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    void AddRow(const std::string& name, const std::string& version, int state) override;
    void SetTitle(const std::string& text) override;
    void SetCaption(const std::string& text) override;
    void SetSubtitle(const std::string& text) override;
    // Also starts the refresh thread and dispatches the window messages that wait. A closed
    // dialog is not shown again.
    void Show() override;
    // Stops and joins the refresh thread, then destroys the window (on the thread that
    // showed it).
    void Close() override;

    // Reads the rows' slots now and redraws what changed (on the thread that showed it).
    void Refresh();
    // The dialog window; null before Show and after Close.
    void* Window() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};
