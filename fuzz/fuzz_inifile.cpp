// Feeds arbitrary bytes to the settings file reader, then checks that what it
// writes reads back to the same sections, keys and values.
#include "settings/inifile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qm::IniFile ini;
    ini.parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    ini.readInteger(u"Grid", u"ColIndex", 0);
    ini.readBool(u"Main", u"StayOnTop", true);

    qm::IniFile back;
    back.parse(ini.toBytes());
    for (const QString &section : ini.sectionNames()) {
        for (const QString &key : ini.keys(section)) {
            if (back.readString(section, key) != ini.readString(section, key))
                std::abort();
        }
    }
    return 0;
}
