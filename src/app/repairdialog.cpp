#include "app/repairdialog.h"

#include "app/commands.h"
#include "app/gridediting.h"
#include "app/infopanel.h"
#include "app/mainwindow.h"
#include "table/columns.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm {
namespace {

enum Column { CellColumn, TextColumn, ReadingColumn };

// A reading as the list shows it: the text and the mistake it undoes.
QString readingText(const RepairReading &reading)
{
    return reading.text + QStringLiteral("  (") + repairKindName(reading.kind) + u')';
}

} // namespace

TfrmRepairEncoding::TfrmRepairEncoding(Session &session, const QList<SuspectCell> &cells,
                                       QWidget *parent)
    : QDialog(parent), session_(session), cells_(cells)
{
    setObjectName(QStringLiteral("frmRepairEncoding"));
    setWindowTitle(tr("Исправить кодировку"));
    lstCells_ = new QTreeWidget(this);
    lstCells_->setObjectName(QStringLiteral("lstRepairCells"));
    lstCells_->setRootIsDecorated(false);
    lstCells_->setHeaderLabels({tr("Ячейка"), tr("Текст"), tr("Исправление")});
    for (const SuspectCell &cell : cells_) {
        auto *item = new QTreeWidgetItem(lstCells_);
        item->setText(CellColumn,
                      QStringLiteral("%1: %2").arg(cell.row).arg(headerText(cell.field)));
        item->setCheckState(CellColumn, Qt::Checked);
        item->setText(TextColumn, cell.text);
        // The proposal first, then the other readings by their names.
        auto *readings = new QComboBox(lstCells_);
        readings->addItem(readingText(cell.proposal));
        for (const RepairReading &other : cell.others)
            readings->addItem(readingText(other));
        lstCells_->setItemWidget(item, ReadingColumn, readings);
    }
    lstCells_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The keys work on the list at once: Space unticks the first cell.
    lstCells_->setCurrentItem(lstCells_->topLevelItem(0), CellColumn);
    lstCells_->setFocus();

    auto *buttons = new QDialogButtonBox(this);
    btnApply_ = buttons->addButton(tr("Применить"), QDialogButtonBox::AcceptRole);
    btnApply_->setObjectName(QStringLiteral("btnApply"));
    buttons->addButton(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmRepairEncoding::applyChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Ячейки с текстом в другой кодировке:"), this));
    layout->addWidget(lstCells_, 1);
    layout->addWidget(buttons);
    resize(760, 360);
}

QList<CellRepair> TfrmRepairEncoding::chosenRepairs() const
{
    QList<CellRepair> repairs;
    for (int i = 0; i < lstCells_->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = lstCells_->topLevelItem(i);
        if (item->checkState(CellColumn) != Qt::Checked)
            continue;
        const SuspectCell &cell = cells_[i];
        const auto *readings =
            qobject_cast<QComboBox *>(lstCells_->itemWidget(item, ReadingColumn));
        const int chosen = readings ? readings->currentIndex() : 0;
        const RepairReading &reading = chosen <= 0 ? cell.proposal : cell.others[chosen - 1];
        repairs.append({cell.row, cell.field, cell.text, reading.text});
    }
    return repairs;
}

void TfrmRepairEncoding::applyChosen()
{
    session_.applyRepairs(chosenRepairs());
    accept();
}

void addToTextMenus(TfrmTagEditor &window, QAction *command)
{
    // Beside the other commands of the Replace menu, and in the cells' menu.
    QAction *replace = window.commands().named().aVariantsRestore;
    for (QObject *object : replace->associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(object); menu && menu->parent() == window.menuBar())
            menu->addAction(command);
    }
    if (auto *cells = window.findChild<QMenu *>(QStringLiteral("pmnCells")))
        cells->addAction(command);
}

void connectRepairCommand(TfrmTagEditor &window)
{
    auto *command = new QAction(TfrmTagEditor::tr("Исправить кодировку…"), &window);
    command->setObjectName(QStringLiteral("aRepairEncoding"));
    command->setStatusTip(TfrmTagEditor::tr("Исправить текст, прочитанный в другой кодировке"));
    if (auto *cells = window.findChild<QMenu *>(QStringLiteral("pmnCells")))
        cells->addSeparator();
    addToTextMenus(window, command);
    QObject::connect(command, &QAction::triggered, &window, [&window] {
        Session &session = window.session();
        if (session.busy())
            return;
        const RowTable &table = session.table();
        const CellRect selected = window.editing().selection().fileCells(table);
        const bool whole = selected.columnCount() * selected.rowCount() <= 1;
        const CellRect area = whole ? CellRect{table.layout().noPosition() + 1, 1, kColumnCount - 1,
                                               table.lastFileRow()}
                                    : selected;
        QList<FieldNumber> columns;
        for (int position = area.left; position <= area.right; ++position) {
            const FieldNumber field = table.layout().fieldAt(position);
            if (field == FieldNumber::New || isTagField(field))
                columns.append(field);
        }
        const QList<SuspectCell> cells = session.suspectCells(columns, area.top, area.bottom);
        if (cells.isEmpty()) {
            window.infoPanel()->setStatusText(TfrmTagEditor::tr("Текста в другой кодировке нет"));
            return;
        }
        TfrmRepairEncoding dialog(session, cells, &window);
        // The editor box's analysis holds the cells as they were: typing
        // there next would write the wrong reading back.
        if (dialog.exec() == QDialog::Accepted)
            window.editing().computeEditorText();
    });
}

} // namespace qm
