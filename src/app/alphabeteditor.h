#pragma once

#include <QDialog>
#include <QString>

#include "text/alphabet.h"

class QComboBox;
class QTableWidget;
class QToolButton;

namespace qm {

class Session;
class TfrmTagEditor;

// The questions of the alphabet windows; tests answer them without boxes.
class AlphabetQuestions {
public:
    virtual ~AlphabetQuestions() = default;
    // A Yes/No question with the question icon: true for Yes.
    virtual bool confirm(QWidget *parent, const QString &caption, const QString &text);
    // The name box of "Сохранить алфавит"; empty for Cancel.
    virtual QString askName(QWidget *parent);
    // A message with the warning icon and OK.
    virtual void warn(QWidget *parent, const QString &caption, const QString &text);
};

// "Редактор алфавита": the current alphabet's pairs, switching, saving under
// a name and deleting alphabets. Modal; the session holds the alphabets.
class TfrmAlphabetEditor : public QDialog {
    Q_OBJECT
public:
    TfrmAlphabetEditor(Session &session, AlphabetQuestions &questions, QWidget *parent = nullptr);

    QComboBox *cmbAlphabet = nullptr;
    QToolButton *tbtNew = nullptr;
    QToolButton *tbtDeleteAlphabet = nullptr;
    QToolButton *tbtSaveAlphabet = nullptr;
    QTableWidget *sgrAlphabet = nullptr;
    const AlphabetGrid &grid() const { return grid_; }

    // The close question: true when closing may go on (always, as built).
    bool closeQuery();
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void loadAlphabet();
    void fillTable();
    void fillNames();
    void cellEdited(int row, int column);
    void rowMoved(int logical, int from, int to);
    void saveClicked();
    void deleteClicked();

    Session &session_;
    AlphabetQuestions &questions_;
    AlphabetGrid grid_;
    bool filling_ = false;
};

// The alphabet commands of the main window: the file, the radio menu
// mmiAlphabet, the editor, replace and restore (tlbRelace follows them) and
// the variants window, opened after each restore.
void connectAlphabetCommands(TfrmTagEditor &window);
void connectAlphabetCommands(TfrmTagEditor &window, AlphabetQuestions &questions);

} // namespace qm
