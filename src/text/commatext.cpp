#include "text/commatext.h"

namespace qm {

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kComma = u',';

bool isBlank(QChar c) { return c.unicode() <= u' '; }

bool needsQuotes(const QString &item)
{
    for (const QChar c : item) {
        if (isBlank(c) || c == kQuote || c == kComma)
            return true;
    }
    return false;
}

} // namespace

QString toCommaText(const QStringList &items)
{
    if (items.size() == 1 && items.first().isEmpty())
        return QStringLiteral("\"\"");
    QString result;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            result += kComma;
        const QString &item = items[i];
        if (!needsQuotes(item)) {
            result += item;
            continue;
        }
        result += kQuote;
        for (const QChar c : item) {
            if (c == kQuote)
                result += kQuote;
            result += c;
        }
        result += kQuote;
    }
    return result;
}

QStringList fromCommaText(QStringView text)
{
    QStringList items;
    const qsizetype end = text.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < end && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < end) {
        QString item;
        if (text[i] == kQuote) {
            ++i;
            while (i < end) {
                if (text[i] == kQuote) {
                    if (i + 1 < end && text[i + 1] == kQuote) {
                        item += kQuote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < end && !isBlank(text[i]) && text[i] != kComma)
                ++i;
            item = text.mid(start, i - start).toString();
        }
        items.append(item);
        skipBlanks();
        if (i < end && text[i] == kComma) {
            if (i + 1 == end)
                items.append(QString());
            ++i;
            skipBlanks();
        }
    }
    return items;
}

} // namespace qm
