#include "formats/codepage.h"
#include "formats/pathcodec.h"

#include <QHash>
#include <QStringDecoder>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace qm {
namespace {

struct Table {
    QString name;
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, uchar> fromUnicode;
};

// A byte that a single-byte code page leaves unassigned (0xD2 of
// windows-1253, more in the Hebrew pages) reads as the character that stands
// for a raw byte of a file name, so that a tag holding it is written back
// byte for byte and the code page can be chosen at all. More unassigned
// bytes than this are no single-byte code page.
constexpr int kMaxUnassigned = 64;

// A file name that is not UTF-8 holds its bytes as characters of their own
// (old Windows-1251 names); put into a tag by %ON, they are written as those
// bytes, as the old program wrote the name's 8-bit text, not as "?".
void addRawBytes(Table &table)
{
    for (int b = 0x80; b < 256; ++b) {
        const char16_t raw = rawByteChar(uchar(b)).unicode();
        if (!table.fromUnicode.contains(raw))
            table.fromUnicode.insert(raw, uchar(b));
    }
}

std::unique_ptr<Table> buildTable(const QString &name)
{
    const QByteArray encoding = name.toLatin1();
    QStringDecoder decoder(encoding.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return nullptr;
    // An error sticks to the decoder: a new one goes on after it.
    const auto decodeBytes = [&](QByteArrayView bytes, QString &text) {
        text = decoder.decode(bytes);
        if (!decoder.hasError())
            return true;
        decoder = QStringDecoder(encoding.constData(), QStringDecoder::Flag::Stateless);
        return false;
    };
    auto table = std::make_unique<Table>();
    table->name = name;
    std::array<bool, 256> assigned{};
    int unassigned = 0;
    QString text;
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        // ICU does not flag every unassigned byte; it still reads as U+FFFD.
        assigned[b] = decodeBytes(QByteArrayView(&byte, 1), text) && text.size() == 1
                      && text.at(0) != QChar::ReplacementCharacter;
        if (assigned[b])
            table->toUnicode[b] = text.at(0).unicode();
        else if (++unassigned > kMaxUnassigned)
            return nullptr;
    }
    for (int b = 0; b < 256; ++b) {
        if (assigned[b])
            continue;
        // A byte that starts a character with the byte after it belongs to
        // a multi-byte encoding (UTF-8, Shift_JIS, EUC-KR), not to a hole.
        for (int next = 0; next < 256; ++next) {
            const char pair[] = {char(b), char(next)};
            decodeBytes(QByteArrayView(pair, 2), text);
            if (assigned[next] && (text.size() != 2 || text.at(1) != table->toUnicode[next]))
                return nullptr;
        }
        table->toUnicode[b] = rawByteChar(uchar(b)).unicode();
    }
    // The first byte that maps to a character wins, so round trips are stable.
    for (int b = 0; b < 256; ++b)
        if (!table->fromUnicode.contains(table->toUnicode[b]))
            table->fromUnicode.insert(table->toUnicode[b], uchar(b));
    addRawBytes(*table);
    return table;
}

std::unique_ptr<Table> latin1Table()
{
    auto table = std::make_unique<Table>();
    table->name = QStringLiteral("ISO-8859-1");
    for (int b = 0; b < 256; ++b) {
        table->toUnicode[b] = char16_t(b);
        table->fromUnicode.insert(char16_t(b), uchar(b));
    }
    addRawBytes(*table);
    return table;
}

// Every table ever chosen stays alive, so that readers on other threads can
// use the current one through a plain atomic pointer, without locking or
// reference counting for every field they decode. The options choose a code
// page a handful of times in a session at most.
struct Tables {
    std::mutex mutex;
    std::vector<std::unique_ptr<Table>> all;
    std::atomic<const Table *> current{nullptr};

    Tables()
    {
        auto table = buildTable(QStringLiteral("windows-1251"));
        // Without ICU tables at least Latin-1 keeps every byte readable.
        adopt(table ? std::move(table) : latin1Table());
    }

    void adopt(std::unique_ptr<Table> table)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        current.store(keep(std::move(table)), std::memory_order_release);
    }

    // The table of `name`, built on its first use; null for a name that is
    // no single-byte code page.
    const Table *find(const QString &name)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        for (const auto &known : all)
            if (known->name.compare(name, Qt::CaseInsensitive) == 0)
                return known.get();
        auto table = buildTable(name);
        return table ? keep(std::move(table)) : nullptr;
    }

private:
    const Table *keep(std::unique_ptr<Table> table)
    {
        for (const auto &known : all)
            if (known->name == table->name)
                return known.get();
        all.push_back(std::move(table));
        return all.back().get();
    }
};

Tables &tables()
{
    static Tables instance;
    return instance;
}

// A Scope's code page on this thread, over the options' one.
thread_local const Table *scoped = nullptr;

const Table *load() { return scoped ? scoped : tables().current.load(std::memory_order_acquire); }

} // namespace

bool LegacyCodepage::setName(const QString &name)
{
    auto table = buildTable(name.trimmed());
    if (!table)
        return false;
    tables().adopt(std::move(table));
    return true;
}

QString LegacyCodepage::name() { return load()->name; }

bool LegacyCodepage::isKnown(const QString &name)
{
    return !name.trimmed().isEmpty() && tables().find(name.trimmed()) != nullptr;
}

LegacyCodepage::Scope::Scope(const QString &name) : previous_(scoped)
{
    if (name.isEmpty())
        return;
    if (const Table *table = tables().find(name.trimmed()))
        scoped = table;
}

LegacyCodepage::Scope::~Scope() { scoped = static_cast<const Table *>(previous_); }

QString LegacyCodepage::decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const Table *table = load();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(table->toUnicode[uchar(bytes[i])]);
    return text;
}

QByteArray LegacyCodepage::encode(QStringView text)
{
    const Table *table = load();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto it = table->fromUnicode.constFind(text[i].unicode());
        out[i] = it == table->fromUnicode.constEnd() ? '?' : char(it.value());
    }
    return bytes;
}

bool LegacyCodepage::canEncode(QStringView text)
{
    const Table *table = load();
    for (QChar ch : text)
        if (!table->fromUnicode.contains(ch.unicode()))
            return false;
    return true;
}

} // namespace qm
