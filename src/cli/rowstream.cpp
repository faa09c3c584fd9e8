#include "cli/rowstream.h"

#include "formats/pathcodec.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <array>
#include <cstdlib>
#include <optional>
#include <vector>

namespace qm::cli {

namespace {

const char kHex[] = "0123456789abcdef";

// UTF-8 bytes as the inside of a JSON string: the runs that need no escape
// go in with one append each.
void appendJsonEscaped(QByteArray &out, const QByteArray &utf8)
{
    const char *run = utf8.constData();
    const char *const end = run + utf8.size();
    for (const char *p = run; p != end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            const char escape[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 15]};
            out.append(escape, sizeof escape);
        }
        }
    }
    out.append(run, end - run);
}

// A byte of a file name that is not UTF-8 travels as the escape of a lone
// surrogate, U+DC80 + byte, as Python's "surrogateescape" holds such bytes:
// json.loads and os.fsencode then give the file's very name, and the text
// stays valid UTF-8.
void appendJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const int raw = i < text.size() ? rawByteOf(text.at(i)) : -1;
        if (i < text.size() && raw < 0)
            continue;
        appendJsonEscaped(out, QStringView(text).sliced(runStart, i - runStart).toUtf8());
        runStart = i + 1;
        if (raw >= 0) {
            const char escape[] = {'\\', 'u', 'd', 'c', kHex[raw >> 4], kHex[raw & 15]};
            out.append(escape, sizeof escape);
        }
    }
    out += '"';
}

// The keys are looked up once per process, not once per cell.
const std::array<QByteArray, kColumnCount> &jsonKeys()
{
    static const std::array<QByteArray, kColumnCount> keys = [] {
        std::array<QByteArray, kColumnCount> k;
        for (int i = 0; i < kColumnCount; ++i)
            k[size_t(i)] = '"' + columnCode(toField(i)).toLatin1() + "\":";
        return k;
    }();
    return keys;
}

std::optional<FieldNumber> fieldOfKey(const QString &key)
{
    static const QHash<QString, int> fields = [] {
        QHash<QString, int> f;
        for (int i = 0; i < kColumnCount; ++i)
            f.insert(columnCode(toField(i)), i);
        return f;
    }();
    const auto it = fields.constFind(key);
    if (it == fields.constEnd())
        return std::nullopt;
    return toField(*it);
}

bool isBlank(QByteArrayView line) { return line.trimmed().isEmpty(); }

QString lineError(qsizetype line, const QString &what)
{
    return QStringLiteral("line %1: %2").arg(line + 1).arg(what);
}

bool parseJsonRow(QByteArrayView line, Row &row, QString &what)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        what = parseError.errorString();
        return false;
    }
    if (!doc.isObject()) {
        what = QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto field = fieldOfKey(it.key());
        if (!field) {
            what = QStringLiteral("unknown column \"%1\"").arg(it.key());
            return false;
        }
        if (!it.value().isString()) {
            what = QStringLiteral("the value of \"%1\" is not a string").arg(it.key());
            return false;
        }
        QString value = it.value().toString();
        // Lone surrogates U+DC80..U+DCFF are the bytes of a name that is
        // not UTF-8 (see appendJsonString).
        for (qsizetype k = 0; k < value.size(); ++k) {
            const char16_t unit = value.at(k).unicode();
            if (unit >= 0xDC80 && unit <= 0xDCFF && !(k > 0 && value.at(k - 1).isHighSurrogate()))
                value[k] = rawByteChar(uchar(unit - 0xDC00));
        }
        row[size_t(toInt(*field))] = value;
    }
    return true;
}

bool parseTsvRow(QByteArrayView line, Row &row, QString &what)
{
    const QString text = QString::fromUtf8(line);
    const QList<QStringView> cells = QStringView(text).split(u'\t');
    if (cells.size() != kColumnCount) {
        what = QStringLiteral("%1 cells instead of %2").arg(cells.size()).arg(kColumnCount);
        return false;
    }
    QString cell;
    for (int i = 0; i < kColumnCount; ++i) {
        if (!unescapeTsv(cells[i], cell)) {
            what = QStringLiteral("a backslash that starts no escape");
            return false;
        }
        row[size_t(i)] = cell;
    }
    return true;
}

} // namespace

void appendJsonRow(QByteArray &out, const Row &row)
{
    out += '{';
    for (int i = 0; i < kColumnCount; ++i) {
        if (i > 0)
            out += ',';
        out += jsonKeys()[size_t(i)];
        appendJsonString(out, row[size_t(i)]);
    }
    out += "}\n";
}

void appendTsvHeader(QByteArray &out)
{
    for (int i = 0; i < kColumnCount; ++i) {
        if (i > 0)
            out += '\t';
        out += columnCode(toField(i)).toLatin1();
    }
    out += '\n';
}

void appendTsvRow(QByteArray &out, const Row &row)
{
    for (int i = 0; i < kColumnCount; ++i) {
        if (i > 0)
            out += '\t';
        out += escapeTsv(row[size_t(i)]).toUtf8();
    }
    out += '\n';
}

QString escapeTsv(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool unescapeTsv(QStringView text, QString &out)
{
    out.clear();
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i].unicode()) {
        case u'\\':
            out += u'\\';
            break;
        case u't':
            out += u'\t';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

bool readRows(std::FILE *in, RowTable &table, QString &error)
{
    QByteArray header;
    appendTsvHeader(header);
    header.chop(1);
    // One line at a time, each row straight into the table: the input is
    // never held whole, nor its rows twice.
    char *buffer = nullptr;
    size_t capacity = 0;
    bool first = true;
    bool tsv = false;
    bool ok = true;
    Row row;
    QString what;
    for (qsizetype i = 0;; ++i) {
        const ssize_t read = getline(&buffer, &capacity, in);
        if (read < 0)
            break;
        QByteArrayView line(buffer, qsizetype(read));
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (isBlank(line))
            continue;
        if (first) {
            first = false;
            tsv = line == QByteArrayView(header);
            if (tsv)
                continue;
        }
        row = Row{};
        if (!(tsv ? parseTsvRow(line, row, what) : parseJsonRow(line, row, what))) {
            error = lineError(i, what);
            ok = false;
            break;
        }
        table.row(table.appendRows(1)) = std::move(row);
    }
    std::free(buffer);
    if (ok && std::ferror(in)) {
        error = QStringLiteral("cannot be read");
        ok = false;
    }
    return ok;
}

bool writeRows(std::FILE *out, const RowTable &table, RowFormat format)
{
    QByteArray buffer;
    if (format == RowFormat::Tsv)
        appendTsvHeader(buffer);
    for (int r = 1; r <= table.lastFileRow(); ++r) {
        if (format == RowFormat::Tsv)
            appendTsvRow(buffer, table.row(r));
        else
            appendJsonRow(buffer, table.row(r));
        // Written in slices so a large table never waits in memory twice.
        if (buffer.size() > (1 << 16)) {
            if (std::fwrite(buffer.constData(), 1, size_t(buffer.size()), out)
                != size_t(buffer.size()))
                return false;
            buffer.clear();
        }
    }
    if (!buffer.isEmpty()
        && std::fwrite(buffer.constData(), 1, size_t(buffer.size()), out) != size_t(buffer.size()))
        return false;
    return std::fflush(out) == 0;
}

} // namespace qm::cli
