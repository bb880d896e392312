#include <QApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "acquisition/acquisition.h"
#include "common/datetime.h"
#include "common/filenames.h"
#include "recording/rowformat.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "support/windowwatch.h"
#include "support/simulator.h"

namespace {
// Every top-level widget made while the acquisition runs, shown or not.
QStringList topLevelClasses()
{
    QStringList classes;
    for (QWidget *widget : QApplication::topLevelWidgets())
        classes << QString::fromLatin1(widget->metaObject()->className());
    return classes;
}

int rowCount(const ScratchDir &dir, const QString &file)
{
    return dir.read(file).count('\n') - 1; // the header's line
}
}

// The acquisition driven with no window at all: the main window only shows
// what it does.
class TestController : public QObject
{
    Q_OBJECT

private slots:
    void startUpWithAndWithoutTheStartOption_data()
    {
        QTest::addColumn<bool>("startOption");
        QTest::newRow("without -r") << false;
        QTest::newRow("with -r") << true;
    }

    void startUpWithAndWithoutTheStartOption()
    {
        QFETCH(bool, startOption);
        Simulator sim({"--ssid", "salon"});
        ScratchDir dir;
        ModalCloser closer;
        dir.write(QStringLiteral("livebox.ini"), settingsFor(sim) + "[MONITOR]\nCycle=00:00:05\n");
        Acquisition acquisition;
        acquisition.startAcquiring = startOption;
        acquisition.readSettings();
        QSignalSpy ended(&acquisition, &Acquisition::startUpEnded);
        QSignalSpy taken(&acquisition, &Acquisition::readingTaken);
        acquisition.start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 15000);

