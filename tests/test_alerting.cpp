#include <QtTest>

#include <QDBusConnection>
#include <QAction>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>

#include "alerts/alertcommand.h"
#include "app/mainwindow.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/windowtest.h"
#include "charts/graph.h"
#include "tray/trayicon.h"
#include "ui_mainwindow.h"

// A notification service as a desktop runs one: it takes every Notify call
// on the session bus and keeps what it was asked to show.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown; // "summary|body"

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        shown << summary + QLatin1Char('|') + body;
        return uint(shown.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

// The alerts through the window, against the simulator: the log, a
// notification service on a private session bus, the user's command, and
// the "Alertes" tab's settings.
class TestAlerting : public QObject
{
    Q_OBJECT

private:
    QProcess bus;
    QString busAddress;

    // One cycle's poll, waited for; its boxes are answered.
    static void poll(MainWindow &window, ModalCloser &closer)
    {
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        window.cycleTimer->stop();
        closer.drain();
    }

    static QStringList alertRows(const ScratchDir &dir, const QString &network)
    {
        QStringList rows = QString::fromUtf8(dir.read(network + QStringLiteral("_ALERTES.csv"))).split('\n', Qt::SkipEmptyParts);
        // Without the date and time: the rule, the state, the values.
        for (QString &row : rows)
            row = row.section(QLatin1Char(';'), 1);
        return rows;
    }

private slots:
    void initTestCase()
    {
        // A session bus of the test's own, before anything connects to one.
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(bus.waitForStarted(5000), "dbus-daemon is missing: scripts/install-deps --tests installs it");
        // The address is one line: a read may bring only part of it.
        while (!bus.canReadLine())
            QVERIFY(bus.waitForReadyRead(5000));
        busAddress = QString::fromUtf8(bus.readLine()).trimmed();
        QVERIFY(busAddress.startsWith(QLatin1String("unix:")));
        qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress.toUtf8());
    }

    void cleanupTestCase()
    {
        bus.terminate();
        bus.waitForFinished(5000);
    }

    void withoutANotificationServiceTheStatusBarSaysIt()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim));
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QVERIFY(!window.tray); // no tray offscreen: the program runs as it always has
        window.on_BtnTesterAlerte_clicked();
        QTRY_VERIFY(window.alertLabel && window.alertLabel->toolTip().contains(QStringLiteral("Alerte de test")));
        QCOMPARE(window.alertLabel->toolTip(),
                 QStringLiteral("Quelvane : Alerte de test : envoyée depuis l'onglet Alertes"));
        QCOMPARE(closer.count(), 0); // never a box
        QCOMPARE(alertRows(dir, "Livebox-1234"),
                 (QStringList{"REGLE;ETAT;VALEURS", "Alerte de test;événement;envoyée depuis l'onglet Alertes"}));
    }

    void lineEventsReachTheLogTheDesktopAndTheCommand()
    {
        QDBusConnection service = QDBusConnection::connectToBus(busAddress, QStringLiteral("notifications"));
        NotificationService notifications;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

        Simulator sim({"--ssid", "alertes", "--fix", "DownstreamNoiseMargin=62"});
        ScratchDir dir;
        dir.write("alerte.sh", "#!/bin/sh\nprintf '%s|' \"$@\" >> \"$1\"\necho >> \"$1\"\n");
        QFile::setPermissions(dir.file("alerte.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        dir.write("livebox.ini", settingsFor(sim) + "[ALERTES]\nEchecsNombre=2\nMarge=true\nMargeDb=3.5\n");
        {
            // As the tab writes it: quotes and all.
            QSettings settings(dir.file("livebox.ini"), QSettings::IniFormat);
            settings.setValue("ALERTES/Commande", QStringLiteral("\"%1\" \"%2\"").arg(dir.file("alerte.sh"), dir.file("reçu 1.txt")));
        }
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        window.on_BtnStartAcquisition_clicked();
        window.cycleTimer->stop();
        poll(window, closer);

        sim.event("resync");
        poll(window, closer);
        sim.fault("any", "http500");
        poll(window, closer);
        poll(window, closer);
        poll(window, closer);
        sim.heal();
        poll(window, closer);
        sim.set(QJsonObject{{"DownstreamNoiseMargin", 21}});
        poll(window, closer);
        poll(window, closer);
        sim.set(QJsonObject{{"DownstreamNoiseMargin", 62}});
        poll(window, closer);
        sim.event("reboot");
        // The restart drops the session: the next poll may fail, once.
        for (int i = 0; i < 5 && !alertRows(dir, "alertes").join('\n').contains(QStringLiteral("Redémarrage")); ++i)
            poll(window, closer);
        window.on_BtnStopAcquisition_clicked();

        const QStringList expected = {
            "REGLE;ETAT;VALEURS",
            "Resynchronisation DSL;événement;",
            "Échecs d'interrogation;déclenchée;2 interrogations de la Livebox échouées de suite",
            "Échecs d'interrogation;rétablie;Livebox lue de nouveau après 3 échecs",
            "Marge de bruit descendante basse;déclenchée;2.1 dB, seuil 3.5 dB",
            "Marge de bruit descendante basse;rétablie;6.2 dB, seuil 3.5 dB",
            "Redémarrage de la Livebox;événement;démarrée le ",
        };
        const QStringList rows = alertRows(dir, "alertes");
        QVERIFY2(rows.size() == expected.size(), qPrintable(rows.join('\n')));
        for (int i = 0; i < rows.size(); ++i)
            QVERIFY2(rows.at(i).startsWith(expected.at(i)), qPrintable(rows.at(i)));
        QVERIFY2(rows.at(1).contains(QRegularExpression("synchronisée le \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d, débits \\d+ / \\d+ kb/s$")),
                 qPrintable(rows.at(1)));

        // The same six, on the desktop and to the command.
        QTRY_COMPARE(notifications.shown.size(), 6);
        QCOMPARE(notifications.shown.at(1),
                 QStringLiteral("Quelvane : Échecs d'interrogation|déclenchée : 2 interrogations de la Livebox échouées de suite"));
        QCOMPARE(notifications.shown.at(2),
                 QStringLiteral("Quelvane : Échecs d'interrogation|rétablie : Livebox lue de nouveau après 3 échecs"));
        QTRY_COMPARE(QString::fromUtf8(dir.read("reçu 1.txt")).count('\n'), 6);
        const QStringList calls = QString::fromUtf8(dir.read("reçu 1.txt")).split('\n', Qt::SkipEmptyParts);
        const QStringList marginCall = calls.at(3).split('|');
        QCOMPARE(marginCall.mid(2, 3), (QStringList{"Marge de bruit descendante basse", "déclenchée", "2.1 dB, seuil 3.5 dB"}));
        QVERIFY(QDateTime::fromString(marginCall.at(1), QStringLiteral("dd/MM/yyyy HH:mm:ss")).isValid());
        QVERIFY(!window.alertLabel); // everything was delivered
        // Only the acquisition's own warnings: an alert is never a box.
        for (const QString &text : closer.texts)
            QCOMPARE(text, QStringLiteral("Problème d'acquisition !!!"));
        service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
    }

    void commandProblemIsLoggedOnceAndHoldsNoPoll()
    {
        Simulator sim({"--ssid", "commande"});
        ScratchDir dir;
        dir.write("lente.sh", "#!/bin/sh\nexec sleep 60\n");
        QFile::setPermissions(dir.file("lente.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        dir.write("livebox.ini", settingsFor(sim) + "[ALERTES]\nCommande=" + dir.file("lente.sh").toUtf8()
                                     + "\nCommandeDelai=1\n");
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QElapsedTimer clock;
        clock.start();
        window.on_BtnTesterAlerte_clicked();
        window.on_BtnTesterAlerte_clicked();
        QVERIFY(polled(window, [&] { window.on_BtnActualiser_clicked(); }));
        QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(alertRows(dir, "commande").size() == 4, 10000);
        // The second run's end, which a second report would follow at once.
        QTRY_COMPARE_WITH_TIMEOUT(window.alertCommand->running(), 0, 10000);
        const QStringList rows = alertRows(dir, "commande");
        QCOMPARE(rows.size(), 4); // the header, two tests, one report for both
        QCOMPARE(rows.at(3),
                 QStringLiteral("Commande d'alerte;événement;la commande d'alerte « %1 » a dépassé 1 s et a été arrêtée")
                     .arg(dir.file("lente.sh")));
    }

    void closeBoxHidesInTheTrayWhenAskedAndQuitterAlwaysQuits()
    {
        Simulator sim;
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim) + "[ALERTES]\nFermerVersZone=true\n");
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QSignalSpy closed(&window, &MainWindow::closed);
        // Without a tray the option cannot hide the window away: it closes.
        {
            MainWindow plain;
            QVERIFY(startedUp(plain));
            QSignalSpy plainClosed(&plain, &MainWindow::closed);
            plain.show();
            plain.close();
            QCOMPARE(plainClosed.size(), 1);
        }
        // With one (made here: the test's screen has no tray).
        window.setTray(new TrayIcon({window.ui->BtnActualiser, window.ui->BtnQuitter}, &window));
        window.tray->show();
        if (!window.tray->isVisible())
            QSKIP("this platform keeps no tray icon visible");
        QCOMPARE(window.tray->light(), LineLight::Off);
        // Polling: green, the figures in the tool tip, "QUITTER" off as its button.
        window.on_BtnStartAcquisition_clicked();
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        QCOMPARE(window.tray->light(), LineLight::Good);
        QVERIFY2(window.tray->toolTip().startsWith(QStringLiteral("Quelvane : Ligne en bon état\nDébits : ")),
                 qPrintable(window.tray->toolTip()));
        QVERIFY(!window.tray->actionFor(window.ui->BtnQuitter)->isEnabled());
        sim.fault("any", "http500");
        QVERIFY(polled(window, [&] { window.CycleTimerHandler(); }));
        closer.drain();
        QCOMPARE(window.tray->light(), LineLight::Bad);
        sim.heal();
        window.on_BtnStopAcquisition_clicked();
        QCOMPARE(window.tray->light(), LineLight::Off);
        QVERIFY(window.tray->actionFor(window.ui->BtnQuitter)->isEnabled());
        window.show();
        window.close();
        QVERIFY(window.isHidden());
        QCOMPARE(closed.size(), 0);
        // The chart window opened and closed meanwhile ends nothing.
        window.on_BtnGraphiques_clicked();
        window.graph->close();
        QCOMPARE(closed.size(), 0);
        // "Afficher la fenêtre", then "QUITTER" from the tray.
        window.tray->showWindowAction()->trigger();
        QVERIFY(window.isVisible());
        window.close();
        QVERIFY(window.isHidden());
        window.tray->actionFor(window.ui->BtnQuitter)->trigger();
        QCOMPARE(closed.size(), 1);
    }

    void alertSettingsAreRangeCheckedAndKept()
    {
        ScratchDir dir;
        // Out of range, not a number, a command longer than the editor takes.
        dir.write("livebox.ini", "[ALERTES]\nResynchro=false\nMargeDb=45\nEchecsNombre=abc\nCRCParMinute=-2\n"
                                 "ChuteDebitPct=25\nCommande=" + QByteArray(2000, 'x') + "\n");
        {
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            closer.drain();
            QVERIFY(!window.alertSettings.resync);
            QVERIFY(window.alertSettings.restart); // absent: the form's default
            QVERIFY(window.alertSettings.failedPolls);
            QCOMPARE(window.alertSettings.marginDb, 3.0);
            QCOMPARE(window.alertSettings.failedPollCount, 3);
            QCOMPARE(window.alertSettings.crcPerMinute, 10.0);
            QCOMPARE(window.alertSettings.rateDropPercent, 25.0);
            QVERIFY(window.alertCommandText.isEmpty());
            // The editors hold the same ranges.
            window.ui->spinAlerteMarge->setValue(99);
            QCOMPARE(window.alertSettings.marginDb, 30.0);
            window.ui->editAlerteCommande->setText(QStringLiteral("  /usr/local/bin/alerte --sms  "));
            window.ui->checkFermerVersZone->setChecked(true);
            window.close();
        }
        QSettings written(dir.file("livebox.ini"), QSettings::IniFormat);
        QCOMPARE(written.value("ALERTES/MargeDb").toDouble(), 30.0);
        QCOMPARE(written.value("ALERTES/Resynchro").toBool(), false);
        QCOMPARE(written.value("ALERTES/Redemarrage").toBool(), true);
        QCOMPARE(written.value("ALERTES/Commande").toString(), QStringLiteral("  /usr/local/bin/alerte --sms  "));
        QCOMPARE(written.value("ALERTES/FermerVersZone").toBool(), true);
        QCOMPARE(written.value("ALERTES/CommandeDelai").toInt(), 30);
    }
};

QTEST_MAIN(TestAlerting)
#include "test_alerting.moc"
