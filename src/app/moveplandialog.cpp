#include "app/moveplandialog.h"

#include "jobs/folderplan.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace qm {

namespace {

using Op = PlannedOperation;

const char *operationCaption(Op::Kind kind)
{
    switch (kind) {
    case Op::Rename:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "переименовать");
    case Op::Move:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "переместить");
    case Op::Copy:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "копировать");
    case Op::Companion:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "переместить с альбомом");
    case Op::CompanionLeft:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "оставить");
    case Op::CueRewrite:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "переписать имена файлов в .cue");
    case Op::ListRewrite:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "переписать имена файлов в списке");
    case Op::MakeFolder:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "создать папку");
    case Op::RemoveFolder:
        return QT_TRANSLATE_NOOP("qm::MovePlanDialog", "удалить опустевшую папку");
    case Op::Fail:
        break;
    }
    return "";
}

} // namespace

bool MovesIntoOtherFolders(const std::vector<PlannedOperation> &plan)
{
    return std::any_of(plan.cbegin(), plan.cend(),
                       [](const PlannedOperation &op) { return op.kind == Op::Move; });
}

MovePlanDialog::MovePlanDialog(const std::vector<PlannedOperation> &plan, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMovePlan"));
    setWindowTitle(tr("План обновления"));
    std::map<Op::Kind, int> counts;
    // By the folder the operation goes to; removed folders by themselves.
    std::map<QString, std::vector<const PlannedOperation *>> groups;
    for (const PlannedOperation &op : plan) {
        // A row that fails is listed by the error window after the update.
        if (op.kind == Op::Fail)
            continue;
        ++counts[op.kind];
        const QString folder = op.kind == Op::MakeFolder     ? op.from
                               : op.kind == Op::RemoveFolder ? FolderOfFile(op.from)
                                                             : FolderOfFile(op.to);
        groups[folder].push_back(&op);
    }
    auto *summary = new QLabel(
        tr("Файлов: %1, остальных файлов альбомов: %2 (остаются: %3), создать папок: %4, "
           "удалить папок: %5")
            .arg(counts[Op::Rename] + counts[Op::Move] + counts[Op::Copy])
            .arg(counts[Op::Companion])
            .arg(counts[Op::CompanionLeft])
            .arg(counts[Op::MakeFolder])
            .arg(counts[Op::RemoveFolder]),
        this);
    summary->setObjectName(QStringLiteral("lblPlanCounts"));
    summary->setWordWrap(true);

    auto *tree = new QTreeWidget(this);
    tree->setObjectName(QStringLiteral("tvPlan"));
    tree->setColumnCount(3);
    tree->setHeaderLabels({tr("Действие"), tr("Файл"), tr("Новое имя")});
    for (const auto &[folder, ops] : groups) {
        auto *group = new QTreeWidgetItem(tree, {folder});
        group->setFirstColumnSpanned(true);
        for (const PlannedOperation *op : ops) {
            const QString caption = tr(operationCaption(op->kind));
            const QString name = op->to.mid(op->to.lastIndexOf(QLatin1Char('/')) + 1);
            auto *item = new QTreeWidgetItem(group, {caption, op->from, name});
            if (!op->reason.isEmpty())
                item->setToolTip(0, op->reason);
        }
    }
    tree->expandAll();
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *run = buttons->addButton(tr("Выполнить"), QDialogButtonBox::AcceptRole);
    run->setObjectName(QStringLiteral("btnRun"));
    QPushButton *cancel = buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    run->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(tree);
    layout->addWidget(buttons);
    resize(720, 420);
}

} // namespace qm
