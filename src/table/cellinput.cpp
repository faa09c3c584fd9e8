#include "table/cellinput.h"

#include <algorithm>

namespace qm {

int cellLengthLimit(FieldNumber field, bool id3v1View, bool fileInfoView, const QString &trackCell)
{
    using F = FieldNumber;
    if (id3v1View) {
        switch (field) {
        case F::Tit:
        case F::Art:
        case F::Alb:
            return 30;
        case F::Yea:
            return 4;
        case F::Com:
            return trackCell.isEmpty() ? 30 : 28; // the track takes the last two bytes
        default:
            break;
        }
    }
    if (fileInfoView && field == F::Dur)
        return 8;
    return 0;
}

QString normalizedId3v1Track(const QString &text)
{
    if (text.isEmpty())
        return text;
    if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return QString();
    // Digits only, so a number too long for an int is simply too large.
    bool ok = false;
    const int n = text.toInt(&ok);
    return (!ok || n > 255) ? QStringLiteral("255") : text;
}

bool cellAcceptsChar(FieldNumber field, bool id3v1View, QChar typed)
{
    const bool digit = typed >= u'0' && typed <= u'9';
    if (typed == u'\b')
        return true;
    if ((field == FieldNumber::Trc && id3v1View) || field == FieldNumber::Siz)
        return digit;
    if (field == FieldNumber::Dur)
        return digit || typed == u':';
    return true;
}

int genreItemIndex(const QStringList &items, const QString &text)
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace qm
