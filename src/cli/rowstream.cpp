#include "cli/rowstream.h"

#include "formats/pathcodec.h"
#include "jobs/readkinds.h"
#include "lists/jsonrow.h"

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

// The cell's text as UTF-8 to `f`: the bytes as held, or for text kept as
// UTF-16 its encoded copy (where a lone surrogate becomes '?', as ever).
template <typename F> void withUtf8(const Cell &cell, F &&f)
{
    cell.visit([&f](auto text) {
        if constexpr (std::is_same_v<decltype(text), QByteArrayView>)
            f(text);
        else
            f(QByteArrayView(text.toUtf8()));
    });
}

// A key (with its colon, and the brace or comma before it), then UTF-8 as
// a JSON string with its quotes, written in place into room for the worst
// case (every byte a six-character escape) that is given back at the end.
//
// A byte of a file name that is not UTF-8 (held as U+F780..U+F7FF, in UTF-8
// EF 9E 80..EF 9F BF) travels as the escape of a lone surrogate, U+DC80 +
// byte, as Python's "surrogateescape" holds such bytes: json.loads and
// os.fsencode then give the file's very name, and the text stays valid
// UTF-8.
void appendJsonCell(QByteArray &out, QByteArrayView key, QByteArrayView utf8)
{
    // The bytes that go as they are: most of them, so one look-up each.
    static constexpr auto plain = [] {
        std::array<bool, 256> p{};
        for (int b = 0x20; b < 256; ++b)
            p[size_t(b)] = b != '"' && b != '\\' && b != 0xEF;
        return p;
    }();
    const qsizetype at = out.size();
    out.resize(at + key.size() + 6 * utf8.size() + 2);
    char *to = std::copy(key.begin(), key.end(), out.data() + at);
    *to++ = '"';
    for (const char *p = utf8.data(), *end = p + utf8.size(); p != end; ++p) {
        const uchar byte = uchar(*p);
        if (plain[byte]) {
            *to++ = char(byte);
            continue;
        }
        int code = byte;
        if (byte == 0xEF) {
            if (end - p < 3 || (uchar(p[1]) & 0xFE) != 0x9E) {
                *to++ = char(byte);
                continue;
            }
            code = 0xDC80 | (p[1] & 1) << 6 | (p[2] & 0x3F);
            p += 2;
        }
        *to++ = '\\';
        switch (code) {
        case '"':
        case '\\':
            *to++ = char(code);
            break;
        case '\n':
            *to++ = 'n';
            break;
        case '\r':
            *to++ = 'r';
            break;
        case '\t':
            *to++ = 't';
            break;
        default:
            *to++ = 'u';
            for (int shift = 12; shift >= 0; shift -= 4)
                *to++ = kHex[code >> shift & 15];
        }
    }
    *to++ = '"';
    out.truncate(to - out.constData());
}

