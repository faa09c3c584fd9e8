#pragma once

#include <QDialog>
#include <QString>

class QListWidget;

namespace qm {

class TfrmTagEditor;

// "Кодовая страница": the 8-bit code page the old tags of the selected
// rows' files are read in, one of the usual ones for Russian tags or the
// options' own.
class TfrmCodepage : public QDialog {
    Q_OBJECT
public:
    // `current` is preselected (empty: the options' code page).
    explicit TfrmCodepage(const QString &current, QWidget *parent = nullptr);

    // The code page chosen; empty for the options' one.
    QString chosen() const;

private:
    QListWidget *lstCodepages_ = nullptr;
};

// The command "Кодовая страница…" in the Replace menu and the cells' menu:
// the chosen code page for the files of the selected rows, their tags read
// again in it.
void connectCodepageCommand(TfrmTagEditor &window);

} // namespace qm
