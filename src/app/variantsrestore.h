#pragma once

#include <QDialog>

#include "text/variants.h"

class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;

namespace qm {

class AlphabetQuestions;
class GridEditing;
class Session;

// "Варианты восстановления": walks the selected cells and stops at each
// character the current alphabet restores ambiguously, offering its
// alternatives. Modeless; each opening starts the walk anew.
class TfrmVariantsRestore : public QDialog {
    Q_OBJECT
public:
    TfrmVariantsRestore(Session &session, GridEditing &editing, AlphabetQuestions &questions,
                        QWidget *parent = nullptr);

    QLineEdit *edtWord = nullptr;
    QComboBox *cmbVariantsRestore = nullptr;
    // The combo's list, always open under it.
    QListView *lstVariants = nullptr;
    QPushButton *btnApply = nullptr;
    QPushButton *btnPass = nullptr;

    // Shows the window with the groups of the current alphabet and the walk
    // at the selection's top-left cell.
    void start();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Finds the next stop; at the end of the selection asks whether to
    // start again (not on the search made when the window opens).
    void search(bool first);
    void preview(const QString &text);
    void selectCharacter();

    Session &session_;
    GridEditing &editing_;
    AlphabetQuestions &questions_;
    VariantWalk walk_;
    int position_ = -1; // 0-based position of the character under review
};

} // namespace qm
