#include <QtTest>

#include <QBuffer>

#include "common/appdir.h"
#include "common/datetime.h"
#include "common/filenames.h"
#include "recording/dayrollover.h"
#include "recording/pendinglines.h"
#include "recording/recorder.h"
#include "recording/rowformat.h"
#include "router/liveboxinfos.h"
#include "support/scratchdir.h"

namespace {
LiveBoxInfos sampleRecord()
{
    LiveBoxInfos r;
    r.DateTime = QStringLiteral("06/12/2020 23:55:12");
    r.LastChangeTime = 120;
    r.LastChange = 3600.4;
    r.UpstreamCurrRate = 1019;
    r.DownstreamCurrRate = 17999;
    r.UpstreamMaxRate = 1200;
    r.DownstreamMaxRate = 20480;
    r.UpstreamNoiseMargin = 65;
    r.DownstreamNoiseMargin = 70.6;
    r.UpstreamLineAttenuation = 253;
    r.DownstreamLineAttenuation = 452;
    r.UpstreamPower = 121;
    r.DownstreamPower = -2.5;
    r.ReceiveBlocks = 123456789;
    r.TransmitBlocks = 987654321;
    r.CellDelin = 1;
    r.LinkRetrain = 2;
    r.InitErrors = 3;
    r.InitTimeouts = 4;
    r.LossOfFraming = 5;
    r.ErroredSecs = 6;
    r.SeverelyErroredSecs = 7;
    r.FECErrors = 8;
    r.ATUCFECErrors = 9;
    r.HECErrors = 10;
    r.ATUCHECErrors = 11;
    r.CRCErrors = 12;
    r.ATUCCRCErrors = 13;
    r.IPAddress = QStringLiteral("90.1.2.3");
    r.PppLastChangeTime = 14;
    r.PppLastChange = 15;
    r.UpstreamAttenuation = 16;
    r.DownstreamAttenuation = 17;
    return r;
}
}

class TestRecordingFiles : public QObject
{
    Q_OBJECT

private slots:
    void headerNamesThe33ColumnsWithoutTrailingSeparator()
    {
        const QString header = csvHeader();
        QCOMPARE(header.split(';').size(), 33);
        QVERIFY(header.startsWith(QStringLiteral("DateTime;LastChangeTime;LastChange;UpstreamCurrRate;")));
        QVERIFY(header.contains(QStringLiteral("UpstreamNoiseMargin;DownstreamNoiseMargin;")));
        QVERIFY(header.endsWith(QStringLiteral("UpstreamAttenuation;DownstreamAttenuation")));
    }

    void rowIsRoundedToWholeUnits()
    {
        QCOMPARE(csvRow(sampleRecord()),
                 QStringLiteral("06/12/2020 23:55:12;120;3600;1019;17999;1200;20480;65;71;253;452;121;-3;"
                                "123456789;987654321;1;2;3;4;5;6;7;8;9;10;11;12;13;90.1.2.3;14;15;16;17;"));
    }

    void writtenRowReadsBack()
    {
        const LiveBoxInfos written = sampleRecord();
        const QString row = csvRow(written);
        LiveBoxInfos read;
        QVERIFY(applyCsvRow(row.toUtf8(), &read));
        QCOMPARE(read.DateTime, written.DateTime);
        QCOMPARE(read.IPAddress, written.IPAddress);
        QCOMPARE(read.LastChange, 3600.0);
        QCOMPARE(read.DownstreamNoiseMargin, 71.0);
        QCOMPARE(read.DownstreamPower, -3.0);
        QCOMPARE(read.TransmitBlocks, 987654321.0);
        QCOMPARE(read.ATUCCRCErrors, 13.0);
        QCOMPARE(read.PppLastChangeTime, 14.0);
        QCOMPARE(read.DownstreamAttenuation, 17.0);
        QCOMPARE(read.SSID, QStringLiteral("inconnu")); // not recorded
        QCOMPARE(csvRow(read), row);
    }

