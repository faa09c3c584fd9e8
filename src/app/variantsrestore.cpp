#include "app/variantsrestore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/alphabeteditor.h"
#include "app/gridediting.h"
#include "session/session.h"

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
    btnApply = new QPushButton(tr("Применить"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnPass = new QPushButton(tr("Попустить"), this);
    btnPass->setObjectName(QStringLiteral("btnPass"));
    auto *layout = new QGridLayout(this);
    layout->addWidget(edtWord, 0, 0, 1, 2);
    layout->addWidget(cmbVariantsRestore, 1, 0, 1, 2);
    layout->addWidget(btnApply, 2, 0);
    layout->addWidget(btnPass, 2, 1);

    connect(btnApply, &QPushButton::clicked, this, [this] {
        if (position_ >= 0)
            session_.applyVariant(walk_, cmbVariantsRestore->currentText());
        search(false);
    });
    connect(btnPass, &QPushButton::clicked, this, [this] { search(false); });
    connect(cmbVariantsRestore, &QComboBox::currentTextChanged, this,
            &TfrmVariantsRestore::preview);
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
        cmbVariantsRestore->clear();
        const std::optional<VariantStop> stop = walk_.next(session_.table(), editing_.selection());
        if (stop) {
            position_ = stop->position;
            edtWord->setText(stop->text);
            QStringList alternatives = stop->alternatives;
            alternatives.sort();
            const QSignalBlocker blocker(cmbVariantsRestore);
            cmbVariantsRestore->addItems(alternatives);
            cmbVariantsRestore->setCurrentText(stop->character);
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
    const QStringList characters = splitCharacters(edtWord->text());
    const qsizetype from = characters.mid(0, position_).join(QString()).size();
    edtWord->setSelection(int(from), int(characters.value(position_).size()));
}

} // namespace qm
