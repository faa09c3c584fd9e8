#include "cli/rowstream.h"

#include "formats/pathcodec.h"
#include "jobs/readkinds.h"
#include "lists/jsonrow.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
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

// The room a JSON string of `bytes` bytes of UTF-8 takes at most, with its
// key and quotes: every byte a six-character escape.
qsizetype jsonRoom(QByteArrayView key, qsizetype bytes) { return key.size() + 6 * bytes + 2; }

// A key (with its colon, and the brace or comma before it), then UTF-8 as
// a JSON string with its quotes, written at `to` (jsonRoom bytes there);
// returns the end of what it wrote.
//
// A byte of a file name that is not UTF-8 (held as U+F780..U+F7FF, in UTF-8
// EF 9E 80..EF 9F BF) travels as the escape of a lone surrogate, U+DC80 +
// byte, as Python's "surrogateescape" holds such bytes: json.loads and
// os.fsencode then give the file's very name, and the text stays valid
// UTF-8.
char *writeJsonCell(char *to, QByteArrayView key, QByteArrayView utf8)
{
    // The bytes that go as they are: most of them, so one look-up each.
    static constexpr auto plain = [] {
        std::array<bool, 256> p{};
        for (int b = 0x20; b < 256; ++b)
            p[size_t(b)] = b != '"' && b != '\\' && b != 0xEF;
        return p;
    }();
    std::memcpy(to, key.data(), size_t(key.size()));
    to += key.size();
    *to++ = '"';
    for (const char *p = utf8.data(), *end = p + utf8.size(); p != end; ++p) {
        if (const int plain = end - p >= 8 ? PlainJsonBytes(p) : 0) {
            std::memcpy(to, p, 8); // room for eight: each byte left takes one at least
            to += plain;
            p += plain - 1;
            continue;
        }
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
    return to;
}

void appendJsonCell(QByteArray &out, QByteArrayView key, QByteArrayView utf8)
{
    const qsizetype at = out.size();
    out.resize(at + jsonRoom(key, utf8.size()));
    out.truncate(writeJsonCell(out.data() + at, key, utf8) - out.constData());
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
const QString kCodepageKey = QStringLiteral("Codepage");

// The "Read" key with its value, DEVICE:INODE:SIZE:MTIME_NS:CTIME_NS, in
// decimal; rows of earlier versions carry the first four alone.
// The "Read" stamp's key and text at `to` (kStampRoom bytes there);
// returns the end of what it wrote.
constexpr qsizetype kStampRoom = 10 + 5 * 21;

char *writeStamp(char *to, const FileStamp &s)
{
    static constexpr char key[] = ",\"Read\":\"";
    to = std::copy(key, key + sizeof key - 1, to);
    const auto number = [&to](auto n, char after) {
        to = std::to_chars(to, to + 20, n).ptr;
        *to++ = after;
    };
    number(s.device, ':');
    number(s.inode, ':');
    number(s.size, ':');
    number(s.mtimeNs, s.ctimeNs != 0 ? ':' : '"');
    if (s.ctimeNs != 0)
        number(s.ctimeNs, '"');
    return to;
}

bool parseStamp(const QString &text, FileStamp &stamp)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok[5] = {false, false, false, false, true};
    if (parts.size() != 4 && parts.size() != 5)
        return false;
    stamp.device = parts[0].toULongLong(&ok[0]);
    stamp.inode = parts[1].toULongLong(&ok[1]);
    stamp.size = parts[2].toLongLong(&ok[2]);
    stamp.mtimeNs = parts[3].toLongLong(&ok[3]);
    if (parts.size() == 5)
        stamp.ctimeNs = parts[4].toLongLong(&ok[4]);
    return ok[0] && ok[1] && ok[2] && ok[3] && ok[4];
}

bool parseJsonRow(QByteArrayView line, Row &row, std::optional<FileStamp> &read, QString &codepage,
                  QString &what)
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
                what = QStringLiteral("\"Read\" is not DEVICE:INODE:SIZE:MTIME_NS[:CTIME_NS]");
                return false;
            }
            read = stamp;
            continue;
        }
        if (it.key() == kCodepageKey) {
            codepage = it.value().toString().trimmed();
            if (!it.value().isString() || !LegacyCodepage::isKnown(codepage)) {
                what = QStringLiteral("\"Codepage\" is not a single-byte code page");
                return false;
            }
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
    // Text saved in another encoding (a spreadsheet's "ANSI" export) would
    // go into the tags with its letters replaced: it is refused, as the
    // JSON form refuses it.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(line);
    if (decoder.hasError()) {
        what = QStringLiteral("not UTF-8 text");
        return false;
    }
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
const FileStamps *carriedStamps = nullptr;
const FileCodepages *carriedCodepages = nullptr;

// The code page the row carries out: none when it is the options' one.
QString rowCodepage(const Row &row)
{
    if (!carriedCodepages
        || (carriedCodepages->all.isEmpty() && carriedCodepages->byPath.isEmpty()))
        return {};
    QString name = carriedCodepages->byPath.isEmpty() ? carriedCodepages->all
                                                      : carriedCodepages->forFile(RowFileName(row));
    if (name.compare(LegacyCodepage::name(), Qt::CaseInsensitive) == 0)
        return {};
    return name;
}
} // namespace

