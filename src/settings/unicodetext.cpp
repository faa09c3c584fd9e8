#include "settings/unicodetext.h"

#include <QStringDecoder>

namespace qm {

std::optional<QString> Utf16Text(QByteArrayView bytes)
{
    const auto byte = [&bytes](qsizetype i) { return uchar(bytes[i]); };
    const auto ascii = [&byte](qsizetype i) { return byte(i) != 0 && byte(i) < 0x80; };
    QStringConverter::Encoding encoding;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        encoding = byte(0) == 0xFF ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        bytes = bytes.sliced(2);
    } else if (bytes.size() >= 4 && ascii(0) && byte(1) == 0 && ascii(2) && byte(3) == 0) {
        encoding = QStringConverter::Utf16LE;
    } else if (bytes.size() >= 4 && byte(0) == 0 && ascii(1) && byte(2) == 0 && ascii(3)) {
        encoding = QStringConverter::Utf16BE;
    } else {
        return std::nullopt;
    }
    QString text = QStringDecoder(encoding, QStringDecoder::Flag::Stateless).decode(bytes);
    // A surrogate without its pair is no character: it could not be written
    // back as UTF-8, so it reads as the replacement character.
    if (!text.isValidUtf16()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
    }
    return text;
}

} // namespace qm
