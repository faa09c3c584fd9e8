// Any text through every reading of the code page repair.
#include "text/textrepair.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(data), qsizetype(size / 2));
    const qm::RepairAnalysis analysis = qm::analyseEncoding(text);
    for (const qm::RepairReading &reading : analysis.readings)
        qm::analyseEncoding(reading.text);
    return 0;
}
