#include "options/options.h"

#include "formats/codepage.h"
#include "formats/tagfields.h"
#include "settings/inifile.h"

#include <array>

namespace qm {

using F = FieldNumber;

namespace {

// Settings files of the Windows version hold their texts in the legacy code
// page: they decode through the one the options choose.
[[maybe_unused]] const bool kSettingsDecodeLegacyText =
    (IniFile::setLegacyDecoder(&LegacyCodepage::decode), true);

struct TagColumns {
    std::array<FieldNumber, kTagFieldRows> columns;
    std::array<int, kColumnCount> rows;
};

const TagColumns &tagColumns()
{
    static const TagColumns table = [] {
        TagColumns t;
        t.rows.fill(-1);
        for (int row = 0; row < kTagFieldRows; ++row) {
            const std::optional<FieldNumber> f = fieldByCode(kTagFields[row].column);
            Q_ASSERT(f);
            t.columns[size_t(row)] = *f;
            t.rows[size_t(toInt(*f))] = row;
        }
        return t;
    }();
    return table;
}

QList<FieldNumber> tagColumnsUpTo(int rows)
{
    const auto &columns = tagColumns().columns;
    return QList<FieldNumber>(columns.begin(), columns.begin() + rows);
}

} // namespace

FieldNumber tagFieldColumn(int row) { return tagColumns().columns[size_t(row)]; }

int tagFieldRow(FieldNumber f) { return tagColumns().rows[size_t(toInt(f))]; }

QList<FieldNumber> Options::items(FieldView view, bool withLyrics3)
{
    switch (view) {
    case FieldView::FileInfo:
        return {F::Siz, F::Dur, F::Inf};
    case FieldView::Id3v1:
        return tagColumnsUpTo(withLyrics3 ? kId3v1Rows : kId3v1RecordRows);
    case FieldView::Id3v2:
        return tagColumnsUpTo(kTagFieldRows);
    }
    return {};
}

static_assert(Options::kId3v1BasicItems == kId3v1RecordRows);

Options::Options()
    : lists_{FieldLists(items(FieldView::FileInfo)), FieldLists(items(FieldView::Id3v1)),
             FieldLists(items(FieldView::Id3v2))}
{}

void Options::setReadLyrics2(bool on)
{
    if (on == readLyrics2_)
        return;
    readLyrics2_ = on;
    FieldLists &id3v1 = lists(FieldView::Id3v1);
    if (on)
        id3v1.append(items(FieldView::Id3v1).mid(kId3v1BasicItems));
    else
        id3v1.truncate(kId3v1BasicItems);
}

std::optional<FieldItem> Options::governingItem(FieldNumber f, bool fileInfoView,
                                                TagView tagView) const
{
    FieldView view;
    if (columnGroup(f) == ColumnGroup::FileInfo && fileInfoView)
        view = FieldView::FileInfo;
    else if (isTagField(f) && tagView == TagView::Id3v1)
        view = FieldView::Id3v1;
    else if (isTagField(f) && tagView == TagView::Id3v2)
        view = FieldView::Id3v2;
    else
        return std::nullopt;
    const int item = lists(view).indexOf(f);
    if (item < 0)
        return std::nullopt;
    return FieldItem{view, item};
}

bool Options::isOffered(FieldNumber f, bool fileInfoView, TagView tagView) const
{
    if (columnGroup(f) == ColumnGroup::Basic)
        return true;
    const std::optional<FieldItem> at = governingItem(f, fileInfoView, tagView);
    return at && lists(at->view).isRead(at->item);
}

bool Options::setCodepage(const QString &name)
{
    if (!LegacyCodepage::setName(name))
        return false;
    codepage_ = name.trimmed();
    return true;
}

QStringList Options::codepageChoices()
{
    // Single-byte code pages that tags made by Windows players are found
    // in, Cyrillic ones first.
    return {
        QStringLiteral("windows-1251"),   QStringLiteral("KOI8-R"),
        QStringLiteral("KOI8-U"),         QStringLiteral("IBM866"),
        QStringLiteral("x-mac-cyrillic"), QStringLiteral("ISO-8859-5"),
        QStringLiteral("windows-1250"),   QStringLiteral("windows-1252"),
        QStringLiteral("windows-1254"),   QStringLiteral("windows-1256"),
        QStringLiteral("windows-1258"),   QStringLiteral("windows-874"),
        QStringLiteral("ISO-8859-1"),     QStringLiteral("ISO-8859-2"),
        QStringLiteral("ISO-8859-4"),     QStringLiteral("ISO-8859-9"),
        QStringLiteral("ISO-8859-13"),    QStringLiteral("ISO-8859-15"),
        QStringLiteral("IBM437"),         QStringLiteral("IBM850"),
        QStringLiteral("macintosh"),
    };
}

} // namespace qm
