#include "app/variantsrestore.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <algorithm>

#include "app/alphabeteditor.h"
#include "app/gridediting.h"
#include "session/session.h"
#include "text/rowsort.h"

namespace qm {

TfrmVariantsRestore::TfrmVariantsRestore(Session &session, GridEditing &editing,
                                         AlphabetQuestions &questions, QWidget *parent)
    : QDialog(parent), session_(session), editing_(editing), questions_(questions)
{
    setObjectName(QStringLiteral("frmVariantsRestore"));
    setWindowTitle(tr("Варианты восстановления"));
    setModal(false);
    edtWord = new QLineEdit(this);
    edtWord->setObjectName(QStringLiteral("edtWord"));
    edtWord->setReadOnly(true);
    cmbVariantsRestore = new QComboBox(this);
    cmbVariantsRestore->setObjectName(QStringLiteral("cmbVariantsRestore"));
    cmbVariantsRestore->setEditable(true);
    cmbVariantsRestore->setInsertPolicy(QComboBox::NoInsert);
    lstVariants = new QListView(this);
    lstVariants->setObjectName(QStringLiteral("lstVariants"));
    lstVariants->setModel(cmbVariantsRestore->model());
    lstVariants->setEditTriggers(QAbstractItemView::NoEditTriggers);
    btnApply = new QPushButton(tr("Применить"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnPass = new QPushButton(tr("Попустить"), this);
    btnPass->setObjectName(QStringLiteral("btnPass"));
    auto *layout = new QGridLayout(this);
    layout->addWidget(edtWord, 0, 0, 1, 2);
    layout->addWidget(cmbVariantsRestore, 1, 0, 1, 2);
    layout->addWidget(lstVariants, 2, 0, 1, 2);
    layout->addWidget(btnApply, 3, 0);
    layout->addWidget(btnPass, 3, 1);
    // Wide enough for the caption (with room for the frame's buttons).
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 120);
    edtWord->installEventFilter(this);

    connect(btnApply, &QPushButton::clicked, this, [this] {
        // The editor box's analysis holds the cells as they were: typing
        // there next would write the old character back.
        if (position_ >= 0 && session_.applyVariant(walk_, cmbVariantsRestore->currentText()))
            editing_.computeEditorText();
        search(false);
    });
    connect(btnPass, &QPushButton::clicked, this, [this] { search(false); });
    connect(cmbVariantsRestore, &QComboBox::currentTextChanged, this,
            &TfrmVariantsRestore::preview);
    // A choice in the list is the combo's choice, shown in the word.
    connect(lstVariants, &QListView::clicked, this, [this](const QModelIndex &index) {
        cmbVariantsRestore->setCurrentIndex(index.row());
        edtWord->setFocus();
    });
    connect(cmbVariantsRestore, &QComboBox::currentIndexChanged, this, [this](int row) {
        lstVariants->setCurrentIndex(cmbVariantsRestore->model()->index(row, 0));
    });
}

bool TfrmVariantsRestore::eventFilter(QObject *watched, QEvent *event)
{
    // A key or a click in the word puts the selection back on the
    // character under review.
    if (watched == edtWord
        && (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease))
        selectCharacter();
    return QDialog::eventFilter(watched, event);
}

void TfrmVariantsRestore::start()
{
    walk_ = VariantWalk(session_.alphabets().pairs());
    walk_.restart(editing_.selection());
    position_ = -1;
    edtWord->clear();
    cmbVariantsRestore->clear();
    show();
    raise();
    search(true);
}

void TfrmVariantsRestore::search(bool first)
{
    // One new start per question: a selection without stops ends the walk.
    for (bool restarted = false;; restarted = true) {
        {
            // Emptying the list is no choice: the word stays as it is.
            const QSignalBlocker quiet(cmbVariantsRestore);
            cmbVariantsRestore->clear();
        }
        const std::optional<VariantStop> stop = walk_.next(session_.table(), editing_.selection());
        if (stop) {
            position_ = stop->position;
            edtWord->setText(stop->text);
            QStringList alternatives = stop->alternatives;
            const QCollator order = textCollator();
            std::stable_sort(alternatives.begin(), alternatives.end(), order);
            const QSignalBlocker blocker(cmbVariantsRestore);
            cmbVariantsRestore->addItems(alternatives);
            cmbVariantsRestore->setCurrentText(stop->character);
            lstVariants->setCurrentIndex(
                cmbVariantsRestore->model()->index(cmbVariantsRestore->currentIndex(), 0));
            selectCharacter();
            return;
        }
        position_ = -1;
        if (first || restarted)
            return;
        if (!questions_.confirm(this, tr("Подтвердитe"),
                                tr("Поиск символов завершен. Начать поиск с начала?"))) {
            close();
            return;
        }
        walk_.restart(editing_.selection());
    }
}

void TfrmVariantsRestore::preview(const QString &text)
{
    if (position_ < 0)
        return;
    // Only the edit box shows the choice; the cell waits for "Применить".
    const int start = edtWord->selectionStart();
    if (start < 0)
        return;
    QString shown = edtWord->text();
    shown.replace(start, edtWord->selectedText().size(), text);
    edtWord->setText(shown);
    edtWord->setSelection(start, int(text.size()));
}

void TfrmVariantsRestore::selectCharacter()
{
    if (position_ < 0)
        return;
    const QStringList characters = splitCharacters(edtWord->text());
    const qsizetype from = characters.mid(0, position_).join(QString()).size();
    edtWord->setSelection(int(from), int(characters.value(position_).size()));
}

} // namespace qm
