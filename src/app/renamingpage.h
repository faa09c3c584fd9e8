#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace qm {

class Options;

// The options' page of renaming: whether an album's other files follow it
// and which files those are, and whether a move shows its plan first. A
// change goes into the options at once, as on the other pages.
class RenamingPage : public QWidget {
    Q_OBJECT
public:
    explicit RenamingPage(Options &options, QWidget *parent = nullptr);
    // Shows the options as they are now.
    void sync();

private:
    Options &options_;
    QCheckBox *chbMoveCompanions_;
    QLineEdit *edtCompanionPatterns_;
    QCheckBox *chbShowMovePlan_;
};

} // namespace qm
