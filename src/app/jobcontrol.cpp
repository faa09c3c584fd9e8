#include "app/jobcontrol.h"

#include <QMessageBox>
#include <QProgressBar>

#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "session/session.h"

namespace qm {

JobControl::JobControl(Session &session, GridModel &model, InfoPanel &panel, QObject *parent)
    : QObject(parent), session_(session), panel_(panel)
{
    JobRunner &jobs = session_.runner();
    connect(&jobs, &JobRunner::statusChanged, &panel_, &InfoPanel::setStatusText);
    connect(&jobs, &JobRunner::progressChanged, panel_.progress(), &QProgressBar::setValue);
    connect(&jobs, &JobRunner::controlsEnabledChanged, this, &JobControl::controlsEnabledChanged);
    connect(&session_, &Session::rowsAppended, &model, &GridModel::rowsAppended);
    connect(&session_, &Session::rowsReset, &model, &GridModel::reloadRows);
    connect(&session_, &Session::cellsChanged, &model, &GridModel::cellsChanged);
}

JobControl::~JobControl() = default;

JobRunner &JobControl::runner() { return session_.runner(); }

bool JobControl::busy() const { return session_.busy(); }

void JobControl::btnStopClick()
{
    switch (runner().stop()) {
    case JobRunner::StopResult::NeedsConfirm:
        if (QMessageBox::warning(panel_.window(), tr("Предупреждение"),
                                 tr("При отмене сортировки некоторые данные будут утеряны! \n"
                                    "Остановить сортировку?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes)
            runner().confirmStop();
        break;
    case JobRunner::StopResult::StoppedSeparateNumbering:
        emit separateNumberingStopped();
        break;
    case JobRunner::StopResult::Stopped:
        break;
    }
}

void JobControl::shutdown() { session_.shutdown(); }

} // namespace qm
