#pragma once

#include <QDialog>

#include "text/cellfinder.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace qm {

class GridEditing;
class IniFile;
class Session;

// The modeless dialog "Найти и заменить": walks the table for a text in
// the chosen order and direction, shows the matched cell with the match
// selected and makes it the table's current cell, and replaces one match
// or every match. Its options and the last ten search and replacement
// texts live in section Find. The search state is the session's.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    TfrmFind(Session &session, GridEditing &editing, QWidget *parent);

    // aFind (page 0, "Найти") and aFReplace (page 1, "Заменить").
    void showPage(int page);
    // Who answers "Поиск завершен. ..."; a message box unless set.
    void setRepeatQuestion(RepeatQuestion question) { question_ = std::move(question); }

    // Section Find: a missing key keeps the control's value.
    void readSettings(const IniFile &ini);
    void writeSettings(IniFile &ini) const;

    void btnFindClick();
    void btnReplaceClick();
    void btnReplaceAllClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tbcRepFindChange();
    void cmbDirectionChange();
    FindRequest request() const;
    void updateHistories();
    bool askRepeat(bool forward);
    RepeatQuestion question();
    void showMatch(const FindMatch &match);
    void selectMatchInBox();

    Session &session_;
    GridEditing &editing_;
    RepeatQuestion question_;
    QLineEdit *edtCellString_ = nullptr;
    QTabBar *tbcRepFind_ = nullptr;
    QComboBox *cmbFind_ = nullptr;
    QLabel *lblReplace_ = nullptr;
    QComboBox *cmbReplace_ = nullptr;
    QCheckBox *chbCaseSensitive_ = nullptr;
    QCheckBox *chbWholeWordsOnly_ = nullptr;
    QComboBox *cmbDirection_ = nullptr;
    QButtonGroup *rdgOrderOfSearch_ = nullptr;
    QPushButton *btnFind_ = nullptr;
    QPushButton *btnReplace_ = nullptr;
    QPushButton *btnReplaceAll_ = nullptr;
    QPushButton *btnClose_ = nullptr;
};

} // namespace qm
