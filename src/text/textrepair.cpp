#include "text/textrepair.h"

#include "formats/pathcodec.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace qm {
namespace {

#include "text/cyrillicbigrams.inc"

// Each kind's machine-readable id and its name for the user, in the order of
// the enum.
struct KindNames {
    const char *id;
    const char *name;
};
constexpr KindNames kKindNames[] = {
    {"cp1251-as-latin1", QT_TRANSLATE_NOOP("qm::RepairTexts", "Windows-1251 как Latin-1")},
    {"cp1251-as-cp1252", QT_TRANSLATE_NOOP("qm::RepairTexts", "Windows-1251 как Windows-1252")},
    {"koi8-as-latin1", QT_TRANSLATE_NOOP("qm::RepairTexts", "KOI8-R как Latin-1")},
    {"cp866-as-latin1", QT_TRANSLATE_NOOP("qm::RepairTexts", "CP866 как Latin-1")},
    {"utf8-as-latin1", QT_TRANSLATE_NOOP("qm::RepairTexts", "UTF-8 как Latin-1")},
    {"utf8-as-cp1252", QT_TRANSLATE_NOOP("qm::RepairTexts", "UTF-8 как Windows-1252")},
    {"utf8-as-latin1-twice", QT_TRANSLATE_NOOP("qm::RepairTexts", "UTF-8 как Latin-1 дважды")},
    {"koi8-as-cp1251", QT_TRANSLATE_NOOP("qm::RepairTexts", "KOI8-R как Windows-1251")},
    {"cp866-as-cp1251", QT_TRANSLATE_NOOP("qm::RepairTexts", "CP866 как Windows-1251")},
    {"utf8-as-cp1251", QT_TRANSLATE_NOOP("qm::RepairTexts", "UTF-8 как Windows-1251")},
    {"cp1252-as-cp1251", QT_TRANSLATE_NOOP("qm::RepairTexts", "Windows-1252 как Windows-1251")},
    {"cp1251-in-utf16", QT_TRANSLATE_NOOP("qm::RepairTexts", "Windows-1251 в UTF-16")},
    {"cp1251-name", QT_TRANSLATE_NOOP("qm::RepairTexts", "Имя файла в Windows-1251")},
    {"koi8-name", QT_TRANSLATE_NOOP("qm::RepairTexts", "Имя файла в KOI8-R")},
    {"cp866-name", QT_TRANSLATE_NOOP("qm::RepairTexts", "Имя файла в CP866")},
};
static_assert(std::size(kKindNames) == size_t(RepairKind::Cp866Name) + 1);

// An 8-bit code page: ASCII below 0x80, the table above.
using HighHalf = char16_t[128];

QString decode8(QByteArrayView bytes, const HighHalf &high)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        out[i] = QChar(b < 0x80 ? char16_t(b) : high[b - 0x80]);
    }
    return text;
}

// The length of `bytes` without the first bytes of a character cut off at
// their end; all of them when they end in no such piece.
qsizetype withoutCutCharacter(QByteArrayView bytes)
{
    qsizetype lead = bytes.size();
    int following = 0;
    while (lead > 0 && following < 3 && (uchar(bytes[lead - 1]) & 0xC0) == 0x80) {
        --lead;
        ++following;
    }
    if (lead == 0)
        return bytes.size();
    const uchar first = uchar(bytes[lead - 1]);
    const int needed = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : 0;
    return following < needed ? lead - 1 : bytes.size();
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    const auto decode = [](QByteArrayView part) -> std::optional<QString> {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(part);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    };
    if (auto text = decode(bytes))
        return text;
    // A UTF-8 text cut to a field of fixed size (the 30 bytes of an ID3v1
    // title) may end in part of a character: the rest is its reading, where
    // it holds characters beyond ASCII to show that it is UTF-8 at all.
    const qsizetype whole = withoutCutCharacter(bytes);
    if (whole == bytes.size())
        return std::nullopt;
    auto text = decode(bytes.first(whole));
    if (!text
        || std::all_of(text->cbegin(), text->cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return std::nullopt;
    return text;
}

// Windows-1251's bytes of the text; nothing when a character has none.
std::optional<QByteArray> encodeCp1251(QStringView text)
{
    static const QHash<char16_t, uchar> bytes = [] {
        QHash<char16_t, uchar> map;
        for (int b = 0; b < 128; ++b)
            map.insert(kHighCp1251[b], uchar(b + 0x80));
        return map;
    }();
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out[i] = char(c);
            continue;
        }
        const auto it = bytes.constFind(c);
        if (it == bytes.constEnd())
            return std::nullopt;
        out[i] = char(it.value());
    }
    return out;
}

