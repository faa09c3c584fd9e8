#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace qm {

// The usual ways a tag's text got the wrong code page: bytes written in one
// encoding and read in another, once or twice.
enum class RepairKind {
    Cp1251AsLatin1,    // "Êèíî"
    Cp1251AsCp1252,    // the same, where 0x80-0x9F show as Windows-1252's signs
    Koi8AsLatin1,      // "ëÉÎÏ"
    Cp866AsLatin1,     // "Ŗ¨­®"
    Utf8AsLatin1,      // "Ð\u009aÐ¸Ð½Ð¾", "BeyoncÃ©"
    Utf8AsCp1252,      // "ÐšÐ¸Ð½Ð¾"
    Utf8AsLatin1Twice, // "Ã\u0090Ã\u009aÃ\u0090Â¸..."
    Koi8AsCp1251,      // "лЙНП"
    Cp866AsCp1251,     // "ЉЁ­®"
    Utf8AsCp1251,      // "РљРёРЅРѕ"
    Cp1252AsCp1251,    // "Ьber", "Cafй": a Western tag read in the Cyrillic code page
    Cp1251InUtf16,     // 8-bit bytes taken two at a time as UTF-16 units
    Cp1251Name,        // the bytes of a file name that is not UTF-8, in each
    Koi8Name,          // code page (such a name holds its bytes as
    Cp866Name,         // U+F780..U+F7FF, see formats/pathcodec.h)
};

// The reading's name for the user, e.g. "Windows-1251 как Latin-1".
QString repairKindName(RepairKind kind);
// A stable ASCII name for machine-readable output, e.g. "cp1251-as-latin1".
QString repairKindId(RepairKind kind);

struct RepairReading {
    QString text;
    RepairKind kind;
    double score;
};

struct RepairAnalysis {
    double originalScore = 0;
    // Every reading that decodes and differs from the text, best first.
    QList<RepairReading> readings;
    // The best reading when it beats the text clearly: the proposal.
    std::optional<RepairReading> proposal;
};

// How much the text looks like real words of its script: Cyrillic words by
// the letter pairs of Russian, Ukrainian and Belarusian, Latin words by their
// run of accented letters, and penalties for letters of two scripts in one
// word, for case that flips inside a word, and for control and stray signs.
double textPlausibility(QStringView text);

// The readings of `text` under each mistake. Plain ASCII returns at once.
RepairAnalysis analyseEncoding(QStringView text);

// The proposal alone; nothing when the text is fine as it is.
std::optional<RepairReading> proposeRepair(QStringView text);

} // namespace qm
