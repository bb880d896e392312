#include <QtTest>

#include <csignal>
#include <functional>

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "alerts/alertcommand.h"
#include "alerts/alertlog.h"
#include "alerts/alertrules.h"
#include "support/scratchdir.h"
#include "tray/trayicon.h"
#include "tray/traystate.h"

namespace {
// A reading synchronised at up-time `syncUpTime`, `since` seconds ago.
LiveBoxInfos reading(double syncUpTime = 100, double since = 3600)
{
    LiveBoxInfos r;
    r.LastChangeTime = syncUpTime;
    r.LastChange = since;
    r.PppLastChangeTime = syncUpTime + 20;
    r.DownstreamCurrRate = 8000;
    r.UpstreamCurrRate = 900;
    r.DownstreamNoiseMargin = 60;
    r.UpstreamNoiseMargin = 70;
    r.SynchroDateTime = QStringLiteral("08/12/2026 09:00:00");
    r.RebootDateTime = QStringLiteral("08/12/2026 08:58:20");
    r.PppDateTime = QStringLiteral("08/12/2026 09:00:20");
    return r;
}

// Drives the rules through polls a minute apart.
struct Run
{
    AlertSettings settings;
    AlertRules rules;
    qint64 at = 1'800'000'000'000;
    bool withPpp = false;

    QStringList good(const LiveBoxInfos &r, qint64 afterMs = 60000)
    {
        at += afterMs;
        PollOutcome poll;
        poll.good = true;
        poll.reading = r;
        poll.atMs = at;
        poll.withPpp = withPpp;
        return texts(rules.check(settings, poll));
    }
    QStringList failed(qint64 afterMs = 60000)
    {
        at += afterMs;
        PollOutcome poll;
        poll.atMs = at;
        return texts(rules.check(settings, poll));
    }
    // "rule|state|values" per alert.
    static QStringList texts(const QVector<Alert> &alerts)
    {
        QStringList out;
        for (const Alert &a : alerts)
            out << a.rule + QLatin1Char('|') + alertStateText(a.state) + QLatin1Char('|') + a.values;
        return out;
    }
};
}

// The alert rules on sequences of readings, the alert log's rows, the tray's
// state and menu, and the user's command.
class TestAlerts : public QObject
{
    Q_OBJECT

private slots:
    void eventsFireOnceEach()
    {
        Run run;
        run.withPpp = true;
        run.settings.connection = true;
        QVERIFY(run.good(reading()).isEmpty()); // the first reading is the baseline
        QVERIFY(run.good(reading(100, 3660)).isEmpty());

        // A resynchronisation moves the synchronisation and the connection.
        LiveBoxInfos resynced = reading(3770, 5);
        resynced.PppLastChangeTime = 3790;
        QCOMPARE(run.good(resynced),
                 (QStringList{"Resynchronisation DSL|événement|synchronisée le 08/12/2026 09:00:00, débits 8000 / 900 Kb/s",
                              "Nouvelle connexion internet|événement|connectée le 08/12/2026 09:00:20"}));
        resynced.LastChange = 65;
        QVERIFY(run.good(resynced).isEmpty()); // no repeat

        // A restart says it alone, though synchronisation and connection moved.
        LiveBoxInfos restarted = reading(60, 10);
        restarted.PppLastChangeTime = 65;
        QCOMPARE(run.good(restarted), QStringList{"Redémarrage de la Livebox|événement|démarrée le 08/12/2026 08:58:20"});

        // The newer gateways give no connection time: nothing to say.
        Run newer;
        newer.settings.connection = true;
        newer.good(reading());
        LiveBoxInfos moved = reading(100, 3660);
        moved.PppLastChangeTime = 500;
        QVERIFY(newer.good(moved).isEmpty());
    }

    void switchedOffEventsSayNothing()
    {
        Run run;
        run.settings.resync = false;
        run.settings.restart = false;
        run.good(reading());
        QVERIFY(run.good(reading(3770, 5)).isEmpty());
        QVERIFY(run.good(reading(60, 10)).isEmpty());
    }

