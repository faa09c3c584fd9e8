#pragma once

#include <QString>
#include <QStringList>

#include "settings/inifile.h"
#include "text/alphabet.h"

namespace qm {

inline constexpr char16_t kAlphabetFileName[] = u"Runeswap.ini";
// The alphabet file in the settings folder, beside "TagQuill.ini".
QString alphabetFilePath();

// The alphabets the user keeps, in the file "Runeswap.ini" beside the
// settings: section Alphabet with the sorted names ("Alphabets Names", comma
// text), the index of the current one ("Current Alphabet") and two comma
// texts per alphabet ("<name> Symbols", "<name> Changes"), each a column
// of its table from the header to the blank last row.
//
// The book keeps the file's content in memory and writes it whole after
// every change, so an alphabet edited while the file cannot be written
// still holds for the run; the write reports failure instead. Each change
// starts from the file as it is then, so what a second window saved or
// removed meanwhile is kept.
class AlphabetBook {
public:
    explicit AlphabetBook(QString path = {}) : path_(std::move(path)) {}

    const QString &path() const { return path_; }
    // Reads the file. A missing file gives the built-in "Транслит" alone
    // (false: nothing was read; save() creates the file).
    bool load();
    // The same from bytes (tests, fuzzing).
    void parse(QByteArrayView bytes);

    const QStringList &names() const { return names_; }
    int current() const { return current_; }
    QString currentName() const { return names_.value(current_); }
    // The table of the current alphabet, as last loaded or saved.
    const AlphabetPairs &pairs() const { return pairs_; }
    // The position of `name` compared ignoring case, or -1.
    int indexOf(const QString &name) const;

    // Writes the names, the current index and `pairs` as the current
    // alphabet's table. False when the file could not be written.
    bool save(const AlphabetPairs &pairs);
    // Makes `index` current: `leaving` is saved under the alphabet being
    // left first, then the chosen one is loaded.
    bool select(int index, const AlphabetPairs &leaving);
    // Makes `index` current for this run only: nothing is written.
    bool pick(int index);
    // A name not yet in the list is inserted at its sorted place; either way
    // it becomes current. Nothing is written. Returns its index.
    int addName(const QString &name);
    // Deletes the current alphabet's keys and name and makes the first one
    // current. Refused for the last alphabet.
    bool removeCurrent();
    // Whether the keys of `name` read back as written: a key holding "=",
    // or beginning with ";" or "[", would not (nor a line break in it).
    static bool isStorableName(const QString &name);
    // The table stored under `name` (an empty table when it has no keys).
    AlphabetPairs readPairs(const QString &name) const;

private:
    void readNames();
    void refresh();
    bool write();

    QString path_;
    IniFile ini_;
    QStringList names_{kBuiltinAlphabetName};
    int current_ = 0;
    AlphabetPairs pairs_ = builtinAlphabet();
};

} // namespace qm
