#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace qm {

class IniFile;

// The folders a folder box names: the text is put in double quotes unless it
// already begins or ends with one (so an unquoted folder with blanks is one
// folder), split as comma text, every entry that is not an existing folder
// dropped and a closing "/" removed ("/" itself stays). Order is kept.
// Unquoted text that names an existing folder as it stands is that folder,
// double quotes in its name and all.
QStringList scanFolderList(const QString &folderBoxText);

// The add-directory dialog "Сканирование директории": the folders, the file
// mask and the two switches of a folder scan, kept in section ScanDir.
//
// The window shows it with exec() from aAddDirectory. Add emits
// addRequested with the existing folders and closes; the window starts the
// add job with them and with filter(), caseSensitive(), scanSubFolders(),
// which also govern folders dropped on the window.
class TfrmAddDirectory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddDirectory(QWidget *parent = nullptr);

    QString folderText() const;
    QString filter() const;
    bool caseSensitive() const;
    bool scanSubFolders() const;

    // Section ScanDir: a missing key keeps the control's value.
    void readSettings(const IniFile &ini);
    void writeSettings(IniFile &ini) const;

    static QString filterHint();
    static QString filterHelp();

signals:
    void addRequested(const QStringList &folders, const QString &filter, bool caseSensitive,
                      bool scanSubFolders);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void btnAddClick();
    void btnBrowseClick();
    void btnHelpFilterClick();
    // A box whose text is wider than the box shows the whole text as its hint.
    void updateLongTextHint(QWidget *box, const QString &text, const QString &hint);

    QLineEdit *txtScanFolder_ = nullptr;
    QComboBox *cmbFilter_ = nullptr;
    QCheckBox *chbCaseSensitive_ = nullptr;
    QCheckBox *chbScanSubFolders_ = nullptr;
};

} // namespace qm
