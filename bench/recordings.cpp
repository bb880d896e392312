#include "recordings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/datetime.h"
#include "recording/rowformat.h"
#include "router/liveboxinfos.h"

namespace {
// A small generator of its own: the same recording on every machine.
struct Random
{
    quint64 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return quint32(state >> 11);
    }
    double uniform() { return next() / 4294967296.0; } // [0, 1)
    int below(int n) { return int(uniform() * n); }
};

// The local text of an instant, from the zone's offsets looked up once per
// stretch of time, as a reload reads them back.
QString localText(LocalZone &zone, qint64 msecs)
{
    const qint64 local = msecs + zone.offsetAt(msecs) * 1000LL;
    const qint64 days = local >= 0 ? local / 86400000 : (local - 86399999) / 86400000;
    const int seconds = int((local - days * 86400000) / 1000);
    const QDate date = QDate::fromJulianDay(days + 2440588);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", date.day(), date.month(), date.year(),
                  seconds / 3600, seconds / 60 % 60, seconds % 60);
    return QString::fromLatin1(text);
}

void generate(const QString &path, int rows)
{
    // French users: the repeated hour of October is in the file, as theirs.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Paris");
    tzset();
    LocalZone local;

    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray block = csvHeader().toLatin1() + '\n';

    constexpr int week = 120960;
    constexpr int stopMs = 20 * 60 * 1000; // the PC off for twenty minutes once a week
    const qint64 span = 5000LL * rows + qint64(rows / week) * stopMs;
    qint64 t = QDateTime::currentMSecsSinceEpoch() / 1000 * 1000 - span;

    Random random{0x9e3779b97f4a7c15ULL};
    LiveBoxInfos r;
    double uptime = 3 * 86400;
    double syncMarginDown = 70, syncMarginUp = 90;
    const auto synchronise = [&] {
        r.LastChangeTime = uptime;
        r.PppLastChangeTime = uptime + 20;
        r.DownstreamCurrRate = 7000 + random.below(3000);
        r.UpstreamCurrRate = 900 + random.below(200);
        syncMarginDown = 60 + random.below(40);
        syncMarginUp = 80 + random.below(30);
        r.LinkRetrain += 1;
        r.InitErrors += random.below(3);
    };
    r.DownstreamLineAttenuation = 254;
    r.UpstreamLineAttenuation = 138;
    r.DownstreamAttenuation = 251;
    r.UpstreamAttenuation = 135;
    r.DownstreamPower = 121;
    r.UpstreamPower = 44;
    r.IPAddress = QStringLiteral("90.12.34.56");
    synchronise();
    for (int i = 0; i < rows; ++i) {
        if (i > 0 && i % week == 0) {
            t += stopMs;
            uptime += stopMs / 1000;
        }
        uptime += 5;
        if (i > 0 && i % (4 * week) == 0) { // a gateway restart: its counters start again
            uptime = 60;
            for (double *counter : {&r.CRCErrors, &r.ATUCCRCErrors, &r.FECErrors, &r.ATUCFECErrors, &r.HECErrors,
                                    &r.ATUCHECErrors, &r.ErroredSecs, &r.SeverelyErroredSecs, &r.ReceiveBlocks,
                                    &r.TransmitBlocks, &r.CellDelin, &r.LinkRetrain, &r.InitErrors,
                                    &r.InitTimeouts, &r.LossOfFraming})
                *counter = 0;
            r.IPAddress = QStringLiteral("90.12.%1.%2").arg(random.below(256)).arg(random.below(256));
            synchronise();
        } else if (random.below(25920) == 0) { // about every day and a half
            synchronise();
        }
        r.LastChange = uptime - r.LastChangeTime;
        r.PppLastChange = std::max(0.0, uptime - r.PppLastChangeTime);

        // Margins sink in the evening, when the neighbours' lines are busy.
        const double phase = double(t % 86400000) / 86400000;
        const double evening = std::sin(2 * M_PI * (phase - 0.55));
        r.DownstreamNoiseMargin = std::round(syncMarginDown - 15 * evening + random.below(9) - 4);
        r.UpstreamNoiseMargin = std::round(syncMarginUp - 6 * evening + random.below(5) - 2);
        r.DownstreamMaxRate = std::round(r.DownstreamCurrRate * 1.15 + r.DownstreamNoiseMargin * 20 + random.below(50));
        r.UpstreamMaxRate = std::round(r.UpstreamCurrRate * 1.1 + r.UpstreamNoiseMargin * 3 + random.below(10));

        const bool burst = random.below(100) < (evening > 0.5 ? 4 : 1);
        r.CRCErrors += burst ? 1 + random.below(40) : 0;
        r.ATUCCRCErrors += random.below(400) == 0 ? 1 + random.below(10) : 0;
        r.HECErrors += random.below(1000) == 0 ? 1 : 0;
        r.ATUCHECErrors += random.below(3000) == 0 ? 1 : 0;
        r.FECErrors += 40 + random.below(200) + (burst ? 2000 : 0);
        r.ATUCFECErrors += random.below(30);
        r.ErroredSecs += burst ? 1 : 0;
        r.SeverelyErroredSecs += burst && random.below(10) == 0 ? 1 : 0;
        r.ReceiveBlocks += 45000 + random.below(10000);
        r.TransmitBlocks += 18000 + random.below(4000);
        r.CellDelin += random.below(5000) == 0 ? 1 : 0;

        r.DateTime = localText(local, t);
        block += csvRow(r).toLatin1() + '\n';
        if (block.size() > (4 << 20)) {
            file.write(block);
            block.clear();
        }
        t += 5000;
    }
    file.write(block);
    file.close();

    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}
}

const BenchRecording *benchRecording(const QString &name)
{
    for (const BenchRecording *r : {&benchDay, &benchWeek, &benchMonth, &benchYear}) {
        if (name == QLatin1String(r->name))
            return r;
    }
    return nullptr;
}

QString benchRecordingFile(const BenchRecording &recording)
{
    const QString folder = QStringLiteral(QUELVANE_BENCH_DATA);
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/%2.csv").arg(folder, QLatin1String(recording.name));
    const QFileInfo info(path);
    if (!info.exists() || info.lastModified().secsTo(QDateTime::currentDateTime()) > 3600) {
        std::fprintf(stderr, "Generating %s (%d rows)...\n", recording.name, recording.rows);
        generate(path + QStringLiteral(".part"), recording.rows);
        QFile::remove(path);
        QFile::rename(path + QStringLiteral(".part"), path);
    }
    return path;
}

double parseFloor(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    std::vector<char> block(1 << 20);
    size_t kept = 0;
    double sum = 0;
    for (;;) {
        const qint64 got = file.read(block.data() + kept, qint64(block.size() - kept));
        const char *p = block.data();
        const char *const end = p + kept + size_t(std::max<qint64>(got, 0));
        for (;;) {
            const char *line = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            if (!line)
                break;
            // Each field's digits, then on to the separator.
            for (const char *field = p; field < line; ++field) {
                long long value = 0;
                field = std::from_chars(field, line, value).ptr;
                sum += double(value);
                while (field < line && *field != ';')
                    ++field;
            }
            p = line + 1;
        }
        kept = size_t(end - p);
        std::memmove(block.data(), p, kept);
        if (got <= 0)
            break;
    }
    return sum;
}
