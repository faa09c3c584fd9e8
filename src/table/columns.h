#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace qm {

inline constexpr int kColumnCount = 25;

// The columns by their fixed numbers, in the order of the template codes.
// Cells are stored by this number; positions on screen come from ColumnLayout.
enum class FieldNumber : int {
    No,
    Dir,
    Old,
    New,
    Ext,
    Siz,
    Dur,
    Inf,
    Tit,
    Trc,
    Art,
    Alb,
    Yea,
    Gen,
    Com,
    Ope,
    Tt1,
    Oal,
    Ory,
    Cop,
    Slt,
    Enc,
    Cmp,
    Lan,
    Xxx,
};

constexpr int toInt(FieldNumber f) { return static_cast<int>(f); }
constexpr bool isFieldNumber(int n) { return n >= 0 && n < kColumnCount; }
// n must be a field number (isFieldNumber).
constexpr FieldNumber toField(int n) { return static_cast<FieldNumber>(n); }

enum class ColumnGroup {
    Always,      // No
    Basic,       // Dir, Old, New, Ext: in use in every view
    FileInfo,    // Siz, Dur, Inf
    Tag,         // the ID3v1 fields, also in ID3v2
    TagExtended, // Lyrics3 fields in the ID3v1 view, plain frames in ID3v2
    Id3v2Only,
};

struct ColumnInfo {
    FieldNumber field;
    const char16_t *code;         // "Tit": part of command names (aVisibleTit)
    const char16_t *templateCode; // "%TT": metasymbol, shown in the header
    const char *headerText;       // untranslated; headerText() gives the shown one
    int defaultPosition;          // also the column's slot in layout order
    ColumnGroup group;
    const char16_t *listHeader; // "#Path": its header line in a column list; none for No
    // The field's names elsewhere, untranslated (context qm::FieldNames); the
    // functions below give them translated. Null where the field has none.
    const char *name;       // "Размер": its show/hide command, its option items
    const char *lyricsName; // "Автор": its Lyrics3 name, shown in the ID3v1 view
    const char *scanName; // "Номер строки": where the scan table does not use the header
    const char16_t *sortCode; // "Directory": part of its sort command's name (aSortByDirectory)
    const char *sortCaption;  // "По &пути"
    const char *lyricsSortCaption; // "По автору"
};

const ColumnInfo &columnInfo(FieldNumber f);

inline QString columnCode(FieldNumber f) { return QString::fromUtf16(columnInfo(f).code); }
inline QString templateCode(FieldNumber f)
{
    return QString::fromUtf16(columnInfo(f).templateCode);
}
inline int defaultPosition(FieldNumber f) { return columnInfo(f).defaultPosition; }
inline ColumnGroup columnGroup(FieldNumber f) { return columnInfo(f).group; }

// The column's name in the user's language: "Старое имя".
QString headerText(FieldNumber f);
// The header cell as built at start-up: "Старое имя (%ON)".
QString headerCaption(FieldNumber f);

// The field's name in menus and option lists: "Размер", "Авторское пр.";
// empty for No. With `lyricsView`, the Lyrics3 name where the field has one
// ("Автор", "Комментарий 2").
QString fieldName(FieldNumber f, bool lyricsView = false);
// Its caption in the scan table, without the template code: "Номер строки",
// "Размер", "Авторское право".
QString scanName(FieldNumber f);
// Its sort command's caption, "По &пути"; `lyricsView` as for fieldName.
QString sortCaption(FieldNumber f, bool lyricsView = false);
// The names of the field's show/hide and sort commands: "aVisibleDir",
// "aSortByDirectory". No has neither.
QString visibleCommandName(FieldNumber f);
QString sortCommandName(FieldNumber f);

// Exact, case-sensitive codes as they appear in command names and templates.
std::optional<FieldNumber> fieldByCode(QStringView code);
std::optional<FieldNumber> fieldByTemplateCode(QStringView templateCode);

// The column whose default position is the slot (0..24): the layout order
// No, Dir, Old, New, Ext, Tit, Trc, ..., Siz, Dur, Inf.
FieldNumber fieldAtSlot(int slot);

inline bool isTagField(FieldNumber f)
{
    const ColumnGroup g = columnGroup(f);
    return g == ColumnGroup::Tag || g == ColumnGroup::TagExtended || g == ColumnGroup::Id3v2Only;
}

} // namespace qm
