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
