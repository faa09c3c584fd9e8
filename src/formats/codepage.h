#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace qm {

// The 8-bit code page that ID3v1 and Lyrics3 fields and encoding-0 ID3v2
// frames are stored in. Russian players write them in Windows-1251, so that
// is the default; the options may choose another single-byte code page.
//
// The tables are built once per choice and read lock-free, so reading jobs
// on other threads decode without touching ICU for every field.
class LegacyCodepage {
public:
    // Chooses the code page by its ICU/IANA name ("windows-1251", "KOI8-R",
    // "ISO-8859-1", ...). Returns false, keeping the current choice, when the
    // name is unknown or names a multi-byte encoding.
    static bool setName(const QString &name);
    static QString name();
    // True when `name` names a single-byte code page that can be chosen.
    static bool isKnown(const QString &name);

    static QString decode(QByteArrayView bytes);
    // Characters the code page cannot hold become '?'.
    static QByteArray encode(QStringView text);
    // True when every character of the text survives encode().
    static bool canEncode(QStringView text);

    // While a Scope lives, decode, encode and canEncode on its thread use
    // the code page `name` instead of the options' one: a file whose old
    // tags were written in another code page is read and written in it. An
    // empty or unknown name changes nothing.
    class Scope {
    public:
        explicit Scope(const QString &name);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        const void *previous_;
    };
};

// The code pages chosen for particular files over the options' one: `all`
// for every file of a job (empty: none), `byPath` for single files.
struct FileCodepages {
    QString all;
    QHash<QString, QString> byPath;
    QString forFile(const QString &path) const { return byPath.value(path, all); }
};

} // namespace qm
