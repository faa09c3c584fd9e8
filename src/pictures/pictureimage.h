#pragma once

// A picture's bytes as an image: what it is before it is decoded, whether
// it decodes, and a smaller copy of it. Huge images are refused from their
// header alone, before any pixel is decoded.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace qm::pictures {

// Images larger than this on a side, or in bytes, are refused unread.
constexpr int kMaxSide = 8000;
constexpr qint64 kMaxBytes = qint64(16) << 20;

struct ImageInfo {
    QByteArray mime; // "image/jpeg", "image/png", ...
    int width = 0;
    int height = 0;
    qint64 size = 0; // bytes
};

// Why an image was refused; the texts are the program's.
class ImageText {
    Q_DECLARE_TR_FUNCTIONS(ImageText)
public:
    static QString TooManyBytes(qint64 size);
    static QString TooManyPixels(int width, int height);
    static QString NotAnImage(const QString &why);
};

// The image's kind and size from its header alone; false with the reason
// when it is no image Qt reads or is too big.
bool probeImage(const QByteArray &bytes, ImageInfo *info, QString *reason);
// probeImage, then the whole image decoded (within Qt's allocation limit):
// false with the reason when it does not decode.
bool checkImage(const QByteArray &bytes, ImageInfo *info, QString *reason);

// What shrinking gives a picture.
struct ShrinkOptions {
    int maxSide = 0;        // pixels; 0: any size
    int jpegQuality = 90;   // 0..100
    bool pngToJpeg = false; // a PNG stays PNG unless this asks
};
// The picture with no side longer than options.maxSide: the bytes as they
// are when it is small enough (or no limit is set), else the image scaled
// down, smoothly, as JPEG (a PNG as PNG unless asked). False with the reason
// when it does not decode or cannot be encoded.
bool shrinkImage(const QByteArray &bytes, const ShrinkOptions &options, QByteArray *out,
                 ImageInfo *info, QString *reason);

// The names looked for as a folder's picture, in this order, compared
// without letter case: cover, folder, front, album, albumart, each as .jpg,
// .jpeg, then .png.
QStringList folderPictureNames();
// The folder's picture, or empty when it has none.
QString folderPicture(const QString &folder);

} // namespace qm::pictures
