#include "text/alphabetbook.h"

#include <QCollator>
#include <QDir>

#include "settings/settingspath.h"

#include "text/commatext.h"

namespace qm {

namespace {

const QString kSection = QStringLiteral(u"Alphabet");
const QString kNamesKey = QStringLiteral(u"Alphabets Names");
const QString kCurrentKey = QStringLiteral(u"Current Alphabet");

QString symbolsKey(const QString &name) { return name + QStringLiteral(u" Symbols"); }

QString changesKey(const QString &name) { return name + QStringLiteral(u" Changes"); }

} // namespace

QString alphabetFilePath()
{
    return QDir(settingsFolder()).filePath(QString::fromUtf16(kAlphabetFileName));
}

bool AlphabetBook::load()
{
    IniFile ini;
    if (m_path.isEmpty() || !ini.load(m_path)) {
        m_ini.clear();
        m_names = QStringList{kBuiltinAlphabetName};
        m_current = 0;
        m_pairs = builtinTranslit();
        return false;
    }
    m_ini = std::move(ini);
    readNames();
    return true;
}

void AlphabetBook::parse(QByteArrayView bytes)
{
    m_ini.parse(bytes);
    readNames();
}

void AlphabetBook::readNames()
{
    m_names = fromCommaText(m_ini.readString(kSection, kNamesKey, kBuiltinAlphabetName));
    if (m_names.isEmpty())
        m_names << kBuiltinAlphabetName;
    m_current = m_ini.readInteger(kSection, kCurrentKey, 0);
    if (m_current < 0 || m_current >= m_names.size())
        m_current = 0;
    m_pairs = readPairs(currentName());
}

SymbolPairs AlphabetBook::readPairs(const QString &name) const
{
    return pairsFromColumns(
        fromCommaText(m_ini.readString(kSection, symbolsKey(name), kSymbolHeader + u',')),
        fromCommaText(m_ini.readString(kSection, changesKey(name), kChangeHeader + u',')));
}

bool AlphabetBook::isStorableName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(u'=') && !name.startsWith(u';')
           && !name.startsWith(u'[') && !name.contains(u'\n') && !name.contains(u'\r');
}

int AlphabetBook::indexOf(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool AlphabetBook::write()
{
    m_ini.writeString(kSection, kNamesKey, toCommaText(m_names));
    m_ini.writeInteger(kSection, kCurrentKey, m_current);
    return !m_path.isEmpty() && m_ini.save(m_path);
}

bool AlphabetBook::save(const SymbolPairs &pairs)
{
    m_pairs = pairs;
    const QString name = currentName();
    // The list and the index come first in a new file, as the program always wrote them.
    m_ini.writeString(kSection, kNamesKey, toCommaText(m_names));
    m_ini.writeInteger(kSection, kCurrentKey, m_current);
    m_ini.writeString(kSection, symbolsKey(name), toCommaText(symbolColumn(pairs)));
    m_ini.writeString(kSection, changesKey(name), toCommaText(changeColumn(pairs)));
    return write();
}

bool AlphabetBook::select(int index, const SymbolPairs &leaving)
{
    if (index < 0 || index >= m_names.size())
        return false;
    bool written = save(leaving);
    m_current = index;
    written = write() && written;
    m_pairs = readPairs(currentName());
    return written;
}

bool AlphabetBook::pick(int index)
{
    if (index < 0 || index >= m_names.size())
        return false;
    m_current = index;
    m_pairs = readPairs(currentName());
    return true;
}

int AlphabetBook::addName(const QString &name)
{
    int index = indexOf(name);
    if (index < 0) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        index = 0;
        while (index < m_names.size() && collator.compare(m_names[index], name) <= 0)
            ++index;
        m_names.insert(index, name);
    }
    m_current = index;
    return index;
}

bool AlphabetBook::removeCurrent()
{
    if (m_names.size() <= 1)
        return false;
    const QString name = currentName();
    m_ini.removeKey(kSection, symbolsKey(name));
    m_ini.removeKey(kSection, changesKey(name));
    m_names.removeAt(m_current);
    m_current = 0;
    m_pairs = readPairs(currentName());
    return write();
}

} // namespace qm
