// Any Wi-Fi name must give a file name that stays in the application folder.
#include <cstdlib>

#include "common/filenames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString ssid = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QString name = safeFileName(ssid);
    const bool separators = name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
                            || name.contains(QLatin1Char(':'));
    const bool parent = name == QLatin1String(".") || name == QLatin1String("..");
    if (separators || parent || name.size() != ssid.size())
        abort();
    return 0;
}