const FileStamps &readStamps()
{
    static const FileStamps none;
    return carriedStamps ? *carriedStamps : none;
}

CarriedStamps::CarriedStamps(const FileStamps &stamps) { carriedStamps = &stamps; }

CarriedStamps::~CarriedStamps() { carriedStamps = nullptr; }

CarriedCodepages::CarriedCodepages(const FileCodepages &codepages)
{
    carriedCodepages = &codepages;
}

CarriedCodepages::~CarriedCodepages() { carriedCodepages = nullptr; }

void appendJsonText(QByteArray &out, QByteArrayView key, const QString &text)
{
    appendJsonCell(out, key, text.toUtf8());
}

void appendJsonRow(QByteArray &out, const Row &row)
{
    appendJsonRow(out, row, readStamps().find(row));
}

void appendJsonRow(QByteArray &out, const Row &row, const FileStamp *read)
{
    const auto &keys = jsonKeys();
    // Room for the whole row at once, given back at its end: one resize a
    // row rather than two a cell. Text kept as UTF-16 takes up to three
    // bytes a unit as UTF-8.
    qsizetype room = 0;
    for (size_t i = 0; i < size_t(kColumnCount); ++i) {
        room += row[i].visit([&key = keys[i]](auto text) {
            constexpr int perUnit = std::is_same_v<decltype(text), QByteArrayView> ? 1 : 3;
            return jsonRoom(key, perUnit * text.size());
        });
    }
    // The stamp and the row's end go into the same room.
    const QString codepage = rowCodepage(row);
    room += kStampRoom + 2;
    const qsizetype at = out.size();
    out.resize(at + room);
    char *to = out.data() + at;
    for (size_t i = 0; i < size_t(kColumnCount); ++i) {
        withUtf8(row[i],
                 [&to, &key = keys[i]](QByteArrayView utf8) { to = writeJsonCell(to, key, utf8); });
    }
    if (read)
        to = writeStamp(to, *read);
    if (codepage.isEmpty()) {
        *to++ = '}';
        *to++ = '\n';
        out.truncate(to - out.constData());
        return;
    }
    out.truncate(to - out.constData());
    appendJsonText(out, ",\"Codepage\":", codepage);
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
    QString codepage;
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
        // The byte order mark a spreadsheet or an editor puts first.
        if (i == 0 && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
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
        codepage.clear();
        // The rows the program writes take the direct way; any other line
        // (one with a code page among them) the JSON document, which also
        // names what is wrong with it.
        if (!tsv && !ReadPlainJsonRow(line, row, stamp, &previous)) {
            row = Row{};
            stamp.reset();
            if (!parseJsonRow(line, row, stamp, codepage, what)) {
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
        add(std::move(row), stamp, codepage);
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

bool RowWriter::add(const Row &row, const FileStamp *read)
{
    if (format_ == RowFormat::Tsv)
        appendTsvRow(buffer_, row);
    else
        appendJsonRow(buffer_, row, read);
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
