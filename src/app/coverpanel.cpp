#include "app/coverpanel.h"

#include "pictures/pictureimage.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QScrollArea>
#include <QVBoxLayout>

namespace qm {

namespace {

const char *const kTypeNames[] = {
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Другая"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Значок файла"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Другой значок"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Передняя обложка"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Задняя обложка"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Страница буклета"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Носитель"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Ведущий исполнитель"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Исполнитель"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Дирижёр"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Группа"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Композитор"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Автор слов"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Место записи"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Во время записи"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Во время исполнения"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Кадр из видео"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Яркая цветная рыба"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Иллюстрация"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Логотип группы"),
    QT_TRANSLATE_NOOP("qm::CoverPanel", "Логотип издателя"),
};

} // namespace

CoverPanel::CoverPanel(QWidget *parent) : QDockWidget(tr("Картинки"), parent)
{
    setObjectName(QStringLiteral("dockCover"));
    setAcceptDrops(true);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("coverScroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content_ = new QWidget(scroll);
    layout_ = new QVBoxLayout(content_);
    layout_->setAlignment(Qt::AlignTop);
    scroll->setWidget(content_);
    setWidget(scroll);
    const QString hint = tr("Картинки текущего файла; перетащите сюда картинку, чтобы "
                            "установить её выделенным файлам");
    scroll->setToolTip(hint);
    scroll->setStatusTip(hint);
    content_->installEventFilter(this);
    rebuild();
}

QString CoverPanel::droppedImage(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !QImageReader::imageFormat(url.toLocalFile()).isEmpty())
            return url.toLocalFile();
    }
    return {};
}

QString CoverPanel::typeText(quint32 type)
{
    return type < std::size(kTypeNames) ? tr(kTypeNames[type]) : tr("Тип %1").arg(type);
}

QString CoverPanel::caption(const pictures::Picture &picture)
{
    pictures::ImageInfo info{picture.mime, int(picture.width), int(picture.height),
                             picture.data.size()};
    QString ignored;
    pictures::probeImage(picture.data, &info, &ignored);
    return tr("%1, %2, %3×%4, %5 байт")
        .arg(typeText(picture.type), QString::fromLatin1(picture.mime))
        .arg(info.width)
        .arg(info.height)
        .arg(QLocale().toString(picture.data.size()));
}

void CoverPanel::showPictures(const QString &path, const QList<pictures::Picture> &pictures,
                              const QString &reason, bool pending)
{
    path_ = path;
    pictures_ = pictures;
    reason_ = reason;
    pending_ = pending;
    current_ = pictures.isEmpty() ? -1 : 0;
    decoded_.clear();
    unreadable_.clear();
    for (const pictures::Picture &picture : pictures) {
        QImage image;
        pictures::ImageInfo info;
        QString why;
        // Only what passes the size checks is decoded.
        if (pictures::probeImage(picture.data, &info, &why) && !image.loadFromData(picture.data))
            why = tr("Картинка не читается");
        decoded_.append(image);
        unreadable_.append(why);
    }
    rebuild();
}

void CoverPanel::rebuild()
{
    while (QLayoutItem *item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    images_.clear();
    if (pending_) {
        auto *mark = new QLabel(tr("Изменено, будет записано при обновлении"), content_);
        mark->setObjectName(QStringLiteral("coverPending"));
        mark->setWordWrap(true);
        mark->setAlignment(Qt::AlignHCenter);
        QFont bold = mark->font();
        bold.setBold(true);
        mark->setFont(bold);
        layout_->addWidget(mark);
    }
    if (pictures_.isEmpty()) {
        auto *none = new QLabel(path_.isEmpty()     ? tr("Нет файла")
                                : reason_.isEmpty() ? tr("Нет картинок")
                                                    : reason_,
                                content_);
        none->setObjectName(QStringLiteral("coverNone"));
        none->setWordWrap(true);
        layout_->addWidget(none);
        return;
    }
    const int width = std::max(32, content_->width() - 16);
    for (qsizetype i = 0; i < pictures_.size(); ++i) {
        const pictures::Picture &picture = pictures_[i];
        auto *image = new QLabel(content_);
        image->setObjectName(QStringLiteral("coverImage%1").arg(i));
        image->setAlignment(Qt::AlignCenter);
        const QImage &decoded = decoded_[i];
        if (!decoded.isNull()) {
            image->setPixmap(QPixmap::fromImage(
                decoded.width() > width ? decoded.scaledToWidth(width, Qt::SmoothTransformation)
                                        : decoded));
        } else {
            image->setText(unreadable_[i]);
            image->setWordWrap(true);
        }
        image->installEventFilter(this);
        images_.append(image);
        auto *text = new QLabel(caption(picture), content_);
        text->setObjectName(QStringLiteral("coverCaption%1").arg(i));
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignHCenter);
        layout_->addWidget(image);
        layout_->addWidget(text);
    }
}

void CoverPanel::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedImage(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CoverPanel::dropEvent(QDropEvent *event)
{
    const QString image = droppedImage(event->mimeData());
    if (image.isEmpty())
        return;
    event->acceptProposedAction();
    emit imageDropped(image);
}

void CoverPanel::resizeEvent(QResizeEvent *event)
{
    QDockWidget::resizeEvent(event);
    if (!pictures_.isEmpty())
        rebuild();
}

bool CoverPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ContextMenu) {
        const auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        const int at = int(images_.indexOf(qobject_cast<QLabel *>(watched)));
        if (at >= 0)
            current_ = at;
        emit contextMenuWanted(menuEvent->globalPos());
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}

} // namespace qm
