#include "app/jobcontrol.h"

#include <QMessageBox>
#include <QProgressBar>
#include <climits>

#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "jobs/addfiles.h"
#include "jobs/addjob.h"
#include "jobs/updatejob.h"
#include "table/rowtable.h"

namespace qm {

JobControl::JobControl(RowTable& table, GridModel& model, InfoPanel& panel, Hooks hooks, QObject* parent)
    : QObject(parent), table_(table), model_(model), panel_(panel), hooks_(std::move(hooks)) {
  connect(&runner_, &JobRunner::statusChanged, &panel_, &InfoPanel::setStatusText);
  connect(&runner_, &JobRunner::progressChanged, panel_.progress(), &QProgressBar::setValue);
  connect(&runner_, &JobRunner::controlsEnabledChanged, this, &JobControl::controlsEnabledChanged);
  // Rows and cells written by a batch of steps are announced in one go, so
  // the view does not relayout per added row.
  connect(&runner_, &JobRunner::stepsRun, this, [this] { model_.rowsAppended(); });
}

JobControl::~JobControl() = default;

void JobControl::startAddJob(const QStringList& folders, char kind) {
  table_.setCarried(false, 0);
  if (kind != 'm') runner_.firstAddedRow = table_.blankRow();
  const ScanSettings settings = hooks_.scanSettings ? hooks_.scanSettings() : ScanSettings{};
  auto job = std::make_shared<TAddThread>(
      kind, folders, settings, [this](const QString& folder, const QString& name) { table_.appendFileRow(folder, name); });
  runner_.start('a', std::move(job), [this] {
    model_.rowsAppended();
    if (hooks_.completeAddedRows) hooks_.completeAddedRows(runner_.firstAddedRow);
  });
}

void JobControl::startUpdateJob(int first, int last, int kind) {
  if (hooks_.holdUpdates && hooks_.holdUpdates()) {
    held_.push_back({first, last, kind});
    return;
  }
  first = qMax(first, 1);
  last = qMin(last, table_.lastFileRow());
  if (first > last) {
    // Nothing to read: whoever asked still expects the window to settle.
    runner_.setControlsEnabled(true);
    return;
  }
  // The rows a job has written since the last batch, announced after it.
  auto changed = std::make_shared<std::pair<int, int>>(INT_MAX, 0);
  auto rowWritten = [changed](int row) {
    changed->first = qMin(changed->first, row);
    changed->second = qMax(changed->second, row);
  };
  auto announce = [this, changed] {
    if (changed->first > changed->second) return;
    model_.cellsChanged(changed->first, changed->second);
    *changed = {INT_MAX, 0};
  };
  const ReadSettings settings = readSettings();
  auto job = std::make_shared<TUpdateThread>(table_, first, last, kind, settings, rowWritten);
  auto connection = std::make_shared<QMetaObject::Connection>();
  runner_.start(
      'u', std::move(job),
      [this, announce, connection] {
        announce();
        disconnect(*connection);
        runner_.setControlsEnabled(true);
        if (hooks_.updateEnded) hooks_.updateEnded();
      },
      [this, announce, connection] { *connection = connect(&runner_, &JobRunner::stepsRun, this, announce); });
}

void JobControl::release() {
  std::vector<Held> held;
  held.swap(held_);
  for (const Held& request : held) startUpdateJob(request.first, request.last, request.kind);
}

void JobControl::addChosenFiles(const QStringList& paths) {
  if (paths.isEmpty()) return;
  // Flags a list brought in earlier must not stop these files being read.
  table_.setCarried(false, 0);
  runner_.firstAddedRow = table_.blankRow();
  AddChosenFiles(table_, paths, &runner_);
  model_.rowsAppended();
  if (hooks_.completeAddedRows) hooks_.completeAddedRows(runner_.firstAddedRow);
}

void JobControl::addDroppedPaths(const QStringList& paths) {
  runner_.firstAddedRow = table_.blankRow();
  const QStringList folders = AddDroppedPaths(table_, paths, &runner_);
  model_.rowsAppended();
  // Started even without folders: its end completes the dropped files.
  startAddJob(folders, 'm');
}

void JobControl::btnStopClick() {
  switch (runner_.stop()) {
    case JobRunner::StopResult::NeedsConfirm:
      if (QMessageBox::warning(panel_.window(), QStringLiteral("Предупреждение"),
                               QStringLiteral("При отмене сортировки некоторые данные будут утеряны! \n"
                                              "Остановить сортировку?"),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
        runner_.confirmStop();
      break;
    case JobRunner::StopResult::StoppedSeparateNumbering:
      emit separateNumberingStopped();
      break;
    case JobRunner::StopResult::Stopped:
      break;
  }
}

void JobControl::shutdown() {
  held_.clear();
  runner_.shutdown();
}

}  // namespace qm
