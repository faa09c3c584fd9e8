#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qm {

// The About window: the program's name and version, the terms it and Qt
// come under, and the folder whose settings are in use.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    TfrmAbout(const QString &settingsFolder, QWidget *parent = nullptr);

    QLabel *text() const { return lblText_; }
    QPushButton *aboutQtButton() const { return btnAboutQt_; }

private:
    QLabel *lblText_;
    QPushButton *btnAboutQt_;
};

} // namespace qm
