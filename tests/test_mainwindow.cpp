#include <QtTest>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <memory>
#include <QSettings>
#include <QStatusBar>

#include "app/accueil.h"
#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "app/version.h"
#include "common/datetime.h"
#include "chartwindow/graph.h"
#include "support/inifile.h"
#include "recording/rowformat.h"
#include "support/modalcloser.h"
#include "support/gatewaytest.h"
#include "support/generations.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/stuckfile.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"

namespace {
QStringList debugLines;
void captureDebug(QtMsgType, const QMessageLogContext &, const QString &message)
{
    debugLines << message;
}
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startWithoutSettingsWarnsAndOpensParametres()
    {
        BareWindowFixture f;

        QCOMPARE(f.closer.count(), 1);
        QCOMPARE(f.closer.titles.first(), QStringLiteral("Quelvane"));
        // No address yet: what is missing is said, not the password blamed.
        QVERIFY2(f.closer.texts.first().startsWith(QStringLiteral("Adresse de la Livebox manquante")),
                 qPrintable(f.closer.texts.first()));
        QVERIFY(!f.window->connected);
        QCOMPARE(f.window->ui->tabWidget->currentIndex(), 3);
        QVERIFY(!f.window->accueil->isVisible());
        QVERIFY(f.window->graph && !f.window->graph->isVisible());

        // Defaults of an absent file.
        QVERIFY(f.window->ui->radioLB23->isChecked());
        QVERIFY(!f.window->algoType);
        QVERIFY(f.window->ui->editPass->text().isEmpty());
        QCOMPARE(f.window->ui->timeEditCycle->time(), QTime(0, 2, 0));
        QCOMPARE(f.window->cycleMs, 120000);
        QCOMPARE(f.window->ui->timeEditArret->time(), QTime(0, 5, 0));
        QCOMPARE(f.window->graph->tempsArret, 300.0);
        QCOMPARE(f.window->ui->timeEditDiapo->time(), QTime(0, 0, 5));
        QCOMPARE(f.window->graph->diapoInterval, 5000);
        QCOMPARE(f.window->graph->exportFormat, QStringLiteral("pdf"));
        for (QCheckBox *box : {f.window->ui->checkDiapoCourbes, f.window->ui->checkDiapoErreurs,
                               f.window->ui->checkReloadCSV, f.window->ui->checkSaveAuto, f.window->ui->checkRazAuto,
                               f.window->ui->checkPdfAuto})
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        // Time axes show the date and the hour until the user says otherwise.
        QVERIFY(f.window->ui->checkAffDate->isChecked());
        QVERIFY(f.window->ui->checkAffHeure->isChecked());
        QCOMPARE(f.window->graph->axisLabelFormat, QStringLiteral("hh:mm\ndd/MM"));
        QVERIFY(!f.window->graph->diapoCourbes);
        QVERIFY(!f.window->graph->diapoErreurs);
        QVERIFY(f.window->ui->checkPortrait->isChecked());
        QCOMPARE(f.window->graph->rapPageOrient, 0);

        // Command panel at rest; the restart button is never offered.
        QVERIFY(f.window->ui->BtnActualiser->isEnabled());
        QVERIFY(f.window->ui->BtnStartAcquisition->isEnabled());
        QVERIFY(!f.window->ui->BtnStopAcquisition->isEnabled());
        QVERIFY(f.window->ui->BtnQuitter->isEnabled());
        f.window->show();
        QVERIFY(!f.window->ui->btnReboot->isVisible());

        f.window->close();
        QVERIFY(!f.window->graph);
        f.window.reset();

        const QMap<QString, QString> ini = readIniText(f.dir.file("livebox.ini"));
        const QStringList written = {"LIVEBOX/SSID", "LIVEBOX/Pass", "GUI/Width", "GUI/Height", "GUI/X", "GUI/Y",
                                     "MONITOR/Cycle", "MONITOR/Arret", "MONITOR/Diapo", "MONITOR/ExportFormat",
                                     "MONITOR/ReloadCSV", "MONITOR/SaveAuto", "MONITOR/RazAuto",
                                     "MONITOR/PdfAuto", "LIVEBOX/AlgoType"};
        for (const QString &key : written)
            QVERIFY2(ini.contains(key), qPrintable(key));
        QCOMPARE(ini.value("MONITOR/Cycle"), QStringLiteral("00:02:00"));
        QCOMPARE(ini.value("MONITOR/Arret"), QStringLiteral("00:05:00"));
        QCOMPARE(ini.value("MONITOR/Diapo"), QStringLiteral("00:00:05"));
        QCOMPARE(ini.value("MONITOR/ExportFormat"), QStringLiteral("0"));
        QCOMPARE(ini.value("MONITOR/ReloadCSV"), QStringLiteral("false"));
        QCOMPARE(ini.value("LIVEBOX/AlgoType"), QStringLiteral("0"));
        QVERIFY(!ini.contains("LIVEBOX/LiveBox"));
        QVERIFY(!ini.contains("LIVEBOX/User"));
    }

