#include "rowformat.h"

#include "common/numbers.h"
#include "common/synchrolog.h"


#include <algorithm>
#include <cstring>

#include "router/liveboxinfos.h"

namespace {
// Columns 1 to 27 and 29 to 32, in file order; 0 is the reading time and 28
// the public address.
double LiveBoxInfos::*const numberColumns[] = {
    nullptr,
    &LiveBoxInfos::LastChangeTime,
    &LiveBoxInfos::LastChange,
    &LiveBoxInfos::UpstreamCurrRate,
    &LiveBoxInfos::DownstreamCurrRate,
    &LiveBoxInfos::UpstreamMaxRate,
    &LiveBoxInfos::DownstreamMaxRate,
    &LiveBoxInfos::UpstreamNoiseMargin,
    &LiveBoxInfos::DownstreamNoiseMargin,
    &LiveBoxInfos::UpstreamLineAttenuation,
    &LiveBoxInfos::DownstreamLineAttenuation,
    &LiveBoxInfos::UpstreamPower,
    &LiveBoxInfos::DownstreamPower,
    &LiveBoxInfos::ReceiveBlocks,
    &LiveBoxInfos::TransmitBlocks,
    &LiveBoxInfos::CellDelin,
    &LiveBoxInfos::LinkRetrain,
    &LiveBoxInfos::InitErrors,
    &LiveBoxInfos::InitTimeouts,
    &LiveBoxInfos::LossOfFraming,
    &LiveBoxInfos::ErroredSecs,
    &LiveBoxInfos::SeverelyErroredSecs,
    &LiveBoxInfos::FECErrors,
    &LiveBoxInfos::ATUCFECErrors,
    &LiveBoxInfos::HECErrors,
    &LiveBoxInfos::ATUCHECErrors,
    &LiveBoxInfos::CRCErrors,
    &LiveBoxInfos::ATUCCRCErrors,
    nullptr,
    &LiveBoxInfos::PppLastChangeTime,
    &LiveBoxInfos::PppLastChange,
    &LiveBoxInfos::UpstreamAttenuation,
    &LiveBoxInfos::DownstreamAttenuation,
};
constexpr int columnCount = 33;
constexpr int addressColumn = 28;
static_assert(sizeof numberColumns / sizeof numberColumns[0] == columnCount, "one entry per column");

double numberOrZero(const char *c, int size)
{
    // The program writes plain integers: read those directly, and leave
    // anything else to Qt's conversion.
    int i = size > 0 && c[0] == '-' ? 1 : 0;
    if (i < size && size - i <= 15) {
        qint64 value = 0;
        for (; i < size; ++i) {
            if (c[i] < '0' || c[i] > '9')
                break;
            value = value * 10 + (c[i] - '0');
        }
        if (i == size)
            return c[0] == '-' ? -double(value) : double(value);
    }
    bool ok = false;
    const double value = QByteArray::fromRawData(c, size).toDouble(&ok);
    return ok ? value : 0.0;
}
}

namespace {
// Writes into the text's own buffer when it can: a reload fills the same
// record row after row.
void setLatin1(QString *target, const char *text, int size)
{
    target->resize(size);
    QChar *out = target->data();
    for (int i = 0; i < size; ++i)
        out[i] = QLatin1Char(text[i]);
}
}

QString csvHeader()
{
    return QStringLiteral(
        "DateTime;LastChangeTime;LastChange;UpstreamCurrRate;DownstreamCurrRate;UpstreamMaxRate;"
        "DownstreamMaxRate;UpstreamNoiseMargin;"
        "DownstreamNoiseMargin;UpstreamLineAttenuation;DownstreamLineAttenuation;UpstreamPower;DownstreamPower;"
        "ReceiveBlocks;TransmitBlocks;"
        "CellDelin;LinkRetrain;InitErrors;InitTimeouts;LossOfFraming;ErroredSecs;SeverelyErroredSecs;"
        "FECErrors;ATUCFECErrors;HECErrors;ATUCHECErrors;CRCErrors;ATUCCRCErrors;IPAddress;PppLastChangeTime;"
        "PppLastChange;UpstreamAttenuation;DownstreamAttenuation");
}

QString csvRow(const LiveBoxInfos &infos)
{
    QString row;
    row.reserve(256);
    for (int column = 0; column < columnCount; ++column) {
        if (column == 0)
            row += infos.DateTime;
        else if (column == addressColumn)
            row += infos.IPAddress;
        else
            row += fixedText(infos.*numberColumns[column], 0);
        row += QLatin1Char(';');
    }
    return row;
}

