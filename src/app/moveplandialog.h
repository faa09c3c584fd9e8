#pragma once

#include "jobs/writeplan.h"

#include <QDialog>

#include <vector>

namespace qm {

// Whether an update moves files into other folders: then its plan is
// shown before it runs.
bool MovesIntoOtherFolders(const std::vector<PlannedOperation> &plan);

// The plan of an update that moves files into other folders: the counts,
// and every operation grouped by the folder it goes to; "Выполнить" runs
// the update, "Отмена" leaves everything as it is.
class MovePlanDialog : public QDialog {
    Q_OBJECT
public:
    explicit MovePlanDialog(const std::vector<PlannedOperation> &plan, QWidget *parent = nullptr);
};

} // namespace qm
