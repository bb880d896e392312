#include <QtTest>

#include <cmath>
#include <ctime>
#include <limits>

#include "router/liveboxinfos.h"

namespace {
QDateTime fixedNow;
QDateTime fixedClock() { return fixedNow; }
}

class TestLiveBoxInfos : public QObject
{
    Q_OBJECT

private slots:
    void newRecordHoldsPlaceholdersAndZeros()
    {
        const LiveBoxInfos r;
        for (const QString &text : {r.SSID, r.DateTime, r.RebootDateTime, r.SynchroDateTime, r.PppDateTime,
                                    r.IPAddress, r.SoftwareVersion, r.HardwareVersion, r.DNSServer1,
                                    r.DNSServer2, r.Protocol})
            QCOMPARE(text, QStringLiteral("inconnu"));
        QVERIFY(r.ModulationType.isEmpty());
        QVERIFY(r.ModulationHint.isEmpty());
        const double numbers[] = {r.NumberOfReboots, r.LastChange, r.LastChangeTime, r.DownstreamAttenuation,
                                  r.DownstreamLineAttenuation, r.DownstreamCurrRate, r.DownstreamMaxRate,
                                  r.DownstreamNoiseMargin, r.DownstreamPower, r.UpstreamAttenuation,
                                  r.UpstreamLineAttenuation, r.UpstreamCurrRate, r.UpstreamMaxRate,
                                  r.UpstreamNoiseMargin, r.UpstreamPower, r.ErroredSecs, r.SeverelyErroredSecs,
                                  r.ATUCCRCErrors, r.CRCErrors, r.ATUCFECErrors, r.FECErrors, r.ATUCHECErrors,
                                  r.HECErrors, r.CellDelin, r.InitErrors, r.InitTimeouts, r.LinkRetrain,
                                  r.LossOfFraming, r.ReceiveBlocks, r.TransmitBlocks, r.PppLastChange,
                                  r.PppLastChangeTime, r.MTU};
        QCOMPARE(int(sizeof numbers / sizeof numbers[0]), 33);
        for (double n : numbers)
            QCOMPARE(n, 0.0);
    }

    void copyTakesEveryField()
    {
        LiveBoxInfos a;
        a.SSID = QStringLiteral("maison");
        a.ModulationHint = QStringLiteral("ADSL2+");
        a.CRCErrors = 42;
        a.MTU = 1492;
        a.DNSServer2 = QStringLiteral("9.9.9.9");
        LiveBoxInfos b;
        b = a;
        QCOMPARE(b.SSID, a.SSID);
        QCOMPARE(b.ModulationHint, a.ModulationHint);
        QCOMPARE(b.CRCErrors, 42.0);
        QCOMPARE(b.MTU, 1492.0);
        QCOMPARE(b.DNSServer2, a.DNSServer2);
        a.CRCErrors = 43;
        QCOMPARE(b.CRCErrors, 42.0); // a value copy, not shared
    }

    void dnsTextIsSplitAtCommas_data()
    {
        QTest::addColumn<QString>("servers");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("three servers keep the first two") << "1.1.1.1,2.2.2.2,3.3.3.3" << "1.1.1.1" << "2.2.2.2";
        QTest::newRow("one server keeps the older second") << "1.1.1.1" << "1.1.1.1" << "old";
        QTest::newRow("missing text empties only the first") << "" << "" << "old";
        QTest::newRow("empty middle part is kept") << "1.1.1.1,,2.2.2.2" << "1.1.1.1" << "";
        QTest::newRow("trailing comma gives an empty second") << "1.1.1.1," << "1.1.1.1" << "";
    }

    void dnsTextIsSplitAtCommas()
    {
        QFETCH(QString, servers);
        LiveBoxInfos r;
        r.DNSServer2 = QStringLiteral("old");
        splitDnsServers(servers, &r);
        QTEST(r.DNSServer1, "first");
        QTEST(r.DNSServer2, "second");
    }

