#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QNetworkReply>

#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "chartwindow/graph.h"
#include "support/windowfixture.h"

namespace {
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

int openFiles()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
}

qint64 sampleBytes(Graph *graph)
{
    return qint64(graph->samples.memoryBytes());
}
}

// Run on request (ctest -L soak): thousands of polls with faults mixed in.
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void twentyThousandPolls()
    {
        const int warmUp = 1000;
        const int polls = 20000;
        WindowFixture f(WindowStart().simulator({"--seed", "7", "--ssid", "soak"}));
        f.window->gateway.setDeadline(300);
        for (int i = 0; i < warmUp; ++i)
            QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const qint64 rss0 = residentKb();
        const qint64 arrays0 = sampleBytes(f.window->graph);
        const int files0 = openFiles();

        const QStringList positions = {"rest-login", "rest-dsl", "rest-ppp", "rest-DSLStats", "rest-WIFI",
                                       "rest-WANStatus", "rest-DeviceInfo"};
        const QStringList kinds = {"reset", "hang", "trickle", "http401", "http500", "close", "denied",
                                   "notjson", "strings", "missing", "huge", "short-device"};
        int faults = 0;
        QElapsedTimer clock;
        clock.start();
        // In the middle of the run the gateway refuses the login for a hundred
        // polls, as real firmware does, inside an HTTP 200 reply.
        const int refusedFrom = polls / 2;
        const int refusedTo = refusedFrom + 100;
        for (int i = 0; i < polls; ++i) {
            if (i == refusedFrom)
                f.sim.fault("rest-login", "denied", 100);
            if (i % 40 == 0 && (i < refusedFrom || i >= refusedTo)) {
                const QString kind = kinds.at((i / 40) % kinds.size());
                f.sim.fault(positions.at((i / 40) % positions.size()), kind, 1,
                            kind == "trickle" ? 100 : kind == "huge" ? 9 * 1024 * 1024 : 0);
                ++faults;
            }
            QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        }
        const qint64 elapsed = clock.elapsed();

        const qint64 growthKb = residentKb() - rss0;
        const qint64 arraysKb = (sampleBytes(f.window->graph) - arrays0) / 1024;
        const int rows = f.dir.read("soak.csv").count('\n') - 1;
        // A reply is let go once its poll has read it: the last one goes at the
        // next turn of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const int replies = f.window->acquisition.manager.findChildren<QNetworkReply *>().size();
        qInfo("soak: %d polls (%d with a fault) in %lld s; resident memory +%lld kB after warm-up, sample arrays "
              "+%lld kB; open files %d then %d; %d reply objects left; %d rows for %d polls",
              polls, faults, elapsed / 1000, growthKb, arraysKb, files0, openFiles(), replies, rows,
              polls + warmUp + 1);
        QVERIFY2(growthKb <= arraysKb + 8 * 1024, "memory grew beyond what the samples hold");
        QVERIFY(openFiles() <= files0 + 2);
        QCOMPARE(replies, 0);
        QCOMPARE(rows, polls + warmUp + 1); // the start-up refresh wrote the first
    }

    // The acquisition as the timer runs it, with one request that hangs
    // until its 30 s deadline in the middle: the cycle keeps its interval
    // afterwards, and every poll has its row.
    void cycleKeepsItsIntervalAfterAHang()
    {
        const int polls = 80;
        const int cycleMs = 2000;
        WindowFixture f(WindowStart().simulator({"--seed", "8", "--ssid", "cycle"}));
        QCOMPARE(f.window->gateway.deadline(), 30000);
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const int rowsBefore = f.dir.read("cycle.csv").count('\n') - 1;
        f.window->cycleMs = cycleMs;
        QList<qint64> starts;
        QElapsedTimer clock;
        clock.start();
        connect(f.window->cycleTimer, &QTimer::timeout, [&] { starts << clock.elapsed(); });
        QSignalSpy ended(f.window.get(), &MainWindow::pollEnded);
        f.window->on_BtnStartAcquisition_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= polls / 2, polls * cycleMs);
        f.sim.fault("rest-dsl", "hang", 1);
        const int hungAt = ended.size();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= polls, polls * cycleMs + 60000);
        f.window->on_BtnStopAcquisition_clicked();
        const int rows = f.dir.read("cycle.csv").count('\n') - 1 - rowsBefore;
        QList<qint64> spacing;
        for (int i = hungAt + 2; i < starts.size(); ++i)
            spacing << starts.at(i) - starts.at(i - 1);
        std::sort(spacing.begin(), spacing.end());
        qInfo("soak: %d polls every %d ms with a 30 s hang at poll %d: interval in use %d ms afterwards, spacing "
              "of the polls after it %lld to %lld ms, %d rows",
              int(ended.size()), cycleMs, hungAt, f.window->cycleInUse(), spacing.value(0), spacing.value(spacing.size() - 1),
              rows);
        QCOMPARE(f.window->cycleInUse(), cycleMs);
        QVERIFY(!spacing.isEmpty() && spacing.last() < cycleMs + 500);
        QCOMPARE(rows, int(ended.size()));
    }
};

QTEST_MAIN(TestSoak)
#include "soak_polls.moc"
