#include "app/cellbox.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <algorithm>

#include "app/columnviews.h"
#include "app/commands.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "session/session.h"
#include "app/namegrid.h"
#include "formats/id3v1.h"
#include "table/celleditor.h"
#include "table/cellinput.h"

namespace qm {

QStringList genreList()
{
    QStringList names;
    names.reserve(MAX_MUSIC_GENRES + 1);
    for (const char *name : aTAG_MusicGenre)
        names.append(QString::fromLatin1(name));
    names.append(QString());
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

CellBox::CellBox(GridEditing &editing, QWidget *viewport)
    : QObject(viewport), editing_(editing), genres_(genreList())
{
    cmbCell_ = new QComboBox(viewport);
    cmbCell_->setObjectName(QStringLiteral("cmbCell"));
    cmbCell_->setInsertPolicy(QComboBox::NoInsert);
    cmbCell_->setEditable(true);
    cmbCell_->hide();
    cmbCell_->installEventFilter(this);
    watchEditor();
    connect(cmbCell_, &QComboBox::currentTextChanged, this, &CellBox::cmbCellChange);
}

void CellBox::watchEditor()
{
    // Switching between a pick-only list and a text box replaces the editor.
    if (QLineEdit *line = cmbCell_->lineEdit())
        line->installEventFilter(this);
}

bool CellBox::isOpen() const { return cmbCell_->isVisible(); }

bool CellBox::id3v1View() const { return editing_.window().views().id3v1On(); }

void CellBox::open()
{
    TfrmTagEditor &w = editing_.window();
    NameGrid *grid = w.grid();
    if (editing_.busy() || !grid->isEnabled())
        return;
    const int position = editing_.currentColumn();
    int row = editing_.currentRow();
    Session &session = w.session();
    const RowTable &table = session.table();
    if (!table.layout().isDataPosition(position) || row < 1 || row > table.blankRow())
        return;
    const FieldNumber field = table.layout().fieldAt(position);
    if (editing_.separateNumbering() && field == FieldNumber::Dir)
        return;
    const CellRect selection = editing_.selection();
    if (selection.columnCount() * qint64(selection.rowCount()) != 1 || selection.left != position
        || selection.top != row)
        editing_.setSelection(CellRect{position, row, position, row}, position, row);

    opening_ = true;
    row_ = row;
    field_ = field;
    const bool v1 = id3v1View();
    const int limit =
        cellLengthLimit(field, v1, w.views().fileInfoOn(), table.cell(row, FieldNumber::Trc));
    cmbCell_->clear();
    if (field == FieldNumber::Gen) {
        cmbCell_->setEditable(!v1);
        watchEditor();
        cmbCell_->addItems(genres_);
        const int item = genreItemIndex(genres_, table.cell(row, field));
        if (item >= 0) {
            cmbCell_->setCurrentIndex(item);
        } else if (v1) {
            // A genre the ID3v1 record cannot hold is dropped, as the
            // first change of the box's edit.
            cmbCell_->setCurrentIndex(0);
            session.editCell(row, field, QString());
        } else {
            cmbCell_->setCurrentIndex(-1);
            cmbCell_->setEditText(table.cell(row, field));
        }
    } else {
        cmbCell_->setEditable(true);
        watchEditor();
        QString text = table.cell(row, field);
        if (limit > 0 && text.size() > limit) {
            text.truncate(limit);
            session.editCell(row, field, text);
        }
        cmbCell_->setEditText(text);
    }
    if (QLineEdit *line = cmbCell_->lineEdit())
        line->setMaxLength(limit > 0 ? limit : 32767);
    const QRect cell = grid->visualRect(w.gridModel()->index(row - 1, toInt(field)));
    cmbCell_->setGeometry(cell.left() + 2, cell.top() + 2, cell.width() + 1, cell.height() + 1);
    cmbCell_->show();
    cmbCell_->raise();
    cmbCell_->setFocus();
    opening_ = false;
}

void CellBox::cmbCellChange(const QString &text)
{
    if (opening_ || !isOpen())
        return;
    QString value = text;
    if (field_ == FieldNumber::Trc && id3v1View()) {
        value = normalizedId3v1Track(text);
        if (value != text) {
            opening_ = true;
            cmbCell_->setEditText(value);
            opening_ = false;
        }
    }
    // The typing in the box is one undo step, closed when the box is left.
    editing_.window().session().editCell(row_, field_, value);
    editing_.computeEditorText();
}

void CellBox::close()
{
    if (!isOpen() || closing_ || editing_.closing())
        return;
    closing_ = true;
    // Hiding the box while it has the focus would pass the focus on as Tab
    // does, and the table would take that Tab to its next column: the
    // current cell would move, and a command closing the box would then act
    // on that next cell.
    if (cmbCell_->isAncestorOf(QApplication::focusWidget()) || cmbCell_->hasFocus())
        editing_.window().grid()->setFocus();
    cmbCell_->hide();
    cmbCellExit();
    closing_ = false;
}

void CellBox::cmbCellExit()
{
    Session &session = editing_.window().session();
    const RowTable &table = session.table();
    if (!table.isValidRow(row_) || row_ == 0)
        return;
    if (session.finishCellEdit(row_)) {
        const int position = table.layout().position(field_);
        const int row = std::min(row_, table.blankRow());
        editing_.reselect(CellRect{position, row, position, row});
    }
    editing_.updateEditActions();
}

bool CellBox::step(bool up)
{
    const RowTable &table = editing_.window().table();
    const int row = row_;
    if (up ? row < 2 : row >= table.blankRow())
        return false;
    const int position = table.layout().position(field_);
    const int rowsBefore = table.rowCount();
    close();
    const bool removed = table.rowCount() < rowsBefore;
    const int target = std::clamp(up ? row - 1 : (removed ? row : row + 1), 1, table.blankRow());
    editing_.setSelection(CellRect{position, target, position, target}, position, target);
    open();
    return true;
}

bool CellBox::eventFilter(QObject *watched, QEvent *event)
{
    if (editing_.closing() || (watched != cmbCell_ && watched != cmbCell_->lineEdit()))
        return false;
    const bool pickOnlyGenre = field_ == FieldNumber::Gen && id3v1View();
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // A command's key runs the command, never a line-edit binding; the
        // box closes first, as it does before any command.
        if (QAction *command =
                editing_.window().commands().commandOverTextBox(static_cast<QKeyEvent *>(event))) {
            if (CommandSet::keyRuns(command)) {
                close();
                editing_.window().grid()->setFocus();
            }
            event->ignore();
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        // A command key whose command is off does nothing at all.
        if (editing_.window().commands().commandOverTextBox(key))
            return true;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            close();
            editing_.window().grid()->setFocus();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (pickOnlyGenre)
                return false;
            [[fallthrough]];
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            step(key->key() == Qt::Key_Up || key->key() == Qt::Key_PageUp);
            return true;
        default:
            break;
        }
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0).isPrint()
            && !cellAcceptsChar(field_, id3v1View(), typed.at(0)))
            return true;
        return false;
    }
    case QEvent::Wheel:
        if (pickOnlyGenre)
            return false;
        step(static_cast<QWheelEvent *>(event)->angleDelta().y() > 0);
        return true;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // The drop-down list of the box takes the focus for a moment.
        if (reason != Qt::PopupFocusReason && !cmbCell_->view()->isVisible() && !opening_)
            close();
        return false;
    }
    default:
        return false;
    }
}

} // namespace qm
