#include <QtTest>

#include "common/numbers.h"
#include "recording/display.h"
#include "router/liveboxinfos.h"

namespace {
QString textOf(const QList<QPair<QString, QString>> &texts, const QString &field)
{
    for (const auto &t : texts) {
        if (t.first == field)
            return t.second;
    }
    return QStringLiteral("<no such field>");
}
}

class TestDisplay : public QObject
{
    Q_OBJECT

private slots:
    void synchroDuration_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("days hours minutes seconds") << 93784.0 << "01Jr 02H 03mn 04s";
        QTest::newRow("seconds only") << 45.0 << "00Jr 00H 00mn 45s";
        QTest::newRow("padding") << 3 * 86400.0 + 7 * 3600 + 5 * 60 + 9 << "03Jr 07H 05mn 09s";
        QTest::newRow("more than 99 days") << 123 * 86400.0 << "123Jr 00H 00mn 00s";
        QTest::newRow("none") << 0.0 << "00Jr 00H 00mn 00s";
        QTest::newRow("a fraction is dropped") << 59.9 << "00Jr 00H 00mn 59s";
        QTest::newRow("negative") << -1.0 << "inconnu";
        QTest::newRow("not a number") << qQNaN() << "inconnu";
    }

    void synchroDuration()
    {
        QFETCH(double, seconds);
        QTEST(synchroDurationText(seconds), "text");
    }

    // Two date-times an hour apart read the same in the repeated hour: the
    // duration comes from the gateway's count.
    void durationInTheRepeatedHour()
    {
        LiveBoxInfos now;
        now.DateTime = QStringLiteral("25/10/2026 02:30:00");
        now.SynchroDateTime = QStringLiteral("25/10/2026 02:30:00");
        now.LastChange = 3600;
        QCOMPARE(textOf(displayTexts(now, now), "editSynchroDuree"), QStringLiteral("00Jr 01H 00mn 00s"));
        now.DateTime = QStringLiteral("inconnu");
        QCOMPARE(textOf(displayTexts(now, now), "editSynchroDuree"), QStringLiteral("inconnu"));
    }

    void fixedTextHasNoExponentNorGrouping()
    {
        QCOMPARE(fixedText(1234567.0, 0), QStringLiteral("1234567"));
        QCOMPARE(fixedText(1e15, 0), QStringLiteral("1000000000000000"));
        QCOMPARE(fixedText(15.2915, 2), QStringLiteral("15.29"));
        QCOMPARE(fixedText(-3, 0), QStringLiteral("-3"));
        // Rounding to zero leaves no sign.
        QCOMPARE(fixedText(-0.4, 0), QStringLiteral("0"));
        QCOMPARE(fixedText(-0.04, 1), QStringLiteral("0.0"));
        QCOMPARE(fixedText(-0.0, 2), QStringLiteral("0.00"));
    }

    void fieldsCarryTheirUnits()
    {
        LiveBoxInfos before;
        before.DownstreamNoiseMargin = 70;
        before.CRCErrors = 10;
        LiveBoxInfos now = before;
        now.DateTime = QStringLiteral("02/01/2024 14:03:04");
        now.SynchroDateTime = QStringLiteral("01/01/2024 12:00:00");
        now.LastChange = 93784;
        now.DownstreamCurrRate = 17999;
        now.UpstreamCurrRate = 1000;
        now.DownstreamMaxRate = 20480;
        now.DownstreamNoiseMargin = 65;
        now.UpstreamLineAttenuation = 253;
        now.UpstreamAttenuation = 999; // not the one shown
        now.ErroredSecs = 7;
        now.CRCErrors = 4; // counters went down: a restart
        now.MTU = 1492;
        now.NumberOfReboots = 3;
        const auto texts = displayTexts(now, before);
        QCOMPARE(texts.size(), 48);
        QCOMPARE(textOf(texts, "editDownStreamCurrRate"), QStringLiteral("17999 Kb/s"));
        QCOMPARE(textOf(texts, "editDownStreamUseRate"), QStringLiteral("15.30 Mb/s"));
        QCOMPARE(textOf(texts, "editUpStreamCurrRate"), QStringLiteral("1000 Kb/s"));
        QCOMPARE(textOf(texts, "editUpStreamUseRate"), QStringLiteral("0.85 Mb/s"));
        QCOMPARE(textOf(texts, "editDownStreamMaxRate"), QStringLiteral("20480 Kb/s"));
        QCOMPARE(textOf(texts, "editDownStreamNoiseMargin"), QStringLiteral("6.5 dB"));
        QCOMPARE(textOf(texts, "editDownStreamNoiseDelta"), QStringLiteral("-0.5 dB"));
        QCOMPARE(textOf(texts, "editUpStreamAttenuation"), QStringLiteral("25.3 dB"));
        QCOMPARE(textOf(texts, "editErroredSec"), QStringLiteral("7 s"));
        QCOMPARE(textOf(texts, "editErroredSecDelta"), QStringLiteral("7 s"));
        QCOMPARE(textOf(texts, "editCRCErrors"), QStringLiteral("4"));
        QCOMPARE(textOf(texts, "editCRCDelta"), QStringLiteral("-6"));
        QCOMPARE(textOf(texts, "editMaxMRUSize"), QStringLiteral("1492"));
        QCOMPARE(textOf(texts, "editNumberOfReboot"), QStringLiteral("3"));
        QCOMPARE(textOf(texts, "editSynchroDuree"), QStringLiteral("01Jr 02H 03mn 04s"));
        QCOMPARE(textOf(texts, "editDateTime_2"), now.DateTime);
        QCOMPARE(textOf(texts, "editDateTime_3"), now.DateTime);
    }

    void vdslLineShowsItsSignalAttenuationWhereItHasNoLineAttenuation()
    {
        LiveBoxInfos now;
        now.UpstreamAttenuation = 285;
        now.DownstreamAttenuation = 414;
        const auto texts = displayTexts(now, now);
        QCOMPARE(textOf(texts, "editUpStreamAttenuation"), QStringLiteral("28.5 dB"));
        QCOMPARE(textOf(texts, "editDownStreamAttenuation"), QStringLiteral("41.4 dB"));
        now.DownstreamAttenuation = 0; // nothing to show instead
        QCOMPARE(textOf(displayTexts(now, now), "editDownStreamAttenuation"), QStringLiteral("0.0 dB"));
    }

    void firstPollShowsWholeCountersAsVariation()
    {
        LiveBoxInfos now;
        now.CRCErrors = 1234;
        now.ATUCFECErrors = 99;
        now.UpstreamNoiseMargin = 81;
        const auto texts = displayTexts(now, LiveBoxInfos());
        QCOMPARE(textOf(texts, "editCRCDelta"), textOf(texts, "editCRCErrors"));
        QCOMPARE(textOf(texts, "editATUCFECDelta"), QStringLiteral("99"));
        QCOMPARE(textOf(texts, "editUpStreamNoiseDelta"), QStringLiteral("8.1 dB"));
        QCOMPARE(textOf(texts, "editSynchroDuree"), QStringLiteral("inconnu"));
    }
};

QTEST_GUILESS_MAIN(TestDisplay)
#include "test_display.moc"
