// A synchronisation log of any content, read for the summary chart.
#include <QBuffer>

#include "charts/synthesis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer log(&bytes);
    log.open(QIODevice::ReadOnly | QIODevice::Text);
    readSynthesis(&log);
    return 0;
}
