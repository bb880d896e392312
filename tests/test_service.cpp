#include <QtTest>

#include <QLabel>
#include <QStatusBar>
#include <QTcpServer>

#include <csignal>

#include "common/datetime.h"
#include "common/filenames.h"
#include "metrics/access.h"
#include "recording/rowformat.h"
#include "router/liveboxinfos.h"
#include "support/exposition.h"
#include "support/gatewaytest.h"
#include "support/headless.h"
#include "support/httpget.h"
#include "support/idleclients.h"
#include "support/inifile.h"
#include "support/pdfpages.h"
#include "support/prometheus.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/stuckfile.h"
#include "support/windowfixture.h"

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int lineCount(const QByteArray &text)
{
    return text.count('\n');
}
}

// The program without a window, as a service runs it: its files, its
// metrics read by a real Prometheus, its stop, its messages.
class TestService : public QObject
{
    Q_OBJECT

private slots:
    void prometheusReadsTheLineAndItsFailures()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("prometheus")).isEmpty(),
                 "prometheus is missing: scripts/install-deps --tests installs it");
        const QString password = QStringLiteral("pas-dans-les-metriques-42");
        Simulator sim({"--password", password, "--fix", "DownstreamCurrRate=7616", "--fix", "CRCErrors=321",
                       "--fix", "ATUCFECErrors=4242"});
        ScratchDir dir;
        const int metricsPort = freePort();
        dir.write("livebox.ini",
                  headlessSettings(sim, password) + QStringLiteral("[METRIQUES]\nAdresse=%1\n").arg(metricsPort).toUtf8());
        Headless program(dir);
        Prometheus prometheus(metricsPort);
        QVERIFY(prometheus.ready());

        // A few polls later, Prometheus holds what the gateway served.
        QVERIFY(prometheus.waitFor("quelvane_polls_total", [](double v) { return v >= 3; }));
        QCOMPARE(prometheus.query("quelvane_last_poll_success").value(""), 1.0);
        QCOMPARE(prometheus.query("quelvane_line_sync_rate_bytes_per_second").value("direction=down"), 7616 * 125.0);
        QCOMPARE(prometheus.query("quelvane_line_crc_errors_total").value("end=near"), 321.0);
        QCOMPARE(prometheus.query("quelvane_line_fec_errors_total").value("end=far"), 4242.0);
        QVERIFY(prometheus.query("quelvane_gateway_info").firstKey().contains("ssid=Livebox-1234"));
        QVERIFY(!httpGet(QStringLiteral("http://127.0.0.1:%1/metrics").arg(metricsPort)).body.contains(password.toUtf8()));

        // The gateway fails: the poll says so and the line's values go.
        sim.fault("any", "http500");
        QVERIFY(prometheus.waitFor("quelvane_last_poll_success", [](double v) { return v == 0; }));
        QVERIFY(prometheus.waitFor("quelvane_polls_failed_total", [](double v) { return v >= 1; }));
        // The scrape that said 0 no longer held the line's series: Prometheus
        // marked them stale at once.
        QVERIFY(prometheus.query("quelvane_line_sync_rate_bytes_per_second").isEmpty());
        QVERIFY(prometheus.query("quelvane_line_crc_errors_total").isEmpty());

        // A gateway that hangs holds no scrape up, and the stop ends the
        // waiting poll at once.
        sim.fault("any", "hang");
        // A poll waits once a request has come since the fault. One that came
        // just before the count waits unseen until the poll's 30 s deadline;
        // the next poll's is then seen.
        const int asked = sim.requests().size();
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests().size() > asked, 45000);
        const HttpAnswer scrape = httpGet(QStringLiteral("http://127.0.0.1:%1/metrics").arg(metricsPort), 1000);
        QCOMPARE(scrape.status, 200);
        const qint64 stoppedIn = program.stop();
        QVERIFY2(stoppedIn >= 0 && stoppedIn < 10000, qPrintable(QString::number(stoppedIn)));
        QVERIFY(program.endedWell());
        QVERIFY(lineCount(dir.read("Livebox-1234.csv")) >= 4);
    }

    // Served to the network with a password, behind fifty connections that
    // hold the server's threads as long as they can: the scraper with the
    // password reads every interval, one without is refused, and the
    // journal says who can read the metrics.
    void prometheusScrapesWithItsPasswordPastIdleConnections()
    {
        Simulator sim;
        ScratchDir dir;
        const int metricsPort = freePort();
        const QByteArray hash = hashPassword("le mot de passe");
        dir.write("livebox.ini", headlessSettings(sim)
                                     + QStringLiteral("[METRIQUES]\nAdresse=0.0.0.0:%1\nUtilisateur=prom\n"
                                                      "EmpreinteMotDePasse=%2\n")
                                           .arg(metricsPort)
                                           .arg(QString::fromLatin1(hash))
                                           .toUtf8());
        Headless program(dir);
        QTRY_VERIFY_WITH_TIMEOUT(program.errorLines().contains(
                                     QStringLiteral("quelvane: Quelvane: Métriques servies sur http://0.0.0.0:%1/metrics")
                                         .arg(metricsPort)),
                                 10000);
        QVERIFY(program.errorLines().contains(
            QStringLiteral("quelvane: Quelvane: ") + exposureWarning(QStringLiteral("0.0.0.0:%1").arg(metricsPort),
                                                                   {QStringLiteral("prom"), hash})));
        IdleClients idle(quint16(metricsPort), 25), dripping(quint16(metricsPort), 25, 500);
        QVERIFY(idle.connected());
        QVERIFY(dripping.connected());

        const QString job = QStringLiteral("  - job_name: %1\n    scrape_interval: 15s\n    scrape_timeout: 15s\n"
                                           "    basic_auth:\n      username: prom\n      password: '%2'\n"
                                           "    static_configs:\n      - targets: ['127.0.0.1:%3']\n");
        Prometheus prometheus(QStringLiteral("scrape_configs:\n") + job.arg("quelvane", "le mot de passe").arg(metricsPort)
                              + job.arg("intrus", "devine").arg(metricsPort));
        QVERIFY(prometheus.ready());
        // Two scrapes each, a scrape interval apart, all within their time.
        QVERIFY(prometheus.waitFor("count_over_time(up{job=\"quelvane\"}[1m])", [](double v) { return v >= 2; },
                                   60000));
        QVERIFY(prometheus.waitFor("count_over_time(up{job=\"intrus\"}[1m])", [](double v) { return v >= 2; },
                                   30000));
        QCOMPARE(prometheus.query("min_over_time(up{job=\"quelvane\"}[1m])").value(""), 1.0);
        QCOMPARE(prometheus.query("max_over_time(up{job=\"intrus\"}[1m])").value("", -1), 0.0);
        QVERIFY(prometheus.query("max_over_time(scrape_duration_seconds{job=\"quelvane\"}[1m])").value("", 99)
                < 15);
        QVERIFY(prometheus.query("quelvane_polls_total{job=\"quelvane\"}").value("") >= 1);
        QVERIFY(prometheus.query("quelvane_polls_total{job=\"intrus\"}").isEmpty());
        QVERIFY(idle.closed > 0 && dripping.closed > 0);

        QVERIFY(program.stop() >= 0);
        QVERIFY(program.endedWell());
        // The hash is in no file but the settings, and in no line said.
        QVERIFY(!program.errorLines().join('\n').contains(QString::fromLatin1(hash)));
        QVERIFY(dir.read("livebox.ini").contains(hash));
    }

    void passwordHashIsMadeFromTheStandardInput()
    {
        const auto hashOf = [](const QByteArray &input, int *code) {
            QProcess program;
            program.start(QStringLiteral(QUELVANE_PROGRAM_PATH), {QStringLiteral("--password-hash")});
            program.write(input);
            program.closeWriteChannel();
            program.waitForFinished(20000);
            *code = program.exitCode();
            return program.readAllStandardOutput().trimmed();
        };
        int code = -1;
        const QByteArray hash = hashOf("le mot de passe\n", &code);
        QCOMPARE(code, 0);
        QVERIFY(passwordMatches("le mot de passe", hash));
        QVERIFY(accessProblem({QStringLiteral("prom"), hash}).isEmpty());
        QVERIFY(hashOf("\n", &code).isEmpty());
        QCOMPARE(code, 1);
    }

    void changeOfDayIsHandledWithoutAWindow()
    {
        Simulator sim;
        ScratchDir dir;
        // Stopped late yesterday; started again today.
        const QDateTime lastRow(QDate::currentDate().addDays(-1), QTime(23, 55, 0));
        QString recording = csvHeader() + QLatin1Char('\n');
        for (const QDateTime &at : {lastRow.addSecs(-300), lastRow}) {
            LiveBoxInfos row;
            row.SSID = QStringLiteral("Livebox-1234");
            row.DateTime = formatDateTime(at);
            recording += csvRow(row) + QLatin1Char('\n');
        }
        dir.write("Livebox-1234.csv", recording.toUtf8());
        dir.write("livebox.ini", headlessSettings(sim)
                                     + "ReloadCSV=true\nSaveAuto=true\nPdfAuto=true\nRazAuto=true\n"
                                       "[GRAPH]\nNoisePdf=true\nDebitMaxPdf=true\n");

        Headless program(dir);
        const QString archive = autoArchivePath(QStringLiteral("Livebox-1234"), lastRow);
        const QString report = autoReportPath(QStringLiteral("Livebox-1234"), lastRow);
        // The report is written as it is painted: a file that exists may be
        // half of one. It is whole once its end-of-file marker is there.
        const auto reportWritten = [&] {
            QFile file(report);
            return file.open(QIODevice::ReadOnly) && file.readAll().trimmed().endsWith("%%EOF");
        };
        QTRY_VERIFY_WITH_TIMEOUT(reportWritten(), 30000);
        QCOMPARE(dir.read(QDir(dir.path()).relativeFilePath(archive)), recording.toUtf8());
        // The ticked plots are drawn without a display.
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {report, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(page.contains(QStringLiteral("Marges de bruit upload et download (dB)"))
                     && page.contains(QStringLiteral("Débits maxis upload et download (kB/s)")),
                 qPrintable(page));

        // The recording starts afresh with today's rows. Yesterday's file
        // already had a header and rows: wait for a first row of today.
        const QByteArray today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")).toUtf8();
        QTRY_VERIFY_WITH_TIMEOUT(dir.read("Livebox-1234.csv").split('\n').value(1).startsWith(today), 15000);
        const QList<QByteArray> rows = dir.read("Livebox-1234.csv").split('\n');
        QCOMPARE(QString::fromUtf8(rows.at(0)), csvHeader());
        QVERIFY(rows.at(1).startsWith(today));

        QVERIFY(program.stop(SIGINT) >= 0);
        QVERIFY(program.endedWell());
        // Nothing went wrong, so nothing was said.
        for (const QString &line : program.errorLines())
            QVERIFY2(!line.startsWith(QLatin1String("quelvane:")), qPrintable(line));
    }

    // Help and the version touch nothing; an option the program does not
    // know is said and ends it with status 2; Qt's own options pass.
    void commandLineOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--metrics ADRESSE:PORT" << "";
        QTest::newRow("help, headless") << QStringList{"--headless", "-h"} << 0 << "--headless" << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Version 3" << "";
        QTest::newRow("unknown") << QStringList{"-platform", "offscreen", "--bogus"} << 2 << ""
                                 << "option inconnue : --bogus";
        QTest::newRow("unknown, headless, Qt style") << QStringList{"--headless", "-style", "fusion", "-x"} << 2 << ""
                                                     << "option inconnue : -x";
        QTest::newRow("metrics without address") << QStringList{"--headless", "--metrics"} << 2 << ""
                                                 << "--metrics attend une adresse";
        QTest::newRow("help names the data folder") << QStringList{"--help"} << 0 << "--dir DOSSIER" << "";
        QTest::newRow("dir without folder") << QStringList{"--headless", "--dir"} << 2 << ""
                                            << "--dir attend un dossier";
    }

    void commandLineOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        ScratchDir dir;
        QFile::copy(QStringLiteral(QUELVANE_PROGRAM_PATH), dir.file("quelvane"));
        QFile::setPermissions(dir.file("quelvane"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QProcess program;
        program.start(dir.file("quelvane"), arguments);
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString said = QString::fromUtf8(program.readAllStandardOutput());
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(said.contains(out), qPrintable(said));
        QVERIFY2(errors.contains(err), qPrintable(errors));
        if (status == 0)
            QVERIFY2(!said.isEmpty() && !errors.contains(QLatin1String("quelvane:")), qPrintable(errors));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // The same recording, the same settings: the headless program, which
    // makes no window, writes the same day report as the desktop program.
    void headlessDayReportIsTheDesktopsPage()
    {
        Simulator sim;
        ScratchDir headlessDir;
        ScratchDir desktopDir;
        const QDateTime lastRow(QDate::currentDate().addDays(-1), QTime(23, 55, 0));
        QString recording = csvHeader() + QLatin1Char('\n');
        for (int step = 12 * 18; step >= 0; --step) {
            LiveBoxInfos row;
            row.SSID = QStringLiteral("Livebox-1234");
            row.DateTime = formatDateTime(lastRow.addSecs(-300 * step));
            row.DownstreamCurrRate = row.DownstreamMaxRate = 8000 + 40 * (step % 7);
            row.DownstreamNoiseMargin = 60 + step % 30;
            row.CRCErrors = step / 3;
            recording += csvRow(row) + QLatin1Char('\n');
        }
        const QByteArray settings = headlessSettings(sim)
                                    + "ReloadCSV=true\nPdfAuto=true\n[GRAPH]\nNoisePdf=true\nDebitMaxPdf=true\nCrcPdf=true\n"
                                      "[FORMAT]\nRapPageOrient=1\n";
        for (const ScratchDir *dir : {&headlessDir, &desktopDir}) {
            dir->write("Livebox-1234.csv", recording.toUtf8());
            dir->write("livebox.ini", settings);
        }
        Headless headless(headlessDir);
        Headless desktop(desktopDir, {}, QString(), true);
        const QString name = QFileInfo(autoReportPath(QStringLiteral("Livebox-1234"), lastRow)).fileName();
        const auto written = [&](const ScratchDir &dir) {
            QFile file(dir.file(QStringLiteral("export/") + name));
            return file.open(QIODevice::ReadOnly) && file.readAll().trimmed().endsWith("%%EOF");
        };
        QTRY_VERIFY_WITH_TIMEOUT(written(headlessDir) && written(desktopDir), 30000);
        const QString headlessPdf = headlessDir.file(QStringLiteral("export/") + name);
        const QString desktopPdf = desktopDir.file(QStringLiteral("export/") + name);
        const QString text = pdfText(headlessPdf);
        QVERIFY2(text.contains(QStringLiteral("Nombre d'erreurs CRC et ATU-C CRC")), qPrintable(text));
        QCOMPARE(text, pdfText(desktopPdf));
        const QImage page = pdfPage(headlessPdf, 50);
        QVERIFY(!page.isNull());
        QCOMPARE(page, pdfPage(desktopPdf, 50));
        QVERIFY(headless.stop(SIGTERM) >= 0);
        QVERIFY(headless.endedWell());
        QVERIFY(desktop.stop(SIGTERM) >= 0);
        QVERIFY(desktop.endedWell());
    }

    // The clock set back an hour across midnight, the program started again
    // at each step (the service restarted, the machine's clock changed
    // meanwhile), with the archive, the report and the reset on: one
    // archive, one report, one reset. Each run reads its clock in a fixed
    // zone of its own, offset so that its readings fall where the step puts
    // them: 23:40, then 00:20 the next day, 23:20 the day before, 00:10.
    void clockSetBackAcrossMidnightIsOneChangeOfDay()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", headlessSettings(sim) + "ReloadCSV=true\nSaveAuto=true\nPdfAuto=true\nRazAuto=true\n");
        const int minutesNow = QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay() / 60000;
        int east = (23 * 60 + 40 - minutesNow + 24 * 60) % (24 * 60); // the first run's offset from UTC
        if (east > 12 * 60)
            east -= 24 * 60;
        QStringList starts; // how each run's rows start: the date, the hour and the tens of minutes
        for (const int step : {0, 40, -20, 30}) {
            const int offset = east + step;
            const QString zone = QStringLiteral("QVL%1%2:%3")
                                     .arg(offset > 0 ? '-' : '+')
                                     .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                                     .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
            starts << QDateTime::currentDateTimeUtc().toOffsetFromUtc(offset * 60).toString("dd/MM/yyyy hh:mm").left(15);
            Headless program(dir, {}, zone);
            QTRY_VERIFY_WITH_TIMEOUT(dir.read("Livebox-1234.csv").contains("\n" + starts.last().toUtf8()), 20000);
            QVERIFY(program.stop() >= 0);
        }
        QCOMPARE(starts.at(1).left(10),
                 QDate::fromString(starts.at(0).left(10), "dd/MM/yyyy").addDays(1).toString("dd/MM/yyyy"));

        const QStringList archives = QDir(dir.file("archives")).entryList(QDir::Files);
        QCOMPARE(archives.size(), 1);
        QVERIFY(dir.read("archives/" + archives.first()).split('\n').value(1).startsWith(starts.at(0).toUtf8()));
        QCOMPARE(QDir(dir.file("export")).entryList({"*auto.pdf"}, QDir::Files).size(), 1);
        // Reset once: the rows of the new day, before and after the clock went back.
        const QByteArray recording = dir.read("Livebox-1234.csv");
        QCOMPARE(QString::fromUtf8(recording.split('\n').at(0)), csvHeader());
        QVERIFY(recording.split('\n').at(1).startsWith(starts.at(1).toUtf8()));
        for (int run = 2; run < 4; ++run)
            QVERIFY2(recording.contains("\n" + starts.at(run).toUtf8()), qPrintable(starts.at(run)));
    }

    // A long reload says how far it is, and a stop ends it at once, even one
    // whose file gives no more rows (a network share gone away).
    void aStopEndsTheReloadUnderWay()
    {
        Simulator sim;
        ScratchDir dir;
        QByteArray rows = csvHeader().toUtf8() + '\n';
        LiveBoxInfos row;
        for (int i = 0; i < 50; ++i) {
            row.DateTime = formatDateTime(QDateTime::currentDateTime().addSecs(-5 * (50 - i)));
            rows += csvRow(row).toUtf8() + '\n';
        }
        const StuckFile recording(dir.file("Livebox-1234.csv"), rows);
        QVERIFY(recording.isReady());
        dir.write("livebox.ini", headlessSettings(sim) + "ReloadCSV=true\n");

        Headless program(dir);
        QTRY_VERIFY_WITH_TIMEOUT(program.errorLines().contains(QStringLiteral("quelvane: Quelvane: Chargement du relevé en cours")),
                                 15000);
        const qint64 stoppedIn = program.stop();
        QVERIFY2(stoppedIn >= 0 && stoppedIn < 10000, qPrintable(QString::number(stoppedIn)));
        QVERIFY(program.endedWell());
        // It ended as it always does: its settings written.
        QVERIFY(readIniText(dir.file("livebox.ini")).contains(QStringLiteral("COURBES/PlageHeure")));
    }

    // A desktop session's end sends a stop signal: the program ends as
    // "QUITTER" ends it, its settings written.
    void stopSignalEndsTheDesktopAsQuitDoes_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void stopSignalEndsTheDesktopAsQuitDoes()
    {
        QFETCH(int, signal);
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim) + "[MONITOR]\nCycle=00:00:05\n");
        Headless program(dir, {QStringLiteral("-r")}, QString(), true);
        QTRY_VERIFY_WITH_TIMEOUT(lineCount(dir.read("Livebox-1234.csv")) >= 2, 20000);
        const qint64 stoppedIn = program.stop(signal);
        QVERIFY2(stoppedIn >= 0 && stoppedIn < 10000, qPrintable(QString::number(stoppedIn)));
        QVERIFY(program.endedWell());
        const QMap<QString, QString> settings = readIniText(dir.file("livebox.ini"));
        QCOMPARE(settings.value("LIVEBOX/SSID"), QStringLiteral("Livebox-1234"));
        QCOMPARE(settings.value("MONITOR/Cycle"), QStringLiteral("00:00:05"));
        QVERIFY(settings.contains("COURBES/PlageHeure"));
        QVERIFY(settings.contains("GUI/Width"));
    }

    // A second stop during the orderly exit is ignored until it is done.
    void secondStopDuringTheExitIsIgnored()
    {
        Simulator sim;
        for (const int afterMs : {5, 15, 30}) {
            ScratchDir dir;
            dir.write("livebox.ini", headlessSettings(sim));
            Headless program(dir);
            QTRY_VERIFY_WITH_TIMEOUT(lineCount(dir.read("Livebox-1234.csv")) >= 2, 20000);
            const qint64 stoppedIn = program.stopTwice(SIGTERM, afterMs);
            QVERIFY2(stoppedIn >= 0 && stoppedIn < 10000, qPrintable(QString::number(stoppedIn)));
            QVERIFY(program.endedWell());
            QVERIFY(readIniText(dir.file("livebox.ini")).contains(QStringLiteral("COURBES/PlageHeure")));
        }
    }

    // A gateway's reply of a megabyte that inflates to a gibibyte, at every
    // poll, under a memory limit of a gibibyte: each poll fails as an
    // over-size reply does, and the service lives on.
    void compressedRepliesUnderAMemoryLimit()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer reserves far more address space than a limit leaves");
