#include <QtTest>

#include <QProcess>
#include <QRegularExpression>

#include "acquisition/reloadjob.h"
#include "charts/sampletable.h"
#include "recording/recorder.h"
#include "recording/rowformat.h"
#include "support/records.h"
#include "support/scratchdir.h"
#include "support/stuckfile.h"

namespace {
// `rows` polls a minute apart, with counters that grow.
QByteArray recording(int rows)
{
    QByteArray text = csvHeader().toUtf8() + '\n';
    LiveBoxInfos r;
    const QDateTime start(QDate(2026, 11, 2), QTime(8, 0, 0));
    for (int i = 0; i < rows; ++i) {
        r.DateTime = formatDateTime(start.addSecs(60LL * i));
        r.DownstreamNoiseMargin = 60 + i % 17;
        r.DownstreamCurrRate = 8000;
        r.FECErrors += i % 40;
        r.CRCErrors += i % 11 == 0;
        text += csvRow(r).toUtf8() + '\n';
    }
    return text;
}

// Where the `n`th ';' of a row stands.
int nthSeparator(const QByteArray &row, int n)
{
    int at = -1;
    for (int k = 0; k < n; ++k)
        at = row.indexOf(';', at + 1);
    return at;
}

// What the program's reload does beside the window, alone in a process:
// the rows read into a table of samples, their chart times and summaries.
int reloadAlone(const QString &path)
{
    LiveBoxInfos current, previous;
    SampleReload samples(SampleTable(), 300000);
    ReloadRows rows;
    rows.begins = [&](size_t expected) { samples.table.reserve(expected); };
    rows.row = [&](LiveBoxInfos *row, LiveBoxInfos *before) { samples.add(*row, *before); };
    if (!reloadRecording(path, &current, &previous, rows))
        return 1;
    samples.table.summarise();
    std::printf("samples=%zu\n", samples.table.size());
    return 0;
}

struct Calls
{
    qint64 total = -1;
    int samples = -1;
    QString error;
};

// The system calls of a process reloading `rows` rows, as strace counts
// them, with the zone left to the system as on most desktops.
Calls callsToReload(const ScratchDir &dir, int rows)
{
    const QString path = dir.file(QStringLiteral("rows%1.csv").arg(rows));
    dir.write(QFileInfo(path).fileName(), recording(rows));
    const QString summary = dir.file(QStringLiteral("calls%1.txt").arg(rows));
    QProcess strace;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("TZ"));
    // LeakSanitizer cannot run under ptrace (the sanitizers' build).
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    strace.setProcessEnvironment(environment);
    strace.start(QStringLiteral("strace"), {QStringLiteral("-f"), QStringLiteral("-c"), QStringLiteral("-o"), summary,
                                            QCoreApplication::applicationFilePath(), QStringLiteral("--reload"), path});
    Calls calls;
    if (!strace.waitForFinished(120000) || strace.exitCode() != 0) {
        calls.error = QString::fromLocal8Bit(strace.readAllStandardError());
        return calls;
    }
    const QRegularExpression samples(QStringLiteral("samples=(\\d+)"));
    calls.samples = samples.match(QString::fromLatin1(strace.readAllStandardOutput())).captured(1).toInt();
    // The last line of the table: "100.00  seconds  usecs/call  calls  errors  total".
    const QRegularExpression total(QStringLiteral("^\\s*100\\.00\\s+\\S+\\s+\\S+\\s+(\\d+)\\s+.*total\\s*$"),
                                   QRegularExpression::MultilineOption);
    QFile file(summary);
    file.open(QIODevice::ReadOnly);
    const QString table = QString::fromLatin1(file.readAll());
    const QRegularExpressionMatch found = total.match(table);
    calls.total = found.hasMatch() ? found.captured(1).toLongLong() : -1;
    if (calls.total < 0)
        calls.error = table;
    return calls;
}
}

class TestReload : public QObject
{
    Q_OBJECT

private slots:
    // Where TZ is not set, each local-time conversion of the C library
    // reads the zone file again: a reload that converted every row made
    // nineteen system calls per row and took minutes for a year.
    void aReloadMakesNoSystemCallPerRow()
    {
        ScratchDir dir;
        const Calls few = callsToReload(dir, 10);
        const Calls many = callsToReload(dir, 10000);
        QVERIFY2(few.total > 0, qPrintable(few.error));
        QVERIFY2(many.total > 0, qPrintable(many.error));
        QCOMPARE(few.samples, 9);
        QCOMPARE(many.samples, 9999);
        // Reading 1.3 MB takes a few reads; nothing more may grow with the rows.
        QVERIFY2(many.total - few.total < 500,
                 qPrintable(QStringLiteral("%1 calls for 10 rows, %2 for 10 000").arg(few.total).arg(many.total)));
    }

