#include <QtTest>

#include <cmath>
#include <ctime>

#include "charts/timewindow.h"
#include "common/datetime.h"

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

    void viewsAreAnchoredOnTheSamples_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<double>("start"); // hours, samples from 10 h to the newest at 20 h
        QTest::addColumn<double>("end");
        const double margin = 5.0 / 60;
        QTest::newRow("3 h") << true << false << 17 + margin << 20 + margin;
        QTest::newRow("TOUT") << true << true << 10 - margin << 20 + margin;
        QTest::newRow("manual: the scroll bar") << false << false << 9 + margin << 12 + margin;
    }

    void viewsAreAnchoredOnTheSamples()
    {
        const double hour = 3600000;
        QFETCH(bool, automatic);
        QFETCH(bool, whole);
        ViewInputs in;
        in.automatic = automatic;
        in.whole = whole;
        in.firstSampleTime = 10 * hour;
        in.lastSampleTime = 20 * hour;
        in.scrollOffset = 2 * hour;
        in.plageHeure = 3;
        in.reculMinute = 5;
        const TimeRange range = visibleRange(in);
        QFETCH(double, start);
        QFETCH(double, end);
        QVERIFY2(qAbs(range.start - start * hour) < 1, qPrintable(QString::number(range.start / hour)));
        QVERIFY2(qAbs(range.end - end * hour) < 1, qPrintable(QString::number(range.end / hour)));
    }

    void chartInstantsInTheRepeatedHour()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Paris");
        tzset();
        // 02:30 on 25 October 2026 names two instants: 00:30 and 01:30 UTC.
        const QString text = QStringLiteral("25/10/2026 02:30:00");
        const double first = double(QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch());
        const double second = first + 3600000;
        const double minute = 60000;
        const double none = qQNaN();
        // A live poll takes the instant nearer the clock.
        const double liveOnSecondPass = chartInstant(text, none, second + minute);
        const double liveOnFirstPass = chartInstant(text, none, first + minute);
        // A reloaded row takes the later instant only when it would fall back.
        const double reloadedAfterFirstPass = chartInstant(text, first + 29 * minute, none);
        const double reloadedAlone = chartInstant(text, none, none);
        const double outsideTheHour = chartInstant(QStringLiteral("25/10/2026 04:30:00"), none, second + 3 * 3600000);
        const double unreadable = chartInstant(QStringLiteral("25/10/2026"), none, second);
        // Whichever instant the text was read as, the other one is found.
        const double earlier = earlierInstantOf(text, second);
        const double later = laterInstantOf(text, first);
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
        QCOMPARE(liveOnSecondPass, second);
        QCOMPARE(liveOnFirstPass, first);
        QCOMPARE(reloadedAfterFirstPass, second);
        QCOMPARE(reloadedAlone, first);
        QCOMPARE(outsideTheHour, second + 2 * 3600000);
        QVERIFY(std::isnan(unreadable));
        QCOMPARE(earlier, first);
        QCOMPARE(later, second);
    }

    // A reload reads the zone's offsets once per stretch of time instead of
    // the zone file for every row: its chart times must be the C library's,
    // across every kind of clock change.
    void reloadedInstantsAgreeWithTheCLibrary_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("change"); // UTC
        QTest::newRow("Paris, spring") << QByteArray("Europe/Paris") << QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC);
        QTest::newRow("Paris, autumn") << QByteArray("Europe/Paris") << QDateTime(QDate(2026, 10, 25), QTime(1, 0), Qt::UTC);
        // Half an hour repeated.
        QTest::newRow("Lord Howe") << QByteArray("Australia/Lord_Howe") << QDateTime(QDate(2026, 4, 4), QTime(15, 0), Qt::UTC);
        // A whole calendar day skipped.
        QTest::newRow("Apia") << QByteArray("Pacific/Apia") << QDateTime(QDate(2011, 12, 30), QTime(10, 0), Qt::UTC);
        QTest::newRow("POSIX rule") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << QDateTime(QDate(2026, 10, 25), QTime(1, 0), Qt::UTC);
    }

    void reloadedInstantsAgreeWithTheCLibrary()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, change);
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        QStringList faults;
        ReloadClock clock;
        double previous = qQNaN();
        // Polls every 5 minutes for a day either side of the change, in order.
        for (qint64 t = change.toMSecsSinceEpoch() - 86400000LL; t <= change.toMSecsSinceEpoch() + 86400000LL;
             t += 300000) {
            const QString text = formatDateTime(QDateTime::fromMSecsSinceEpoch(t));
            const double reloaded = clock.instant(text, previous);
            const double alone = clock.instant(text, qQNaN());
            if (reloaded != double(t) || reloaded != chartInstant(text, previous, qQNaN())
                || alone != chartInstant(text, qQNaN(), qQNaN()))
                faults << QStringLiteral("%1: %2, alone %3, true %4").arg(text).arg(reloaded, 0, 'f', 0)
                              .arg(alone, 0, 'f', 0).arg(t);
            previous = reloaded;
        }
        // A row far from the others starts the zone's look-up afresh.
        const QString later = QStringLiteral("01/06/2030 12:00:00");
        const double far = clock.instant(later, previous);
        const double expected = chartInstant(later, previous, qQNaN());
        if (saved.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", saved);
        tzset();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 5).join(QLatin1Char('\n'))));
        QCOMPARE(far, expected);
    }

    void aCalendarDayRunsFromMidnightToMidnight()
    {
        // The clock changes of 2026 in France: one day of 23 hours, one of 25.
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Paris");
        tzset();
        const TimeRange spring = calendarDay(QDate(2026, 3, 29));
        const TimeRange autumn = calendarDay(QDate(2026, 10, 25));
        const TimeRange plain = calendarDay(QDate(2026, 12, 7));
        // The repeated hour names two instants, an hour apart.
        const QDateTime firstPass = QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC).toLocalTime();
        const double first = double(firstPass.toMSecsSinceEpoch());
        const double later = laterInstantOf(formatDateTime(firstPass), first);
        const double outside = laterInstantOf(QStringLiteral("25/10/2026 04:30:00"),
                                              epochMsecs(QStringLiteral("25/10/2026 04:30:00")));
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(plain.start)), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
        QCOMPARE(later - first, 3600000.0);
        QVERIFY(std::isnan(outside));
        QCOMPARE(spring.hours(), 23.0);
        QCOMPARE(autumn.hours(), 25.0);
        QCOMPARE(plain.hours(), 24.0);
    }

    void timeLabelsFitTheAxisAtAnyRange_data()
    {
        QTest::addColumn<double>("hours");
        QTest::addColumn<double>("axis");
        QTest::addColumn<double>("rangeStep"); // the range's own step
        QTest::addColumn<double>("expected");  // hours
        QTest::newRow("3 h on a wide axis keeps half hours") << 3.0 << 700.0 << 1800000.0 << 0.5;
        QTest::newRow("3 h on a narrow axis") << 3.0 << 200.0 << 1800000.0 << 2.0;
        QTest::newRow("a day") << 24.0 << 700.0 << 7200000.0 << 3.0;
        QTest::newRow("a day on a page") << 25.0 << 1100.0 << 7200000.0 << 2.0;
        QTest::newRow("a week") << 168.0 << 700.0 << 7200000.0 << 24.0;
        QTest::newRow("a week, narrow") << 168.0 << 300.0 << 7200000.0 << 48.0;
        QTest::newRow("a year") << 8760.0 << 700.0 << 7200000.0 << 28 * 24 * 2.0;
    }

    void timeLabelsFitTheAxisAtAnyRange()
    {
        QFETCH(double, hours);
        QFETCH(double, axis);
        QFETCH(double, rangeStep);
        const double label = 60; // "hh:mm" above "dd/MM" and a gap
        const double step = fittedTimeStep(hours * 3600000, axis, label, rangeStep);
        QTEST(step / 3600000, "expected");
        QVERIFY(step >= rangeStep);
        // Even with one label more than the range holds, they fit.
        QVERIFY((hours * 3600000 / step + 1) * label <= axis);
    }

    void valueAxesKeepTheirStepWhileTheLabelsFit()
    {
        QCOMPARE(fittedValueStep(16, 400, 18, 1), 1.0);       // a window's noise plot
        QCOMPARE(fittedValueStep(16, 150, 18, 1), 5.0);       // a fifth of a page
        QCOMPARE(fittedValueStep(25000, 300, 18, 5000), 5000.0);
        QCOMPARE(fittedValueStep(25000, 100, 18, 5000), 10000.0);
        QCOMPARE(fittedValueStep(25000, 100, 18, 0), 0.0);    // no step of its own: Qwt chooses
        for (double height : {60.0, 100.0, 150.0, 250.0, 400.0}) {
            const double step = fittedValueStep(16, height, 18, 1);
            QVERIFY((16 / step + 1) * 18 <= height || step >= 16);
        }
    }

    void rateAxisCoversTheLine()
    {
        QCOMPARE(roundStep(4000), 1000.0);
        QCOMPARE(roundStep(22000), 5000.0);
        QCOMPARE(roundStep(10), 2.0);
        QCOMPARE(roundStep(0), 1.0);
        QCOMPARE(rateAxisTop(20000, 0), 25000.0);   // ADSL2+
        QCOMPARE(rateAxisTop(8000, 0), 10000.0);    // ADSL
        QCOMPARE(rateAxisTop(110000, 0), 125000.0); // VDSL2
        QCOMPARE(rateAxisTop(900, 0), 1000.0);
        QVERIFY(rateAxisTop(17999, 2000) > 17999);
    }

    void labelFacesTheMiddle()
    {
        QCOMPARE(labelAlignment(9.5, 8, 11), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(labelAlignment(9.4, 8, 11), Qt::AlignRight | Qt::AlignTop);
    }
};

QTEST_GUILESS_MAIN(TestTimeWindow)
#include "test_timewindow.moc"