    void dateTimesAreCountedBackFromTheReading()
    {
        fixedNow = QDateTime(QDate(2024, 3, 15), QTime(12, 0, 0));
        LiveBoxInfos r;
        r.LastChange = 3600;
        r.LastChangeTime = 120;
        r.PppLastChange = 90;
        deriveDateTimes(&r, &fixedClock);
        QCOMPARE(r.DateTime, QStringLiteral("15/03/2024 12:00:00"));
        QCOMPARE(r.SynchroDateTime, QStringLiteral("15/03/2024 11:00:00"));
        QCOMPARE(r.RebootDateTime, QStringLiteral("15/03/2024 10:58:00"));
        QCOMPARE(r.PppDateTime, QStringLiteral("15/03/2024 11:58:30"));
    }

    void fractionalSecondsTruncateTowardZero()
    {
        const QDateTime now(QDate(2024, 3, 15), QTime(12, 0, 0));
        QCOMPARE(secondsBefore(now, 10.9), now.addSecs(-10));
        QCOMPARE(secondsBefore(now, -10.9), now.addSecs(10));
        fixedNow = now;
        LiveBoxInfos r;
        r.LastChange = 5.6;
        r.LastChangeTime = 5.3; // 10.9 in all: ten seconds back, not eleven
        deriveDateTimes(&r, &fixedClock);
        QCOMPARE(r.RebootDateTime, QStringLiteral("15/03/2024 11:59:50"));
        QCOMPARE(r.SynchroDateTime, QStringLiteral("15/03/2024 11:59:55"));
    }

    void upTimesBeyondAnyCalendarLeaveTheClock()
    {
        const QDateTime now(QDate(2024, 3, 15), QTime(12, 0, 0));
        QCOMPARE(secondsBefore(now, std::numeric_limits<double>::quiet_NaN()), now);
        QCOMPARE(secondsBefore(now, std::numeric_limits<double>::infinity()), now);
        QCOMPARE(secondsBefore(now, 1e300), now);
    }

    void fastParsingAgreesWithQt()
    {
        // Paris has clock changes, so the hours around them are covered.
        qputenv("TZ", "Europe/Paris");
        tzset();
        QDateTime t(QDate(2024, 3, 30), QTime(0, 0, 7));
        for (int i = 0; i < 2000; ++i, t = t.addSecs(397)) {
            const QString text = formatDateTime(t);
            const QDateTime qt = QDateTime::fromString(text, dateTimeFormat());
            QCOMPARE(parseDateTime(text), qt);
            QCOMPARE(epochMsecs(text), double(qt.toMSecsSinceEpoch()));
        }
        QCOMPARE(epochMsecs(QStringLiteral("27/10/2024 01:59:59")) + 1000,
                 double(QDateTime::fromString(QStringLiteral("27/10/2024 02:00:00"), dateTimeFormat()).toMSecsSinceEpoch()));
        for (const char *bad : {"inconnu", "31/02/2024 10:00:00", "01/01/2024 24:00:00", "1/01/2024 10:00:00",
                                "01-01-2024 10:00:00", ""}) {
            QVERIFY2(std::isnan(epochMsecs(QString::fromLatin1(bad))), bad);
            QVERIFY2(!parseDateTime(QString::fromLatin1(bad)).isValid(), bad);
        }
        qunsetenv("TZ");
        tzset();
    }

    void textDateTimesRoundTrip()
    {
        const QDateTime t(QDate(2020, 12, 6), QTime(23, 55, 12));
        QCOMPARE(formatDateTime(t), QStringLiteral("06/12/2020 23:55:12"));
        QCOMPARE(parseDateTime(QStringLiteral("06/12/2020 23:55:12")), t);
        QVERIFY(!parseDateTime(QStringLiteral("inconnu")).isValid());
    }
};

QTEST_GUILESS_MAIN(TestLiveBoxInfos)
#include "test_liveboxinfos.moc"