bool applyCsvRow(const char *text, int size, LiveBoxInfos *infos)
{
    // Every row the program writes ends with ';': a last row without it was
    // cut short (a crash, a full disk) and its last field is not to be trusted.
    if (size <= 0 || text[size - 1] != ';')
        return false;
    --size;
    // One pass over the characters, numbers read as their digits go by:
    // reloading a week of rows must cost little more than reading it.
    double numbers[columnCount];
    const char *starts[columnCount];
    const char *ends[columnCount];
    const char *p = text;
    const char *const end = text + size;
    int count = 0;
    while (count < columnCount) {
        const char *start = p;
        if (count != 0 && count != addressColumn) {
            const bool negative = p < end && *p == '-';
            p += negative;
            const char *digits = p;
            quint64 value = 0; // wraps harmlessly on absurdly long digit runs, which go the slow way
            while (p < end && unsigned(*p - '0') < 10)
                value = value * 10 + unsigned(*p++ - '0');
            if (p > digits && p - digits <= 15 && (p == end || *p == ';')) {
                numbers[count] = negative ? -double(value) : double(value);
            } else {
                const void *separator = memchr(p, ';', size_t(end - p));
                p = separator ? static_cast<const char *>(separator) : end;
                numbers[count] = numberOrZero(start, int(p - start));
            }
        } else {
            const void *separator = memchr(p, ';', size_t(end - p));
            p = separator ? static_cast<const char *>(separator) : end;
        }
        starts[count] = start;
        ends[count] = p;
        ++count;
        if (p == end)
            break;
        ++p; // the separator
    }
    if (count <= addressColumn)
        return false;

    setLatin1(&infos->DateTime, starts[0], int(ends[0] - starts[0]));
    for (int column = 1; column < addressColumn; ++column)
        infos->*numberColumns[column] = numbers[column];
    // The address seldom changes: keep the text already held when it is the same.
    const QLatin1String address(starts[addressColumn], int(ends[addressColumn] - starts[addressColumn]));
    if (infos->IPAddress != address)
        infos->IPAddress = QString::fromUtf8(address.data(), address.size());
    for (int column = addressColumn + 1; column < count; ++column)
        infos->*numberColumns[column] = numbers[column];
    return true;
}

LineReader::LineReader(QIODevice *device, qint64 offset)
    : m_device(device)
    , m_base(offset)
{
}

bool LineReader::next(const char **line, int *size)
{
    constexpr qint64 blockSize = 1 << 20;
    for (;;) {
        const int available = m_buffer.size() - m_position;
        const char *from = m_buffer.constData() + m_position;
        const void *found = available > 0 ? memchr(from, '\n', size_t(available)) : nullptr;
        if (found || (m_atEnd && available > 0)) {
            const int length = found ? int(static_cast<const char *>(found) - from) : available;
            *line = from;
            *size = length > 0 && from[length - 1] == '\r' ? length - 1 : length;
            m_position += found ? length + 1 : length;
            return true;
        }
        if (m_atEnd)
            return false;
        // Read straight behind what is left of the buffer: no block copied twice.
        m_buffer.remove(0, m_position);
        m_base += m_position;
        m_position = 0;
        const int kept = m_buffer.size();
        m_buffer.resize(kept + int(blockSize));
        const qint64 got = m_device->read(m_buffer.data() + kept, blockSize);
        m_buffer.resize(kept + int(qMax<qint64>(got, 0)));
        if (got <= 0)
            m_atEnd = true;
    }
}

int csvFieldCount(const char *line, int size)
{
    // Every field is followed by ';'.
    return int(std::count(line, line + size, ';'));
}

QString synchroLogHeader()
{
    return QStringLiteral("DATE HEURE SYNCHRO ;DATE HEURE RELEVE  ; SESSION DE SUIVI  ; DEMARRAGE BOX     ; CONNEXION INTERNET");
}

QString synchroLogRow(const LiveBoxInfos &infos, const QString &startTime)
{
    QStringList row;
    for (int column = 0; column < SynchroLogColumnCount; ++column)
        row << QString();
    row[SynchroLogSynchro] = infos.SynchroDateTime;
    row[SynchroLogReading] = infos.DateTime;
    row[SynchroLogSession] = startTime;
    row[SynchroLogReboot] = infos.RebootDateTime;
    row[SynchroLogConnection] = infos.PppDateTime;
    return row.join(QLatin1Char(';'));
}
