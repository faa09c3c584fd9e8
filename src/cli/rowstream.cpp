#include "cli/rowstream.h"

#include "formats/pathcodec.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <type_traits>
#include <vector>

namespace qm::cli {

namespace {

const char kHex[] = "0123456789abcdef";

// Rows go out in slices of about this many bytes.
constexpr qsizetype kSlice = 1 << 16;

void appendRun(QByteArray &out, const char *run, qsizetype size) { out.append(run, size); }

// Characters known to be ASCII, each one byte.
void appendRun(QByteArray &out, const char16_t *run, qsizetype size)
{
    const qsizetype at = out.size();
    out.resize(at + size);
    std::copy(run, run + size, out.data() + at);
}

// UTF-8 bytes (or UTF-16 units all below 0x80) as the inside of a JSON
// string: the runs that need no escape go in with one append each.
template <typename Unit> void appendJsonEscaped(QByteArray &out, const Unit *run, const Unit *end)
{
    for (const Unit *p = run; p != end; ++p) {
        const auto byte = static_cast<std::make_unsigned_t<Unit>>(*p);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        appendRun(out, run, p - run);
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
    appendRun(out, run, end - run);
}

void appendJsonEscaped(QByteArray &out, const QByteArray &utf8)
{
    appendJsonEscaped(out, utf8.constData(), utf8.constData() + utf8.size());
}

// A byte of a file name that is not UTF-8 travels as the escape of a lone
// surrogate, U+DC80 + byte, as Python's "surrogateescape" holds such bytes:
// json.loads and os.fsencode then give the file's very name, and the text
// stays valid UTF-8.
void appendJsonString(QByteArray &out, const QString &text)
{
    const auto *const begin = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = begin + text.size();
    // Most cells are printable ASCII that needs no escape: copied in one
    // pass with both quotes, straight from the text.
    const qsizetype at = out.size();
    out.resize(at + text.size() + 2);
    char *to = out.data() + at;
    *to++ = '"';
    const char16_t *from = begin;
    while (from != end && *from >= 0x20 && *from < 0x80 && *from != '"' && *from != '\\')
        *to++ = char(*from++);
    *to = '"';
    if (from == end)
        return;
    out.truncate(at + 1 + (from - begin));
    if (std::all_of(from, end, [](char16_t unit) { return unit < 0x80; })) {
        appendJsonEscaped(out, from, end);
        out += '"';
        return;
    }
    out.truncate(at + 1);
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

RowWriter::RowWriter(std::FILE *out, RowFormat format) : m_out(out), m_format(format)
{
    m_buffer.reserve(kSlice + 8192);
    if (format == RowFormat::Tsv)
        appendTsvHeader(m_buffer);
}

bool RowWriter::add(const Row &row)
{
    if (m_format == RowFormat::Tsv)
        appendTsvRow(m_buffer, row);
    else
        appendJsonRow(m_buffer, row);
    return m_buffer.size() <= kSlice || writeBuffer();
}

bool RowWriter::writeBuffer()
{
    const size_t size = size_t(m_buffer.size());
    const bool written = std::fwrite(m_buffer.constData(), 1, size, m_out) == size;
    m_buffer.resize(0); // keeps its room for the next slice
    return written;
}

bool RowWriter::finish() { return writeBuffer() && std::fflush(m_out) == 0; }

bool writeRows(std::FILE *out, const RowTable &table, RowFormat format)
{
    RowWriter writer(out, format);
    for (int r = 1; r <= table.lastFileRow(); ++r) {
        if (!writer.add(table.row(r)))
            return false;
    }
    return writer.finish();
}

} // namespace qm::cli