    void rateDropIsMeasuredFromThePreviousSynchronisation()
    {
        Run run;
        run.settings.resync = false;
        run.settings.rateDrop = true;
        run.settings.rateDropPercent = 10;
        run.good(reading());
        LiveBoxInfos r = reading(4000, 5);
        r.DownstreamCurrRate = 7500; // -6.25 %
        QVERIFY(run.good(r).isEmpty());
        r = reading(8000, 5);
        r.DownstreamCurrRate = 6800; // -9.3 % from 7500, -15 % from the first
        QVERIFY(run.good(r).isEmpty());
        r = reading(12000, 5);
        r.DownstreamCurrRate = 5000;
        QCOMPARE(run.good(r), QStringList{"Chute du débit descendant|événement|de 6800 à 5000 Kb/s (-26.5 %), seuil 10 %"});
        // Between synchronisations the rate does not move the reference.
        r.LastChange = 65;
        r.DownstreamCurrRate = 1000;
        QVERIFY(run.good(r).isEmpty());
        // A restart is a synchronisation too.
        r = reading(50, 5);
        r.DownstreamCurrRate = 500;
        QCOMPARE(run.good(r).size(), 2);
    }

    void failedPollsStartAndEndOnce()
    {
        Run run;
        run.settings.failedPollCount = 3;
        run.good(reading());
        QVERIFY(run.failed().isEmpty());
        QVERIFY(run.failed().isEmpty());
        QCOMPARE(run.failed(),
                 QStringList{"Échecs d'interrogation|déclenchée|3 interrogations de la Livebox échouées de suite"});
        QVERIFY(run.failed().isEmpty());
        QCOMPARE(run.good(reading(100, 3900)),
                 QStringList{"Échecs d'interrogation|rétablie|Livebox lue de nouveau après 4 échecs"});
        QVERIFY(run.good(reading(100, 3960)).isEmpty());
        QVERIFY(!run.rules.failing());

        // Switched off while on: forgotten without a false "rétablie".
        for (int i = 0; i < 3; ++i)
            run.failed();
        QVERIFY(run.rules.failing());
        run.settings.failedPolls = false;
        QVERIFY(run.failed().isEmpty());
        QVERIFY(run.good(reading(100, 4300)).isEmpty());
        QVERIFY(!run.rules.failing());
    }

    void marginStatesStartAndEndOnceEach()
    {
        Run run;
        run.settings.margin = true;
        run.settings.marginDb = 3;
        LiveBoxInfos r = reading();
        QVERIFY(run.good(r).isEmpty());
        r.DownstreamNoiseMargin = 25;
        QCOMPARE(run.good(r), QStringList{"Marge de bruit descendante basse|déclenchée|2.5 dB, seuil 3 dB"});
        QVERIFY(run.rules.thresholdCrossed());
        r.DownstreamNoiseMargin = 21;
        QVERIFY(run.good(r).isEmpty()); // still low: no repeat
        r.UpstreamNoiseMargin = 10;
        QCOMPARE(run.good(r), QStringList{"Marge de bruit montante basse|déclenchée|1.0 dB, seuil 3 dB"});
        QVERIFY(run.failed().isEmpty()); // a failed poll says nothing of the margins
        r.DownstreamNoiseMargin = 30; // at the threshold is not below it
        r.UpstreamNoiseMargin = 55;
        QCOMPARE(run.good(r), (QStringList{"Marge de bruit descendante basse|rétablie|3.0 dB, seuil 3 dB",
                                           "Marge de bruit montante basse|rétablie|5.5 dB, seuil 3 dB"}));
        QVERIFY(!run.rules.thresholdCrossed());
    }

