#include "app/celleditorbar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/appicons.h"
#include "app/cellbox.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "session/session.h"

namespace qm {

CellEditorBar::CellEditorBar(GridEditing &editing, QToolBar *bar)
    : QObject(bar), editing_(editing), bar_(bar), genres_(genreList())
{
    cmbEdit_ = new QComboBox(bar);
    cmbEdit_->setObjectName(QStringLiteral("cmbEdit"));
    cmbEdit_->setEditable(true);
    cmbEdit_->setInsertPolicy(QComboBox::NoInsert);
    // An inline completion would fill in a text the cells never got.
    cmbEdit_->setCompleter(nullptr);
    // The bar gives the box its width; what it shows at the moment must not
    // change the bar's size (which is saved).
    cmbEdit_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbEdit_->setMinimumContentsLength(20);
    cmbEdit_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cmbEdit_->setToolTip(tr("Окно редактирования выделенных ячеек"));
    cmbEdit_->setStatusTip(cmbEdit_->toolTip());
    cmbEdit_->lineEdit()->installEventFilter(this);
    cmbEdit_->installEventFilter(this);
    cmbEdit_->lineEdit()->setContextMenuPolicy(Qt::CustomContextMenu);
    plus_ = new QLabel(QStringLiteral(" + "), bar);
    plus_->setObjectName(QStringLiteral("lblPlus"));

    QAction *first = bar->actions().value(0);
    bar->insertWidget(first, cmbEdit_);
    bar->insertWidget(first, plus_);
    bar->installEventFilter(this);

    CommandSet &commands = editing_.window().commands();
    const NamedCommands &c = commands.named();
    menu_ = new QMenu(cmbEdit_);
    menu_->setObjectName(QStringLiteral("pmnEdit"));
    const auto add = [this](std::initializer_list<QAction *> actions) {
        for (QAction *action : actions) {
            CommandSet::setPending(action, false);
            action->setVisible(true);
            menu_->addAction(action);
        }
    };
    add({c.aEditUndo});
    menu_->addSeparator();
    add({c.aEditCut, c.aEditCopy, c.aEditPaste, c.aEditDelete});
    menu_->addSeparator();
    add({c.aEditSelectAll});
    connect(c.aEditUndo, &QAction::triggered, this, &CellEditorBar::undo);
    connect(c.aEditCut, &QAction::triggered, this, &CellEditorBar::cut);
    connect(c.aEditCopy, &QAction::triggered, this, &CellEditorBar::copy);
    connect(c.aEditPaste, &QAction::triggered, this, &CellEditorBar::paste);
    connect(c.aEditDelete, &QAction::triggered, this, &CellEditorBar::deleteSelected);
    connect(c.aEditSelectAll, &QAction::triggered, this, &CellEditorBar::selectAll);
    connect(cmbEdit_->lineEdit(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) {
                prepareMenu()->popup(cmbEdit_->lineEdit()->mapToGlobal(pos));
            });

    for (QAction *action : commands.all()) {
        if (action->property(CommandSet::kCategoryProperty).toString()
            != QLatin1String("PasteFrom"))
            continue;
        CommandSet::setPending(action, false);
        const int field = action->property(CommandSet::kTagProperty).toInt();
        if (action->icon().isNull() && isFieldNumber(field))
            action->setIcon(badgeIcon(templateCode(toField(field)).mid(1)));
        // The group buttons run their last sub-command through the drop-down.
        if (action == c.aPName || action == c.aPFileInf || action == c.aPTag)
            continue;
        connect(action, &QAction::triggered, this, [this, action] { pasteFromColumn(action); });
    }
    for (QAction *action : {c.aPNo, c.aPDir, c.aPName, c.aPOldName, c.aPNewName, c.aPExt})
        action->setVisible(true);
    // The group buttons take the image of the sub-command they stand for.
    for (const char *name : {"Name", "FileInf", "Tag"}) {
        if (DropDownCommand *dropDown = editing_.window().dropDown(QString::fromLatin1(name)))
            dropDown->restore(dropDown->image(), dropDown->hint());
    }

    connect(cmbEdit_, &QComboBox::editTextChanged, this, &CellEditorBar::cmbEditChange);
}

const CellEditor &CellEditorBar::editor() const { return editing_.window().session().cellEditor(); }

void CellEditorBar::showText(const QString &text, bool selectAll)
{
    showingText_ = true;
    cmbEdit_->setEditText(text);
    if (selectAll)
        cmbEdit_->lineEdit()->selectAll();
    showingText_ = false;
}

void CellEditorBar::computeEditorText()
{
    if (editing_.busy())
        return;
    TfrmTagEditor &w = editing_.window();
    const CellRect selection = editing_.selection();
    const QString text = w.session().computeEditorText(selection);
    const bool genre = selection.columnCount() == 1
                       && w.table().layout().isValidPosition(selection.left)
                       && w.table().layout().fieldAt(selection.left) == FieldNumber::Gen;
    showingText_ = true;
    cmbEdit_->clear();
    if (genre) {
        cmbEdit_->addItems(genres_);
        cmbEdit_->setCurrentIndex(-1);
        cmbEdit_->setEditText(text);
    } else {
        cmbEdit_->addItem(text);
        cmbEdit_->setCurrentIndex(0);
        cmbEdit_->lineEdit()->selectAll();
    }
    cellsText_ = text;
    showingText_ = false;
}

void CellEditorBar::applySelectionState(const SelectionState &state)
{
    CommandSet &commands = editing_.window().commands();
    const NamedCommands &c = commands.named();
    for (QAction *action : commands.all()) {
        if (action->property(CommandSet::kCategoryProperty).toString()
            != QLatin1String("PasteFrom"))
            continue;
        const int field = action->property(CommandSet::kTagProperty).toInt();
        if (isFieldNumber(field))
            action->setEnabled(state.pasteFromColumn[size_t(field)]);
    }
    c.aPName->setEnabled(state.pasteNameEnabled);
    // The group buttons follow the sub-command they would run.
    for (QAction *face : {c.aPFileInf, c.aPTag}) {
        const int field = face->property(CommandSet::kTagProperty).toInt();
        const int image = CommandSet::imageOf(face);
        face->setEnabled(isFieldNumber(image) ? state.pasteFromColumn[size_t(image)]
                                              : state.pasteFromColumn[size_t(field)]);
    }
    cmbEdit_->lineEdit()->setReadOnly(state.folderLocked);
}

void CellEditorBar::cmbEditChange(const QString &text)
{
    if (showingText_ || editing_.busy())
        return;
    if (text == cellsText_)
        return;
    applyBoxText(text);
}

void CellEditorBar::applyBoxText(const QString &text)
{
    // The undo text does not tell what the cells show: a key that stores no
    // undo text (Delete, a kill-line binding) may bring the box back to it
    // after the cells took a typed character.
    Session &session = editing_.window().session();
    const QString undoText = editor().baseline();
    if (text == undoText)
        session.setEditorBaseline(QString());
    session.applyEditorText(text);
    session.setEditorBaseline(undoText);
    cellsText_ = text;
}

void CellEditorBar::cmbEditExit()
{
    if (editing_.busy())
        return;
    TfrmTagEditor &w = editing_.window();
    const CellRect selection = editing_.selection();
    if (selection.isEmpty()) {
        w.session().setEditorBaseline(QString());
        return;
    }
    if (w.session().finishEditorEdit(selection))
        editing_.reselect(selection);
    else
        editing_.updateEditActions();
}

void CellEditorBar::undo()
{
    if (cmbEdit_->lineEdit()->isReadOnly())
        return;
    const QString text = editing_.window().session().undoEditorText(cmbEdit_->currentText());
    showText(text, true);
    cellsText_ = text;
}

void CellEditorBar::replaceSelection(const QString &insertion)
{
    QLineEdit *line = cmbEdit_->lineEdit();
    const int from = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    const int length = line->hasSelectedText() ? int(line->selectedText().size()) : 0;
    const QString text =
        editing_.window().session().insertEditorText(line->text(), from, length, insertion);
    showText(text, false);
    cellsText_ = text;
    line->setCursorPosition(from + int(insertion.size()));
}

void CellEditorBar::copy()
{
    const QString selected = cmbEdit_->lineEdit()->selectedText();
    if (!selected.isEmpty())
        QGuiApplication::clipboard()->setText(selected);
}

void CellEditorBar::cut()
{
    if (!cmbEdit_->lineEdit()->hasSelectedText() || cmbEdit_->lineEdit()->isReadOnly())
        return;
    copy();
    replaceSelection(QString());
}

void CellEditorBar::deleteSelected()
{
    if (!cmbEdit_->lineEdit()->hasSelectedText() || cmbEdit_->lineEdit()->isReadOnly())
        return;
    replaceSelection(QString());
}

void CellEditorBar::paste()
{
    if (cmbEdit_->lineEdit()->isReadOnly())
        return;
    const QString line = editorPasteText(QGuiApplication::clipboard()->text());
    if (line.isEmpty())
        return;
    replaceSelection(line);
}

void CellEditorBar::selectAll() { cmbEdit_->lineEdit()->selectAll(); }

void CellEditorBar::pasteFromColumn(QAction *command)
{
    if (!command->isEnabled() || cmbEdit_->lineEdit()->isReadOnly())
        return;
    const int field = command->property(CommandSet::kTagProperty).toInt();
    if (!isFieldNumber(field))
        return;
    QLineEdit *line = cmbEdit_->lineEdit();
    const int at = line->cursorPosition();
    const QString text = editing_.window().session().insertEditorText(line->text(), at, 0,
                                                                      templateCode(toField(field)));
    showText(text, false);
    cellsText_ = text;
    line->setCursorPosition(at + 3);
    cmbEdit_->setFocus();
}

bool CellEditorBar::cmbEditKeyPress(QKeyEvent *key)
{
    // The text-edit keys are the box menu's commands, which keep the undo
    // text and paste one line only.
    if (key->matches(QKeySequence::Copy)) {
        copy();
    } else if (key->matches(QKeySequence::Cut)) {
        cut();
    } else if (key->matches(QKeySequence::Paste)) {
        paste();
    } else if (key->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
        undo();
    } else if (editing_.window().commands().commandOverTextBox(key)) {
        // A command key whose command is off does nothing at all.
    } else {
        const QString typed = key->text();
        // The text before a typed character is what undo goes back to.
        if (key->key() == Qt::Key_Backspace
            || (!typed.isEmpty() && CellEditor::storesUndoText(typed.at(0))))
            editing_.window().session().setEditorBaseline(cmbEdit_->lineEdit()->text());
        return false;
    }
    return true;
}

QMenu *CellEditorBar::prepareMenu()
{
    const NamedCommands &c = editing_.window().commands().named();
    QLineEdit *line = cmbEdit_->lineEdit();
    const bool selected = line->hasSelectedText();
    c.aEditCut->setEnabled(selected && !line->isReadOnly());
    c.aEditCopy->setEnabled(selected);
    c.aEditDelete->setEnabled(selected && !line->isReadOnly());
    c.aEditSelectAll->setEnabled(!line->text().isEmpty() || selected);
    c.aEditUndo->setEnabled(line->text() != editor().baseline() && !line->isReadOnly());
    return menu_;
}

void CellEditorBar::layoutBar()
{
    const auto buttonWidth = [this](QAction *action) {
        QWidget *button = bar_->widgetForAction(action);
        if (!button) {
            // Drop-down buttons sit on the bar as widgets of their own.
            for (QToolButton *tb : bar_->findChildren<QToolButton *>())
                if (tb->defaultAction() == action)
                    button = tb;
        }
        return button && action->isVisible() ? button->sizeHint().width() : 0;
    };
    const NamedCommands &c = editing_.window().commands().named();
    const int reserved = 3 * buttonWidth(c.aPNo) + buttonWidth(c.aPName) + plus_->sizeHint().width()
                         + buttonWidth(c.aPTag) + buttonWidth(c.aPFileInf);
    cmbEdit_->setMinimumWidth(60);
    const int available = bar_->width() - reserved - 2 * bar_->contentsMargins().left() - 16;
    cmbEdit_->setMaximumWidth(std::max(60, available > 60 ? available : QWIDGETSIZE_MAX));
}

bool CellEditorBar::eventFilter(QObject *watched, QEvent *event)
{
    if (editing_.closing())
        return false;
    if (watched == bar_) {
        if (event->type() == QEvent::Resize)
            layoutBar();
        return false;
    }
    if (watched != cmbEdit_ && watched != cmbEdit_->lineEdit())
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // The line edit would claim a command's key for one of its own
        // bindings; the command gets it, on the rows as the box left them.
        if (QAction *command =
                editing_.window().commands().commandOverTextBox(static_cast<QKeyEvent *>(event))) {
            if (CommandSet::keyRuns(command))
                cmbEditExit();
            event->ignore();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        // Keys reach the combo box first, which hands them to its line edit.
        return cmbEditKeyPress(static_cast<QKeyEvent *>(event));
    case QEvent::FocusOut:
        // The box's own menu takes the focus for a moment: that is no exit.
        if (watched == cmbEdit_
            && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            cmbEditExit();
        return false;
    default:
        return false;
    }
    return false;
}

} // namespace qm
