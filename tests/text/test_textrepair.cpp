#include "formats/pathcodec.h"
#include "text/textrepair.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <functional>

using namespace qm;

namespace {

// Real artists, titles and albums, as their tags should read.
const char16_t *const kCyrillic[] = {
    u"Кино",
    u"Виктор Цой",
    u"Группа крови",
    u"Звезда по имени Солнце",
    u"Кукушка",
    u"Перемен",
    u"Аквариум",
    u"Борис Гребенщиков",
    u"Город золотой",
    u"Машина времени",
    u"Андрей Макаревич",
    u"Поворот",
    u"Алиса",
    u"Константин Кинчев",
    u"Небо славян",
    u"ДДТ",
    u"Юрий Шевчук",
    u"Что такое осень",
    u"Наутилус Помпилиус",
    u"Вячеслав Бутусов",
    u"Я хочу быть с тобой",
    u"Крылья",
    u"Сплин",
    u"Выхода нет",
    u"Мороз по коже",
    u"Земфира",
    u"Искала",
    u"Хочешь?",
    u"Мумий Тролль",
    u"Илья Лагутенко",
    u"Владивосток 2000",
    u"Агата Кристи",
    u"Как на войне",
    u"Сказочная тайга",
    u"Чайф",
    u"Не спеши",
    u"Пикник",
    u"Иероглиф",
    u"Король и Шут",
    u"Лесник",
    u"Ария",
    u"Беспечный ангел",
    u"Любэ",
    u"Комбат",
    u"Сектор Газа",
    u"Би-2",
    u"Полковнику никто не пишет",
    u"Владимир Высоцкий",
    u"Кони привередливые",
    u"Булат Окуджава",
    u"Алла Пугачёва",
    u"Миллион алых роз",
    u"Пётр Чайковский",
    u"Лебединое озеро",
    u"Щелкунчик",
    u"Сергей Рахманинов",
    u"Модест Мусоргский",
    u"Картинки с выставки",
    u"Дмитрий Шостакович",
    u"Сергей Прокофьев",
    u"Петя и волк",
    u"Игорь Стравинский",
    u"Весна священная",
    u"Николай Римский-Корсаков",
    u"Шехеразада",
    u"Михаил Глинка",
    u"Александр Бородин",
    u"Князь Игорь",
    u"Ночные снайперы",
    u"Диана Арбенина",
    u"Ленинград",
    u"Сергей Шнуров",
    u"Звери",
    u"Танцы минус",
    u"Мельница",
    u"Гражданская оборона",
    u"Егор Летов",
    u"Всё идёт по плану",
    u"Янка Дягилева",
    u"Секрет",
    u"Браво",
    u"Жанна Агузарова",
    u"Звуки Му",
    u"Пётр Мамонов",
    u"АукцЫон",
    u"Леонид Фёдоров",
    u"Несчастный случай",
    u"Монеточка",
    u"Каждый раз",
    u"Моя оборона",
    u"Гудбай, Америка",
    u"Последний герой",
    u"Спокойная ночь",
    u"Восьмиклассница",
    u"Пачка сигарет",
    u"Апрель",
    u"Электричка",
    u"Кончится лето",
    u"Легенда",
    u"Звезда",
    u"Муравейник",
    u"Сосны на морском берегу",
    u"Белая гвардия",
    u"Трава у дома",
    u"Земляне",
    u"Ласковый май",
    u"Белые розы",
    u"Юрий Шатунов",
    u"Мираж",
    u"Музыка нас связала",
    u"Кар-Мэн",
    u"Ирина Аллегрова",
    u"Валерий Меладзе",
    u"Сэра",
    u"Вопреки",
    u"Иван Дорн",
    u"Стыцамен",
    u"Гости из будущего",
    u"Зима в сердце",
    u"Руки Вверх!",
    u"Крошка моя",
    u"Мальчик на девятке",
    u"ЧИЖ & Co",
    u"Фантом",
    u"Сплин — Романс",
    u"Кино — Группа крови (1988)",
    u"«Звезда по имени Солнце»",
    u"Песня о друге",
    u"Утренняя гимнастика",
    u"Охота на волков",
    u"Братская могила",
    u"Одинокий волк",
    u"Тёмная ночь",
    u"Катюша",
    u"Подмосковные вечера",
    u"День Победы",
    u"Смуглянка",
    u"Священная война",
    u"Журавли",
    u"Калинка",
    u"Очи чёрные",
    u"Ямщик",
    u"Вальс-бостон",
    u"Александр Розенбаум",
    u"Гоп-стоп",
    u"Утиная охота",
    u"Михаил Круг",
    u"Владимирский централ",
    u"Шансон года",
    u"Лучшие песни",
    u"Альбом 1996 года",
    u"Сборник",
    u"Неизвестный исполнитель",
    u"Дорожка 1",
    u"Концерт в Олимпийском",
    u"Ночь",
    u"Это всё",
    u"Эй, ухнем",
    u"Объяснение",
    u"Подъезд",
    u"Съёмки",
    u"Вьюга",
    // Ukrainian
    u"Океан Ельзи",
    u"Святослав Вакарчук",
    u"Без бою",
    u"Обійми",
    u"Човен",
    u"Все буде добре",
    u"Бумбокс",
    u"Скрябін",
    u"Кузьма Скрябін",
    u"Мовчати",
    u"Воплі Відоплясова",
    u"Весна",
    u"Були деньки",
    u"ДахаБраха",
    u"Піккардійська терція",
    u"Брати Гадюкіни",
    u"Плач Єремії",
    u"Руслана",
    u"Дикі танці",
    u"Джамала",
    u"Христина Соловій",
    u"Тримай",
    u"Антитіла",
    u"Їхав козак за Дунай",
    u"Ніч яка місячна",
    u"Червона рута",
    u"Володимир Івасюк",
    u"Водограй",
    u"Софія Ротару",
    u"Щедрик",
    u"Микола Леонтович",
    u"Несе Галя воду",
    u"Ой у лузі червона калина",
    u"Смерекова хата",
    u"Пісня про рушник",
    u"Два кольори",
    u"Марія Бурмака",
    u"Тінь сонця",
    u"Один в каное",
    u"Тартак",
    u"Гайдамаки",
    u"Пирятин",
    u"Вєрка Сердючка",
    u"Тіна Кароль",
    u"Оксана Білозір",
    u"Ніна Матвієнко",
    u"Квітка Цісик",
    u"Коломийки",
    u"Мертвий півень",
    u"Сестри Тельнюк",
    u"Ґрунт",
    u"Ґуральня",
    u"П'ять хвилин",
    u"Зелене жито",
    u"Мамо",
    u"Я так хочу",
    u"Ти мій світ",
    u"Знаєш як",
    u"Вітер",
    u"Сторінки",
    // Belarusian
    u"Ляпіс Трубяцкой",
    u"Песняры",
    u"Касіў Ясь канюшыну",
    u"Лявон Вольскі",
    u"Тры чарапахі",
    u"Крама",
    u"Палац",
    u"Стары Ольса",
    u"Купалінка",
    u"Пагоня",
    u"Магутны Божа",
    u"Нейра Дзюбель",
    u"Мроя",
    u"Зьміцер Вайцюшкевіч",
    u"Белы бусел",
    u"Рэчанька",
    u"Ой, рана на Івана",
    u"Вясна прыйшла",
    u"Мая краіна",
    u"Птушкі",
    u"Дзе ты, мой родны кут",
    u"Беларусь",
    u"Ўсё будзе добра",
    u"Сьцяг",
    u"Вайна скончылася",
    u"Ці ведаеш ты",
    u"Сонца ўзыходзіць",
    u"Жаўранак",
    u"Гэта наша зямля",
    u"Балада пра каханне",
};

// Correct text that no reading may "repair".
const char16_t *const kLeftAlone[] = {
    u"Beyoncé",
    u"Sigur Rós",
    u"Straße",
    u"Mötley Crüe",
    u"Ærø",
    u"Björk",
    u"Jóga",
    u"Édith Piaf",
    u"Non, je ne regrette rien",
    u"Café del Mar",
    u"Motörhead",
    u"Blue Öyster Cult",
    u"Queensrÿche",
    u"Hüsker Dü",
    u"Mañana",
    u"Señorita",
    u"Jürgen",
    u"Antonín Dvořák",
    u"Frédéric Chopin",
    u"Gabriel Fauré",
    u"Camille Saint-Saëns",
    u"Léo Delibes",
    u"Gymnopédie No. 1",
    u"Über den Wolken",
    u"Die Ärzte",
    u"Radioaktivität",
    u"Céline Dion",
    u"Mylène Farmer",
    u"Désenchantée",
    u"Françoise Hardy",
    u"Je t'aime… moi non plus",
    u"Ólafur Arnalds",
    u"Jóhann Jóhannsson",
    u"Múm",
    u"Emilíana Torrini",
    u"Röyksopp",
    u"Sólstafir",
    u"Ásgeir",
    u"Dýrð í dauðaþögn",
    u"Hjaltalín",
    u"Mø",
    u"Adiós Nonino",
    u"Joaquín Rodrigo",
    u"Rosalía",
    u"Ojos Así",
    u"Héroes del Silencio",
    u"Caetano Veloso",
    u"João Gilberto",
    u"Antônio Carlos Jobim",
    u"Águas de Março",
    u"Amália Rodrigues",
    u"Má vlast",
    u"Leoš Janáček",
    u"Bohuslav Martinů",
    u"Zoltán Kodály",
    u"Béla Bartók",
    u"Krzysztof Penderecki",
    u"Henryk Górecki",
    u"Czesław Niemen",
    u"Dziwny jest ten świat",
    u"Dżem",
    u"Boléro",
    u"Clair de lune",
    u"Prélude à l'après-midi d'un faune",
    u"Ça plane pour moi",
    u"Noir Désir",
    u"Téléphone",
    u"Comptine d'un autre été",
    u"La Valse d'Amélie",
    u"Émilie Simon",
    u"Håkan Hellström",
    u"Känn ingen sorg för mig Göteborg",
    u"José González",
    u"Åge Aleksandersen",
    u"Sámi",
    u"Hämärä",
    u"Pääsky",
    u"Tarkan — Şımarık",
    u"Grönemeyer — Männer",
    u"Fräulein",
    u"Schöne Grüße",
    u"Müssen nur wollen",
    u"Einstürzende Neubauten",
    u"Schönheit",
    u"Hölle",
    u"À la claire fontaine",
    u"Où est la fête?",
    u"Él",
    u"Ça",
    u"Über",
    u"Ó",
    u"Æ",
    u"é",
    u"Œuvres complètes",
    u"Señor ©2004",
    u"25°C",
    u"Piano Concerto No. 1 – Allegro",
    u"“Quoted” title",
    u"Мир – «мир»",
    u"№ 5",
    u"DJ Смэш",
    u"Би-2 feat. Чичерина",
    u"Oxxxymiron — Где нас нет",
    u"IC3PEAK — Смерти больше нет",
    u"Ленинград — WWW",
    u"Serebro — Mi Mi Mi",
    u"Глюк'oZa",
    u"Noize MC — Вселенная бесконечна?",
    u"Ελευθερία",
    u"東京事変",
    u"사랑해",
    u"שלום",
    u"Ђорђе Балашевић",
    u"Љубав",
    u"Pink Floyd",
    u"The Dark Side of the Moon",
    u"Smells Like Teen Spirit",
    u"",
};

using Mangle = std::function<QString(const QString &)>;

QByteArray encode(const char *codepage, const QString &text)
{
    QStringEncoder encoder(codepage);
    return encoder.encode(text);
}

QString decode(const char *codepage, const QByteArray &bytes)
{
    if (qstrcmp(codepage, "latin1") == 0)
        return QString::fromLatin1(bytes);
    // Windows shows 1252's five unused bytes as the control characters of
    // their value, as Windows-1251's one.
    QString text;
    for (char b : bytes) {
        QStringDecoder decoder(codepage);
        const QString one = decoder.decode(QByteArrayView(&b, 1));
        text += decoder.hasError() || one == QStringView(u"\uFFFD") ? QChar(uchar(b)) : one.at(0);
    }
    return text;
}

QString packedUtf16(const QByteArray &bytes)
{
    QByteArray padded = bytes;
    if (padded.size() % 2)
        padded.append('\0');
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(padded.constData()),
                              padded.size() / 2);
}

