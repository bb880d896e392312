#include "recordformat.h"

#include "app/appdir.h"
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

double numberOrZero(const QChar *c, int size)
{
    // The program writes plain integers: read those directly, and leave
    // anything else to Qt's conversion.
    int i = size > 0 && c[0] == QLatin1Char('-') ? 1 : 0;
    if (i < size && size - i <= 15) {
        qint64 value = 0;
        for (; i < size; ++i) {
            const ushort u = c[i].unicode();
            if (u < '0' || u > '9')
                break;
            value = value * 10 + (u - '0');
        }
        if (i == size)
            return c[0] == QLatin1Char('-') ? -double(value) : double(value);
    }
    bool ok = false;
    const double value = QString::fromRawData(c, size).toDouble(&ok);
    return ok ? value : 0.0;
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
            row += QString::number(infos.*numberColumns[column], 'f', 0);
        row += QLatin1Char(';');
    }
    return row;
}

bool applyCsvRow(const QStringRef &line, LiveBoxInfos *infos)
{
    // Field bounds found in one pass over the characters: reloading a week
    // of rows must not allocate anything per field.
    const QChar *text = line.unicode();
    const int size = line.size();
    int starts[columnCount];
    int ends[columnCount];
    int count = 0;
    int start = 0;
    for (int i = 0; i <= size && count < columnCount; ++i) {
        if (i == size || text[i] == QLatin1Char(';')) {
            starts[count] = start;
            ends[count] = i;
            ++count;
            start = i + 1;
            if (i == size)
                break;
        }
    }
    if (count <= addressColumn)
        return false;

    const auto field = [&](int column) { return line.mid(starts[column], ends[column] - starts[column]); };
    infos->DateTime = field(0).toString();
    for (int column = 1; column < addressColumn; ++column)
        infos->*numberColumns[column] = numberOrZero(text + starts[column], ends[column] - starts[column]);
    infos->IPAddress = field(addressColumn).toString();
    for (int column = addressColumn + 1; column < count; ++column)
        infos->*numberColumns[column] = numberOrZero(text + starts[column], ends[column] - starts[column]);
    return true;
}

QString synchroLogHeader()
{
    return QStringLiteral("DATE HEURE SYNCHRO ;DATE HEURE RELEVE  ; SESSION DE SUIVI  ; DEMARRAGE BOX     ; CONNEXION INTERNET");
}

QString synchroLogRow(const LiveBoxInfos &infos, const QString &startTime)
{
    return infos.SynchroDateTime + QLatin1Char(';') + infos.DateTime + QLatin1Char(';') + startTime
           + QLatin1Char(';') + infos.RebootDateTime + QLatin1Char(';') + infos.PppDateTime;
}

bool isNewDay(const QString &previousReading, const QString &reading)
{
    const QDateTime before = parseDateTime(previousReading);
    const QDateTime now = parseDateTime(reading);
    return before.isValid() && now.isValid() && before.date() != now.date();
}

QString safeFileName(const QString &ssid)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString name = ssid;
    bool onlyDots = !name.isEmpty();
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            c = QLatin1Char('_');
        onlyDots = onlyDots && c == QLatin1Char('.');
    }
    if (onlyDots)
        name.fill(QLatin1Char('_'));
    return name;
}

QString recordingFilePath(const QString &ssid)
{
    return AppDir::filePath(safeFileName(ssid) + QStringLiteral(".csv"));
}

QString synchroLogFilePath(const QString &ssid)
{
    return AppDir::filePath(safeFileName(ssid) + QStringLiteral("_SYNCHROS.csv"));
}

QString fileStamp(const QDateTime &dateTime)
{
    return dateTime.toString(QStringLiteral("_yyyyMMdd_HHmmss"));
}

QString manualArchivePath(const QString &ssid, const QDateTime &now)
{
    return AppDir::filePath(QStringLiteral("archives/") + safeFileName(ssid) + fileStamp(now) + QStringLiteral(".csv"));
}

QString autoArchivePath(const QString &ssid, const QDateTime &previousReading)
{
    return AppDir::filePath(QStringLiteral("archives/") + safeFileName(ssid) + fileStamp(previousReading)
                            + QStringLiteral("auto.csv"));
}

QString autoReportPath(const QString &ssid, const QDateTime &previousReading)
{
    return AppDir::filePath(QStringLiteral("export/") + safeFileName(ssid) + QStringLiteral("_Rapport")
                            + fileStamp(previousReading) + QStringLiteral("auto.pdf"));
}
