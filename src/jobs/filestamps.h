#pragma once

#include "formats/fileio.h"
#include "table/cell.h"
#include "table/rowtable.h"

#include <QHash>
#include <QString>

namespace qm {

// What files were when their rows were read or last written, by the file's
// path (BuildFileName's: Dir, Old and Ext). A stamp stored for a row keeps
// that row's own Dir, Old and Ext cells as its key, sharing their text,
// rather than a copy of the path: 100,000 rows from standard input would
// otherwise hold every path a second time, as UTF-16. Keys still compare
// as whole paths, exactly: a stamp stored for a path is found by a row
// naming that file however its Dir, Old and Ext split it, and the other
// way round. Copies share the stamps until one of them changes; a const
// one may be read from several threads at once.
class FileStamps {
public:
    bool isEmpty() const { return stamps_.isEmpty(); }
    qsizetype size() const { return stamps_.size(); }

    void insert(const QString &path, const FileStamp &stamp);
    void insert(const Row &row, const FileStamp &stamp);
    // Under a row's Dir, Old and Ext cells, as insert(row) keeps it.
    void insert(const Cell &dir, const Cell &name, const Cell &ext, const FileStamp &stamp);
    void remove(const Row &row);
    // Null when the file has no stamp.
    const FileStamp *find(const QString &path) const;
    const FileStamp *find(const Row &row) const;
    bool contains(const QString &path) const { return find(path) != nullptr; }
    // A default stamp when the file has none.
    FileStamp value(const QString &path) const;

private:
    // The path is Dir + Old + "." + Ext as BuildFileName joins them; a
    // path given as text is its Old alone. The path's hash is taken once,
    // when the key is made: the table's growth and the keys met on the way
    // to a key then cost no path decoded again (8 bytes an entry).
    struct Key {
        Key(Cell dirCell, Cell nameCell, Cell extCell);
        Cell dir;
        Cell name;
        Cell ext;
        size_t pathHash; // without the table's seed
        // A hash table compares every key it passes on the way: most differ
        // in their hash, told here without a call.
        bool operator==(const Key &other) const
        {
            return pathHash == other.pathHash && samePath(other);
        }
        bool samePath(const Key &other) const;
        friend size_t qHash(const Key &key, size_t seed) { return key.pathHash ^ seed; }
    };
    static Key keyOf(const Row &row);
    static Key keyOf(const QString &path) { return {Cell(), Cell(path), Cell()}; }

    QHash<Key, FileStamp> stamps_;
};

} // namespace qm
