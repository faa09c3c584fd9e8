// The 8-bit code page chosen per file: old tags of one folder may be in
// another code page than the options' one.

#include "session/session.h"
#include "session/rowpath.h"

#include "formats/codepage.h"

namespace qm {

QString Session::rowCodepage(int row) const
{
    if (!table_.isFileRow(row))
        return {};
    return codepages_.value(RowPath(table_, row));
}

FileCodepages Session::fileCodepages() const { return {state().codepage, codepages_}; }

bool Session::chooseCodepage(int first, int last, const QString &name)
{
    if (busy() || (!name.isEmpty() && !LegacyCodepage::isKnown(name)))
        return false;
    closeEdit();
    // The step starts before the choice: undo takes the choice back with
    // the cells, so that a write never puts the old cells in the new code
    // page.
    const std::shared_ptr<TableSnapshot> before = jobSnapshot();
    first = std::max(first, 1);
    last = std::min(last, table_.lastFileRow());
    for (int row = first; row <= last; ++row) {
        const QString path = RowPath(table_, row);
        if (path.isEmpty())
            continue;
        if (name.isEmpty())
            codepages_.remove(path);
        else
            codepages_.insert(path, name);
    }
    const TagView view = state_.tagView;
    if (first > last || view == TagView::None) {
        if (before)
            recordStep(*before);
        return true;
    }
    startReadJob(first, last, view == TagView::Id3v1 ? ReadKind::Tag1 : ReadKind::Tag2, false,
                 before);
    return true;
}

QList<std::pair<int, QString>> Session::chosenCodepages(int first, int last) const
{
    QList<std::pair<int, QString>> chosen;
    if (codepages_.isEmpty())
        return chosen;
    for (int row = std::max(first, 1); row <= std::min(last, table_.lastFileRow()); ++row) {
        const QString path = RowPath(table_, row);
        if (codepages_.contains(path))
            chosen.append({row, path});
    }
    return chosen;
}

void Session::followRenames(const QList<std::pair<int, QString>> &chosen)
{
    for (const auto &[row, before] : chosen) {
        if (!table_.isFileRow(row))
            continue;
        const QString after = RowPath(table_, row);
        if (after != before && !after.isEmpty())
            codepages_.insert(after, codepages_.take(before));
    }
}

} // namespace qm
