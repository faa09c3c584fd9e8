#pragma once

#include "jobs/picturejob.h"

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QMimeData;
class QWidget;

namespace qm {

class CoverPanel;
class IniFile;
class TfrmTagEditor;

// The picture commands of the window: the cover panel (a dock shown and
// hidden from "&Вид"), the menu "&Картинки" and the panel's context menu
// with the same commands, over the selected rows; an image dropped on the
// panel or on selected rows is set on them. A change waits on the files
// (undone with the table's steps) until the update writes it with the rows'
// tags, through the journal, so "Отменить последнее обновление" puts the
// old pictures back.
// The section [Pictures] keeps the panel's state and the shrink limits.
class PictureCommands : public QObject {
    Q_OBJECT
public:
    explicit PictureCommands(TfrmTagEditor &window);

    QMenu *menu() const { return menu_; }
    CoverPanel *panel() const { return panel_; }
    QAction *panelCommand() const;
    const pictures::ShrinkOptions &shrinkOptions() const { return shrink_; }
    // The options dialog's page of the shrink limits (made once, owned by
    // whoever shows it); a change takes effect at once.
    QWidget *optionsPage();

    void readSettings(const IniFile &ini);
    void writeSettings(IniFile &ini) const;

    // An image file dropped at `at` (the window's coordinates) over a
    // selected row is set on the selected rows; false when the drop is
    // something else.
    bool dropOnRows(const QMimeData *data, const QPoint &at);

    // The commands, as the menu runs them.
    void setImage(const QString &image);
    void setFromFolders();
    void extractCurrent(const QString &output);
    void removeAll();
    void shrinkLarge();

private:
    // The files of the selected rows, in row order.
    QStringList selectedFiles() const;
    void start(const QStringList &files, const PictureCommand &command);
    void showCurrentRow();
    void chooseImage();
    void chooseOutput();
    void showOptionsPage();
    void ended(const QList<PictureFailure> &failures);

    TfrmTagEditor &window_;
    CoverPanel *panel_;
    QMenu *menu_;
    QList<QAction *> changing_; // the commands that change files
    pictures::ShrinkOptions shrink_{1000, 90, false};
    QWidget *optionsPage_ = nullptr;
};

} // namespace qm
