#include "settings/inifile.h"

#include "settings/unicodetext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <atomic>

namespace qm {
namespace {

QString fromLatin1(QByteArrayView bytes) { return QString::fromLatin1(bytes); }

std::atomic<IniFile::LegacyDecoder> legacyDecoder{&fromLatin1};

QString fold(QStringView name) { return name.trimmed().toString().toCaseFolded(); }

// Windows trims blanks and tabs; control characters such as a stray NUL are
// data of a broken file and stay in the value.
QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && (s[begin] == u' ' || s[begin] == u'\t'))
        ++begin;
    while (end > begin && (s[end - 1] == u' ' || s[end - 1] == u'\t'))
        --end;
    return s.mid(begin, end - begin);
}

QString decodeText(QByteArrayView bytes)
{
    if (std::optional<QString> utf16 = Utf16Text(bytes))
        return std::move(*utf16);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return legacyDecoder.load(std::memory_order_relaxed)(bytes);
}

} // namespace

void IniFile::clear()
{
    sections_.clear();
    sectionIndex_.clear();
}

bool IniFile::load(const QString &path)
{
    clear();
    // Only a file is read: opening a pipe under the name would wait for a
    // writer, and a device such as /dev/zero never ends.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    parse(bytes);
    return true;
}

void IniFile::addLine(Section &s, QString key, QString value)
{
    if (!key.isEmpty()) {
        const QString folded = key.toCaseFolded();
        if (!s.keyIndex.contains(folded))
            s.keyIndex.insert(folded, qsizetype(s.lines.size()));
    }
    s.lines.push_back(Line{std::move(key), std::move(value)});
}

void IniFile::setLegacyDecoder(LegacyDecoder decode)
{
    legacyDecoder.store(decode ? decode : &fromLatin1, std::memory_order_relaxed);
}

void IniFile::parse(QByteArrayView bytes)
{
    clear();
    const QString text = decodeText(bytes);
    Section *current = nullptr;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        // CR LF, LF and a lone CR all end a line.
        qsizetype end = pos;
        while (end < size && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView raw = QStringView(text).mid(pos, end - pos);
        pos = end;
        if (pos < size && text[pos] == u'\r')
            ++pos;
        if (pos < size && text[pos] == u'\n')
            ++pos;

        const QStringView line = trimBlanks(raw);
        if (line.isEmpty())
            continue; // blank lines carry nothing; sections are spaced on writing
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close > 0) {
                Section s;
                s.name = trimBlanks(line.mid(1, close - 1)).toString();
                const QString folded = s.name.toCaseFolded();
                if (!sectionIndex_.contains(folded))
                    sectionIndex_.insert(folded, qsizetype(sections_.size()));
                sections_.push_back(std::move(s));
                current = &sections_.back();
                continue;
            }
        }
        if (!current) {
            Section preamble;
            preamble.header = false;
            sections_.push_back(std::move(preamble));
            current = &sections_.back();
        }
        const qsizetype eq = line.indexOf(u'=');
        QStringView key = eq > 0 ? trimBlanks(line.left(eq)) : QStringView();
        if (key.isEmpty() || line.startsWith(u';'))
            addLine(*current, QString(), line.toString());
        else
            addLine(*current, key.toString(), trimBlanks(line.mid(eq + 1)).toString());
    }
}

QByteArray IniFile::toBytes() const
{
    QString out;
    bool first = true;
    for (const Section &s : sections_) {
        if (s.removed)
            continue;
        if (s.header) {
            if (!first)
                out += u"\r\n";
            out += u'[';
            out += s.name;
            out += u"]\r\n";
        }
        first = false;
        for (const Line &l : s.lines) {
            if (l.key.isEmpty())
                out += l.value;
            else
                out += l.key + u'=' + l.value;
            out += u"\r\n";
        }
    }
    // A kept line that starts with a byte-order mark, or with zero
    // characters that look like UTF-16, must not land at the very start,
    // where the reader would skip the mark or take the file for UTF-16 and
    // read the rest as headers or keys it never held.
    QByteArray bytes = out.toUtf8();
    if (out.startsWith(QChar(0xFEFF)) || Utf16Text(bytes))
        bytes.prepend("\r\n");
    return bytes;
}

