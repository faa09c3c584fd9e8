#include "table/columns.h"

#include <QCoreApplication>

namespace qm {
namespace {

using G = ColumnGroup;
using F = FieldNumber;

constexpr std::array<ColumnInfo, kColumnCount> kCatalogue{{
    {F::No, u"No", u"%NS", QT_TRANSLATE_NOOP("qm::Columns", "№     "), 0, G::Always, nullptr},
    {F::Dir, u"Dir", u"%PA", QT_TRANSLATE_NOOP("qm::Columns", "Путь"), 1, G::Basic, u"#Path"},
    {F::Old, u"Old", u"%ON", QT_TRANSLATE_NOOP("qm::Columns", "Старое имя"), 2, G::Basic,
     u"#Old name"},
    {F::New, u"New", u"%NN", QT_TRANSLATE_NOOP("qm::Columns", "Новое имя"), 3, G::Basic,
     u"#New name"},
    {F::Ext, u"Ext", u"%EX", QT_TRANSLATE_NOOP("qm::Columns", "Расширение"), 4, G::Basic,
     u"#Expansion"},
    {F::Siz, u"Siz", u"%SZ", QT_TRANSLATE_NOOP("qm::Columns", "Размер, байт"), 22, G::FileInfo,
     u"#Size"},
    {F::Dur, u"Dur", u"%DU", QT_TRANSLATE_NOOP("qm::Columns", "Длительность"), 23, G::FileInfo,
     u"#Duration"},
    {F::Inf, u"Inf", u"%IN", QT_TRANSLATE_NOOP("qm::Columns", "Информация"), 24, G::FileInfo,
     u"#FileInfo"},
    {F::Tit, u"Tit", u"%TT", QT_TRANSLATE_NOOP("qm::Columns", "Заголовок"), 5, G::Tag, u"#Title"},
    {F::Trc, u"Trc", u"%TR", QT_TRANSLATE_NOOP("qm::Columns", "Трек"), 6, G::Tag, u"#Track"},
    {F::Art, u"Art", u"%AR", QT_TRANSLATE_NOOP("qm::Columns", "Артист"), 7, G::Tag, u"#Artist"},
    {F::Alb, u"Alb", u"%AL", QT_TRANSLATE_NOOP("qm::Columns", "Альбом"), 8, G::Tag, u"#Album"},
    {F::Yea, u"Yea", u"%YE", QT_TRANSLATE_NOOP("qm::Columns", "Год"), 9, G::Tag, u"#Year"},
    {F::Gen, u"Gen", u"%GE", QT_TRANSLATE_NOOP("qm::Columns", "Жанр"), 10, G::Tag, u"#Genre"},
    {F::Com, u"Com", u"%CO", QT_TRANSLATE_NOOP("qm::Columns", "Комментарий"), 11, G::Tag,
     u"#Comment"},
    {F::Ope, u"Ope", u"%OA", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. артист"), 18, G::TagExtended,
     u"#Orig. artist"},
    {F::Tt1, u"Tt1", u"%OT", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. заголовок"), 19,
     G::TagExtended, u"#Orig. title"},
    {F::Oal, u"Oal", u"%OL", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. альбом"), 20, G::TagExtended,
     u"#Orig. album"},
    {F::Ory, u"Ory", u"%OY", QT_TRANSLATE_NOOP("qm::Columns", "Ориг. год"), 17, G::TagExtended,
     u"#Orig. year"},
    {F::Cop, u"Cop", u"%CP", QT_TRANSLATE_NOOP("qm::Columns", "Авторское право"), 14,
     G::TagExtended, u"#Copyright"},
    {F::Slt, u"Slt", u"%TX", QT_TRANSLATE_NOOP("qm::Columns", "Текст"), 21, G::TagExtended,
     u"#Lyrics"},
    {F::Enc, u"Enc", u"%EN", QT_TRANSLATE_NOOP("qm::Columns", "Кодировщик"), 13, G::Id3v2Only,
     u"#Encoder"},
    {F::Cmp, u"Cmp", u"%CM", QT_TRANSLATE_NOOP("qm::Columns", "Композитор"), 12, G::Id3v2Only,
     u"#Composer"},
    {F::Lan, u"Lan", u"%LN", QT_TRANSLATE_NOOP("qm::Columns", "Язык"), 15, G::Id3v2Only,
     u"#Language"},
    {F::Xxx, u"Xxx", u"%XX", QT_TRANSLATE_NOOP("qm::Columns", "Ссылка"), 16, G::Id3v2Only, u"#URL"},
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
        seen[size_t(c.defaultPosition)] = true;
    }
    return true;
}
static_assert(catalogueIsConsistent(), "field numbers in order, default positions a permutation");

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