    // A long reload at start-up shows how far it is on the splash, whose
    // "Quitter" ends the program as the window's own does, without waiting
    // for the rows (here a file that gives no more, as a share gone away).
    void splashOffersAWayOutOfALongReload()
    {
        Simulator sim;
        ScratchDir dir;
        const StuckFile recording(dir.file("Livebox-1234.csv"), csvHeader().toUtf8() + '\n');
        QVERIFY(recording.isReady());
        dir.write("livebox.ini", settingsFor(sim) + "SSID=Livebox-1234\n[MONITOR]\nReloadCSV=true\n");
        ModalCloser closer;
        const std::unique_ptr<MainWindow> window(new MainWindow);
        QSignalSpy closed(window.get(), &MainWindow::closed);
        auto *quit = window->accueil->findChild<QPushButton *>(QStringLiteral("BtnQuitter"));
        auto *progress = window->accueil->findChild<QProgressBar *>(QStringLiteral("progressChargement"));
        QVERIFY(quit && progress && !quit->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(quit->isVisible(), 15000);
        QVERIFY(progress->isVisible());
        QVERIFY(window->startingUp() && !window->isVisible());
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(quit, Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(closer.count(), 0);
    }

    // A login the gateway never answers leaves the splash a second later
    // with "Annuler", which gives the login up: the window opens as after a
    // refused login, the connection box on its "Paramètres" tab.
    void splashGivesUpALoginThatHangs()
    {
        Simulator sim;
        sim.setFaults(QJsonArray{QJsonObject{{"target", "ws-login"}, {"kind", "hang"}},
                                 QJsonObject{{"target", "rest-login"}, {"kind", "hang"}}});
        ScratchDir dir;
        dir.write("livebox.ini", settingsFor(sim));
        ModalCloser closer;
        const std::unique_ptr<MainWindow> window(new MainWindow);
        window->show();
        auto *cancel = window->accueil->findChild<QPushButton *>(QStringLiteral("BtnQuitter"));
        QTRY_VERIFY_WITH_TIMEOUT(cancel->isVisible(), 15000);
        QCOMPARE(cancel->text(), QStringLiteral("Annuler"));
        QVERIFY(!window->accueil->findChild<QProgressBar *>(QStringLiteral("progressChargement"))->isVisible());
        QVERIFY(window->startingUp() && !window->isVisible());

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!window->accueil->isVisible());
        QVERIFY(!window->startingUp());
        QCOMPARE(closer.texts, QStringList{Acquisition::connectionImpossibleText()});
        QCOMPARE(window->ui->tabWidget->currentIndex(), 3);
        sim.heal();
    }

    // A first run is set up from the window alone: the address and the
    // user typed on "Paramètres" are kept at once, and the next poll uses them.
    void firstRunTakesTheAddressAndUserFromTheWindow()
    {
        Simulator sim;
        BareWindowFixture f(WindowStart().ini("[LIVEBOX]\nPass=secret\n"));
        QVERIFY(f.window->ui->editLiveBox->text().isEmpty());
        QVERIFY(f.window->ui->editUser->text().isEmpty());
        QTest::keyClicks(f.window->ui->editLiveBox, sim.address());
        QTest::keyClicks(f.window->ui->editUser, QStringLiteral("admin"));
        const QMap<QString, QString> ini = readIniText(f.dir.file("livebox.ini"));
        QCOMPARE(ini.value("LIVEBOX/LiveBox"), sim.address());
        QCOMPARE(ini.value("LIVEBOX/User"), QStringLiteral("admin"));
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        QVERIFY(f.window->connected);
    }

    void settingsRoundTripKeepsHandWrittenKeys()
    {
        BareWindowFixture f(WindowStart().ini(
            "[LIVEBOX]\nLiveBox=127.0.0.1:9\nUser=admin\nPass=secret\nSSID=maison\nAlgoType=1\n"
            "[GUI]\nX=30\nY=40\nWidth=700\nHeight=540\n"
            "[MONITOR]\nCycle=00:01:00\nArret=00:10:00\nDiapo=00:05:00\nExportFormat=6\n"
            "ReloadCSV=true\nSaveAuto=true\nRazAuto=false\nPdfAuto=true\n"
            "[COURBES]\nDiapoCourbes=true\nDiapoErreurs=false\n"
            "[FORMAT]\nEchDate=true\nEchHeure=false\nRapPageOrient=1\n"));

        QCOMPARE(f.window->livebox, QStringLiteral("127.0.0.1:9"));
        QCOMPARE(f.window->user, QStringLiteral("admin"));
        QCOMPARE(f.window->password, QStringLiteral("secret"));
        QCOMPARE(f.window->ui->editPass->text(), QStringLiteral("secret"));
        QCOMPARE(f.window->ssid, QStringLiteral("maison"));
        QVERIFY(f.window->algoType);
        QVERIFY(f.window->ui->radioLB34->isChecked());
        QCOMPARE(f.window->geometry(), QRect(30, 40, 700, 540)); // within the offscreen screen of 800 x 600
        QCOMPARE(f.window->cycleMs, 60000);
        QCOMPARE(f.window->graph->tempsArret, 600.0);
        // The slideshow editor stops at two minutes.
        QCOMPARE(f.window->ui->timeEditDiapo->time(), QTime(0, 2, 0));
        QCOMPARE(f.window->diapoMs, 120000);
        QCOMPARE(f.window->graph->diapoInterval, 120000);
        QCOMPARE(f.window->ui->comboExportFormat->currentText(), QStringLiteral("tif"));
        QCOMPARE(f.window->graph->exportFormat, QStringLiteral("tif"));
        QVERIFY(f.window->ui->checkReloadCSV->isChecked());
        QVERIFY(f.window->ui->checkSaveAuto->isChecked());
        QVERIFY(!f.window->ui->checkRazAuto->isChecked());
        QVERIFY(f.window->ui->checkPdfAuto->isChecked());
        QVERIFY(f.window->graph->diapoCourbes);
        QVERIFY(!f.window->graph->diapoErreurs);
        QVERIFY(f.window->ui->checkPaysage->isChecked());
        QCOMPARE(f.window->graph->rapPageOrient, 1);

        f.window->ui->editPass->setText(QStringLiteral("changed"));
        f.window->ui->timeEditCycle->setTime(QTime(0, 0, 30));
        f.window->close();
        f.window.reset();

        const QMap<QString, QString> ini = readIniText(f.dir.file("livebox.ini"));
        QCOMPARE(ini.value("LIVEBOX/LiveBox"), QStringLiteral("127.0.0.1:9"));
        QCOMPARE(ini.value("LIVEBOX/User"), QStringLiteral("admin"));
        QCOMPARE(ini.value("LIVEBOX/Pass"), QStringLiteral("changed"));
        // No poll of this run named the network: the recording keeps its name.
        QCOMPARE(ini.value("LIVEBOX/SSID"), QStringLiteral("maison"));
        QCOMPARE(ini.value("LIVEBOX/AlgoType"), QStringLiteral("1"));
        QCOMPARE(ini.value("MONITOR/Cycle"), QStringLiteral("00:00:30"));
        QCOMPARE(ini.value("MONITOR/Arret"), QStringLiteral("00:10:00"));
        QCOMPARE(ini.value("MONITOR/Diapo"), QStringLiteral("00:02:00"));
        QCOMPARE(ini.value("MONITOR/ExportFormat"), QStringLiteral("6"));
        QCOMPARE(ini.value("MONITOR/SaveAuto"), QStringLiteral("true"));
        QCOMPARE(ini.value("MONITOR/RazAuto"), QStringLiteral("false"));
        QCOMPARE(ini.value("GUI/Width"), QStringLiteral("700"));
        QCOMPARE(ini.value("GUI/X"), QStringLiteral("30"));
        QCOMPARE(QFile::permissions(f.dir.file("livebox.ini")) & 0x0077, // group and other bits
                 QFileDevice::Permissions());
    }

    void modelChoiceIsSavedFromTheButtons()
    {
        BareWindowFixture f(WindowStart().ini("[LIVEBOX]\nAlgoType=1\n"));
        f.window->ui->radioLB23->setChecked(true);
        QVERIFY(f.window->algoType); // polls keep the model read at start-up
        f.window->close();
        f.window.reset();
        QCOMPARE(readIniText(f.dir.file("livebox.ini")).value("LIVEBOX/AlgoType"), QStringLiteral("0"));
    }

    void unreadableValuesFallBack()
    {
        BareWindowFixture f(WindowStart().ini("[MONITOR]\nCycle=soon\nArret=25:00:00\nExportFormat=12\n"
                                              "[FORMAT]\nRapPageOrient=7\n[GUI]\nWidth=wide\n"));
        QCOMPARE(f.window->ui->timeEditCycle->time(), QTime(0, 2, 0));
        QCOMPARE(f.window->ui->timeEditArret->time(), QTime(0, 5, 0));
        QCOMPARE(f.window->ui->comboExportFormat->currentIndex(), 0);
        QCOMPARE(f.window->graph->exportFormat, QStringLiteral("pdf"));
        QVERIFY(f.window->ui->checkPaysage->isChecked()); // neither 0 nor 1: the form's choice
    }

    void statusBarNamesTheLibrariesInUse()
    {
        BareWindowFixture f;
        QLabel *about = nullptr;
        for (QLabel *label : f.window->statusBar()->findChildren<QLabel *>()) {
            if (label->text().startsWith(QStringLiteral("Version 3.00 beta 1")))
                about = label;
        }
        QVERIFY(about);
        QCOMPARE(about->textFormat(), Qt::RichText);
        QVERIFY(about->text().contains(QStringLiteral("Qt.%1 / Qwt.%2").arg(qtVersionText(), qwtVersionText())));
        QVERIFY(about->text().contains(QStringLiteral(":/icons/QtCreator")));
        QVERIFY(f.window->ui->labelAbout->text().contains(qtVersionText()));
    }

    void quitClosesTheChartWindowFirst()
    {
        BareWindowFixture f;
        f.window->show();
        QTest::mouseClick(f.window->ui->BtnGraphiques, Qt::LeftButton);
        QPointer<Graph> graph = f.window->graph;
        QVERIFY(graph->isVisible());
        QTest::mouseClick(f.window->ui->BtnQuitter, Qt::LeftButton);
        QVERIFY(!f.window->isVisible());
        QVERIFY(graph.isNull());
        f.window.reset();
        QVERIFY(QFile::exists(f.dir.file("livebox.ini")));
    }

    // The gateway seen from the window: its start-up, its boxes, its restart.
    void anyPasswordLogsIn_data()
    {
        addGatewayGenerations();
    }

    void anyPasswordLogsIn()
    {
        QFETCH(int, algoType);
        const QString password = QStringLiteral("a\"b\\c&d#e%f+g=h i-é");
        WindowFixture f(WindowStart().simulator({"--password", password}).later());
        // Written again through QSettings so that the file escapes what INI needs.
        {
            QSettings settings(f.dir.file("livebox.ini"), QSettings::IniFormat);
            settings.setValue("LIVEBOX/LiveBox", f.sim.address());
            settings.setValue("LIVEBOX/User", "admin");
            settings.setValue("LIVEBOX/Pass", password);
            settings.setValue("LIVEBOX/AlgoType", algoType);
        }
        f.start();
        QCOMPARE(f.closer.count(), 0);
        QVERIFY(f.window->connected);
        QCOMPARE(f.window->LBInfos.SSID, f.sim.state().value("SSID").toString());
    }

    void passwordNeverReachesTheDiagnostics()
    {
        WindowFixture f(WindowStart().simulator({"--password", "right"}).password(QStringLiteral("Wr0ngPa55")).later());
        debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureDebug);
        f.start();
        QVERIFY(!f.window->connected);
        f.window.reset();
        f.closer.drain();
        qInstallMessageHandler(previous);
        QVERIFY(!debugLines.filter("Failure").isEmpty());
        for (const QString &line : debugLines)
            QVERIFY2(!line.contains("Wr0ngPa55"), qPrintable(line));
        QCOMPARE(f.closer.titles.value(0), QStringLiteral("Quelvane")); // the start-up warning, no login box
    }