// The bytes behind text shown as Latin-1 or Windows-1252: the two agree but
// for 0x80-0x9F, where one shows control characters and the other signs, so
// one table reads both. `signs` tells whether any of Windows-1252's was used.
std::optional<QByteArray> encodeWestern(QStringView text, bool &signs)
{
    signs = false;
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x100) {
            out[i] = char(c);
            continue;
        }
        const char16_t *sign = std::find(std::begin(kHighCp1252), std::begin(kHighCp1252) + 32, c);
        if (sign == std::begin(kHighCp1252) + 32)
            return std::nullopt;
        out[i] = char(0x80 + (sign - std::begin(kHighCp1252)));
        signs = true;
    }
    return out;
}

// --- How much a text looks like real words -------------------------------

enum class Script { Latin, Cyrillic, Other };

constexpr int kLanguages = 3;
const signed char (*const kBigrams[kLanguages])[kBigramSize] = {kBigrams_ru, kBigrams_uk,
                                                                kBigrams_be};

// The letter's row in the pair tables, or kBigramSize - 1 (a word's edge)
// for a Cyrillic letter none of the three languages has.
int bigramIndex(char16_t c)
{
    static const std::array<signed char, 0x100> index = [] {
        std::array<signed char, 0x100> map{};
        map.fill(kBigramSize - 1);
        for (int i = 0; i < kBigramSize - 1; ++i) {
            const QChar lower(kBigramLetters[i]);
            map[lower.unicode() - 0x400] = char(i);
            map[lower.toUpper().unicode() - 0x400] = char(i);
        }
        return map;
    }();
    return c >= 0x400 && c < 0x500 ? index[c - 0x400] : kBigramSize - 1;
}

// A pair the catalogues never or hardly hold costs at most this much: real
// names have rare pairs ("иу" in "Аквариум"), gibberish has many.
constexpr int kPairFloor = -40;

int pairWeight(int language, int previous, int next)
{
    return std::max(kPairFloor, int(kBigrams[language][previous][next]));
}

bool isApostrophe(char16_t c) { return c == u'\'' || c == u'\u2019' || c == u'\u02BC'; }

// Quotes, dashes and the like that real titles put next to their words.
bool isTypographic(char16_t c)
{
    switch (c) {
    case u'\u00AB':
    case u'\u00BB':
    case u'\u2013':
    case u'\u2014':
    case u'\u2018':
    case u'\u2019':
    case u'\u201C':
    case u'\u201D':
    case u'\u201E':
    case u'\u2026':
    case u'\u2116':
    case u'\u2022':
    case u'\u00B7':
        return true;
    default:
        return false;
    }
}

struct Scorer {
    double base = 0;
    std::array<double, kLanguages> cyrillic{};

    // Penalties: letters of two scripts in one word; a word whose case flips
    // from lower to upper; accented Latin letters side by side with no plain
    // one (real Western words hold one or two among plain letters).
    static constexpr double kMixedLetter = 3;
    static constexpr double kCaseFlip = 3;
    static constexpr double kAccentPair = 2;
    static constexpr double kAccentOnly = 2;

    void word(QStringView text, qsizetype begin, qsizetype end)
    {
        int latin = 0, cyr = 0, other = 0, plain = 0, accentPairs = 0, flips = 0;
        bool prevLower = false, prevAccent = false;
        int prevIndex = kBigramSize - 1;
        std::array<double, kLanguages> pairs{};
        for (qsizetype i = begin; i < end; ++i) {
            const QChar ch = text[i];
            const char16_t c = ch.unicode();
            if (isApostrophe(c))
                continue;
            if (ch.isMark())
                continue;
            const bool lower = ch.isLower(), upper = ch.isUpper();
            if (upper && prevLower)
                ++flips;
            prevLower = lower;
            if (c < 0x80) {
                ++latin;
                ++plain;
                prevAccent = false;
            } else if (c >= 0x400 && c < 0x530) {
                ++cyr;
                const int index = bigramIndex(c);
                for (int l = 0; l < kLanguages; ++l)
                    pairs[l] += pairWeight(l, prevIndex, index);
                prevIndex = index;
            } else if (ch.script() == QChar::Script_Latin) {
                ++latin;
                if (prevAccent)
                    ++accentPairs;
                prevAccent = true;
            } else {
                ++other;
            }
        }
        const int letters = latin + cyr + other;
        if ((latin > 0) + (cyr > 0) + (other > 0) > 1) {
            base -= kMixedLetter * letters;
            return;
        }
        base -= kCaseFlip * flips;
        if (cyr) {
            for (int l = 0; l < kLanguages; ++l)
                cyrillic[l] += (pairs[l] + pairWeight(l, prevIndex, kBigramSize - 1)) / 8.0;
        } else if (latin) {
            const int accented = latin - plain;
            base += plain + 0.5 * accented - kAccentPair * accentPairs;
            if (plain == 0 && accented > 1)
                base -= kAccentOnly * accented;
        }
    }

