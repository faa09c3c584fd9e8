#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

#include "lists/speclist.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qm {

class IniFile;

// What the special-list dialog takes from the main window when it opens.
struct SpecListViews {
    int tagView = 0; // 0 none, 1 ID3v1, 2 ID3v2
    bool fileInfo = false;
    bool separateNumbering = false;
};

// "Cпециальный список": the row template and the folder title template of
// the special list, edited with a button per metasymbol, kept in section
// SpecList. Save hands over to the save dialog with the special list's
// filter chosen (saveRequested).
class TfrmSpecList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSpecList(QWidget *parent = nullptr);

    // Asked each time the dialog opens.
    void setViewSource(std::function<SpecListViews()> source) { viewSource_ = std::move(source); }
    // The enabling, captions and colours that follow the window's views.
    void applyViews(const SpecListViews &views);

    SpecListTemplates templates() const;
    // Section SpecList: a missing key keeps the box's text.
    void readSettings(const IniFile &ini);
    void writeSettings(IniFile &ini) const;

    // The button of a metasymbol ("%TT"), nullptr for none.
    QPushButton *codeButton(const QString &code) const;

    QLineEdit *txtTitleStr = nullptr;
    QLineEdit *txtString = nullptr;
    QCheckBox *chbTitleStr = nullptr;
    QGroupBox *grbGen = nullptr;
    QGroupBox *grbTag = nullptr;
    QGroupBox *grbID3Tagv2 = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnClose = nullptr;

signals:
    void saveRequested();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pasteSymbols(const QString &code);
    void chbTitleStrClick(bool ticked);
    void colourTitle();
    void remember(QLineEdit *box);

    struct CodeButton {
        QPushButton *button;
        QString code;
    };
    QList<CodeButton> buttons_;
    std::function<SpecListViews()> viewSource_;
    bool separate_ = false;
    // Where a code goes: the box left last, its caret and selection then.
    QLineEdit *target_ = nullptr;
    int targetStart_ = -1;
    int targetLength_ = 0;
};

} // namespace qm
