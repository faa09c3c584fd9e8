#pragma once

#include "formats/pictures.h"

#include <QDockWidget>
#include <QImage>
#include <QList>
#include <QString>

class QLabel;
class QMimeData;
class QVBoxLayout;

namespace qm {

// The dock beside the table with the current row's pictures, one after
// another: the image scaled to the panel's width, under it its type, MIME
// type, pixel size and byte size. An image file dropped on it is offered
// to whoever connects to imageDropped.
class CoverPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit CoverPanel(QWidget *parent = nullptr);

    // The pictures of `path` (empty: no file) are shown; `reason` says why
    // there are none to show when the file could not be read. `pending`:
    // they are the pictures an update is to write, marked as such.
    void showPictures(const QString &path, const QList<pictures::Picture> &pictures,
                      const QString &reason = {}, bool pending = false);
    const QString &path() const { return path_; }
    const QList<pictures::Picture> &pictures() const { return pictures_; }
    // The picture the context menu was opened over, or the first one; -1
    // when there is none.
    int currentPicture() const { return current_; }
    // The caption under a picture: "Передняя обложка, image/jpeg, 600×600,
    // 48 213 байт".
    static QString caption(const pictures::Picture &picture);
    static QString typeText(quint32 type);
    // The first local image file among dropped URLs, or empty.
    static QString droppedImage(const QMimeData *data);

signals:
    void imageDropped(const QString &path);
    void contextMenuWanted(const QPoint &globalPos);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuild();

    QString path_;
    QList<pictures::Picture> pictures_;
    QString reason_;
    bool pending_ = false;
    int current_ = -1;
    QWidget *content_ = nullptr;
    QVBoxLayout *layout_ = nullptr;
    QList<QLabel *> images_;
    // Each picture decoded once (null: it does not decode, with the reason).
    QList<QImage> decoded_;
    QStringList unreadable_;
};

} // namespace qm