    void sign(QStringView text, qsizetype i)
    {
        const QChar ch = text[i];
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
                base -= 10;
            else if (c == 0x7F)
                base -= 10;
            return;
        }
        const auto letterAt = [&](qsizetype j) {
            return j >= 0 && j < text.size() && text[j].isLetter();
        };
        const bool beside = letterAt(i - 1) || letterAt(i + 1);
        const bool between = letterAt(i - 1) && letterAt(i + 1);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return;
        if (ch.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())
            return;
        switch (ch.category()) {
        case QChar::Other_Control:
        case QChar::Other_PrivateUse:
        case QChar::Other_NotAssigned:
        case QChar::Other_Surrogate:
            base -= 10;
            return;
        case QChar::Other_Format: // the soft hyphen of CP866's "н"
            base -= 5;
            return;
        case QChar::Separator_Space:
            // Tags hardly hold a no-break space, CP866's "а" read as Windows-1251.
            if (c == u'\u00A0')
                base -= 2;
            return;
        default:
            break;
        }
        if (c == 0xFFFD || (c >= 0x2500 && c < 0x25A0)) {
            base -= 5;
        } else if (isTypographic(c)) {
            if (between && c != u'\u2019')
                base -= 1;
        } else {
            base -= beside ? 3 : 1;
        }
    }

    double total() const { return base + *std::max_element(cyrillic.begin(), cyrillic.end()); }
};

bool isWordLetter(QChar ch) { return ch.isLetter() || ch.isMark(); }

constexpr double kClearMargin = 4;
constexpr double kUtf8Bonus = 3;

} // namespace

QString repairKindName(RepairKind kind)
{
    return QCoreApplication::translate("qm::RepairTexts", kKindNames[int(kind)].name);
}

QString repairKindId(RepairKind kind) { return QString::fromLatin1(kKindNames[int(kind)].id); }

double textPlausibility(QStringView text)
{
    Scorer scorer;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isWordLetter(text[i])) {
            scorer.sign(text, i++);
            continue;
        }
        qsizetype end = i + 1;
        // An apostrophe between letters stays in the word: "п'ять", "rock'n'roll".
        while (end < text.size()
               && (isWordLetter(text[end])
                   || (isApostrophe(text[end].unicode()) && end + 1 < text.size()
                       && isWordLetter(text[end + 1]))))
            ++end;
        scorer.word(text, i, end);
        i = end;
    }
    return scorer.total();
}

namespace {

// Whether the text may be a Western one read in the Cyrillic code page: its
// Cyrillic letters come one or two at a time among plain Latin ones. A run of
// three is a Cyrillic word, and a text of Cyrillic letters alone ("Щ") is
// one, which the Western reading would turn into accented Latin.
bool mayBeWesternInCyrillic(QStringView text)
{
    qsizetype run = 0;
    bool plainLetter = false;
    for (const QChar c : text) {
        plainLetter = plainLetter || (c.unicode() < 0x80 && c.isLetter());
        run = c.unicode() >= 0x400 && c.unicode() < 0x530 && c.isLetter() ? run + 1 : 0;
        if (run >= 3)
            return false;
    }
    return plainLetter;
}

// A letter of Russian, Ukrainian or Belarusian.
bool isCyrillicLetter(QChar c) { return bigramIndex(c.unicode()) != kBigramSize - 1; }

// A few Cyrillic letters and nothing else out of ASCII, each word begun with
// a capital and no capital after a small letter ("БГ", "Её", "DJ Ёж"): too
// few letter pairs to tell such a word from its reading in another Cyrillic
// code page, which is as much a word. Such readings of capitals come out in
// small letters and back, so a text in small or flipping letters ("ддф",
// "вЙ-2") is still read.
bool tooShortToTell(QStringView text)
{
    qsizetype count = 0;
    bool wordStart = true, previousLower = false;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 && (!isCyrillicLetter(c) || ++count >= 4))
            return false;
        if (!c.isLetter()) {
            wordStart = true;
            continue;
        }
        if ((wordStart && c.isLower()) || (previousLower && c.isUpper()))
            return false;
        wordStart = false;
        previousLower = c.isLower();
    }
    return count > 0;
}

} // namespace

