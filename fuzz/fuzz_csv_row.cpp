// A recording file of any content, read the way the reload reads it.
#include <QBuffer>

#include "recording/rowformat.h"
#include "router/liveboxinfos.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    LineReader lines(&file);
    LiveBoxInfos record;
    const char *line = nullptr;
    int length = 0;
    while (lines.next(&line, &length)) {
        if (applyCsvRow(line, length, &record))
            epochMsecs(record.DateTime);
    }
    return 0;
}
