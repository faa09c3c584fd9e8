#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

#include "jobs/folderscan.h"
#include "jobs/jobrunner.h"
#include "jobs/readkinds.h"

namespace qm {

class GridModel;
class InfoPanel;
class RowTable;

// The window's side of the jobs: owns the runner, starts the add and update
// jobs over the window's table, feeds the status line, the progress bar and
// the grid model from the runner, and routes Stop by the running job's
// letter. The window keeps the rest (what an add ends in, what busy and idle
// do to its controls) and hands it in as callbacks.
class JobControl : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    // The add job's end: complete the rows from the first one it added.
    std::function<void(int firstRow)> completeAddedRows;
    // What an update job reads besides its kind (views, options, numbering).
    std::function<ReadSettings()> readSettings;
    // The settings of a folder scan (the add-directory dialog's).
    std::function<ScanSettings()> scanSettings;
    // Update requests are held back while this returns true (the options
    // dialog is open) and started once release() is called.
    std::function<bool()> holdUpdates;
    // After an update job: the cell editor's text is to be computed anew.
    std::function<void()> updateEnded;
  };

  JobControl(RowTable& table, GridModel& model, InfoPanel& panel, Hooks hooks, QObject* parent = nullptr);
  ~JobControl() override;

  JobRunner& runner() { return runner_; }
  bool busy() const { return !runner_.controlsEnabled(); }

  // The folder scan of kind 'd' (add-directory dialog) or 'm' (dropped
  // folders). Its end handler completes the added rows.
  void startAddJob(const QStringList& folders, char kind);
  // A reading kind (1, 2, 105, 108) over rows [first, last].
  void startUpdateJob(int first, int last, int kind);
  // The settings an update job started now would read with.
  ReadSettings readSettings() const { return hooks_.readSettings ? hooks_.readSettings() : ReadSettings{}; }

  // Starts the update requests held back while holdUpdates() was true.
  void release();

  // Files chosen in the open dialog: rows at once, then completion.
  void addChosenFiles(const QStringList& paths);
  // Paths dropped on the window: files become rows at once, folders are
  // scanned by an add job of kind 'm' whose end completes both.
  void addDroppedPaths(const QStringList& paths);

  // Stop, by the letter of the running job.
  void btnStopClick();
  // Idle (true) or busy (false); idle waits for the last job to end.
  void setControlsEnabled(bool enabled) { runner_.setControlsEnabled(enabled); }
  // Closing: stops every job and waits for the running one; nothing is
  // written to the table afterwards.
  void shutdown();

 signals:
  // The runner's busy/idle switch, for the window's controls.
  void controlsEnabledChanged(bool enabled);
  // Stop ended the sort that separate numbering had asked for: the window
  // turns separate numbering off again.
  void separateNumberingStopped();

 private:
  struct Held {
    int first;
    int last;
    int kind;
  };

  RowTable& table_;
  GridModel& model_;
  InfoPanel& panel_;
  Hooks hooks_;
  std::vector<Held> held_;
  JobRunner runner_;
};

}  // namespace qm