    void valuesRoundingToZeroAreWrittenWithoutASign()
    {
        LiveBoxInfos r = sampleRecord();
        r.DownstreamPower = -0.4;
        r.UpstreamPower = -0.0;
        const QStringList fields = csvRow(r).split(';');
        QCOMPARE(fields.at(12), QStringLiteral("0"));
        QCOMPARE(fields.at(11), QStringLiteral("0"));
    }

    void shortLinesKeepWhatTheyLack()
    {
        const QStringList full = csvRow(sampleRecord()).split(';');
        LiveBoxInfos r;
        r.PppLastChangeTime = 111;
        r.PppLastChange = 222;
        r.UpstreamAttenuation = 333;
        r.DownstreamAttenuation = 444;
        const QString line29 = QStringList(full.mid(0, 29)).join(';') + ';';
        QVERIFY(applyCsvRow(line29.toUtf8(), &r));
        QCOMPARE(r.ATUCCRCErrors, 13.0);
        QCOMPARE(r.IPAddress, QStringLiteral("90.1.2.3"));
        QCOMPARE(r.PppLastChangeTime, 111.0);
        QCOMPARE(r.DownstreamAttenuation, 444.0);

        const QString line31 = QStringList(full.mid(0, 31)).join(';') + ';';
        QVERIFY(applyCsvRow(line31.toUtf8(), &r));
        QCOMPARE(r.PppLastChange, 15.0);
        QCOMPARE(r.UpstreamAttenuation, 333.0);
    }

    void tornLineIsRefused()
    {
        const QString torn = QStringLiteral("07/12/2020 00:00:12;120;3600;1019;179");
        LiveBoxInfos r = sampleRecord();
        QVERIFY(!applyCsvRow(torn.toUtf8(), &r));
        QCOMPARE(r.DateTime, QStringLiteral("06/12/2020 23:55:12"));
        QCOMPARE(r.DownstreamCurrRate, 17999.0);
        const QString empty;
        QVERIFY(!applyCsvRow(empty.toUtf8(), &r));
        // Cut inside its 29th field: the address would be read truncated.
        const QString row = csvRow(sampleRecord());
        const QString cut = row.left(row.indexOf(QStringLiteral("90.1.2.3")) + 6);
        QVERIFY(!applyCsvRow(cut.toUtf8(), &r));
        // Cut right after a separator it is still no complete row.
        QVERIFY(!applyCsvRow(row.left(row.size() - 1).toUtf8(), &r));
        QCOMPARE(r.IPAddress, QStringLiteral("90.1.2.3"));
    }

    void nonNumbersReadAsZero()
    {
        QStringList fields = csvRow(sampleRecord()).split(';');
        fields[4] = QStringLiteral("abc");
        fields[8] = QString();
        fields[5] = QStringLiteral("12345678901234567890"); // too long for the integer path
        fields[6] = QStringLiteral("-7.5");
        fields[7] = QStringLiteral("-");
        const QString line = fields.join(';');
        LiveBoxInfos r;
        QVERIFY(applyCsvRow(line.toUtf8(), &r));
        QCOMPARE(r.DownstreamCurrRate, 0.0);
        QCOMPARE(r.DownstreamNoiseMargin, 0.0);
        QCOMPARE(r.UpstreamCurrRate, 1019.0);
        QCOMPARE(r.UpstreamMaxRate, 12345678901234567890.0);
        QCOMPARE(r.DownstreamMaxRate, -7.5);
        QCOMPARE(r.UpstreamNoiseMargin, 0.0);
    }

    void pendingLinesWaitFileByFileAndKeepTheirOrder()
    {
        ScratchDir dir;
        const QString held = dir.file("held.csv");
        const QString free = dir.file("free.csv");
        PendingLines pending(3);
        QDir(dir.path()).mkdir("held.csv"); // a folder in its place: no write gets through

        QVERIFY(!pending.append(held, "H", "1"));
        QVERIFY(pending.append(free, "F", "a")); // not held up by the other file
        QVERIFY(!pending.append(held, "H", "2"));
        QVERIFY(!pending.append(held, "H", "3"));
        QVERIFY(!pending.append(held, "H", "4"));
        QCOMPARE(pending.waiting(held), 3); // beyond the limit the oldest went

        QDir(dir.path()).rmdir("held.csv");
        QVERIFY(pending.append(free, "F", "b")); // any append retries what waits
        QCOMPARE(pending.waiting(held), 0);
        QCOMPARE(dir.read("held.csv"), QByteArray("H\n2\n3\n4\n"));
        QCOMPARE(dir.read("free.csv"), QByteArray("F\na\nb\n"));

        // An existing file gets no second header; an empty one gets its first.
        dir.write("empty.csv", QByteArray());
        QVERIFY(pending.append(dir.file("empty.csv"), "E", "x"));
        QVERIFY(pending.append(dir.file("empty.csv"), "E", "y"));
        QCOMPARE(dir.read("empty.csv"), QByteArray("E\nx\ny\n"));
    }

