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
#include "support/windowfixture.h"
#include "support/windowtest.h"
#include "chartwindow/graph.h"
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
    QStringList icons;
    QList<int> urgencies;

public slots:
    uint Notify(const QString &, uint, const QString &icon, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &hints, int)
    {
        shown << summary + QLatin1Char('|') + body;
        icons << icon;
        urgencies << hints.value(QStringLiteral("urgency"), -1).toInt();
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
        WindowFixture f;
        QVERIFY(!f.window->tray); // no tray offscreen: the program runs as it always has
        f.window->on_BtnTesterAlerte_clicked();
        QTRY_VERIFY(f.window->alertLabel && f.window->alertLabel->toolTip().contains(QStringLiteral("Alerte de test")));
        QCOMPARE(f.window->alertLabel->toolTip(),
                 QStringLiteral("Quelvane : Alerte de test : envoyée depuis l'onglet Alertes"));
        QCOMPARE(f.closer.count(), 0); // never a box
        QCOMPARE(alertRows(f.dir, "Livebox-1234"),
                 (QStringList{"REGLE;ETAT;VALEURS", "Alerte de test;événement;envoyée depuis l'onglet Alertes"}));
    }

    void lineEventsReachTheLogTheDesktopAndTheCommand()
    {
        QDBusConnection service = QDBusConnection::connectToBus(busAddress, QStringLiteral("notifications"));
        NotificationService notifications;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

        WindowFixture f(WindowStart()
                            .simulator({"--ssid", "alertes", "--fix", "DownstreamNoiseMargin=62"})
                            .ini("[ALERTES]\nEchecsNombre=2\nMarge=true\nMargeDb=3.5\n")
                            .later());
        f.dir.write("alerte.sh", "#!/bin/sh\nprintf '%s|' \"$@\" >> \"$1\"\necho >> \"$1\"\n");
        QFile::setPermissions(f.dir.file("alerte.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        {
            // As the tab writes it: quotes and all.
            QSettings settings(f.dir.file("livebox.ini"), QSettings::IniFormat);
            settings.setValue("ALERTES/Commande", QStringLiteral("\"%1\" \"%2\"").arg(f.dir.file("alerte.sh"), f.dir.file("reçu 1.txt")));
        }
        f.start();
        f.window->on_BtnStartAcquisition_clicked();
        f.window->cycleTimer->stop();
        poll(*f.window, f.closer);

        f.sim.event("resync");
        poll(*f.window, f.closer);
        f.sim.fault("any", "http500");
        poll(*f.window, f.closer);
        poll(*f.window, f.closer);
        poll(*f.window, f.closer);
        f.sim.heal();
        poll(*f.window, f.closer);
        f.sim.set(QJsonObject{{"DownstreamNoiseMargin", 21}});
        poll(*f.window, f.closer);
        poll(*f.window, f.closer);
        f.sim.set(QJsonObject{{"DownstreamNoiseMargin", 62}});
        poll(*f.window, f.closer);
        f.sim.event("reboot");
        // The restart drops the session: the next poll may fail, once.
        for (int i = 0; i < 5 && !alertRows(f.dir, "alertes").join('\n').contains(QStringLiteral("Redémarrage")); ++i)
            poll(*f.window, f.closer);
        f.window->on_BtnStopAcquisition_clicked();

        const QStringList expected = {
            "REGLE;ETAT;VALEURS",
            "Resynchronisation DSL;événement;",
            "Échecs d'interrogation;déclenchée;2 interrogations de la Livebox échouées de suite",
            "Échecs d'interrogation;rétablie;Livebox lue de nouveau après 3 échecs",
            "Marge de bruit descendante basse;déclenchée;2.1 dB, seuil 3.5 dB",
            "Marge de bruit descendante basse;rétablie;6.2 dB, seuil 3.5 dB",
            "Redémarrage de la Livebox;événement;démarrée le ",
        };
        const QStringList rows = alertRows(f.dir, "alertes");
        QVERIFY2(rows.size() == expected.size(), qPrintable(rows.join('\n')));
        for (int i = 0; i < rows.size(); ++i)
            QVERIFY2(rows.at(i).startsWith(expected.at(i)), qPrintable(rows.at(i)));
        QVERIFY2(rows.at(1).contains(QRegularExpression("synchronisée le \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d, débits \\d+ / \\d+ Kb/s$")),
                 qPrintable(rows.at(1)));

        // The same six, on the desktop and to the command.
        QTRY_COMPARE(notifications.shown.size(), 6);
        QCOMPARE(notifications.shown.at(1),
                 QStringLiteral("Quelvane : Échecs d'interrogation|déclenchée : 2 interrogations de la Livebox échouées de suite"));
        QCOMPARE(notifications.shown.at(2),
                 QStringLiteral("Quelvane : Échecs d'interrogation|rétablie : Livebox lue de nouveau après 3 échecs"));
        // Critical while the polls fail; the program's icon, from the theme
        // where the folder has none.
        QCOMPARE(notifications.urgencies.mid(0, 3), (QList<int>{1, 2, 1}));
        QCOMPARE(notifications.icons.value(0), QStringLiteral("quelvane"));
        QTRY_COMPARE(QString::fromUtf8(f.dir.read("reçu 1.txt")).count('\n'), 6);
        const QStringList calls = QString::fromUtf8(f.dir.read("reçu 1.txt")).split('\n', Qt::SkipEmptyParts);
        const QStringList marginCall = calls.at(3).split('|');
        QCOMPARE(marginCall.mid(2, 3), (QStringList{"Marge de bruit descendante basse", "déclenchée", "2.1 dB, seuil 3.5 dB"}));
        QVERIFY(QDateTime::fromString(marginCall.at(1), QStringLiteral("dd/MM/yyyy HH:mm:ss")).isValid());
        QVERIFY(!f.window->alertLabel); // everything was delivered
        // Only the acquisition's own warnings: an alert is never a box.
        for (const QString &text : f.closer.texts)
            QCOMPARE(text, QStringLiteral("Problème d'acquisition !!!"));
        service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
    }

    void commandProblemIsLoggedOnceAndHoldsNoPoll()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "commande"}).later());
        f.dir.write("lente.sh", "#!/bin/sh\nexec sleep 60\n");
        QFile::setPermissions(f.dir.file("lente.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        f.dir.write("livebox.ini", settingsFor(f.sim) + "[ALERTES]\nCommande=" + f.dir.file("lente.sh").toUtf8()
                                       + "\nCommandeDelai=1\n");
        f.start();
        QElapsedTimer clock;
        clock.start();
        f.window->on_BtnTesterAlerte_clicked();
        f.window->on_BtnTesterAlerte_clicked();
        QVERIFY(polled(*f.window, [&] { f.window->on_BtnActualiser_clicked(); }));
        QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(alertRows(f.dir, "commande").size() == 4, 10000);
        // The second run's end, which a second report would follow at once.
        QTRY_COMPARE_WITH_TIMEOUT(f.window->acquisition.alertCommand->running(), 0, 10000);
        const QStringList rows = alertRows(f.dir, "commande");
        QCOMPARE(rows.size(), 4); // the header, two tests, one report for both
        QCOMPARE(rows.at(3),
                 QStringLiteral("Commande d'alerte;événement;la commande d'alerte « %1 » a dépassé 1 s et a été arrêtée")
                     .arg(f.dir.file("lente.sh")));
    }

    void closeBoxHidesInTheTrayWhenAskedAndQuitterAlwaysQuits()
    {
        WindowFixture f(WindowStart().ini("[ALERTES]\nFermerVersZone=true\n"));
        QSignalSpy closed(f.window.get(), &MainWindow::closed);
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
        f.window->setTray(new TrayIcon({f.window->ui->BtnActualiser, f.window->ui->BtnQuitter}, f.window.get()));
        f.window->tray->show();
        if (!f.window->tray->isVisible())
            QSKIP("this platform keeps no tray icon visible");
        QCOMPARE(f.window->tray->light(), LineLight::Off);
        // Polling: green, the figures in the tool tip, "QUITTER" off as its button.
        f.window->on_BtnStartAcquisition_clicked();
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        QCOMPARE(f.window->tray->light(), LineLight::Good);
        QVERIFY2(f.window->tray->toolTip().startsWith(QStringLiteral("Quelvane : Ligne en bon état\nDébits : ")),
                 qPrintable(f.window->tray->toolTip()));
        QVERIFY(!f.window->tray->actionFor(f.window->ui->BtnQuitter)->isEnabled());
        f.sim.fault("any", "http500");
        QVERIFY(polled(*f.window, [&] { f.window->CycleTimerHandler(); }));
        f.closer.drain();
        QCOMPARE(f.window->tray->light(), LineLight::Bad);
        f.sim.heal();
        f.window->on_BtnStopAcquisition_clicked();
        QCOMPARE(f.window->tray->light(), LineLight::Off);
        QVERIFY(f.window->tray->actionFor(f.window->ui->BtnQuitter)->isEnabled());
        f.window->show();
        f.window->close();
        QVERIFY(f.window->isHidden());
        QCOMPARE(closed.size(), 0);
        // The chart window opened and closed meanwhile ends nothing.
        f.window->on_BtnGraphiques_clicked();
        f.window->graph->close();
        QCOMPARE(closed.size(), 0);
        // "Afficher la fenêtre", then "QUITTER" from the tray.
        f.window->tray->showWindowAction()->trigger();
        QVERIFY(f.window->isVisible());
        f.window->close();
        QVERIFY(f.window->isHidden());
        f.window->tray->actionFor(f.window->ui->BtnQuitter)->trigger();
        QCOMPARE(closed.size(), 1);
    }

    void alertSettingsAreRangeCheckedAndKept()
    {
        // Out of range, not a number, a command longer than the editor takes.
        BareWindowFixture f(WindowStart().ini("[ALERTES]\nResynchro=false\nMargeDb=45\nEchecsNombre=abc\n"
                                              "CRCParMinute=-2\nChuteDebitPct=25\nCommande="
                                              + QByteArray(2000, 'x') + "\n"));
        f.closer.drain();
        QVERIFY(!f.window->alertSettings.resync);
        QVERIFY(f.window->alertSettings.restart); // absent: the form's default
        QVERIFY(f.window->alertSettings.failedPolls);
        QCOMPARE(f.window->alertSettings.marginDb, 3.0);
        QCOMPARE(f.window->alertSettings.failedPollCount, 3);
        QCOMPARE(f.window->alertSettings.crcPerMinute, 10.0);
        QCOMPARE(f.window->alertSettings.rateDropPercent, 25.0);
        QVERIFY(f.window->acquisition.alertCommandText.isEmpty());
        // The editors hold the same ranges.
        f.window->ui->spinAlerteMarge->setValue(99);
        QCOMPARE(f.window->alertSettings.marginDb, 30.0);
        f.window->ui->editAlerteCommande->setText(QStringLiteral("  /usr/local/bin/alerte --sms  "));
        f.window->ui->checkFermerVersZone->setChecked(true);
        f.window->close();
        f.window.reset();
        QSettings written(f.dir.file("livebox.ini"), QSettings::IniFormat);
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
