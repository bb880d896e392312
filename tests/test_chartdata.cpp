#include <QtTest>

#include <QSettings>
#include <QTemporaryDir>

#include <qwt_date.h>

#include "charts/chartdata.h"
#include "common/datetime.h"
#include "router/liveboxinfos.h"

namespace {
const double hour = 3600000;
const QDateTime t0(QDate(2024, 3, 5), QTime(10, 0));

LiveBoxInfos at(int secs, double maxRate = 7150)
{
    LiveBoxInfos r;
    r.DateTime = formatDateTime(t0.addSecs(secs));
    r.DownstreamMaxRate = maxRate;
    return r;
}

double chartTime(int secs)
{
    return QwtDate::toDouble(t0.addSecs(secs));
}

// The poll of `secs` after t0, read after the one of `beforeSecs`.
bool poll(ChartData &chart, int secs, int beforeSecs, double maxRate = 7150)
{
    return chart.add(at(secs, maxRate), at(beforeSecs, maxRate), chartTime(secs));
}

void readIni(ChartData *chart, const QByteArray &ini)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("livebox.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
    file.close();
    QSettings settings(file.fileName(), QSettings::IniFormat);
    chart->readSettings(settings);
}
}

class TestChartData : public QObject
{
    Q_OBJECT

private slots:
    void readingsGoToTheTableOrToTheReload()
    {
        ChartData chart;
        QVERIFY(poll(chart, 60, 0));
        QVERIFY(!chart.add(LiveBoxInfos(), at(60), chartTime(120))); // no readable time
        QCOMPARE(int(chart.samples.size()), 1);
        // The first reading starts the recording, from the one before it.
        QCOMPARE(chart.samples.firstSampleTime, chartTime(0));

        chart.beginReload();
        QVERIFY(!poll(chart, 120, 60));
        QCOMPARE(int(chart.samples.size()), 1);
        QVERIFY(chart.endReload());
        QCOMPARE(int(chart.samples.size()), 2);
        QVERIFY(!chart.endReload());
    }

    void stallsDependOnTheIntervalInUse_data()
    {
        QTest::addColumn<double>("cycleInUse");
        QTest::addColumn<int>("gapSecs");
        QTest::addColumn<bool>("stall");
        QTest::newRow("beyond the threshold") << 0.0 << 301 << true;
        QTest::newRow("at the threshold") << 0.0 << 300 << false;
        // A slow gateway spaces the polls out: twice its interval is no stall.
        QTest::newRow("within twice a slow interval") << 200.0 << 399 << false;
        QTest::newRow("beyond twice a slow interval") << 200.0 << 401 << true;
    }

    void stallsDependOnTheIntervalInUse()
    {
        QFETCH(double, cycleInUse);
        QFETCH(int, gapSecs);
        ChartData chart;
        chart.tempsArret = 300;
        chart.cycleInUse = cycleInUse;
        poll(chart, 0, -60);
        poll(chart, gapSecs, 0);
        QFETCH(bool, stall);
        QCOMPARE(chart.samples.gaps.size(), size_t(stall));
        if (stall)
            QCOMPARE(chart.samples.gaps.front().end - chart.samples.gaps.front().start, gapSecs * 1000.0);
    }

    void firstLineUpReadingFitsTheRateAxisOnce()
    {
        ChartData chart;
        readIni(&chart, "");
        poll(chart, 0, -60, 0); // the line is down
        QCOMPARE(chart.maxMaxRate, AxisDefault::maxRate.max);
        poll(chart, 60, 0, 18200);
        QCOMPARE(chart.maxMaxRate, 25000.0);
        QCOMPARE(chart.pasMaxRate, 5000.0);
        poll(chart, 120, 60, 60000);
        QCOMPARE(chart.maxMaxRate, 25000.0);

        // The user's own top wins, over a reload too.
        ChartData own;
        readIni(&own, "[COURBES]\nMaxMaxRate=12000\n");
        own.beginReload();
        poll(own, 0, -60, 18200);
        own.endReload();
        QCOMPARE(own.maxMaxRate, 12000.0);
    }

    // A resynchronisation to a higher rate: the axis's top grows to the
    // highest rate in view, by its own steps, until the user lowers it.
    void rateAxisGrowsToTheRatesShown()
    {
        ChartData chart;
        readIni(&chart, "[COURBES]\nMaxMaxRate=10000\nMinMaxRate=0\nPasMaxRate=1000\n");
        poll(chart, 0, -60, 8000);
        chart.updateView(chartTime(0));
        QCOMPARE(chart.maxMaxRate, 10000.0);
        poll(chart, 60, 0, 15014);
        chart.updateView(chartTime(60));
        QCOMPARE(chart.maxMaxRate, 16000.0);
        QCOMPARE(chart.pasMaxRate, 1000.0);
        // Out of view, the rate no longer counts; the top does not shrink.
        chart.showDay(t0.date().addDays(-1));
        chart.updateView(chartTime(60));
        QCOMPARE(chart.maxMaxRate, 16000.0);
        chart.showRange(3);
        chart.rateTopLowered = true;
        chart.maxMaxRate = 12000;
        poll(chart, 120, 60, 17500);
        chart.updateView(chartTime(120));
        QCOMPARE(chart.maxMaxRate, 12000.0);
    }