    void errorRatesOfEachEndAreTheirOwnStates()
    {
        Run run;
        run.settings.crc = true;
        run.settings.crcPerMinute = 10;
        LiveBoxInfos r = reading();
        QVERIFY(run.good(r).isEmpty());
        r.CRCErrors = 5; // 5 a minute
        QVERIFY(run.good(r).isEmpty());
        r.CRCErrors = 25; // 20 a minute
        QCOMPARE(run.good(r), QStringList{"Erreurs CRC|déclenchée|20.0 par minute, seuil 10"});
        r.CRCErrors = 40;
        r.ATUCCRCErrors = 12;
        QCOMPARE(run.good(r), QStringList{"Erreurs ATU-C CRC|déclenchée|12.0 par minute, seuil 10"});
        // A restart sets the gateway's counters back: no rate, no change.
        LiveBoxInfos after = reading(50, 10);
        after.CRCErrors = 3;
        after.ATUCCRCErrors = 0;
        run.settings.restart = false;
        QVERIFY(run.good(after).isEmpty());
        QVERIFY(run.rules.thresholdCrossed());
        // Quiet again; a failed poll between stretches the interval.
        after.LastChange = 600;
        after.CRCErrors = 4;
        after.ATUCCRCErrors = 1;
        run.failed();
        QCOMPARE(run.good(after), (QStringList{"Erreurs CRC|rétablie|0.5 par minute, seuil 10",
                                               "Erreurs ATU-C CRC|rétablie|0.5 par minute, seuil 10"}));
        // FEC has its own switch and threshold.
        run.settings.fec = true;
        run.settings.fecPerMinute = 1000;
        after.FECErrors = 900;
        QVERIFY(run.good(after).isEmpty());
        after.ATUCFECErrors = 5000;
        QCOMPARE(run.good(after), QStringList{"Erreurs ATU-C FEC|déclenchée|5000.0 par minute, seuil 1000"});
    }

    // At a 5-second interval one error in a poll is not 12 a minute: the
    // rate is measured over a minute, and a state ends a minute after its
    // rate was last above the threshold. A steady rate raises one alert, a
    // burst one pair, errors now and then none.
    void errorRatesDoNotFlap()
    {
        const auto polls = [](Run &run, LiveBoxInfos &r, int count, const std::function<int(int)> &errorsAt) {
            QStringList said;
            for (int i = 0; i < count; ++i) {
                r.CRCErrors += errorsAt(i);
                said += run.good(r, 5000);
            }
            return said;
        };
        {
            Run run;
            run.settings.crc = true;
            run.settings.crcPerMinute = 10;
            LiveBoxInfos r = reading();
            // One error every 10 s: 6 a minute, under the threshold.
            QVERIFY(polls(run, r, 360, [](int i) { return i % 2; }).isEmpty());
        }
        {
            Run run;
            run.settings.crc = true;
            run.settings.crcPerMinute = 5;
            LiveBoxInfos r = reading();
            // Half an hour of a noisy line: two errors every 5 s, then one
            // every 15 s (4 a minute) for ten minutes.
            QStringList said = polls(run, r, 360, [](int i) { return i % 2 == 0 ? 1 : 0; });
            said += polls(run, r, 120, [](int i) { return i % 3 == 0 ? 1 : 0; });
            QCOMPARE(said.size(), 2);
            QVERIFY(said.at(0).startsWith("Erreurs CRC|déclenchée|"));
            QVERIFY(said.at(1).startsWith("Erreurs CRC|rétablie|"));
        }
        {
            Run run;
            run.settings.crc = true;
            run.settings.crcPerMinute = 5;
            LiveBoxInfos r = reading();
            // Quiet, one burst of 40 errors, quiet again.
            QStringList said = polls(run, r, 60, [](int) { return 0; });
            said += polls(run, r, 1, [](int) { return 40; });
            said += polls(run, r, 11, [](int) { return 0; });
            QCOMPARE(said, QStringList{"Erreurs CRC|déclenchée|40.0 par minute, seuil 5"});
            said = polls(run, r, 60, [](int) { return 0; });
            QCOMPARE(said.size(), 1);
            QVERIFY(said.at(0).startsWith("Erreurs CRC|rétablie|"));
        }
    }

    void logRowsCannotBeSplit()
    {
        QCOMPARE(alertLogHeader(), QStringLiteral("DATE HEURE;REGLE;ETAT;VALEURS"));
        const QDateTime at(QDate(2026, 12, 8), QTime(9, 5, 7));
        QCOMPARE(alertLogRow(at, {QStringLiteral("Marge de bruit montante basse"), AlertState::Raised,
                                  QStringLiteral("1.0 dB, seuil 3 dB")}),
                 QStringLiteral("08/12/2026 09:05:07;Marge de bruit montante basse;déclenchée;1.0 dB, seuil 3 dB"));
        const QString row = alertLogRow(at, {QStringLiteral("Commande d'alerte"), AlertState::Event,
                                             QStringLiteral("« a;b »\r\nsortie")});
        QCOMPARE(row.count(QLatin1Char(';')), 3);
        QVERIFY(!row.contains(QLatin1Char('\n')) && !row.contains(QLatin1Char('\r')));
    }

