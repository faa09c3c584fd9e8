// Builds an alphabet from the first part of the input (one pair a line: the
// symbol, a tab, the change) and replaces and restores the rest with it.
// With the built-in alphabet, restoring a replaced text of Cyrillic small
// letters other than the ambiguous ones must give the text back.
#include "text/alphabet.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf(u'\0');
    qm::AlphabetPairs pairs;
    for (const QString &line : input.left(split < 0 ? 0 : split).split(u'\n')) {
        const QStringList cells = line.split(u'\t');
        pairs.push_back({qm::leftCharacters(cells.value(0), qm::kMaxSymbolLength),
                         qm::leftCharacters(cells.value(1), qm::kMaxChangeLength)});
    }
    const QString text = split < 0 ? input : input.mid(split + 1);
    const qm::AlphabetMap map(pairs);
    map.restore(map.replace(text));
    map.restore(text);

    const qm::AlphabetMap translit(qm::builtinAlphabet());
    QString plain;
    for (QChar c : text) {
        // Letters whose changes are ambiguous or prefixes of others' do not
        // come back as themselves.
        if (c >= u'а' && c <= u'я' && !QStringView(u"ёэыъьйсшщцзю").contains(c) && c != u'и'
            && c != u'х')
            plain += c;
    }
    if (translit.restore(translit.replace(plain)) != plain)
        std::abort();
    return 0;
}
