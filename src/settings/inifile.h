#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qm {

// A settings file with the semantics of the Windows profile functions the
// program's settings were designed for: section and key names compared
// without regard to case, the first occurrence of a section or key wins,
// values trimmed of blanks, booleans "1"/"0", and everything the program does
// not know (sections, keys, comments, their order) kept when it writes.
//
// Reading is forgiving: any bytes give some content, never an error. The
// file is decoded as UTF-16 when it is (Utf16Text), else as UTF-8 when valid
// (a byte-order mark is skipped), else through the legacy decoder, so files
// of the Windows version load.
class IniFile {
public:
    IniFile() = default;

    // How bytes that are not valid UTF-8 are decoded. Until a decoder is
    // set they are taken as Latin-1; the options library, which owns the
    // legacy code page of the tags, sets it wherever it is linked in.
    using LegacyDecoder = QString (*)(QByteArrayView bytes);
    static void setLegacyDecoder(LegacyDecoder decode);

    // Replaces the content with the file's. False when the file cannot be
    // read (missing, unreadable, no regular file); the content is then empty.
    bool load(const QString &path);
    void parse(QByteArrayView bytes);

    // Writes UTF-8 without byte-order mark, CR LF line ends, through a
    // temporary file renamed over the old one, so a failed or interrupted
    // save leaves the previous file intact. Creates the folder if needed. A
    // writable file in a folder where no file may be made is written in
    // place.
    bool save(const QString &path) const;
    QByteArray toBytes() const;

    bool hasSection(QStringView section) const;
    bool contains(QStringView section, QStringView key) const;
    QStringList sectionNames() const;
    QStringList keys(QStringView section) const;

    QString readString(QStringView section, QStringView key,
                       const QString &defaultValue = {}) const;
    // A value that is not a decimal integer gives the default.
    int readInteger(QStringView section, QStringView key, int defaultValue) const;
    // The same without a default: nothing for a missing or bad value.
    std::optional<int> readOptionalInteger(QStringView section, QStringView key) const;
    // Integers: 0 is false, any other true; anything else gives the default.
    bool readBool(QStringView section, QStringView key, bool defaultValue) const;

    // Creates the section at the end and the key at the end of its section
    // when missing; otherwise replaces the value in place.
    void writeString(QStringView section, QStringView key, const QString &value);
    void writeInteger(QStringView section, QStringView key, int value);
    void writeBool(QStringView section, QStringView key, bool value);

    void removeKey(QStringView section, QStringView key);
    void removeSection(QStringView section);
    void clear();

private:
    struct Line {
        QString key;   // empty for a line that is not key=value (kept verbatim)
        QString value; // the trimmed value, or the raw line
    };
    struct Section {
        QString name; // as spelled in the file; empty for lines before the first header
        bool header = true;
        bool removed = false;
        std::vector<Line> lines;
        QHash<QString, qsizetype> keyIndex; // folded key -> first line with it
    };

    const QString *findValue(QStringView section, QStringView key) const;
    Section *findSection(QStringView section);
    const Section *findSection(QStringView section) const;
    static void addLine(Section &s, QString key, QString value);

    std::vector<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_; // folded name -> first section
};

} // namespace qm