    void linesAreReadWithoutTheirEnds()
    {
        QByteArray content = "header\r\nfirst\n\nthird\r\n";
        content += QByteArray(3 << 20, 'x'); // a last line longer than a block, without a line end
        QBuffer buffer(&content);
        buffer.open(QIODevice::ReadOnly);
        LineReader reader(&buffer);
        QList<QByteArray> lines;
        const char *line;
        int size;
        while (reader.next(&line, &size))
            lines << QByteArray(line, size);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QByteArray("header"));
        QCOMPARE(lines.at(1), QByteArray("first"));
        QCOMPARE(lines.at(2), QByteArray());
        QCOMPARE(lines.at(3), QByteArray("third"));
        QCOMPARE(lines.at(4).size(), 3 << 20);

        // Lines that straddle the blocks read from the device come out whole.
        QByteArray many;
        for (int i = 0; i < 300000; ++i)
            many += QByteArray::number(i) + '\n';
        QBuffer manyBuffer(&many);
        manyBuffer.open(QIODevice::ReadOnly);
        LineReader manyReader(&manyBuffer);
        int expected = 0;
        while (manyReader.next(&line, &size)) {
            QCOMPARE(QByteArray(line, size), QByteArray::number(expected));
            ++expected;
        }
        QCOMPARE(expected, 300000);
    }

    void synchroLogLayout()
    {
        QCOMPARE(synchroLogHeader(), QStringLiteral("DATE HEURE SYNCHRO ;DATE HEURE RELEVE  ; SESSION DE SUIVI  ; "
                                                    "DEMARRAGE BOX     ; CONNEXION INTERNET"));
        LiveBoxInfos r;
        r.SynchroDateTime = QStringLiteral("06/12/2020 22:00:00");
        r.DateTime = QStringLiteral("06/12/2020 23:55:12");
        r.RebootDateTime = QStringLiteral("01/12/2020 08:00:00");
        QCOMPARE(synchroLogRow(r, QStringLiteral("06/12/2020 23:50:00")),
                 QStringLiteral("06/12/2020 22:00:00;06/12/2020 23:55:12;06/12/2020 23:50:00;01/12/2020 08:00:00;inconnu"));
    }

    // Readings one after the other, and which of them start a day.
    void changeOfDay_data()
    {
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<QList<bool>>("newDays");
        QTest::newRow("midnight") << QStringList{"06/12/2020 23:55:12", "07/12/2020 00:00:12", "07/12/2020 23:59:59"}
                                  << QList<bool>{false, true, false};
        QTest::newRow("same day of another month or year")
            << QStringList{"05/01/2021 10:00:00", "05/02/2021 10:00:00", "05/02/2022 10:00:00"}
            << QList<bool>{false, true, true};
        QTest::newRow("no earlier reading, unreadable ones")
            << QStringList{"inconnu", "07/12/2020 00:00:12", "", "08/12/2020 00:00:12"}
            << QList<bool>{false, false, false, true};
        QTest::newRow("clock set back a day and forward again")
            << QStringList{"07/12/2020 10:00:00", "06/12/2020 10:00:00", "07/12/2020 10:00:05", "08/12/2020 00:00:01"}
            << QList<bool>{false, false, false, true};
        // The day reached once is not reached again after the clock went back.
        QTest::newRow("clock set back across midnight")
            << QStringList{"06/12/2020 23:50:00", "07/12/2020 00:10:00", "06/12/2020 23:10:00",
                           "06/12/2020 23:59:59", "07/12/2020 00:00:00", "08/12/2020 00:00:00"}
            << QList<bool>{false, true, false, false, false, true};
    }

    void changeOfDay()
    {
        QFETCH(QStringList, readings);
        QFETCH(QList<bool>, newDays);
        LatestDay latest;
        QList<bool> started;
        for (const QString &reading : readings)
            started << latest.reach(reading);
        QCOMPARE(started, newDays);
    }

    void networkNamesStayInsideTheFolder_data()
    {
        QTest::addColumn<QString>("ssid");
        QTest::addColumn<QString>("file");
        QTest::newRow("ordinary") << "maison" << "maison";
        QTest::newRow("accents kept") << "é-maison" << "é-maison";
        QTest::newRow("spaces kept") << "Livebox 5 salon" << "Livebox 5 salon";
        QTest::newRow("parent") << "../x" << ".._x";
        QTest::newRow("slash") << "a/b" << "a_b";
        QTest::newRow("drive") << "C:x" << "C_x";
        QTest::newRow("backslash and wildcards") << "a\\b*?\"<>|" << "a_b______";
        QTest::newRow("control") << QStringLiteral("a\tb\nc") << "a_b_c";
        QTest::newRow("dots only") << ".." << "__";
        QTest::newRow("one dot") << "." << "_";
    }

    void networkNamesStayInsideTheFolder()
    {
        QFETCH(QString, ssid);
        QTEST(safeFileName(ssid), "file");
        AppDir::setPath(QStringLiteral("/tmp/quelvane-app"));
        const QString path = recordingFilePath(ssid);
        AppDir::setPath(QString());
        QCOMPARE(QFileInfo(path).absolutePath(), QStringLiteral("/tmp/quelvane-app"));
    }

    void archiveAndReportNames()
    {
        AppDir::setPath(QStringLiteral("/app"));
        const QDateTime previous(QDate(2020, 12, 6), QTime(23, 55, 12));
        QCOMPARE(autoArchivePath("maison", previous), QStringLiteral("/app/archives/maison_20201206_235512auto.csv"));
        QCOMPARE(autoReportPath("maison", previous), QStringLiteral("/app/export/maison_Rapport_20201206_235512auto.pdf"));
        QCOMPARE(manualArchivePath("maison", previous), QStringLiteral("/app/archives/maison_20201206_235512.csv"));
        QCOMPARE(synchroLogFilePath("maison"), QStringLiteral("/app/maison_SYNCHROS.csv"));
        AppDir::setPath(QString());
    }

    // The rule of the change of day, apart from the window.
    void rolloverRunsOnlyAtAChangeOfDay()
    {
        LatestDay latest;
        QVERIFY(!rolloverFor(&latest, "inconnu", true, true, true).reset);
        const Rollover first = rolloverFor(&latest, "06/12/2020 23:55:12", true, true, true);
        QVERIFY(!first.archive && !first.report && !first.reset);
        const Rollover all = rolloverFor(&latest, "07/12/2020 00:00:12", true, true, true);
        QVERIFY(all.archive && all.report && all.reset);
        QCOMPARE(all.dayReading, QStringLiteral("06/12/2020 23:55:12"));
        // Set back to the day before, then forward to a new day: the day that
        // ends is the latest one reached, named after its latest reading.
        QVERIFY(!rolloverFor(&latest, "06/12/2020 23:58:00", true, true, true).reset);
        QVERIFY(!rolloverFor(&latest, "07/12/2020 09:30:00", true, true, true).reset);
        QVERIFY(!rolloverFor(&latest, "06/12/2020 09:00:00", true, true, true).reset);
        const Rollover next = rolloverFor(&latest, "08/12/2020 00:01:00", false, false, true);
        QCOMPARE(next.dayReading, QStringLiteral("07/12/2020 09:30:00"));
        // A day whose archive failed stays in the recording.
        QVERIFY(!resetAfterArchive(all, false));
        QVERIFY(resetAfterArchive(all, true));
        QVERIFY(resetAfterArchive(next, false));
    }

    // After the clock was set back, the last row is not on the latest day:
    // the reload says which day the recording reached, in one part or many.
    void reloadReachesTheLatestDayOfTheRows()
    {
        ScratchDir dir;
        QString rows = csvHeader() + '\n';
        LiveBoxInfos r = sampleRecord();
        // Midnight passed at row 1140; at row 1200 the clock is set back to
        // the morning of the day before, which the last row is still on.
        const QDateTime start(QDate(2020, 12, 6), QTime(5, 0));
        for (int i = 0; i < 2000; ++i) {
            r.DateTime = formatDateTime(i < 1200 ? start.addSecs(60 * i) : start.addSecs(60 * (i - 1200 + 300)));
            rows += csvRow(r) + '\n';
        }
        dir.write("maison.csv", rows.toUtf8());
        for (const int threads : {1, 4}) {
            ReloadParts parts;
            parts.canStartAt = [](const LiveBoxInfos &, const LiveBoxInfos &) { return true; };
            parts.rowsOf = [](int, const LiveBoxInfos *) { return ReloadRows(); };
            parts.partBytes = 4096;
            LiveBoxInfos current, previous;
            LatestDay latest;
            QVERIFY(reloadRecording(dir.file("maison.csv"), &current, &previous, parts, threads, nullptr, &latest));
            QCOMPARE(current.DateTime, QStringLiteral("06/12/2020 23:19:00"));
            QCOMPARE(latest.day(), QDate(2020, 12, 7));
            QCOMPARE(latest.reading(), QStringLiteral("07/12/2020 00:59:00"));
            // The first row of the next day starts it; a reading of the day before does not.
            QVERIFY(!latest.reach(QStringLiteral("06/12/2020 23:59:00")));
            QVERIFY(latest.reach(QStringLiteral("08/12/2020 00:00:00")));
        }
    }

    // The recording and its log, driven without a window.
    void recorderWritesRowsAndEventsAndReadsThemBack()
    {
        ScratchDir dir;
        Recorder recorder;
        int summaries = 0;
        recorder.logCreated = [&] { ++summaries; };
        LiveBoxInfos r = sampleRecord();
        r.SSID = QStringLiteral("maison");
        recorder.append(r, QStringLiteral("06/12/2020 20:00:00"));
        r.DateTime = QStringLiteral("06/12/2020 23:56:12");
        recorder.append(r, QStringLiteral("06/12/2020 20:00:00")); // no event: the same synchronisation
        r.DateTime = QStringLiteral("06/12/2020 23:57:12");
        r.LastChangeTime = 900; // a resynchronisation
        recorder.append(r, QStringLiteral("06/12/2020 20:00:00"));
        QCOMPARE(dir.read("maison.csv").count('\n'), 4);
        QCOMPARE(dir.read("maison_SYNCHROS.csv").count('\n'), 3);
        QCOMPARE(summaries, 1);
        QCOMPARE(recorder.lastChangeTimeSeen, 900.0);

        // A reading without the Wi-Fi name keeps the recording's file.
        r.SSID.clear();
        recorder.append(r, QString());
        QCOMPARE(dir.read("maison.csv").count('\n'), 5);
        QVERIFY(!QFile::exists(dir.file(".csv")));

        LiveBoxInfos current, previous;
        int rows = 0;
        ReloadRows counted;
        counted.row = [&](LiveBoxInfos *, LiveBoxInfos *) { ++rows; };
        QVERIFY(reloadRecording(recordingFilePath(QStringLiteral("maison")), &current, &previous, counted));
        QCOMPARE(rows, 3); // from the second row on
        QCOMPARE(current.DateTime, QStringLiteral("06/12/2020 23:57:12"));
        QCOMPARE(current.LastChangeTime, 900.0);
        QVERIFY(!reloadRecording(recordingFilePath(QStringLiteral("ailleurs")), &current, &previous, counted));

        QVERIFY(recorder.copy(r, dir.file("archives/copie.csv")));
        QVERIFY(!recorder.copy(r, dir.file("archives/copie.csv"))); // never over an existing file
        recorder.create(r);
        QCOMPARE(dir.read("maison.csv"), (csvHeader() + "\n").toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestRecordingFiles)
#include "test_recordingfiles.moc"