// The keys are looked up once per process, not once per cell; each comes
// with what goes before it, the object's brace or a comma.
const std::array<QByteArray, kColumnCount> &jsonKeys()
{
    static const std::array<QByteArray, kColumnCount> keys = [] {
        std::array<QByteArray, kColumnCount> k;
        for (int i = 0; i < kColumnCount; ++i)
            k[size_t(i)] = (i == 0 ? "{\"" : ",\"") + columnCode(toField(i)).toLatin1() + "\":";
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

// The letter after the backslash that stands for `c` in the tab-separated
// form, or 0 when it goes as it is.
char tsvEscape(char c)
{
    switch (c) {
    case '\\':
        return '\\';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\r':
        return 'r';
    default:
        return 0;
    }
}

bool isBlank(QByteArrayView line) { return line.trimmed().isEmpty(); }

QString lineError(qsizetype line, const QString &what)
{
    return QStringLiteral("line %1: %2").arg(line + 1).arg(what);
}

const QString kReadKey = QStringLiteral("Read");

QString stampText(const FileStamp &s)
{
    return QStringLiteral("%1:%2:%3:%4").arg(s.device).arg(s.inode).arg(s.size).arg(s.mtimeNs);
}

bool parseStamp(const QString &text, FileStamp &stamp)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok[4] = {};
    if (parts.size() != 4)
        return false;
    stamp.device = parts[0].toULongLong(&ok[0]);
    stamp.inode = parts[1].toULongLong(&ok[1]);
    stamp.size = parts[2].toLongLong(&ok[2]);
    stamp.mtimeNs = parts[3].toLongLong(&ok[3]);
    return ok[0] && ok[1] && ok[2] && ok[3];
}

bool parseJsonRow(QByteArrayView line, Row &row, std::optional<FileStamp> &read, QString &what)
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
        if (it.key() == kReadKey) {
            FileStamp stamp;
            if (!it.value().isString() || !parseStamp(it.value().toString(), stamp)) {
                what = QStringLiteral("\"Read\" is not DEVICE:INODE:SIZE:MTIME_NS");
                return false;
            }
            read = stamp;
            continue;
        }
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
        // not UTF-8 (see appendJsonCell).
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

namespace {
const QHash<QString, FileStamp> *carriedStamps = nullptr;
} // namespace

const QHash<QString, FileStamp> &readStamps()
{
    static const QHash<QString, FileStamp> none;
    return carriedStamps ? *carriedStamps : none;
}

CarriedStamps::CarriedStamps(const QHash<QString, FileStamp> &stamps) { carriedStamps = &stamps; }

CarriedStamps::~CarriedStamps() { carriedStamps = nullptr; }

QString rowFilePath(const Row &row) { return RowFileName(row); }

void appendJsonText(QByteArray &out, QByteArrayView key, const QString &text)
{
    appendJsonCell(out, key, text.toUtf8());
}

void appendJsonRow(QByteArray &out, const Row &row)
{
    const auto &keys = jsonKeys();
    for (size_t i = 0; i < size_t(kColumnCount); ++i) {
        withUtf8(row[i],
                 [&out, &key = keys[i]](QByteArrayView utf8) { appendJsonCell(out, key, utf8); });
    }
    if (!readStamps().isEmpty()) {
        const auto it = readStamps().constFind(rowFilePath(row));
        if (it != readStamps().constEnd())
            out += ",\"Read\":\"" + stampText(*it).toLatin1() + '"';
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
        withUtf8(row[size_t(i)], [&out](QByteArrayView utf8) {
            // The escapes are ASCII, so UTF-8 is escaped byte by byte, in
            // room for the worst case.
            const qsizetype at = out.size();
            out.resize(at + 2 * utf8.size());
            char *to = out.data() + at;
            for (const char c : utf8) {
                const char escape = tsvEscape(c);
                if (escape)
                    *to++ = '\\';
                *to++ = escape ? escape : c;
            }
            out.truncate(to - out.constData());
        });
    }
    out += '\n';
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

bool readRows(std::FILE *in, const RowInput &add, QString &error)
{
    QByteArray header;
    appendTsvHeader(header);
    header.chop(1);
    // One line at a time, each row handed on at once: the input is never
    // held whole, nor its rows twice.
    char *buffer = nullptr;
    size_t capacity = 0;
    bool first = true;
    bool tsv = false;
    bool ok = true;
    Row row;
    Row previous;
    std::optional<FileStamp> stamp;
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
        stamp.reset();
        // The rows the program writes take the direct way; any other line
        // the JSON document, which also names what is wrong with it.
        if (!tsv && !ReadPlainJsonRow(line, row, stamp, &previous)) {
            row = Row{};
            stamp.reset();
            if (!parseJsonRow(line, row, stamp, what)) {
                error = lineError(i, what);
                ok = false;
                break;
            }
        } else if (tsv && !parseTsvRow(line, row, what)) {
            error = lineError(i, what);
            ok = false;
            break;
        }
        previous = row;
        add(std::move(row), stamp);
    }
    std::free(buffer);
    if (ok && std::ferror(in)) {
        error = QStringLiteral("cannot be read");
        ok = false;
    }
    return ok;
}

RowWriter::RowWriter(std::FILE *out, RowFormat format) : out_(out), format_(format)
{
    buffer_.reserve(kSlice + 8192);
    if (format == RowFormat::Tsv)
        appendTsvHeader(buffer_);
}

bool RowWriter::add(const Row &row)
{
    if (format_ == RowFormat::Tsv)
        appendTsvRow(buffer_, row);
    else
        appendJsonRow(buffer_, row);
    return buffer_.size() <= kSlice || writeBuffer();
}

bool RowWriter::writeBuffer()
{
    const size_t size = size_t(buffer_.size());
    const bool written = std::fwrite(buffer_.constData(), 1, size, out_) == size;
    buffer_.resize(0); // keeps its room for the next slice
    return written;
}

bool RowWriter::finish() { return writeBuffer() && std::fflush(out_) == 0; }

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
