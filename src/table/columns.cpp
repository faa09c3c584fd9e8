#include "table/columns.h"

#include <QCoreApplication>

namespace qm {
namespace {

using G = ColumnGroup;
using F = FieldNumber;

// One row per field: whatever lists the fields (headers, column lists, the
// show/hide and sort commands, the options' lists, the scan table) takes its
// names from here.
constexpr std::array<ColumnInfo, kColumnCount> kCatalogue{{
    {F::No, u"No", u"%NS", QT_TRANSLATE_NOOP("qm::Columns", "№     "), 0, G::Always, nullptr,
     nullptr, nullptr, QT_TRANSLATE_NOOP("qm::FieldNames", "Номер строки"), nullptr, nullptr,
     nullptr},
    {F::Dir, u"Dir", u"%PA", QT_TRANSLATE_NOOP("qm::Columns", "Путь"), 1, G::Basic, u"#Path",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Путь"), nullptr, nullptr, u"Directory",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &пути"), nullptr},
    {F::Old, u"Old", u"%ON", QT_TRANSLATE_NOOP("qm::Columns", "Старое имя"), 2, G::Basic,
     u"#Old name", QT_TRANSLATE_NOOP("qm::FieldNames", "Старое имя"), nullptr, nullptr, u"OldName",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &старому имени"), nullptr},
    {F::New, u"New", u"%NN", QT_TRANSLATE_NOOP("qm::Columns", "Новое имя"), 3, G::Basic,
     u"#New name", QT_TRANSLATE_NOOP("qm::FieldNames", "Новое имя"), nullptr, nullptr, u"NewName",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &новому имени"), nullptr},
    {F::Ext, u"Ext", u"%EX", QT_TRANSLATE_NOOP("qm::Columns", "Расширение"), 4, G::Basic,
     u"#Expansion", QT_TRANSLATE_NOOP("qm::FieldNames", "Расширение"), nullptr, nullptr, u"Ext",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &расширению"), nullptr},
    {F::Siz, u"Siz", u"%SZ", QT_TRANSLATE_NOOP("qm::Columns", "Размер, байт"), 22, G::FileInfo,
     u"#Size", QT_TRANSLATE_NOOP("qm::FieldNames", "Размер"), nullptr,
     QT_TRANSLATE_NOOP("qm::FieldNames", "Размер"), u"Siz",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По размеру"), nullptr},
    {F::Dur, u"Dur", u"%DU", QT_TRANSLATE_NOOP("qm::Columns", "Длительность"), 23, G::FileInfo,
     u"#Duration", QT_TRANSLATE_NOOP("qm::FieldNames", "Длительность"), nullptr, nullptr, u"Dur",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По длительности"), nullptr},
    {F::Inf, u"Inf", u"%IN", QT_TRANSLATE_NOOP("qm::Columns", "Информация"), 24, G::FileInfo,
     u"#FileInfo", QT_TRANSLATE_NOOP("qm::FieldNames", "Информация"), nullptr, nullptr, u"Inf",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По информации"), nullptr},
    {F::Tit, u"Tit", u"%TT", QT_TRANSLATE_NOOP("qm::Columns", "Заголовок"), 5, G::Tag, u"#Title",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Заголовок"), nullptr, nullptr, u"Title",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &заголовку"), nullptr},
    {F::Trc, u"Trc", u"%TR", QT_TRANSLATE_NOOP("qm::Columns", "Трек"), 6, G::Tag, u"#Track",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Трек"), nullptr, nullptr, u"Track",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По номеру &трека"), nullptr},
    {F::Art, u"Art", u"%AR", QT_TRANSLATE_NOOP("qm::Columns", "Артист"), 7, G::Tag, u"#Artist",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Артист"), nullptr, nullptr, u"Artist",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По имени &артиста"), nullptr},
    {F::Alb, u"Alb", u"%AL", QT_TRANSLATE_NOOP("qm::Columns", "Альбом"), 8, G::Tag, u"#Album",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Альбом"), nullptr, nullptr, u"Album",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По названию а&льбома"), nullptr},
    {F::Yea, u"Yea", u"%YE", QT_TRANSLATE_NOOP("qm::Columns", "Год"), 9, G::Tag, u"#Year",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Год"), nullptr, nullptr, u"Year",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &году"), nullptr},
    {F::Gen, u"Gen", u"%GE", QT_TRANSLATE_NOOP("qm::Columns", "Жанр"), 10, G::Tag, u"#Genre",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Жанр"), nullptr, nullptr, u"Genre",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &жанру"), nullptr},
    {F::Com, u"Com", u"%CO", QT_TRANSLATE_NOOP("qm::Columns", "Комментарий"), 11, G::Tag,
     u"#Comment", QT_TRANSLATE_NOOP("qm::FieldNames", "Комментарий"), nullptr, nullptr, u"Comment",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По &комментарию"), nullptr},
    {F::Ope, u"Ope", u"%OA", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. артист"), 18, G::TagExtended,
     u"#Orig. artist", QT_TRANSLATE_NOOP("qm::FieldNames", "Ориг. артист"), nullptr, nullptr,
     u"Ope", QT_TRANSLATE_NOOP("qm::FieldNames", "По ориг. артисту"), nullptr},
    {F::Tt1, u"Tt1", u"%OT", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. заголовок"), 19,
     G::TagExtended, u"#Orig. title", QT_TRANSLATE_NOOP("qm::FieldNames", "Ориг. заголовок"),
     nullptr, nullptr, u"Tt1", QT_TRANSLATE_NOOP("qm::FieldNames", "По ориг. заголовоку"), nullptr},
    {F::Oal, u"Oal", u"%OL", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. альбом"), 20, G::TagExtended,
     u"#Orig. album", QT_TRANSLATE_NOOP("qm::FieldNames", "Ориг. альбом"), nullptr, nullptr, u"Oal",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По ориг. альбому"), nullptr},
    {F::Ory, u"Ory", u"%OY", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. год"), 17, G::TagExtended,
     u"#Orig. year", QT_TRANSLATE_NOOP("qm::FieldNames", "Ориг. год"),
     QT_TRANSLATE_NOOP("qm::FieldNames", "Комментарий 2"), nullptr, u"Ory",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По ориг. году"),
     QT_TRANSLATE_NOOP("qm::FieldNames", "По комментарию 2")},
    {F::Cop, u"Cop", u"%CP", QT_TRANSLATE_NOOP("qm::Columns", "Авторское право"), 14,
     G::TagExtended, u"#Copyright", QT_TRANSLATE_NOOP("qm::FieldNames", "Авторское пр."),
     QT_TRANSLATE_NOOP("qm::FieldNames", "Автор"), nullptr, u"Cop",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По авторскому пр."),
     QT_TRANSLATE_NOOP("qm::FieldNames", "По автору")},
    {F::Slt, u"Slt", u"%TX", QT_TRANSLATE_NOOP("qm::Columns", "Текст"), 21, G::TagExtended,
     u"#Lyrics", QT_TRANSLATE_NOOP("qm::FieldNames", "Текст"), nullptr, nullptr, u"Slt",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По тексту"), nullptr},
    {F::Enc, u"Enc", u"%EN", QT_TRANSLATE_NOOP("qm::Columns", "Кодировщик"), 13, G::Id3v2Only,
     u"#Encoder", QT_TRANSLATE_NOOP("qm::FieldNames", "Кодировщик"), nullptr, nullptr, u"Enc",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По кодировщику"), nullptr},
    {F::Cmp, u"Cmp", u"%CM", QT_TRANSLATE_NOOP("qm::Columns", "Композитор"), 12, G::Id3v2Only,
     u"#Composer", QT_TRANSLATE_NOOP("qm::FieldNames", "Композитор"), nullptr, nullptr, u"Cmp",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По композитору"), nullptr},
    {F::Lan, u"Lan", u"%LN", QT_TRANSLATE_NOOP("qm::Columns", "Язык"), 15, G::Id3v2Only,
     u"#Language", QT_TRANSLATE_NOOP("qm::FieldNames", "Язык"), nullptr, nullptr, u"Lan",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По языку"), nullptr},
    {F::Xxx, u"Xxx", u"%XX", QT_TRANSLATE_NOOP("qm::Columns", "Ссылка"), 16, G::Id3v2Only, u"#URL",
     QT_TRANSLATE_NOOP("qm::FieldNames", "Ссылка"), nullptr, nullptr, u"Xxx",
     QT_TRANSLATE_NOOP("qm::FieldNames", "По ссылке"), nullptr},
}};

constexpr std::array<FieldNumber, kColumnCount> makeSlots()
{
    std::array<FieldNumber, kColumnCount> bySlot{};
    for (const ColumnInfo &c : kCatalogue)
        bySlot[size_t(c.defaultPosition)] = c.field;
    return bySlot;
}

constexpr std::array<FieldNumber, kColumnCount> kSlots = makeSlots();

constexpr bool catalogueIsConsistent()
{
    std::array<bool, kColumnCount> seen{};
    for (int i = 0; i < kColumnCount; ++i) {
        const ColumnInfo &c = kCatalogue[size_t(i)];
        if (toInt(c.field) != i || c.defaultPosition < 0 || c.defaultPosition >= kColumnCount
            || seen[size_t(c.defaultPosition)])
            return false;
        // Every column but No has its command names and captions.
        const bool commands = c.field != F::No;
        if ((c.name != nullptr) != commands || (c.sortCode != nullptr) != commands
            || (c.sortCaption != nullptr) != commands
            || (c.lyricsName != nullptr) != (c.lyricsSortCaption != nullptr))
            return false;
        seen[size_t(c.defaultPosition)] = true;
    }
    return true;
}
static_assert(catalogueIsConsistent(),
              "field numbers in order, default positions a permutation, names complete");

} // namespace

const ColumnInfo &columnInfo(FieldNumber f) { return kCatalogue[size_t(toInt(f))]; }

QString headerText(FieldNumber f)
{
    return QCoreApplication::translate("qm::Columns", columnInfo(f).headerText);
}

QString headerCaption(FieldNumber f)
{
    return headerText(f) + QStringLiteral(" (") + templateCode(f) + u')';
}

namespace {

QString fieldText(const char *source)
{
    return source ? QCoreApplication::translate("qm::FieldNames", source) : QString();
}

} // namespace

QString fieldName(FieldNumber f, bool lyricsView)
{
    const ColumnInfo &c = columnInfo(f);
    return fieldText(lyricsView && c.lyricsName ? c.lyricsName : c.name);
}

QString scanName(FieldNumber f)
{
    const ColumnInfo &c = columnInfo(f);
    return c.scanName ? fieldText(c.scanName) : headerText(f);
}

QString sortCaption(FieldNumber f, bool lyricsView)
{
    const ColumnInfo &c = columnInfo(f);
    return fieldText(lyricsView && c.lyricsSortCaption ? c.lyricsSortCaption : c.sortCaption);
}

QString visibleCommandName(FieldNumber f) { return QStringLiteral("aVisible") + columnCode(f); }

QString sortCommandName(FieldNumber f)
{
    return QStringLiteral("aSortBy") + QString::fromUtf16(columnInfo(f).sortCode);
}

std::optional<FieldNumber> fieldByCode(QStringView code)
{
    for (const ColumnInfo &c : kCatalogue) {
        if (code == QStringView(c.code))
            return c.field;
    }
    return std::nullopt;
}

std::optional<FieldNumber> fieldByTemplateCode(QStringView templateCode)
{
    for (const ColumnInfo &c : kCatalogue) {
        if (templateCode == QStringView(c.templateCode))
            return c.field;
    }
    return std::nullopt;
}

FieldNumber fieldAtSlot(int slot) { return kSlots[size_t(slot)]; }

} // namespace qm
