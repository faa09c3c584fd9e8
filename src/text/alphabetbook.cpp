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
    if (path_.isEmpty() || !ini.load(path_)) {
        ini_.clear();
        names_ = QStringList{kBuiltinAlphabetName};
        current_ = 0;
        pairs_ = builtinAlphabet();
        return false;
    }
    ini_ = std::move(ini);
    readNames();
    return true;
}

void AlphabetBook::parse(QByteArrayView bytes)
{
    ini_.parse(bytes);
    readNames();
}

void AlphabetBook::readNames()
{
    names_ = fromCommaText(ini_.readString(kSection, kNamesKey, kBuiltinAlphabetName));
    if (names_.isEmpty())
        names_ << kBuiltinAlphabetName;
    current_ = ini_.readInteger(kSection, kCurrentKey, 0);
    if (current_ < 0 || current_ >= names_.size())
        current_ = 0;
    pairs_ = readPairs(currentName());
}

AlphabetPairs AlphabetBook::readPairs(const QString &name) const
{
    return pairsFromColumns(
        fromCommaText(ini_.readString(kSection, symbolsKey(name), kSymbolHeader + u',')),
        fromCommaText(ini_.readString(kSection, changesKey(name), kChangeHeader + u',')));
}

bool AlphabetBook::isStorableName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(u'=') && !name.startsWith(u';')
           && !name.startsWith(u'[') && !name.contains(u'\n') && !name.contains(u'\r');
}

int AlphabetBook::indexOf(const QString &name) const
{
    for (int i = 0; i < names_.size(); ++i) {
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool AlphabetBook::write()
{
    ini_.writeString(kSection, kNamesKey, toCommaText(names_));
    ini_.writeInteger(kSection, kCurrentKey, current_);
    return !path_.isEmpty() && ini_.save(path_);
}

void AlphabetBook::refresh()
{
    // Another copy of the program may have written the file since it was
    // read: the alphabets it saved or removed there hold, and this book's
    // current alphabet stays current. A file that cannot be read leaves the
    // book as it is.
    IniFile disk;
    if (path_.isEmpty() || !disk.load(path_))
        return;
    const QString name = currentName();
    const AlphabetPairs pairs = pairs_;
    ini_ = std::move(disk);
    readNames();
    addName(name);
    pairs_ = pairs;
}

bool AlphabetBook::save(const AlphabetPairs &pairs)
{
    refresh();
    pairs_ = pairs;
    const QString name = currentName();
    // The list and the index come first in a new file, as the program always wrote them.
    ini_.writeString(kSection, kNamesKey, toCommaText(names_));
    ini_.writeInteger(kSection, kCurrentKey, current_);
    ini_.writeString(kSection, symbolsKey(name), toCommaText(symbolColumn(pairs)));
    ini_.writeString(kSection, changesKey(name), toCommaText(changeColumn(pairs)));
    return write();
}

bool AlphabetBook::select(int index, const AlphabetPairs &leaving)
{
    if (index < 0 || index >= names_.size())
        return false;
    const QString chosen = names_[index];
    bool written = save(leaving);
    current_ = addName(chosen);
    written = write() && written;
    pairs_ = readPairs(currentName());
    return written;
}

bool AlphabetBook::pick(int index)
{
    if (index < 0 || index >= names_.size())
        return false;
    current_ = index;
    pairs_ = readPairs(currentName());
    return true;
}

int AlphabetBook::addName(const QString &name)
{
    int index = indexOf(name);
    if (index < 0) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        index = 0;
        while (index < names_.size() && collator.compare(names_[index], name) <= 0)
            ++index;
        names_.insert(index, name);
    }
    current_ = index;
    return index;
}

bool AlphabetBook::removeCurrent()
{
    refresh();
    if (names_.size() <= 1)
        return false;
    const QString name = currentName();
    ini_.removeKey(kSection, symbolsKey(name));
    ini_.removeKey(kSection, changesKey(name));
    names_.removeAt(current_);
    current_ = 0;
    pairs_ = readPairs(currentName());
    return write();
}

} // namespace qm
