#include "table/columns.h"

namespace qm {
namespace {

using G = ColumnGroup;
using F = FieldNumber;

constexpr std::array<ColumnInfo, kColumnCount> kCatalogue{{
    {F::No, u"No", u"%NS", u"№     ", 0, G::Always},
    {F::Dir, u"Dir", u"%PA", u"Путь", 1, G::Basic},
    {F::Old, u"Old", u"%ON", u"Старое имя", 2, G::Basic},
    {F::New, u"New", u"%NN", u"Новое имя", 3, G::Basic},
    {F::Ext, u"Ext", u"%EX", u"Расширение", 4, G::Basic},
    {F::Siz, u"Siz", u"%SZ", u"Размер, байт", 22, G::FileInfo},
    {F::Dur, u"Dur", u"%DU", u"Длительность", 23, G::FileInfo},
    {F::Inf, u"Inf", u"%IN", u"Информация", 24, G::FileInfo},
    {F::Tit, u"Tit", u"%TT", u"Заголовок", 5, G::Tag},
    {F::Trc, u"Trc", u"%TR", u"Трек", 6, G::Tag},
    {F::Art, u"Art", u"%AR", u"Артист", 7, G::Tag},
    {F::Alb, u"Alb", u"%AL", u"Альбом", 8, G::Tag},
    {F::Yea, u"Yea", u"%YE", u"Год", 9, G::Tag},
    {F::Gen, u"Gen", u"%GE", u"Жанр", 10, G::Tag},
    {F::Com, u"Com", u"%CO", u"Комментарий", 11, G::Tag},
    {F::Ope, u"Ope", u"%OA", u"Ориг. артист", 18, G::TagExtended},
    {F::Tt1, u"Tt1", u"%OT", u"Ориг. заголовок", 19, G::TagExtended},
    {F::Oal, u"Oal", u"%OL", u"Ориг. альбом", 20, G::TagExtended},
    {F::Ory, u"Ory", u"%OY", u"Ориг. год", 17, G::TagExtended},
    {F::Cop, u"Cop", u"%CP", u"Авторское право", 14, G::TagExtended},
    {F::Slt, u"Slt", u"%TX", u"Текст", 21, G::TagExtended},
    {F::Enc, u"Enc", u"%EN", u"Кодировщик", 13, G::Id3v2Only},
    {F::Cmp, u"Cmp", u"%CM", u"Композитор", 12, G::Id3v2Only},
    {F::Lan, u"Lan", u"%LN", u"Язык", 15, G::Id3v2Only},
    {F::Xxx, u"Xxx", u"%XX", u"Ссылка", 16, G::Id3v2Only},
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

void splitFileName(QString &old, QString &ext, QString &newName)
{
    const qsizetype dot = old.lastIndexOf(u'.');
    // A name ending in a dot keeps it: with an empty Ext no dot is added
    // back, and "name." and "name" are different files here.
    if (dot < 0 || dot == old.size() - 1) {
        ext.clear();
    } else {
        ext = old.mid(dot + 1);
        old.truncate(dot);
    }
    newName = old;
}

} // namespace qm