    // A reload beside the window can always be stopped: between two blocks
    // of rows, and even when the file stops giving any (a network share
    // gone away), so that the program can end.
    void aReloadCanAlwaysBeStopped()
    {
        ScratchDir dir;
        const QString pipe = dir.file(QStringLiteral("stuck.csv"));
        {
            const StuckFile stuck(pipe, recording(100));
            QVERIFY(stuck.isReady());

            ReloadJob job(pipe, LiveBoxInfos(), LiveBoxInfos(), SampleReload(SampleTable(), 300000));
            job.start();
            QTest::qWait(100);
            QVERIFY(!job.done()); // waiting for rows that do not come
            QCOMPARE(job.fraction(), -1.0); // a pipe does not say its size
            QElapsedTimer clock;
            clock.start();
            job.stop(300);
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        }

        // An ordinary file stops between two blocks of rows.
        dir.write(QStringLiteral("big.csv"), recording(200000));
        ReloadJob job(dir.file(QStringLiteral("big.csv")), LiveBoxInfos(), LiveBoxInfos(),
                      SampleReload(SampleTable(), 300000));
        job.start();
        job.stop();
        QVERIFY(job.done());
        QVERIFY(!job.loaded());
    }

    // A large recording is read in parts at once: the curves, the records and
    // the stalls must be those of one reading, wherever the parts begin,
    // the repeated hour of autumn, short rows and a row cut short included.
    void aReloadInPartsGivesWhatOneReadingGives()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Paris");
        tzset();
        ScratchDir dir;
        QByteArray text = csvHeader().toUtf8() + '\n';
        LiveBoxInfos r;
        // A quarter of the way, where a part begins: the second pass of the repeated hour.
        const qint64 start = QDateTime(QDate(2026, 10, 24), QTime(13, 30), Qt::UTC).toMSecsSinceEpoch();
        for (int i = 0; i < 2880; ++i) {
            const qint64 t = start + 60000LL * i + (i > 2000 ? 1800000 : 0); // a stall of half an hour
            r.DateTime = formatDateTime(QDateTime::fromMSecsSinceEpoch(t));
            r.LastChangeTime = 1000 + i / 500 * 7;
            r.LastChange = i % 500 * 60;
            r.DownstreamNoiseMargin = 60 + i % 23;
            r.DownstreamMaxRate = 9000 + i % 101;
            r.CRCErrors += i % 7 == 0 ? 3 : 0;
            r.UpstreamAttenuation = i;
            QByteArray row = csvRow(r).toUtf8();
            if (i % 97 == 5) // a row of the older kind, without the last four columns
                row = row.left(nthSeparator(row, 29) + 1);
            if (i % 211 == 7) // a row cut short
                row.chop(3);
            text += row + '\n';
        }
        dir.write(QStringLiteral("maison.csv"), text);

        const auto reload = [&](int threads) {
            auto job = std::make_unique<ReloadJob>(dir.file(QStringLiteral("maison.csv")), LiveBoxInfos(),
                                                   LiveBoxInfos(), SampleReload(SampleTable(), 600000));
            job->setParts(threads, 16 << 10);
            job->run();
            return job;
        };
        const auto whole = reload(1);
        const auto parts = reload(8);
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();

        QVERIFY(whole->loaded() && parts->loaded());
        const SampleTable &one = whole->samples().table;
        const SampleTable &many = parts->samples().table;
        QCOMPARE(many.size(), one.size());
        for (int curve = 0; curve < CurveCount; ++curve)
            QCOMPARE(SeriesView(&many, curve).toPolygon(), SeriesView(&one, curve).toPolygon());
        QCOMPARE(many.synchro, one.synchro);
        QCOMPARE(many.gaps.size(), size_t(1));
        QCOMPARE(one.gaps.size(), size_t(1));
        QCOMPARE(many.gaps[0].start, one.gaps[0].start);
        QCOMPARE(many.firstSampleTime, one.firstSampleTime);
        QCOMPARE(many.lastSampleTime, one.lastSampleTime);
        QCOMPARE(many.lastSampleText, one.lastSampleText);
        QCOMPARE(wholeRecord(parts->current()), wholeRecord(whole->current()));
        QCOMPARE(wholeRecord(parts->previous()), wholeRecord(whole->previous()));
        // The chart times run on through the repeated hour.
        for (size_t i = 1; i < many.size(); ++i)
            QVERIFY2(many.time(i) > many.time(i - 1), qPrintable(QString::number(i)));
    }

    void aFinishedReloadGivesTheLastRowsAndTheirSamples()
    {
        ScratchDir dir;
        dir.write(QStringLiteral("maison.csv"), recording(3000));
        LiveBoxInfos current;
        current.SSID = QStringLiteral("maison");
        ReloadJob job(dir.file(QStringLiteral("maison.csv")), current, LiveBoxInfos(),
                      SampleReload(SampleTable(), 300000));
        job.start();
        QTRY_VERIFY(job.done());
        QVERIFY(job.loaded());
        QCOMPARE(job.fraction(), 1.0);
        QCOMPARE(job.current().DateTime, formatDateTime(QDateTime(QDate(2026, 11, 2), QTime(8, 0)).addSecs(60 * 2999)));
        QCOMPARE(job.previous().DateTime, formatDateTime(QDateTime(QDate(2026, 11, 2), QTime(8, 0)).addSecs(60 * 2998)));
        QCOMPARE(job.current().SSID, QStringLiteral("maison")); // texts the file does not hold
        QCOMPARE(job.samples().table.size(), size_t(2999));
        QCOMPARE(job.samples().table.lastSampleText, job.current().DateTime);
    }
};

int main(int argc, char *argv[])
{
    // The process whose system calls are counted.
    if (argc == 3 && QByteArray(argv[1]) == "--reload") {
        QCoreApplication application(argc, argv);
        return reloadAlone(QString::fromLocal8Bit(argv[2]));
    }
    QApplication application(argc, argv);
    TestReload test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_reload.moc"