    void trayLightAndToolTip()
    {
        QCOMPARE(lineLight(false, false, false, true), LineLight::Off);
        QCOMPARE(lineLight(true, false, true, false), LineLight::Bad);
        QCOMPARE(lineLight(true, true, false, false), LineLight::Bad);
        QCOMPARE(lineLight(true, true, true, true), LineLight::Warning);
        QCOMPARE(lineLight(true, true, true, false), LineLight::Good);

        QCOMPARE(trayToolTip(LineLight::Off, nullptr), QStringLiteral("Quelvane : Acquisition arrêtée"));
        const LiveBoxInfos r = reading();
        QCOMPARE(trayToolTip(LineLight::Good, &r),
                 QStringLiteral("Quelvane : Ligne en bon état\nDébits : 8000 / 900 Kb/s\n"
                                "Marges de bruit : 6.0 / 7.0 dB\nDernière synchronisation : 08/12/2026 09:00:00"));

        // Each state its own colour, the middle of the disc.
        QSet<QRgb> colours;
        for (LineLight light : {LineLight::Off, LineLight::Good, LineLight::Warning, LineLight::Bad})
            colours.insert(TrayIcon::icon(light).pixmap(32).toImage().pixel(10, 22));
        QCOMPARE(colours.size(), 4);
    }

    void trayMenuFollowsTheButtons()
    {
        QWidget window;
        auto *refresh = new QPushButton(QStringLiteral("ACTUALISER"), &window);
        auto *start = new QPushButton(QStringLiteral("DEMARRER ACQUISITION"), &window);
        auto *stop = new QPushButton(QStringLiteral("ARRETER ACQUISITION"), &window);
        auto *quit = new QPushButton(QStringLiteral("QUITTER"), &window);
        stop->setEnabled(false);
        TrayIcon tray({refresh, nullptr, start, stop, quit});
        QStringList texts;
        for (QAction *a : tray.menu()->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts, (QStringList{"ACTUALISER", "-", "DEMARRER ACQUISITION", "ARRETER ACQUISITION", "-",
                                     "Afficher la fenêtre", "QUITTER"}));
        QVERIFY(!tray.actionFor(stop)->isEnabled());
        start->setEnabled(false);
        stop->setEnabled(true);
        QVERIFY(!tray.actionFor(start)->isEnabled());
        QVERIFY(tray.actionFor(stop)->isEnabled());
        // A disabled parent disables the entries too.
        window.setEnabled(false);
        QVERIFY(!tray.actionFor(refresh)->isEnabled());
        window.setEnabled(true);

        QSignalSpy clicked(refresh, &QPushButton::clicked);
        tray.actionFor(refresh)->trigger();
        QCOMPARE(clicked.size(), 1);
        QSignalSpy show(&tray, &TrayIcon::showWindowAsked);
        tray.showWindowAction()->trigger();
        QCOMPARE(show.size(), 1);

        tray.setLight(LineLight::Bad, QStringLiteral("Quelvane : rouge"));
        QCOMPARE(tray.light(), LineLight::Bad);
        QCOMPARE(tray.toolTip(), QStringLiteral("Quelvane : rouge"));
    }

