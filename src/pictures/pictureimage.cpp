#include "pictures/pictureimage.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace qm::pictures {

namespace {

// Enough for an image of kMaxSide by kMaxSide pixels of four bytes.
constexpr int kAllocationLimitMb = 256;

QByteArray mimeOf(const QByteArray &format)
{
    if (format == "jpg" || format == "jpeg")
        return QByteArrayLiteral("image/jpeg");
    return "image/" + format;
}

// Why the reader could not read the image, in the program's words where
// Qt's are no help.
QString readerFault(const QImageReader &reader)
{
    switch (reader.error()) {
    case QImageReader::UnsupportedFormatError:
        return ImageText::NotAnImage(ImageText::tr("формат не распознан"));
    case QImageReader::InvalidDataError:
        return ImageText::NotAnImage(ImageText::tr("данные картинки повреждены"));
    default:
        return ImageText::NotAnImage(reader.errorString());
    }
}

// Reads the header only; `reader` stays on `buffer` for decoding.
bool probe(QImageReader &reader, const QByteArray &bytes, ImageInfo *info, QString *reason)
{
    if (bytes.size() > kMaxBytes) {
        *reason = ImageText::TooManyBytes(bytes.size());
        return false;
    }
    reader.setAllocationLimit(kAllocationLimitMb);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead()) {
        *reason = readerFault(reader);
        return false;
    }
    const QSize size = reader.size();
    if (!size.isValid()) {
        *reason = readerFault(reader);
        return false;
    }
    if (size.width() > kMaxSide || size.height() > kMaxSide) {
        *reason = ImageText::TooManyPixels(size.width(), size.height());
        return false;
    }
    *info = {mimeOf(format), size.width(), size.height(), bytes.size()};
    return true;
}

bool decode(QImageReader &reader, QImage *image, QString *reason)
{
    if (reader.read(image) && !image->isNull())
        return true;
    *reason = readerFault(reader);
    return false;
}

} // namespace

QString ImageText::TooManyBytes(qint64 size)
{
    return tr("Картинка слишком велика: %1 байт (не больше %2)").arg(size).arg(kMaxBytes);
}

QString ImageText::TooManyPixels(int width, int height)
{
    return tr("Картинка слишком велика: %1×%2 точек (не больше %3 по стороне)")
        .arg(width)
        .arg(height)
        .arg(kMaxSide);
}

QString ImageText::NotAnImage(const QString &why) { return tr("Не картинка: %1").arg(why); }

bool probeImage(const QByteArray &bytes, ImageInfo *info, QString *reason)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return probe(reader, bytes, info, reason);
}

bool checkImage(const QByteArray &bytes, ImageInfo *info, QString *reason)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image;
    return probe(reader, bytes, info, reason) && decode(reader, &image, reason);
}

bool shrinkImage(const QByteArray &bytes, const ShrinkOptions &options, QByteArray *out,
                 ImageInfo *info, QString *reason)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image;
    if (!probe(reader, bytes, info, reason) || !decode(reader, &image, reason))
        return false;
    if (options.maxSide <= 0 || std::max(info->width, info->height) <= options.maxSide) {
        *out = bytes;
        return true;
    }
    const QImage scaled = image.scaled(options.maxSide, options.maxSide, Qt::KeepAspectRatio,
                                       Qt::SmoothTransformation);
    const bool png = info->mime == "image/png" && !options.pngToJpeg;
    QByteArray encoded;
    QBuffer target(&encoded);
    target.open(QIODevice::WriteOnly);
    QImageWriter writer(&target, png ? "png" : "jpeg");
    if (!png)
        writer.setQuality(options.jpegQuality);
    // JPEG has no alpha: transparent parts become white, not black.
    QImage written = scaled;
    if (!png && scaled.hasAlphaChannel()) {
        written = QImage(scaled.size(), QImage::Format_RGB32);
        written.fill(Qt::white);
        QPainter painter(&written);
        painter.drawImage(0, 0, scaled);
    }
    if (!writer.write(written)) {
        *reason = ImageText::NotAnImage(writer.errorString());
        return false;
    }
    *out = encoded;
    *info = {png ? QByteArrayLiteral("image/png") : QByteArrayLiteral("image/jpeg"),
             written.width(), written.height(), encoded.size()};
    return true;
}

QStringList folderPictureNames()
{
    QStringList names;
    for (const char *base : {"cover", "folder", "front", "album", "albumart"})
        for (const char *extension : {".jpg", ".jpeg", ".png"})
            names.append(QLatin1String(base) + QLatin1String(extension));
    return names;
}

QString folderPicture(const QString &folder)
{
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Readable | QDir::Hidden);
    for (const QString &name : folderPictureNames()) {
        for (const QString &entry : entries) {
            if (entry.compare(name, Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
        }
    }
    return {};
}

} // namespace qm::pictures
