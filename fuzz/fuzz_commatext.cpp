// Feeds arbitrary text to the comma-text reader, then checks that the list it
// gives is written and read back unchanged.
#include "text/commatext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList items = qm::fromCommaText(text);
    if (qm::fromCommaText(qm::toCommaText(items)) != items)
        std::abort();
    return 0;
}