    void commandGetsTheFieldsAsTheyAre()
    {
        ScratchDir dir;
        dir.write("alerte.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$1\"\n");
        QFile::setPermissions(dir.file("alerte.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        AlertCommand command;
        QSignalSpy problems(&command, &AlertCommand::problem);
        QSignalSpy finished(&command, &AlertCommand::finished);
        // Its own argument (the output file, quoted), then the alert's fields,
        // none of them read by a shell.
        command.run(QStringLiteral("\"%1\" \"%2\"").arg(dir.file("alerte.sh"), dir.file("args out.txt")), 10,
                    {QStringLiteral("08/12/2026 09:05:07"), QStringLiteral("Marge de bruit"),
                     QStringLiteral("déclenchée"), QStringLiteral("$(touch pwned) `id` ; \"x\" *")});
        QVERIFY(finished.wait(10000));
        QVERIFY(problems.isEmpty());
        QCOMPARE(QString::fromUtf8(dir.read("args out.txt")),
                 QStringLiteral("[%1]\n[08/12/2026 09:05:07]\n[Marge de bruit]\n[déclenchée]\n[$(touch pwned) `id` ; \"x\" *]\n")
                     .arg(dir.file("args out.txt")));
        QVERIFY(!QFile::exists(QStringLiteral("pwned")));
    }

    // A script that waits on a child that hangs: at the limit the child
    // ends with the script, and so at exit.
    void commandEndsWithEverythingItStarted()
    {
        ScratchDir dir;
        dir.write("alerte.sh", QStringLiteral("#!/bin/sh\nsleep 300 &\necho $! > %1\nwait\n")
                                   .arg(dir.file("enfant"))
                                   .toUtf8());
        QFile::setPermissions(dir.file("alerte.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const auto childAlive = [&] {
            // Gone, or a zombie that no one has reaped yet.
            const QByteArray pid = dir.read("enfant").trimmed();
            QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
            if (pid.isEmpty() || !stat.open(QIODevice::ReadOnly))
                return false;
            const QByteArray fields = stat.readAll();
            return fields.mid(fields.lastIndexOf(')') + 2, 1) != "Z";
        };
        {
            AlertCommand command;
            QSignalSpy finished(&command, &AlertCommand::finished);
            command.run(dir.file("alerte.sh"), 1, {QStringLiteral("x")});
            QTRY_VERIFY_WITH_TIMEOUT(childAlive(), 5000);
            QVERIFY(finished.wait(10000));
            QTRY_VERIFY_WITH_TIMEOUT(!childAlive(), 5000);

            QFile::remove(dir.file("enfant"));
            command.run(dir.file("alerte.sh"), 60, {QStringLiteral("x")});
            QTRY_VERIFY_WITH_TIMEOUT(childAlive(), 5000);
        } // the program ends with a command running
        QTRY_VERIFY_WITH_TIMEOUT(!childAlive(), 5000);
    }

    void commandProblemsAreReportedOnceEach()
    {
        ScratchDir dir;
        AlertCommand command;
        QSignalSpy problems(&command, &AlertCommand::problem);
        QSignalSpy finished(&command, &AlertCommand::finished);
        const auto runTwice = [&](const QString &line, int limit) {
            for (int i = 0; i < 2; ++i) {
                command.run(line, limit, {QStringLiteral("x")});
                QVERIFY(finished.wait(10000));
            }
        };
        runTwice(dir.file("absente"), 10);
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.last().at(0).toString().contains(QStringLiteral("n'a pas pu être lancée")));

        runTwice(QStringLiteral("/bin/false"), 10); // another command: news again
        QCOMPARE(problems.size(), 2);
        QVERIFY(problems.last().at(0).toString().contains(QStringLiteral("a échoué (code 1)")));

        // One that outlives its limit is stopped, and nothing waits for it.
        QElapsedTimer clock;
        clock.start();
        command.run(QStringLiteral("/bin/sleep 30"), 1, {});
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(command.running(), 1);
        QVERIFY(finished.wait(10000));
        QCOMPARE(problems.size(), 3);
        QVERIFY(problems.last().at(0).toString().contains(QStringLiteral("a dépassé 1 s et a été arrêtée")));

        // A success clears the slate; a burst starts no more than the limit.
        command.run(QStringLiteral("/bin/true"), 10, {});
        QVERIFY(finished.wait(10000));
        for (int i = 0; i < AlertCommand::maxRunning + 2; ++i)
            command.run(QStringLiteral("/bin/sleep 1"), 10, {});
        QCOMPARE(command.running(), AlertCommand::maxRunning);
        QCOMPARE(problems.size(), 4);
        QVERIFY(problems.last().at(0).toString().contains(QStringLiteral("n'est pas relancée")));
    }
};

QTEST_MAIN(TestAlerts)
#include "test_alerts.moc"