    void viewsFollowTheSamplesOrStay()
    {
        ChartData chart;
        for (int s = 0; s <= 7200; s += 60)
            poll(chart, s, s - 60);
        const double first = chartTime(-60), last = chartTime(7200), margin = 5 * 60000;
        const double now = last + hour; // the clock is not the views' anchor
        // The visible range, to the millisecond.
        const auto shows = [&](double start, double end) {
            chart.updateView(now);
            return qAbs(chart.windowStart - start) < 1 && qAbs(chart.windowEnd - end) < 1;
        };
        chart.showRange(3);
        QVERIFY(shows(last + margin - 3 * hour, last + margin));
        chart.showWhole();
        QVERIFY(shows(first - margin, last + margin));
        chart.zoomIn(); // leaves "TOUT" half an hour shorter
        QVERIFY(shows(first - margin + hour / 2, last + margin));
        chart.showDay(t0.date());
        QVERIFY(shows(QwtDate::toDouble(QDateTime(t0.date(), QTime(0, 0))),
                      QwtDate::toDouble(QDateTime(t0.date().addDays(1), QTime(0, 0)))));
        QCOMPARE(chart.axisLabelFormat, QStringLiteral("hh:mm\ndd/MM"));

        // A manual view leaves the day and stays where the scroll bar puts it.
        chart.setAutomatic(false);
        QVERIFY(!chart.showsDay());
        chart.showRange(1);
        chart.scrollTo(hour / 2);
        QVERIFY(shows(first + margin - hour / 2, first + margin + hour / 2));
        poll(chart, 7260, 7200);
        QVERIFY(shows(first + margin - hour / 2, first + margin + hour / 2));
        chart.setAutomatic(true);
        QVERIFY(shows(chartTime(7260) + margin - hour, chartTime(7260) + margin));
    }

    void reportOrientation_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("orientation");
        QTest::newRow("absent: portrait") << QByteArray() << 0;
        QTest::newRow("0: portrait") << QByteArray("[FORMAT]\nRapPageOrient=0\n") << 0;
        QTest::newRow("1: landscape") << QByteArray("[FORMAT]\nRapPageOrient=1\n") << 1;
        QTest::newRow("any other: landscape") << QByteArray("[FORMAT]\nRapPageOrient=7\n") << 1;
    }

    void reportOrientation()
    {
        QFETCH(QByteArray, ini);
        ChartData chart;
        readIni(&chart, ini);
        QTEST(chart.rapPageOrient, "orientation");
    }

    // A first report draws every plot; a plot leaves it only when its key
    // says so.
    void reportPlotsAreInUnlessUnticked()
    {
        ChartData fresh;
        readIni(&fresh, QByteArray());
        QCOMPARE(fresh.reportPlotCount(), 5);
        ChartData chosen;
        readIni(&chosen, "[GRAPH]\nNoisePdf=false\nCrcPdf=true\nFecPdf=false\n");
        QCOMPARE(chosen.inReport, (std::array<bool, TimePlotCount>{false, true, true, true, false}));
    }

    void axisPairsThatMakeNoAxisFallBack_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("plot");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::newRow("noise upside down") << QByteArray("MinNoise=20\nMaxNoise=10\n") << int(PlotNoise) << 0.0 << 16.0;
        QTest::newRow("rates empty") << QByteArray("MinMaxRate=3000\nMaxMaxRate=3000\n") << int(PlotMaxRate) << 0.0
                                     << 5000.0;
        QTest::newRow("FEC upside down") << QByteArray("MinFEC=900\nMaxFEC=90\n") << int(PlotFec) << 50.0 << 50000.0;
        QTest::newRow("CRC kept") << QByteArray("MinCRC=2\nMaxCRC=900\n") << int(PlotCrc) << 2.0 << 900.0;
    }

    void axisPairsThatMakeNoAxisFallBack()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, plot);
        ChartData chart;
        readIni(&chart, "[COURBES]\nPasMaxRate=0\n" + ini);
        QTEST(chart.axisMinimum(plot), "min");
        QTEST(chart.axisMaximum(plot), "max");
        QVERIFY(chart.pasMaxRate > 0); // a step of 0 would leave "+" and "-" without effect
    }
};

QTEST_MAIN(TestChartData)
#include "test_chartdata.moc"