bool encodable(const char *codepage, const QString &text)
{
    QStringDecoder decoder(codepage);
    return decoder.decode(encode(codepage, text)) == text;
}

struct Mistake {
    const char *name;
    const char *codepage;
    Mangle mangle;
};

const Mistake kCyrillicMistakes[] = {
    {"cp1251 as latin1", "windows-1251",
     [](const QString &t) { return decode("latin1", encode("windows-1251", t)); }},
    {"cp1251 as cp1252", "windows-1251",
     [](const QString &t) { return decode("windows-1252", encode("windows-1251", t)); }},
    {"utf8 as latin1", "utf-8", [](const QString &t) { return decode("latin1", t.toUtf8()); }},
    {"utf8 as cp1252", "utf-8",
     [](const QString &t) { return decode("windows-1252", t.toUtf8()); }},
    {"utf8 as latin1 twice", "utf-8",
     [](const QString &t) { return decode("latin1", decode("latin1", t.toUtf8()).toUtf8()); }},
    {"koi8 as cp1251", "KOI8-U",
     [](const QString &t) { return decode("windows-1251", encode("KOI8-U", t)); }},
    {"cp866 as cp1251", "IBM866",
     [](const QString &t) { return decode("windows-1251", encode("IBM866", t)); }},
    {"utf8 as cp1251", "utf-8",
     [](const QString &t) { return decode("windows-1251", t.toUtf8()); }},
    {"cp1251 in utf16", "windows-1251",
     [](const QString &t) { return packedUtf16(encode("windows-1251", t)); }},
    // File names in 8-bit bytes, as the table holds names that are not UTF-8.
    {"cp1251 name", "windows-1251",
     [](const QString &t) { return decodeFileName(encode("windows-1251", t)); }},
    {"koi8 name", "KOI8-U", [](const QString &t) { return decodeFileName(encode("KOI8-U", t)); }},
    {"cp866 name", "IBM866", [](const QString &t) { return decodeFileName(encode("IBM866", t)); }},
};

} // namespace