    void restartAskedThenSent()
    {
        WindowFixture f(WindowStart().answer(QMessageBox::No));
        f.sim.clear();
        f.window->on_btnReboot_clicked();
        QCOMPARE(f.closer.titles.last(), QStringLiteral("Reboot LiveBox"));
        QCOMPARE(f.closer.texts.last(), QStringLiteral("Voulez-vous vraiement redémarrer votre LiveBox ?"));
        QVERIFY(f.sim.requests().isEmpty());
    }

    void restartUsesTheNewerLoginWhateverTheModel()
    {
        WindowFixture f(WindowStart().answer(QMessageBox::Yes));
        const double reboots = f.sim.state().value("NumberOfReboots").toDouble();
        f.sim.clear();
        QSignalSpy restarted(&f.window->gateway, &GatewayClient::restartFinished);
        f.window->RebootLiveBox();
        QVERIFY(restarted.wait(10000));
        QCOMPARE(receivedRequests(f.sim.requests()).size(), 2);
        QCOMPARE(f.sim.state().value("NumberOfReboots").toDouble(), reboots + 1);

        f.sim.clear();
        f.sim.fault("ws-login", "http401");
        f.window->RebootLiveBox();
        QVERIFY(restarted.wait(10000));
        f.closer.drain();
        QCOMPARE(receivedRequests(f.sim.requests()).size(), 1);
        QCOMPARE(f.closer.titles.last(), QStringLiteral("Authentification"));
        QVERIFY(!f.window->connected);
    }