// The readings of text under each mistake of code pages.
template <typename Add> void addMistakenReadings(QStringView text, const Add &add)
{
    bool signs = false;
    if (const auto western = encodeWestern(text, signs)) {
        add(signs ? RepairKind::Cp1251AsCp1252 : RepairKind::Cp1251AsLatin1,
            decode8(*western, kHighCp1251));
        add(RepairKind::Koi8AsLatin1, decode8(*western, kHighKoi8u));
        add(RepairKind::Cp866AsLatin1, decode8(*western, kHighCp866));
        if (const auto once = decodeUtf8(*western)) {
            add(signs ? RepairKind::Utf8AsCp1252 : RepairKind::Utf8AsLatin1, *once, true);
            bool signsTwice = false;
            if (const auto again = encodeWestern(*once, signsTwice))
                if (const auto twice = decodeUtf8(*again))
                    add(RepairKind::Utf8AsLatin1Twice, *twice, true);
        }
    }
    if (const auto cp1251 = encodeCp1251(text)) {
        if (!tooShortToTell(text)) {
            add(RepairKind::Koi8AsCp1251, decode8(*cp1251, kHighKoi8u));
            add(RepairKind::Cp866AsCp1251, decode8(*cp1251, kHighCp866));
            if (const auto utf8 = decodeUtf8(*cp1251))
                add(RepairKind::Utf8AsCp1251, *utf8, true);
        }
        // A Western tag read in the Cyrillic code page: without this reading
        // the best of the Cyrillic ones would win and turn its letters into
        // box drawings.
        if (mayBeWesternInCyrillic(text))
            add(RepairKind::Cp1252AsCp1251, decode8(*cp1251, kHighCp1252));
    }
    // 8-bit text in a frame that said UTF-16: each unit holds two bytes of
    // text, none a control, so no unit but a last padded one falls below 0x2000.
    const bool packed =
        std::all_of(text.begin(), text.end() - 1, [](QChar c) { return c.unicode() >= 0x2000; });
    if (packed) {
        for (const bool littleEndian : {true, false}) {
            QByteArray bytes;
            bytes.reserve(text.size() * 2);
            for (QChar c : text) {
                const char low = char(c.unicode() & 0xFF), high = char(c.unicode() >> 8);
                bytes.append(littleEndian ? low : high);
                bytes.append(littleEndian ? high : low);
            }
            while (bytes.endsWith('\0'))
                bytes.chop(1);
            if (!bytes.contains('\0'))
                add(RepairKind::Cp1251InUtf16, decode8(bytes, kHighCp1251));
        }
    }
}

RepairAnalysis analyseEncoding(QStringView text)
{
    RepairAnalysis analysis;
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return analysis;
    analysis.originalScore = textPlausibility(text);

    // Bytes that decode as UTF-8 by chance are rare, so a UTF-8 reading earns
    // its multi-byte characters a bonus.
    // Box drawings come out of bytes read in a code page they were not
    // written in (KOI8-R's and CP866's halves are full of them); no title
    // holds one, so such a reading is never the right one.
    const auto isBoxDrawing = [](QChar c) { return c.unicode() >= 0x2500 && c.unicode() < 0x25A0; };
    const bool boxes = std::any_of(text.begin(), text.end(), isBoxDrawing);
    const auto add = [&](RepairKind kind, const QString &reading, bool utf8 = false) {
        if (reading.isEmpty() || reading == text)
            return;
        if (!boxes && std::any_of(reading.begin(), reading.end(), isBoxDrawing))
            return;
        for (const RepairReading &known : analysis.readings)
            if (known.text == reading)
                return;
        double score = textPlausibility(reading);
        if (utf8)
            score += kUtf8Bonus * std::count_if(reading.begin(), reading.end(), [](QChar c) {
                         return c.unicode() >= 0x80;
                     });
        analysis.readings.append({reading, kind, score});
    };

    // A file name that is not UTF-8 holds its own bytes: their reading in a
    // code page is the only one, as the other mistakes would read the
    // characters that stand for the bytes as text.
    if (hasRawBytes(text)) {
        const QByteArray bytes = encodeFileName(text);
        const QString cp1251 = decode8(bytes, kHighCp1251);
        add(RepairKind::Cp1251Name, cp1251);
        // A few capitals ("ДДТ", "Ёж") read so in Windows-1251 are no worse
        // a word than the small letters the other code pages make of them.
        if (!tooShortToTell(cp1251)) {
            add(RepairKind::Koi8Name, decode8(bytes, kHighKoi8u));
            add(RepairKind::Cp866Name, decode8(bytes, kHighCp866));
        }
    } else {
        addMistakenReadings(text, add);
    }

    std::stable_sort(
        analysis.readings.begin(), analysis.readings.end(),
        [](const RepairReading &a, const RepairReading &b) { return a.score > b.score; });
    if (!analysis.readings.isEmpty()
        && analysis.readings.front().score >= analysis.originalScore + kClearMargin)
        analysis.proposal = analysis.readings.front();
    return analysis;
}

std::optional<RepairReading> proposeRepair(QStringView text)
{
    return analyseEncoding(text).proposal;
}

} // namespace qm