TEST(TextRepair, MangledTitlesRepairedAndCorrectTextLeftAlone)
{
    QStringList touched;
    for (const char16_t *text : kCyrillic)
        if (const auto repair = proposeRepair(QString::fromUtf16(text)))
            touched << QString::fromUtf16(text) + QStringLiteral(" -> ") + repair->text;
    for (const char16_t *text : kLeftAlone)
        if (const auto repair = proposeRepair(QString::fromUtf16(text)))
            touched << QString::fromUtf16(text) + QStringLiteral(" -> ") + repair->text;
    EXPECT_TRUE(touched.isEmpty()) << touched.join(u'\n').toStdString();

    int total = 0, repaired = 0;
    QStringList missed;
    for (const Mistake &mistake : kCyrillicMistakes) {
        for (const char16_t *title : kCyrillic) {
            const QString text = QString::fromUtf16(title);
            // CP866 has no Ukrainian "і", KOI8 no Belarusian "ў", neither has dashes.
            if (!encodable(mistake.codepage, text))
                continue;
            const QString mangled = mistake.mangle(text);
            ++total;
            const auto repair = proposeRepair(mangled);
            if (repair && repair->text == text)
                ++repaired;
            else
                missed << QString::fromLatin1(mistake.name) + QStringLiteral(": ") + text
                              + QStringLiteral(" <- ") + mangled + QStringLiteral(" -> ")
                              + (repair ? repair->text : QString());
        }
    }
    // Accented Latin double-encoded as UTF-8.
    for (const char16_t *title : kLeftAlone) {
        const QString text = QString::fromUtf16(title);
        if (text.isEmpty()
            || std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            continue;
        ++total;
        const QString mangled = decode("windows-1252", text.toUtf8());
        const auto repair = proposeRepair(mangled);
        if (repair && repair->text == text)
            ++repaired;
        else
            missed << QStringLiteral("utf8 as cp1252: ") + text + QStringLiteral(" <- ") + mangled
                          + QStringLiteral(" -> ") + (repair ? repair->text : QString());
    }
    const double share = double(repaired) / total;
    std::printf("repaired %d of %d mangled titles (%.1f%%)\n", repaired, total, 100 * share);
    EXPECT_GE(share, 0.98) << missed.join(u'\n').toStdString();
}

// Western tags read in the Cyrillic code page: Windows-1252 text gets its own
// reading back; text of a code page no reading knows is left as it is, never
// turned into KOI8-R's or CP866's box drawings, and Cyrillic text never into
// accented Latin.
TEST(TextRepair, WesternTextReadAsWindows1251)
{
    const struct {
        const char *codepage;
        const char16_t *text;
        bool repaired;
    } cases[] = {
        {"windows-1252", u"Über den Straßen – Grüße aus Köln", true},
        {"windows-1252", u"Ön i skärgården, Åsa och Örjan", true},
        {"windows-1252", u"Café crème à la française, déjà vu", true},
        {"windows-1250", u"Zażółć gęślą jaźń", false},
        // Cyrillic text as it should read.
        {"windows-1251", u"Щ", false},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QString mangled = decode("windows-1251", encode(c.codepage, text));
        SCOPED_TRACE(mangled.toStdString());
        const auto repair = proposeRepair(mangled);
        if (c.repaired) {
            ASSERT_TRUE(repair);
            EXPECT_EQ(repair->text, text);
        } else {
            EXPECT_FALSE(repair) << repair->text.toStdString();
        }
    }
}

// A few Cyrillic capitals are as much a word in any Cyrillic code page, so
// they stay, and a name of their bytes is read in Windows-1251; the same
// letters small or in flipping case are read anew.
TEST(TextRepair, ShortCyrillicTextInCapitalsIsLeftAlone)
{
    for (const char16_t *text : {u"БГ", u"КГБ", u"ЧП", u"Ъ", u"Её", u"DJ Ёж"})
        EXPECT_FALSE(proposeRepair(QString::fromUtf16(text)))
            << QString::fromUtf16(text).toStdString();
    const auto repair = proposeRepair(QStringLiteral("юйц & Co"));
    ASSERT_TRUE(repair);
    EXPECT_EQ(repair->text, QStringLiteral("ЧИЖ & Co"));
    // A file name of such bytes is read in Windows-1251.
    for (const char16_t *text : {u"ДДТ", u"Ёж"}) {
        const QString name = QString::fromUtf16(text);
        const auto named = proposeRepair(decodeFileName(encode("windows-1251", name)));
        ASSERT_TRUE(named);
        EXPECT_EQ(named->text, name);
    }
}

// UTF-8 titles cut to the 30 bytes of an ID3v1 field, in the middle of a
// letter, read in the Cyrillic or a Western code page: the letters before
// the cut are their reading.
TEST(TextRepair, Utf8CutInsideALetterIsRepairedUpToTheCut)
{
    const struct {
        const char16_t *title;
        const char16_t *kept;
    } cases[] = {{u"AB Кино Группа крови", u"AB Кино Группа кр"},
                 {u"Аквариум — Город золотой", u"Аквариум — Горо"}};
    for (const char *codepage : {"windows-1251", "windows-1252"}) {
        for (const auto &c : cases) {
            const QByteArray cut = QString::fromUtf16(c.title).toUtf8().left(30);
            const auto repair = proposeRepair(decode(codepage, cut));
            ASSERT_TRUE(repair) << codepage << " " << cut.toStdString();
            EXPECT_EQ(repair->text, QString::fromUtf16(c.kept)) << codepage;
        }
    }
}