    void startUpWarnsOnlyWhenTheLoginFails()
    {
        Simulator sim;
        {
            ScratchDir dir;
            dir.write("livebox.ini", settingsFor(sim, 0, QStringLiteral("wrong")));
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            closer.drain();
            QCOMPARE(closer.titles, QStringList{"Quelvane"});
            QCOMPARE(window.ui->tabWidget->currentIndex(), 3);
        }
        {
            ScratchDir dir;
            dir.write("livebox.ini", settingsFor(sim, 0));
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            QCOMPARE(closer.count(), 0);
            QCOMPARE(window.ui->tabWidget->currentIndex(), 0);
            QCOMPARE(window.ui->editSSID->text(), window.LBInfos.SSID);
        }
    }

    // A crash or a lost display must not cost the password typed or the
    // network's name the next start reloads by; the session manager's
    // commit writes the rest and the program goes on.
    void whatCannotBeTypedAgainIsWrittenAtOnce()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "salon"}).password(QStringLiteral("wrong")));
        QVERIFY(!f.window->connected);
        QVERIFY(!readIniText(f.dir.file("livebox.ini")).contains("LIVEBOX/SSID"));

        f.window->ui->editPass->setText(QStringLiteral("secret"));
        QCOMPARE(readIniText(f.dir.file("livebox.ini")).value("LIVEBOX/Pass"), QStringLiteral("secret"));
        QVERIFY(polled(*f.window, [&] { f.window->on_BtnActualiser_clicked(); }));
        QVERIFY(f.window->connected);
        QCOMPARE(readIniText(f.dir.file("livebox.ini")).value("LIVEBOX/SSID"), QStringLiteral("salon"));
        QVERIFY(!readIniText(f.dir.file("livebox.ini")).contains("GUI/Width"));

        f.window->on_BtnStartAcquisition_clicked();
        f.window->commitData();
        QVERIFY(readIniText(f.dir.file("livebox.ini")).contains("GUI/Width"));
        QVERIFY(f.window->cycleTimer->isActive());
        f.window->on_BtnStopAcquisition_clicked();
        f.closer.drain();
    }

    // The network's new name is written at once, yet the start-up still
    // reloads the recording of the name the previous run saved.
    void aRenamedNetworkStillReloadsThePreviousRecording()
    {
        WindowFixture f(WindowStart().ini("SSID=ancien\n[MONITOR]\nReloadCSV=true\n").later());
        QByteArray rows = csvHeader().toUtf8() + '\n';
        LiveBoxInfos row;
        for (int i = 0; i < 20; ++i) {
            row.DateTime = formatDateTime(QDateTime::currentDateTime().addSecs(-60 * (20 - i)));
            rows += csvRow(row).toUtf8() + '\n';
        }
        f.dir.write("ancien.csv", rows);
        f.start();
        QVERIFY(f.window->graph->samples.size() >= 20);
        QCOMPARE(readIniText(f.dir.file("livebox.ini")).value("LIVEBOX/SSID"), QStringLiteral("Livebox-1234"));
    }

    // A stop signal while a question is open (the reset's, the report's
    // file dialog) answers it by ending the program: nothing is reset, the
    // window closes once the question's own loop has returned.
    void stopWhileAQuestionIsOpenKeepsTheRows()
    {
        WindowFixture f;
        QVERIFY(polled(*f.window, [&] { f.window->on_BtnActualiser_clicked(); }));
        const QByteArray rows = f.dir.read("Livebox-1234.csv");
        QVERIFY(rows.count('\n') >= 2);
        f.closer.enabled = false;
        ModalHolder user;
        QSignalSpy closed(f.window.get(), &MainWindow::closed);
        QTimer::singleShot(300, f.window.get(), [&] { f.window->stopAsked(); });
        f.window->on_BtnRazReleve_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(!closed.isEmpty(), 5000);
        QCOMPARE(user.titles, QStringList{"Remise à zéro"});
        QCOMPARE(f.dir.read("Livebox-1234.csv"), rows);
        f.closer.enabled = true;
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
