#include "app/alphabeteditor.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridediting.h"
#include "app/mainwindow.h"
#include "app/variantsrestore.h"
#include "session/session.h"

namespace qm {

bool AlphabetQuestions::confirm(QWidget *parent, const QString &caption, const QString &text)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

QString AlphabetQuestions::askName(QWidget *parent)
{
    return QInputDialog::getText(parent, TfrmAlphabetEditor::tr("Имя алфавита"),
                                 TfrmAlphabetEditor::tr("Введите имя алфавита"));
}

void AlphabetQuestions::warn(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

TfrmAlphabetEditor::TfrmAlphabetEditor(Session &session, AlphabetQuestions &questions,
                                       QWidget *parent)
    : QDialog(parent), session_(session), questions_(questions)
{
    setObjectName(QStringLiteral("frmAlphabetEditor"));
    setWindowTitle(tr("Редактор алфавита"));
    setModal(true);
    auto *bar = new QToolBar(this);
    cmbAlphabet = new QComboBox(bar);
    cmbAlphabet->setObjectName(QStringLiteral("cmbAlphabet"));
    cmbAlphabet->setToolTip(tr("Название алфавита"));
    bar->addWidget(cmbAlphabet);
    const auto button = [this, bar](const char *name, const QString &text) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setToolTip(text);
        bar->addWidget(b);
        return b;
    };
    tbtNew = button("tbtNew", tr("Очистить"));
    tbtDeleteAlphabet = button("tbtDeleteAlphabet", tr("Удалить алфавит"));
    tbtSaveAlphabet = button("tbtSaveAlphabet", tr("Сохранить алфавит"));
    sgrAlphabet = new QTableWidget(0, 2, this);
    sgrAlphabet->setObjectName(QStringLiteral("sgrAlphabet"));
    // The file keeps its own column headers in every language; these are
    // only the captions shown.
    sgrAlphabet->setHorizontalHeaderLabels({tr("Символ"), tr("Замена")});
    // The row header is the narrow first column; rows are dragged by it.
    sgrAlphabet->verticalHeader()->setSectionsMovable(true);
    sgrAlphabet->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    sgrAlphabet->verticalHeader()->setFixedWidth(16);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(sgrAlphabet, 1);

    connect(cmbAlphabet, &QComboBox::activated, this, [this](int index) {
        session_.selectAlphabet(index, grid_.pairs());
        loadAlphabet();
    });
    connect(sgrAlphabet, &QTableWidget::cellChanged, this, &TfrmAlphabetEditor::cellEdited);
    connect(sgrAlphabet->verticalHeader(), &QHeaderView::sectionMoved, this,
            &TfrmAlphabetEditor::rowMoved);
    connect(tbtNew, &QToolButton::clicked, this, [this] {
        grid_.clear();
        fillTable();
    });
    connect(tbtSaveAlphabet, &QToolButton::clicked, this, &TfrmAlphabetEditor::saveClicked);
    connect(tbtDeleteAlphabet, &QToolButton::clicked, this, &TfrmAlphabetEditor::deleteClicked);
    connect(&session_, &Session::alphabetsChanged, this, &TfrmAlphabetEditor::fillNames);
    loadAlphabet();
}

void TfrmAlphabetEditor::showEvent(QShowEvent *event)
{
    loadAlphabet();
    QDialog::showEvent(event);
}

void TfrmAlphabetEditor::loadAlphabet()
{
    grid_.load(session_.alphabets().pairs());
    fillNames();
    fillTable();
}

void TfrmAlphabetEditor::fillNames()
{
    const QSignalBlocker blocker(cmbAlphabet);
    cmbAlphabet->clear();
    cmbAlphabet->addItems(session_.alphabets().names());
    cmbAlphabet->setCurrentIndex(session_.alphabets().current());
    tbtDeleteAlphabet->setEnabled(session_.alphabets().names().size() > 1);
}

void TfrmAlphabetEditor::fillTable()
{
    filling_ = true;
    sgrAlphabet->setRowCount(grid_.rowCount());
    for (int row = 0; row < grid_.rowCount(); ++row) {
        for (int column = 0; column < 2; ++column) {
            const QString text = grid_.text(row, AlphabetGrid::Column(column));
            QTableWidgetItem *item = sgrAlphabet->item(row, column);
            if (!item)
                sgrAlphabet->setItem(row, column, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
    }
    filling_ = false;
}

void TfrmAlphabetEditor::cellEdited(int row, int column)
{
    if (filling_)
        return;
    const QTableWidgetItem *item = sgrAlphabet->item(row, column);
    grid_.setText(row, AlphabetGrid::Column(column), item ? item->text() : QString());
    // Refilled after the edit has ended: the editor may still own the item.
    QMetaObject::invokeMethod(this, &TfrmAlphabetEditor::fillTable, Qt::QueuedConnection);
}

void TfrmAlphabetEditor::rowMoved(int, int from, int to)
{
    // The header only showed the drag: the rows themselves move in the
    // table of pairs, and the header goes back to its plain order.
    QHeaderView *header = sgrAlphabet->verticalHeader();
    {
        const QSignalBlocker blocker(header);
        header->moveSection(to, from);
    }
    grid_.moveRow(from, to);
    fillTable();
}

bool TfrmAlphabetEditor::closeQuery()
{
    // A cell still open for typing (the window closed from its frame) would
    // hand its text over only once hidden, after the question and too late:
    // leaving its index hands it over now.
    const QWidget *focus = QApplication::focusWidget();
    if (focus && sgrAlphabet->viewport()->isAncestorOf(focus)) {
        const QModelIndex at = sgrAlphabet->currentIndex();
        sgrAlphabet->setCurrentIndex(QModelIndex());
        sgrAlphabet->setCurrentIndex(at);
    }
    if (!grid_.modified())
        return true;
    const QString text =
        tr("Сохранить изменения в алфавите \"%1\"?").arg(session_.alphabets().currentName());
    if (questions_.confirm(this, tr("Подтведите"), text))
        session_.saveAlphabet(grid_.pairs());
    loadAlphabet();
    return true;
}

void TfrmAlphabetEditor::done(int result)
{
    if (closeQuery())
        QDialog::done(result);
}

void TfrmAlphabetEditor::saveClicked()
{
    for (;;) {
        const QString name = questions_.askName(this).trimmed();
        if (name.isEmpty())
            return;
        if (!AlphabetBook::isStorableName(name)) {
            questions_.warn(this, tr("Имя алфавита"),
                            tr("Имя алфавита не может содержать «=» и начинаться с «;» или «[».")
                                + u' ' + name);
            continue;
        }
        if (session_.alphabets().indexOf(name) >= 0
            && !questions_.confirm(this, tr("Подтведите"),
                                   tr("Алфавит с этим именем уже существует,"
                                      "заменить его?")))
            continue;
        session_.saveAlphabetAs(name, grid_.pairs());
        grid_.setModified(false);
        fillNames();
        return;
    }
}

void TfrmAlphabetEditor::deleteClicked()
{
    if (!questions_.confirm(this, tr("Подтвердитe"), tr("Вы хотите удалить текущий алфавит?")))
        return;
    session_.removeAlphabet();
    loadAlphabet();
}

void connectAlphabetCommands(TfrmTagEditor &window)
{
    static AlphabetQuestions boxes;
    connectAlphabetCommands(window, boxes);
}

void connectAlphabetCommands(TfrmTagEditor &window, AlphabetQuestions &questions)
{
    Session &session = window.session();
    CommandSet &c = window.commands();
    session.openAlphabets(alphabetFilePath(), true);
    auto *editor = new TfrmAlphabetEditor(session, questions, &window);
    auto *variants = new TfrmVariantsRestore(session, window.editing(), questions, &window);
    for (const char *name : {"aAlphabetEditor", "aReplace", "aRestore", "aVariantsRestore"}) {
        QAction *action = c[QString::fromLatin1(name)];
        CommandSet::setPending(action, false);
        CommandSet::setInUse(action, true);
    }
    QObject::connect(c[QStringLiteral("aAlphabetEditor")], &QAction::triggered, editor,
                     &QDialog::exec);
    QObject::connect(
        c[QStringLiteral("aReplace")], &QAction::triggered, &window,
        [&window, &session] { session.replaceByAlphabet(window.editing().selection()); });
    QObject::connect(
        c[QStringLiteral("aRestore")], &QAction::triggered, &window,
        [&window, &session] { session.restoreByAlphabet(window.editing().selection()); });
    QObject::connect(c[QStringLiteral("aVariantsRestore")], &QAction::triggered, variants,
                     &TfrmVariantsRestore::start);
    QObject::connect(&session, &Session::alphabetRestored, variants, [&window, variants] {
        window.editing().computeEditorText();
        variants->start();
    });

    // One radio item per alphabet, in the list's order, in the menu that the
    // main menu and the tool button share.
    QMenu *menu = window.findChild<QMenu *>(QStringLiteral("mmiAlphabet"));
    if (!menu)
        return;
    auto *group = new QActionGroup(menu);
    const auto rebuild = [menu, group, &session] {
        for (QAction *action : group->actions())
            delete action;
        const QStringList &names = session.alphabets().names();
        for (int i = 0; i < names.size(); ++i) {
            QAction *item = menu->addAction(names[i]);
            item->setCheckable(true);
            item->setChecked(i == session.alphabets().current());
            group->addAction(item);
            QObject::connect(item, &QAction::triggered, menu, [&session, i] {
                session.selectAlphabet(i, session.alphabets().pairs());
            });
        }
    };
    QObject::connect(&session, &Session::alphabetsChanged, menu, rebuild);
    rebuild();
}

} // namespace qm
