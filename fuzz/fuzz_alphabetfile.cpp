// Feeds arbitrary bytes to the alphabet file reader, then checks that the
// current alphabet it gives is written and read back unchanged.
#include "text/alphabetbook.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qm::AlphabetBook book;
    book.parse(QByteArrayView(data, qsizetype(size)));
    if (book.names().isEmpty() || book.current() < 0 || book.current() >= book.names().size())
        std::abort();
    const qm::AlphabetPairs pairs = book.pairs();
    book.save(pairs); // no path: nothing reaches the disk
    if (book.readPairs(book.currentName()) != pairs)
        std::abort();
    return 0;
}
