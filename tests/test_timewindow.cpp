#include <QtTest>

#include "charts/timewindow.h"

class TestTimeWindow : public QObject
{
    Q_OBJECT

private slots:
    void ticksAndPensFollowTheRange_data()
    {
        QTest::addColumn<double>("hours");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("ratio");
        QTest::newRow("3 h") << 3.0 << 2 << 6 << 1800000.0 << 1.0;
        QTest::newRow("6 h keeps half hours") << 6.0 << 2 << 6 << 1800000.0 << 1.0;
        QTest::newRow("6.5 h") << 6.5 << 4 << 12 << 3600000.0 << 0.75;
        QTest::newRow("12 h keeps hours") << 12.0 << 4 << 12 << 3600000.0 << 0.75;
        QTest::newRow("12.5 h") << 12.5 << 4 << 8 << 7200000.0 << 0.5;
        QTest::newRow("13 h") << 13.0 << 4 << 8 << 7200000.0 << 0.5;
    }

    void ticksAndPensFollowTheRange()
    {
        QFETCH(double, hours);
        const AxisTicks ticks = ticksForRange(hours);
        QTEST(ticks.maxMajor, "major");
        QTEST(ticks.maxMinor, "minor");
        QTEST(ticks.step, "step");
        QTEST(ticks.penRatio, "ratio");
    }

    void labelFormats()
    {
        const QString h = "hh:mm", sep = "\n", d = "dd/MM";
        QCOMPARE(composeAxisLabelFormat(true, true, h, sep, d), QStringLiteral("hh:mm\ndd/MM"));
        QCOMPARE(composeAxisLabelFormat(true, false, h, sep, d), QStringLiteral("\ndd/MM"));
        QCOMPARE(composeAxisLabelFormat(false, true, h, sep, d), QStringLiteral("hh:mm"));
        QCOMPARE(composeAxisLabelFormat(false, false, h, sep, d), QString());
    }

    void zoomStopsAtItsLimits()
    {
        double range = 1.5;
        range = zoomedIn(range);
        QCOMPARE(range, 1.0);
        QCOMPARE(zoomedIn(range), 1.0);
        range = 22.5;
        range = zoomedOut(range, 24);
        QCOMPARE(range, 23.0);
        QCOMPARE(zoomedOut(range, 24), 23.0);
        QCOMPARE(wholeRecordingRange(0, 10 * 60000, 5), 0.5 + 10.0 / 60);
        QCOMPARE(wholeRecordingRange(0, 5 * 3600000, 5), 5 + 10.0 / 60);
    }

    void crcAxisSteps()
    {
        QList<double> down;
        double max = 100;
        for (int i = 0; i < 6; ++i)
            down << (max = errorAxisLowered(max));
        QCOMPARE(down, (QList<double>{90, 80, 70, 60, 50, 50}));
        QList<double> up;
        for (int i = 0; i < 7; ++i)
            up << (max = errorAxisRaised(max));
        QCOMPARE(up, (QList<double>{60, 70, 80, 90, 100, 200, 300}));
        QCOMPARE(errorAxisLowered(300), 200.0);
        QCOMPARE(errorAxisRaised(40), 40.0);
    }

    void fecAxisSteps()
    {
        QList<double> down;
        double max = 50000;
        for (int i = 0; i < 15; ++i)
            down << (max = fecAxisLowered(max));
        QCOMPARE(down, (QList<double>{40000, 30000, 20000, 10000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000,
                                      1000, 1000, 1000}));
        QCOMPARE(fecAxisRaised(1000), 2000.0);
        QCOMPARE(fecAxisRaised(10000), 20000.0);
    }

    void errorSticks()
    {
        QCOMPARE(errorStickHeight(15, 12), 3.0);
        QCOMPARE(errorStickHeight(12, 12), 0.1);
        QCOMPARE(errorStickHeight(2, 4000), 0.1); // counters reset by a restart
    }

    void clickPicksTheLastSampleAtOrBefore()
    {
        const QPolygonF points(QVector<QPointF>{{1000, 1}, {2000, 2}, {3000, 3}});
        QCOMPARE(sampleIndexAt(points, 2500), 1); // not the nearer 3000
        QCOMPARE(sampleIndexAt(points, 2000), 1);
        QCOMPARE(sampleIndexAt(points, 10), 0);
        QCOMPARE(sampleIndexAt(points, 99999), 2);
        QCOMPARE(sampleIndexAt(QPolygonF(QVector<QPointF>{{1000, 1}, {1000, 2}}), 1000), 1);
        QCOMPARE(sampleIndexAt(QPolygonF(), 1000), -1);
    }

    void labelFacesTheMiddle()
    {
        QCOMPARE(labelAlignment(9.5, 8, 11), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(labelAlignment(9.4, 8, 11), Qt::AlignRight | Qt::AlignTop);
    }
};

QTEST_GUILESS_MAIN(TestTimeWindow)
#include "test_timewindow.moc"