bool IniFile::save(const QString &path) const
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // A folder where no new file may be made, holding a settings file
        // that may be written (a portable install in a folder of the system,
        // its settings left writable for the users): the file is written in
        // place, as the Windows profile functions write it.
        if (!info.isFile())
            return false;
        QFile inPlace(path);
        if (!inPlace.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || inPlace.write(bytes) != bytes.size())
            return false;
        inPlace.close();
        return inPlace.error() == QFileDevice::NoError;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

const IniFile::Section *IniFile::findSection(QStringView section) const
{
    const auto it = sectionIndex_.constFind(fold(section));
    if (it == sectionIndex_.cend())
        return nullptr;
    const Section &s = sections_[size_t(*it)];
    return s.removed ? nullptr : &s;
}

IniFile::Section *IniFile::findSection(QStringView section)
{
    return const_cast<Section *>(std::as_const(*this).findSection(section));
}

const QString *IniFile::findValue(QStringView section, QStringView key) const
{
    const Section *s = findSection(section);
    if (!s)
        return nullptr;
    const auto it = s->keyIndex.constFind(fold(key));
    return it == s->keyIndex.cend() ? nullptr : &s->lines[size_t(*it)].value;
}

bool IniFile::hasSection(QStringView section) const { return findSection(section) != nullptr; }

bool IniFile::contains(QStringView section, QStringView key) const
{
    return findValue(section, key) != nullptr;
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    for (const Section &s : sections_) {
        if (s.header && !s.removed && findSection(s.name) == &s)
            names << s.name;
    }
    return names;
}

QStringList IniFile::keys(QStringView section) const
{
    QStringList names;
    if (const Section *s = findSection(section)) {
        for (size_t i = 0; i < s->lines.size(); ++i) {
            const QString &key = s->lines[i].key;
            if (!key.isEmpty() && s->keyIndex.value(key.toCaseFolded()) == qsizetype(i))
                names << key; // a duplicate key is not listed twice
        }
    }
    return names;
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const QString *v = findValue(section, key);
    return v ? *v : defaultValue;
}

int IniFile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    return readOptionalInteger(section, key).value_or(defaultValue);
}

std::optional<int> IniFile::readOptionalInteger(QStringView section, QStringView key) const
{
    const QString *v = findValue(section, key);
    if (!v)
        return std::nullopt;
    bool ok = false;
    const int n = v->toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

bool IniFile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    const QString *v = findValue(section, key);
    if (!v)
        return defaultValue;
    bool ok = false;
    const int n = v->toInt(&ok, 10);
    return ok ? n != 0 : defaultValue;
}

void IniFile::writeString(QStringView section, QStringView key, const QString &value)
{
    const QString keyName = key.trimmed().toString();
    if (keyName.isEmpty())
        return;
    // A value that spans lines would read back as garbage keys.
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');
    clean = trimBlanks(clean).toString();

    Section *s = findSection(section);
    if (!s) {
        Section fresh;
        fresh.name = section.trimmed().toString();
        sectionIndex_.insert(fresh.name.toCaseFolded(), qsizetype(sections_.size()));
        sections_.push_back(std::move(fresh));
        s = &sections_.back();
    }
    const auto it = s->keyIndex.constFind(keyName.toCaseFolded());
    if (it != s->keyIndex.cend())
        s->lines[size_t(*it)].value = clean;
    else
        addLine(*s, keyName, clean);
}

void IniFile::writeInteger(QStringView section, QStringView key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(QStringView section, QStringView key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::removeKey(QStringView section, QStringView key)
{
    Section *s = findSection(section);
    if (!s)
        return;
    const QString folded = fold(key);
    if (!s->keyIndex.contains(folded))
        return;
    // Removes every occurrence, so a later duplicate does not surface.
    std::erase_if(s->lines, [&](const Line &l) {
        return !l.key.isEmpty() && l.key.toCaseFolded() == folded;
    });
    s->keyIndex.clear();
    for (size_t i = 0; i < s->lines.size(); ++i) {
        const QString k = s->lines[i].key.toCaseFolded();
        if (!k.isEmpty() && !s->keyIndex.contains(k))
            s->keyIndex.insert(k, qsizetype(i));
    }
}

void IniFile::removeSection(QStringView section)
{
    const QString folded = fold(section);
    // Every section of that name goes, so a later duplicate does not surface.
    for (Section &s : sections_) {
        if (s.header && s.name.toCaseFolded() == folded)
            s.removed = true;
    }
}

} // namespace qm
