#include "options/optionssection.h"

#include "settings/inifile.h"

namespace qm {

namespace {

const QString kSection = QString::fromUtf16(kOptionsSection);

// Entries of a stored list; the empty piece after the closing "," is not
// an entry.
QStringList entries(const QString &text)
{
    QStringList list = text.split(u',');
    if (!list.isEmpty() && list.last().trimmed().isEmpty())
        list.removeLast();
    return list;
}

// A boolean as the settings write it ("1"/"0"), or any integer, or the
// words true and false.
std::optional<bool> parseBool(QStringView text)
{
    const QStringView t = text.trimmed();
    bool ok = false;
    const long long n = t.toLongLong(&ok);
    if (ok)
        return n != 0;
    if (t.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::vector<bool> readFlags(const IniFile &ini, QStringView key, const std::vector<bool> &current)
{
    if (!ini.contains(kSection, key))
        return current;
    std::vector<bool> flags = parseFlagList(ini.readString(kSection, key));
    for (size_t i = flags.size(); i < current.size(); ++i)
        flags.push_back(current[i]);
    return flags;
}

void readLists(const IniFile &ini, FieldLists &lists, QStringView showKey, QStringView readKey)
{
    std::vector<bool> read, shown;
    for (int i = 0; i < lists.size(); ++i) {
        read.push_back(lists.isRead(i));
        shown.push_back(lists.isShown(i));
    }
    shown = readFlags(ini, showKey, shown);
    read = readFlags(ini, readKey, read);
    lists.assign(read, shown);
}

void writeLists(IniFile &ini, const FieldLists &lists, QStringView readKey, QStringView showKey)
{
    std::vector<bool> read, shown;
    for (int i = 0; i < lists.size(); ++i) {
        read.push_back(lists.isRead(i));
        shown.push_back(lists.isShown(i));
    }
    ini.writeString(kSection, readKey, formatFlagList(read));
    ini.writeString(kSection, showKey, formatFlagList(shown));
}

void readScanFields(const IniFile &ini, ScanFields &scan)
{
    if (ini.contains(kSection, u"ScanFieldsPos")) {
        QList<int> numbers;
        for (const QString &entry : entries(ini.readString(kSection, u"ScanFieldsPos"))) {
            bool ok = false;
            const int n = entry.trimmed().toInt(&ok);
            numbers.append(ok ? n : -1);
        }
        scan.setOrder(numbers);
    }
    if (ini.contains(kSection, u"ScanFieldsCheck")) {
        const QStringList checks = entries(ini.readString(kSection, u"ScanFieldsCheck"));
        for (int row = 0; row < checks.size() && row < ScanFields::kRows; ++row)
            scan.setEnabled(row, parseBool(checks[row]).value_or(false));
    }
}

} // namespace

std::vector<bool> parseFlagList(const QString &text)
{
    std::vector<bool> flags;
    for (const QString &entry : entries(text))
        flags.push_back(parseBool(entry).value_or(true));
    return flags;
}

QString formatFlagList(const std::vector<bool> &flags)
{
    QString text;
    for (bool flag : flags)
        text += flag ? QStringLiteral("1,") : QStringLiteral("0,");
    return text;
}

void readOptionsSection(const IniFile &ini, Options &options)
{
    options.setFormatRead(ini.readBool(kSection, u"FormatRead", options.formatRead()));
    readLists(ini, options.lists(FieldView::FileInfo), u"InfoShowFields", u"InfoReadFields");
    readScanFields(ini, options.scanFields());
    options.setReadLyrics2(ini.readBool(kSection, u"ReadLyrics2", options.readLyrics2()));
    readLists(ini, options.lists(FieldView::Id3v1), u"Tag1ShowFields", u"Tag1ReadFields");
    readLists(ini, options.lists(FieldView::Id3v2), u"Tag2ShowFields", u"Tag2ReadFields");
    const QString codepage = ini.readString(kSection, u"Codepage").trimmed();
    if (!codepage.isEmpty())
        options.setCodepage(codepage);
    // "keep" for the file's own version; another text than 3 or 4 changes nothing.
    const QString version = ini.readString(kSection, u"Tag2WriteVersion").trimmed();
    bool number = false;
    const int asNumber = version.toInt(&number);
    if (version == u"keep")
        options.setId3v2WriteVersion(0);
    else if (number && asNumber != 0)
        options.setId3v2WriteVersion(asNumber);
    options.setMoveCompanions(ini.readBool(kSection, u"MoveCompanions", options.moveCompanions()));
    const QString patterns = ini.readString(kSection, u"CompanionPatterns").trimmed();
    if (!patterns.isEmpty())
        options.setCompanionPatterns(patterns);
    options.setShowMovePlan(ini.readBool(kSection, u"ShowMovePlan", options.showMovePlan()));
}

void writeOptionsSection(IniFile &ini, const Options &options)
{
    ini.writeBool(kSection, u"FormatRead", options.formatRead());
    writeLists(ini, options.lists(FieldView::FileInfo), u"InfoReadFields", u"InfoShowFields");
    const ScanFields &scan = options.scanFields();
    QString positions, checks;
    for (int row = 0; row < ScanFields::kRows; ++row) {
        positions += QString::number(toInt(scan.field(row))) + u',';
        checks += scan.isEnabled(row) ? QStringLiteral("1,") : QStringLiteral("0,");
    }
    ini.writeString(kSection, u"ScanFieldsPos", positions);
    ini.writeString(kSection, u"ScanFieldsCheck", checks);
    ini.writeBool(kSection, u"ReadLyrics2", options.readLyrics2());
    writeLists(ini, options.lists(FieldView::Id3v1), u"Tag1ReadFields", u"Tag1ShowFields");
    writeLists(ini, options.lists(FieldView::Id3v2), u"Tag2ReadFields", u"Tag2ShowFields");
    ini.writeString(kSection, u"Codepage", options.codepage());
    const int version = options.id3v2WriteVersion();
    ini.writeString(kSection, u"Tag2WriteVersion",
                    version == 0 ? QStringLiteral("keep") : QString::number(version));
    ini.writeBool(kSection, u"MoveCompanions", options.moveCompanions());
    ini.writeString(kSection, u"CompanionPatterns", options.companionPatterns());
    ini.writeBool(kSection, u"ShowMovePlan", options.showMovePlan());
}

} // namespace qm