        QVERIFY(!acquisition.startingUp());
        QVERIFY(acquisition.connected);
        QCOMPARE(acquisition.running(), startOption);
        QCOMPARE(acquisition.cycleTimer->isActive(), startOption);
        // The start-up's refresh is shown, recorded and drawn once.
        QCOMPARE(taken.count(), 1);
        QCOMPARE(rowCount(dir, QStringLiteral("salon.csv")), 1);
        QCOMPARE(acquisition.chart.samples.size(), size_t(1));
        QCOMPARE(acquisition.chart.ssid, QStringLiteral("salon"));
        QVERIFY(topLevelClasses().isEmpty());
        QCOMPARE(closer.count(), 0);
    }

    void aPollAndAFailedPoll()
    {
        Simulator sim({"--ssid", "salon", "--fix", "DownstreamCurrRate=7616"});
        ScratchDir dir;
        ModalCloser closer;
        dir.write(QStringLiteral("livebox.ini"), settingsFor(sim));
        Acquisition acquisition;
        acquisition.readSettings();
        QSignalSpy ended(&acquisition, &Acquisition::startUpEnded);
        acquisition.start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 15000);

        QSignalSpy polled(&acquisition, &Acquisition::pollEnded);
        acquisition.cycleTick();
        QTRY_COMPARE_WITH_TIMEOUT(polled.count(), 1, 15000);
        QCOMPARE(acquisition.LBInfos.DownstreamCurrRate, 7616.0);
        QCOMPARE(rowCount(dir, QStringLiteral("salon.csv")), 2);
        QCOMPARE(acquisition.chart.samples.size(), size_t(2));
        QVERIFY(acquisition.lastPollGood());

        // A failed poll leaves the record as it was.
        const QString before = acquisition.LBInfos.DateTime;
        sim.fault(QStringLiteral("rest-dsl"), QStringLiteral("http500"));
        acquisition.cycleTick();
        QTRY_COMPARE_WITH_TIMEOUT(polled.count(), 2, 15000);
        QVERIFY(!acquisition.lastPollGood());
        QCOMPARE(acquisition.LBInfos.DateTime, before);
        QVERIFY(topLevelClasses().isEmpty());
    }

    // Yesterday's recording, reloaded at start: the archive, the day's
    // report drawn from the chart data, and the reset, with no window made.
    void changeOfDayWithoutAnyWindow()
    {
        Simulator sim({"--ssid", "salon"});
        ScratchDir dir;
        ModalCloser closer;
        const QDateTime lastRow(QDate::currentDate().addDays(-1), QTime(23, 55, 0));
        QString recording = csvHeader() + QLatin1Char('\n');
        for (const QDateTime &at : {lastRow.addSecs(-600), lastRow.addSecs(-300), lastRow}) {
            LiveBoxInfos row;
            row.SSID = QStringLiteral("salon");
            row.DateTime = formatDateTime(at);
            row.DownstreamCurrRate = 8000;
            recording += csvRow(row) + QLatin1Char('\n');
        }
        dir.write(QStringLiteral("salon.csv"), recording.toUtf8());
        dir.write(QStringLiteral("livebox.ini"),
                  settingsFor(sim)
                      + "SSID=salon\n[MONITOR]\nReloadCSV=true\nSaveAuto=true\nPdfAuto=true\nRazAuto=true\n"
                        "[GRAPH]\nNoisePdf=true\nDebitMaxPdf=true\nCrcPdf=false\nHecPdf=false\nFecPdf=false\n");

        WindowWatch windows;
        Acquisition acquisition;
        acquisition.readSettings();
        QSignalSpy ended(&acquisition, &Acquisition::startUpEnded);
        QSignalSpy changed(&acquisition, &Acquisition::chartChanged);
        acquisition.start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 30000);

        const QString report = autoReportPath(QStringLiteral("salon"), lastRow);
        QVERIFY(QFile::exists(report));
        QCOMPARE(QFile(autoArchivePath(QStringLiteral("salon"), lastRow)).size(), qint64(recording.toUtf8().size()));
        // Reset: today's row alone, and the chart emptied before it.
        QCOMPARE(rowCount(dir, QStringLiteral("salon.csv")), 1);
        QCOMPARE(acquisition.chart.samples.size(), size_t(1));
        QVERIFY(changed.count() >= 2); // the reload, then the report's view and the reset
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {report, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(page.contains(QStringLiteral("salon")) && page.contains(lastRow.toString(QStringLiteral("dd/MM/yyyy")))
                     && page.contains(QStringLiteral("Marges de bruit upload et download (dB)"))
                     && page.contains(QStringLiteral("Débits maxis upload et download (kB/s)"))
                     && !page.contains(QStringLiteral("Nombre d'erreurs CRC")),
                 qPrintable(page));
        // Its plots were made to be drawn, never as a window.
        QVERIFY2(windows.seen.isEmpty(), qPrintable(windows.seen.join(QLatin1Char(' '))));
        QVERIFY(topLevelClasses().isEmpty());
        QCOMPARE(closer.count(), 0);
    }

    // Every plot unticked: the day is archived, no blank page is written,
    // and the program says why.
    void changeOfDayWithNoPlotTickedWritesNoReport()
    {
        Simulator sim({"--ssid", "salon"});
        ScratchDir dir;
        ModalCloser closer;
        const QDateTime lastRow(QDate::currentDate().addDays(-1), QTime(23, 55, 0));
        LiveBoxInfos row;
        row.SSID = QStringLiteral("salon");
        row.DateTime = formatDateTime(lastRow);
        dir.write(QStringLiteral("salon.csv"), (csvHeader() + QLatin1Char('\n') + csvRow(row) + QLatin1Char('\n')).toUtf8());
        dir.write(QStringLiteral("livebox.ini"),
                  settingsFor(sim)
                      + "SSID=salon\n[MONITOR]\nReloadCSV=true\nSaveAuto=true\nPdfAuto=true\n"
                        "[GRAPH]\nNoisePdf=false\nDebitMaxPdf=false\nCrcPdf=false\nHecPdf=false\nFecPdf=false\n");
        Acquisition acquisition;
        acquisition.readSettings();
        QSignalSpy ended(&acquisition, &Acquisition::startUpEnded);
        acquisition.start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 30000);
        QVERIFY(QFile::exists(autoArchivePath(QStringLiteral("salon"), lastRow)));
        QVERIFY(!QFile::exists(autoReportPath(QStringLiteral("salon"), lastRow)));
        QTRY_COMPARE(closer.count(), 1);
        QVERIFY(closer.texts.value(0).contains(QStringLiteral("Aucun graphique n'est coché")));
    }
};

QTEST_MAIN(TestController)
#include "test_controller.moc"
