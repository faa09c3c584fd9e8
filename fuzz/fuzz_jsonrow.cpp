// Feeds arbitrary bytes to the direct reader of the rows' JSON lines, and
// checks that every line it takes gives the cells and the file state that
// the JSON document gives, the way the command line read rows before it.
#include "formats/pathcodec.h"
#include "lists/jsonrow.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(data), qsizetype(size));
    qm::Row row;
    std::optional<qm::FileStamp> read;
    if (!qm::ReadPlainJsonRow(line, row, read))
        return 0;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        std::abort();
    const QJsonObject object = doc.object();
    if (object.contains(QStringLiteral("Read")) != read.has_value())
        std::abort();
    for (int i = 0; i < qm::kColumnCount; ++i) {
        QString text = object.value(qm::columnCode(qm::toField(i))).toString();
        for (qsizetype k = 0; k < text.size(); ++k) {
            const char16_t unit = text.at(k).unicode();
            if (unit >= 0xDC80 && unit <= 0xDCFF && !(k > 0 && text.at(k - 1).isHighSurrogate()))
                text[k] = qm::rawByteChar(uchar(unit - 0xDC00));
        }
        if (!(row[size_t(i)] == qm::Cell(text)))
            std::abort();
    }
    return 0;
}