#endif
        Simulator sim({"--fault", "rest-dsl:bomb"});
        ScratchDir dir;
        dir.write("livebox.ini", headlessSettings(sim));
        Headless program(dir, {}, QString(), false, qint64(1) << 30);
        const auto lineReads = [&] {
            int reads = 0;
            for (const ReceivedRequest &request : receivedRequests(sim.requests()))
                reads += request.body.contains("\"dsl\"");
            return reads;
        };
        // The start-up's two polls, then the acquisition's first.
        QTRY_VERIFY_WITH_TIMEOUT(lineReads() >= 3, 30000);
        QVERIFY2(program.process.state() == QProcess::Running, qPrintable(program.errorLines().join('\n')));
        sim.heal();
        QTRY_VERIFY_WITH_TIMEOUT(lineCount(dir.read("Livebox-1234.csv")) >= 2, 20000);
        QVERIFY(program.stop() >= 0);
        QVERIFY(program.endedWell());
    }

    // Where the service keeps its files: the folder asked for, by option or
    // by environment, or the user's data folder for a copy installed with
    // the system's programs; never beside such a copy, and never a silent
    // fallback when the folder asked for cannot be written.
    void dataFolderOfTheService_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("--dir") << "option";
        QTest::newRow("QUELVANE_DIR") << "environment";
        QTest::newRow("installed in bin/") << "installed";
    }

    void dataFolderOfTheService()
    {
        QFETCH(QString, how);
        Simulator sim;
        ScratchDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("bin"));
        const QString programDir = dir.file("bin");
        QString data = dir.file("données/ligne 1");
        QStringList arguments;
        QMap<QString, QString> variables;
        if (how == "option") {
            arguments << "--dir" << data;
        } else if (how == "environment") {
            variables.insert("QUELVANE_DIR", data);
        } else {
            QDir(dir.path()).mkpath(QStringLiteral("share/quelvane"));
            variables.insert("XDG_DATA_HOME", dir.file("xdg"));
            data = dir.file("xdg/quelvane");
        }
        // The service's settings are put there by hand before its first start.
        QDir().mkpath(data);
        QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        {
            QFile ini(data + "/livebox.ini");
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(headlessSettings(sim));
        }
        Headless program(dir, arguments, QString(), false, 0, programDir, variables);
        const QString recording = data + "/Livebox-1234.csv";
        QTRY_VERIFY_WITH_TIMEOUT(lineCount(readFile(recording)) >= 2, 15000);
        QVERIFY(program.stop() >= 0);
        QVERIFY(program.endedWell());
        QVERIFY2(program.errorLines().contains("quelvane: Quelvane: Dossier de données : " + data),
                 qPrintable(program.errorLines().join('\n')));
        QCOMPARE(QDir(programDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"quelvane"});
        QCOMPARE(QFile::permissions(data + "/livebox.ini") & 0x0077, QFileDevice::Permissions());
        QVERIFY(QFile::exists(data + "/Livebox-1234_SYNCHROS.csv"));
    }

    // A folder asked for that cannot be made or written ends the service
    // with its reason; the user's data folder is made, for its owner alone.
    void unusableDataFolderEndsTheServiceWithAReason()
    {
        ScratchDir dir;
        dir.write("un fichier", "pas un dossier");
        QDir(dir.path()).mkpath(QStringLiteral("bin"));
        {
            Headless program(dir, {"--dir", dir.file("un fichier/relevés")}, QString(), false, 0, dir.file("bin"));
            QVERIFY(program.process.waitForFinished(15000));
            QCOMPARE(program.process.exitCode(), 1);
            QVERIFY2(program.errorLines().join('\n').contains(
                         "quelvane: Quelvane: Le dossier de données ne peut pas servir : le dossier « "
                         + dir.file("un fichier/relevés") + " » ne peut pas être créé."),
                     qPrintable(program.errorLines().join('\n')));
        }
        // Installed, with no folder yet: made, and only its owner enters it.
        QDir(dir.path()).mkpath(QStringLiteral("share/quelvane"));
        Headless program(dir, {}, QString(), false, 0, dir.file("bin"), {{"XDG_DATA_HOME", dir.file("xdg")}});
        QTRY_VERIFY_WITH_TIMEOUT(program.errorLines().join('\n').contains("Dossier de données : " + dir.file("xdg/quelvane")),
                                 15000);
        QCOMPARE(QFile::permissions(dir.file("xdg/quelvane")) & 0x0077, QFileDevice::Permissions());
        QVERIFY(program.stop() >= 0);
        QVERIFY(QFile::exists(dir.file("xdg/quelvane/livebox.ini")));
        QCOMPARE(QDir(dir.file("bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"quelvane"});
    }

    void refusedLoginIsSaidOnTheStandardErrorAndTriedAgain()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", headlessSettings(sim, QStringLiteral("faux")) + "[ALERTES]\nEchecsNombre=1\nCommande=false\n");
        Headless program(dir);
        const QString said =
            QStringLiteral("quelvane: Quelvane: Connexion impossible, vérifer le mot de passe et le fonctionnement de la Box.");
        QTRY_VERIFY_WITH_TIMEOUT(program.errorLines().contains(said), 10000);
        // Without a desktop, the alert goes to the journal too.
        QTRY_VERIFY_WITH_TIMEOUT(program.errorLines().contains(QStringLiteral(
                                     "quelvane: Quelvane : Échecs d'interrogation: déclenchée : "
                                     "1 interrogations de la Livebox échouées de suite")),
                                 10000);
        // And so does what went wrong with the user's command.
        QTRY_VERIFY_WITH_TIMEOUT(program.errorLines().contains(QStringLiteral(
                                     "quelvane: Commande d'alerte: la commande d'alerte « false » a échoué (code 1)")),
                                 10000);
        // No one can answer a box: the program tries again an interval later.
        const int first = sim.requests().size();
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests().size() > first, 10000);
        // Said once while the gateway goes on refusing, not at every interval.
        const int second = sim.requests().size();
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests().size() > second, 10000);
        QCOMPARE(program.errorLines().count(said), 1);
        QCOMPARE(program.process.state(), QProcess::Running);
        QVERIFY(program.stop() >= 0);
        QVERIFY(program.endedWell());
    }

    void unusableMetricsAddressEndsTheServiceWithAReason_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        QTest::newRow("in use") << "in use" << "le port est déjà utilisé";
        QTest::newRow("not a port") << "metriques" << "adresse invalide, attendu ADRESSE:PORT ou PORT";
        // Debian's web server library is built without IPv6.
        QTest::newRow("ipv6") << "[::1]:9464"
                              << "les adresses IPv6 ne sont pas servies, la bibliothèque du serveur web (civetweb) "
                                 "de ce système étant construite sans IPv6 ; donnez une adresse IPv4, "
                                 "127.0.0.1:PORT par exemple";
    }

    void unusableMetricsAddressEndsTheServiceWithAReason()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", headlessSettings(sim));
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        if (address == QLatin1String("in use"))
            address = QStringLiteral("127.0.0.1:%1").arg(taken.serverPort());
        Headless program(dir, {"--metrics", address});
        QVERIFY(program.process.waitForFinished(15000));
        QCOMPARE(program.process.exitCode(), 1);
        QVERIFY2(program.errorLines().contains(
                     QStringLiteral("quelvane: Quelvane: Les métriques ne peuvent pas être servies sur « %1 » : %2")
                         .arg(address, reason)),
                 qPrintable(program.errorLines().join('\n')));
        QVERIFY(!QFile::exists(dir.file("Livebox-1234.csv")));
    }

    void desktopGoesOnWithoutMetricsWhenTheAddressIsTaken()
    {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        WindowFixture f(
            WindowStart().ini(QStringLiteral("[METRIQUES]\nAdresse=%1\n").arg(taken.serverPort()).toUtf8()));
        f.closer.drain();
        QVERIFY(!f.window->metrics);
        QVERIFY(f.window->connected);
        QCOMPARE(f.closer.texts.value(0),
                 QStringLiteral("Les métriques ne peuvent pas être servies sur « %1 » : le port est déjà utilisé\n"
                                "Le suivi continue sans métriques.")
                     .arg(taken.serverPort()));
    }

    // Served to the network: the status bar says so as long as it lasts.
    void desktopSaysTheNetworkCanReadTheMetrics()
    {
        WindowFixture f(WindowStart().later());
        // Chosen while the simulator holds its own port.
        const int port = freePort();
        f.dir.write("livebox.ini",
                    settingsFor(f.sim) + QStringLiteral("[METRIQUES]\nAdresse=0.0.0.0:%1\n").arg(port).toUtf8());
        f.start();
        QVERIFY(f.window->metrics);
        const auto *label = f.window->statusBar()->findChild<QLabel *>(QStringLiteral("labelMetriques"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Métriques ouvertes au réseau : 0.0.0.0:%1").arg(port));
        QCOMPARE(label->toolTip(), exposureWarning(QStringLiteral("0.0.0.0:%1").arg(port), MetricsAccess()));
        // While the acquisition runs, the version's label gives its room to
        // what the acquisition says.
        auto *version = f.window->findChild<QLabel *>(QStringLiteral("labelVersion"));
        QVERIFY(!version->isHidden());
        f.window->on_BtnStartAcquisition_clicked();
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));
        QVERIFY(version->isHidden());
        f.window->on_BtnStopAcquisition_clicked();
        QVERIFY(!version->isHidden());
    }

    // A data folder away from the program is named in the status bar, and
    // stays readable while the acquisition's message is shown.
    void desktopNamesItsDataFolder()
    {
        WindowFixture f;
        const QString path = QStringLiteral("/home/moi/.local/share/quelvane");
        const int width = f.window->minimumSizeHint().width();
        f.window->showDataFolder(path);
        // It takes the version's room: the window needs no more width.
        QCOMPARE(f.window->minimumSizeHint().width(), width);
        const auto *label = f.window->statusBar()->findChild<QLabel *>(QStringLiteral("labelDossier"));
        QVERIFY(label);
        // A long path keeps its ends; the whole of it is in the tool tip.
        QVERIFY2(label->text().startsWith(QStringLiteral("Dossier de données : /")), qPrintable(label->text()));
        QVERIFY2(label->text().endsWith(QStringLiteral("quelvane")), qPrintable(label->text()));
        QCOMPARE(label->toolTip(), path);
        auto *version = f.window->findChild<QLabel *>(QStringLiteral("labelVersion"));
        QVERIFY(version->isHidden());
        f.window->on_BtnStartAcquisition_clicked();
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("SUIVI LIVEBOX EN COURS..."));
        QVERIFY(!label->isHidden());
        f.window->on_BtnStopAcquisition_clicked();
        QVERIFY(version->isHidden() && !label->isHidden());
    }
};

QTEST_MAIN(TestService)
#include "test_service.moc"
