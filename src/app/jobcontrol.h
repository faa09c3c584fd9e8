#pragma once

#include <QObject>

#include "jobs/jobrunner.h"

namespace qm {

class GridModel;
class InfoPanel;
class Session;

// The window's side of the session's jobs: feeds the status line, the
// progress bar and the grid model from the session, and answers Stop by
// the running job's letter (with the question a sort asks first).
class JobControl : public QObject {
    Q_OBJECT
public:
    JobControl(Session &session, GridModel &model, InfoPanel &panel, QObject *parent = nullptr);
    ~JobControl() override;

    JobRunner &runner();
    bool busy() const;

    // Stop, by the letter of the running job.
    void btnStopClick();
    // Idle (true) or busy (false); idle waits for the last job to end.
    void setControlsEnabled(bool enabled) { runner().setControlsEnabled(enabled); }
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
    Session &session_;
    InfoPanel &panel_;
};

} // namespace qm
