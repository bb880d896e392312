#include "mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QThread>
#include <QDebug>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>


#include "accueil.h"
#include "tray/trayicon.h"
#include "common/messages.h"
#include "metrics/linesamples.h"
#include "common/appdir.h"
#include "router/gateway.h"
#include "chartwindow/graph.h"
#include "common/filenames.h"
#include "common/settingsfile.h"
#include "common/settingskeys.h"
#include "reloadjob.h"
#include "settings.h"
#include "ui_mainwindow.h"
#include "version.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    initResources();
    connect(&gateway, &GatewayClient::pollFinished, this, &MainWindow::pollFinished);
    // The charts' share of the recording's work.
    recorder.logCreated = [this] {
        if (graph)
            graph->UpDateSynchronisations();
    };
    connect(&gateway, &GatewayClient::restartFinished, this, &MainWindow::restartFinished);
    ui->setupUi(this);
    // Both exist before any setting is read: setting a control from the file
    // runs its slot, and several slots write into the chart window.
    accueil = new Accueil;
    connect(accueil, &Accueil::quitAsked, this, &MainWindow::on_BtnQuitter_clicked);
    graph = new Graph;
    if (!Messages::headless())
        accueil->show();

    ui->btnReboot->hide();
    // Bold date-times are wider than their 150-pixel fields with the wide
    // fonts of Linux desktops: narrow the bold face a little rather than
    // cut the seconds off.
    for (QLineEdit *bold : {ui->editSynchroTime, ui->editUpStreamCurrRate, ui->editDownStreamCurrRate}) {
        QFont font = bold->font();
        font.setStretch(QFont::SemiCondensed);
        bold->setFont(font);
    }

    startTime = formatDateTime(QDateTime::currentDateTime());
    finishRefresh(); // the buttons of a window at rest
    ui->tabWidget->setCurrentIndex(0);

    auto *aboutLabel = new QLabel(this);
    aboutLabel->setObjectName(QStringLiteral("labelVersion"));
    aboutLabel->setTextFormat(Qt::RichText);
    aboutLabel->setText(QStringLiteral("%1 - %2 - <img src=\":/icons/QtCreator\" width=\"16\" height=\"16\"> - Qt.%3 / Qwt.%4")
                            .arg(programVersionText(), aboutNotice(), qtVersionText(), qwtVersionText()));
    statusBar()->addPermanentWidget(aboutLabel, 0);
    ui->labelAbout->setText(ui->labelAbout->text().arg(qtVersionText(), qwtVersionText()));

    setUpAlerts();
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    readSettings(settings);
    bindControls();
    startMetrics();

    readGeometry(settings);
    ui->tabWidget->setCurrentIndex(0);

    cycleTimer = new QTimer(this);
    connect(cycleTimer, &QTimer::timeout, this, &MainWindow::CycleTimerHandler);
    cycleTimer->stop();

    // The first poll. What the start-up does next waits for its end
    // (continueStartUp), so that the splash is painted meanwhile.
    pollGateway();
}

void MainWindow::continueStartUp(bool aborted)
{
    if (aborted) {
        accueil->close();
        endStartUp();
        return;
    }
    if (startUpStage == StartUp::FirstPoll) {
        if (recordingOptions.reload && !reloaded) {
            startReload();
            return;
        }
        reloaded = true;
        if (connected) {
            startUpStage = StartUp::Refresh;
            on_BtnActualiser_clicked();
            return;
        }
        accueil->close();
        if (Messages::headless()) {
            // No one to correct the password: say so, and try again an interval later.
            warn(QStringLiteral("Quelvane"),
                 connectionImpossibleText());
            QTimer::singleShot(cycleMs, this, [this] { pollGateway(); });
            return;
        }
        if (startOptionGiven()) {
            // Started with the session, often before the gateway is up after
            // a power cut: the box is shown once, and the acquisition tries
            // again every interval with nobody at the screen.
            warn(QStringLiteral("Quelvane"),
                 connectionImpossibleText(),
                 [this] { ui->tabWidget->setCurrentIndex(3); });
            endStartUp();
            on_BtnStartAcquisition_clicked();
            return;
        }
        startUpStage = StartUp::Warning;
        warn(QStringLiteral("Quelvane"),
             connectionImpossibleText(), [this] {
                 ui->tabWidget->setCurrentIndex(3);
                 endStartUp();
             });
        return;
    }
    if (startUpStage == StartUp::Refresh) {
        accueil->close();
        endStartUp();
        if (startOptionGiven())
            on_BtnStartAcquisition_clicked();
        // Headless, the program is there to record: it always polls.
        if (Messages::headless() && !acquisitionRunning)
            on_BtnStartAcquisition_clicked();
    }
}

QString MainWindow::connectionImpossibleText()
{
    return QStringLiteral("Connexion impossible, vérifer le mot de passe et le fonctionnement de la Box.");
}

QString MainWindow::boxKind(const QString &title, const QString &text)
{
    return title + QLatin1Char('\n') + text;
}

bool MainWindow::startOptionGiven()
{
    return QCoreApplication::arguments().contains(QStringLiteral("-r"));
}

void MainWindow::startReload()
{
    startUpStage = StartUp::Reload;
    reloadJob = newReloadJob();
    reloadJob->start();
    reloadClock.start();
    reloadSaidAt = 0;
    // Its end and its progress are looked at often enough to go unnoticed.
    reloadTicker = new QTimer(this);
    connect(reloadTicker, &QTimer::timeout, this, &MainWindow::reloadTick);
    reloadTicker->start(20);
}

void MainWindow::reloadTick()
{
    if (reloadJob->done()) {
        reloadFinished();
        return;
    }
    // A reload that ends within a second is not worth a word.
    const qint64 elapsed = reloadClock.elapsed();
    if (elapsed < 1000)
        return;
    const double fraction = reloadJob->fraction();
    const int percent = fraction < 0 ? -1 : int(fraction * 100);
    if (!Messages::headless()) {
        accueil->showProgress(percent);
        return;
    }
    if (reloadSaidAt == 0 || elapsed - reloadSaidAt >= 5000) {
        reloadSaidAt = elapsed;
        Messages::print(QStringLiteral("Quelvane"), percent < 0 ? QStringLiteral("Chargement du relevé en cours")
                                                                : QStringLiteral("Chargement du relevé : %1 %").arg(percent));
    }
}

ReloadJob *MainWindow::newReloadJob()
{
    return new ReloadJob(recordingFilePath(ssid), LBInfos, OldLBInfos, graph->newReload());
}

void MainWindow::takeReloaded(ReloadJob &job)
{
    if (!job.loaded())
        return;
    LBInfos = job.current();
    OldLBInfos = job.previous();
    recorder.latestDay.reach(job.latestDay().reading());
    graph->takeReload(std::move(job.samples()));
}

void MainWindow::reloadFinished()
{
    takeReloaded(*reloadJob);
    stopReload();
    reloaded = true;
    startUpStage = StartUp::FirstPoll;
    continueStartUp(false);
}

void MainWindow::stopReload()
{
    delete reloadJob; // stops its thread
    reloadJob = nullptr;
    if (reloadTicker) {
        // It may be the caller: it goes once its signal has returned.
        reloadTicker->stop();
        reloadTicker->deleteLater();
        reloadTicker = nullptr;
    }
}

void MainWindow::endStartUp()
{
    startUpStage = StartUp::Done;
    if (showWhenStarted)
        QMainWindow::setVisible(true);
}

void MainWindow::setVisible(bool visible)
{
    // The entry point shows the window at once; it appears once the
    // start-up is over, as when the first poll held the constructor.
    if (visible && startingUp()) {
        showWhenStarted = true;
        return;
    }
    QMainWindow::setVisible(visible);
}

void MainWindow::warn(const QString &title, const QString &text, std::function<void()> dismissed)
{
    const QString kind = boxKind(title, text);
    if (openBoxes.contains(kind)) {
        if (dismissed)
            dismissed();
        return;
    }
    openBoxes.insert(kind);
    Messages::warnLater(this, title, text, [this, kind, dismissed] {
        // Headless, a line is answered as soon as it is written: it stays
        // said until a poll succeeds, so that a gateway refusing all night
        // is told once, not at every interval.
        if (!Messages::headless())
            openBoxes.remove(kind);
        if (dismissed)
            dismissed();
    });
}

MainWindow::~MainWindow()
{
    stopReload();
    // The chart window writes its own keys first; it is normally gone by
    // now (closeEvent), unless the window was destroyed without closing.
    delete graph;
    graph = nullptr;

    writeSettingsFile();

    delete cycleTimer;
    delete accueil;
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The close box may only hide the window in the tray; "QUITTER" quits.
    if (closeToTray && tray && tray->isVisible() && !quitting) {
        hide();
        event->ignore();
        return;
    }
    endRun();
    if (graph) {
        graph->close();
        delete graph;
        graph = nullptr;
    }
    event->accept();
    emit closed();
}

void MainWindow::endRun()
{
    if (runEnded)
        return;
    runEnded = true;
    // A poll or a reload under way ends now, without a row: the user has left.
    stopReload();
    gateway.abort();
    cycleTimer->stop();
    reportRowsLeft();
    acquisitionRunning = false;
}

void MainWindow::writeToSettingsFile(const std::function<void(QSettings &)> &write)
{
    {
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        write(settings);
        settings.sync();
    }
    restrictToOwner(settingsFilePath());
}

void MainWindow::writeSettingsFile()
{
    writeToSettingsFile([this](QSettings &settings) { writeSettings(settings); });
}

void MainWindow::saveSetting(const char *key, const QVariant &value)
{
    writeToSettingsFile([&](QSettings &settings) { settings.setValue(QLatin1String(key), value); });
}

void MainWindow::keepNetworkName()
{
    const QString name = recorder.networkName(LBInfos);
    if (name.isEmpty() || name == unknownText() || name == savedNetworkName)
        return;
    // The next start reloads the recording this name gives; this one
    // reloads the previous run's (`ssid`).
    savedNetworkName = name;
    saveSetting(Key::SSID, name);
}

void MainWindow::commitData()
{
    writeSettingsFile();
    const QMap<QString, int> left = recorder.flush();
    for (auto it = left.begin(); it != left.end(); ++it)
        Messages::print(QStringLiteral("Quelvane"), QStringLiteral("%1 ligne(s) attendent encore d'être écrites dans %2")
                                                        .arg(it.value())
                                                        .arg(QDir::toNativeSeparators(it.key())));
}

void MainWindow::stopAsked()
{
    if (runEnded)
        return;
    stopSignalled = true;
    // Boxes and dialogs left open would hold the end up: each is answered
    // as its close button would answer it.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        if (dialog && dialog->isVisible())
            dialog->reject();
    }
    // A dialog's own event loop returns first: the windows it was opened
    // from must outlive it.
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(20, this, &MainWindow::stopAsked);
        return;
    }
    on_BtnQuitter_clicked();
}

void MainWindow::startMetrics()
{
    const QStringList arguments = QCoreApplication::arguments();
    const int option = arguments.indexOf(QStringLiteral("--metrics"));
    const QString wanted = option >= 0 ? arguments.value(option + 1) : metricsWanted;
    if (option < 0 && wanted.trimmed().isEmpty())
        return; // off
    const QString address = metricsAddress(wanted);
    QString error = QStringLiteral("adresse invalide, attendu ADRESSE:PORT ou PORT");
    if (!address.isEmpty())
        metrics = MetricsServer::serve(address, metricsAccess, &error);
    if (metrics) {
        const QString url = QStringLiteral("http://%1/metrics")
                                .arg(address.left(address.lastIndexOf(QLatin1Char(':')) + 1)
                                     + QString::number(metrics->port()));
        // The service's journal says where to point Prometheus.
        if (Messages::headless())
            Messages::information(this, QStringLiteral("Quelvane"), QStringLiteral("Métriques servies sur %1").arg(url));
        const QString exposed = exposureWarning(address, metricsAccess);
        if (!exposed.isEmpty()) {
            // Said on both: the journal for the service, the window for the
            // user who typed the address.
            Messages::print(QStringLiteral("Quelvane"), exposed);
            if (!Messages::headless()) {
                auto *label = new QLabel(this);
                label->setObjectName(QStringLiteral("labelMetriques"));
                label->setToolTip(exposed);
                label->setText((metricsAccess.open() ? QStringLiteral("Métriques ouvertes au réseau : %1")
                                                     : QStringLiteral("Métriques au réseau, avec mot de passe : %1"))
                                   .arg(address));
                if (metricsAccess.open())
                    label->setStyleSheet(QStringLiteral("color: #b00000;"));
                statusBar()->insertPermanentWidget(0, label);
            }
        }
        return;
    }
    const QString text = QStringLiteral("Les métriques ne peuvent pas être servies sur « %1 » : %2").arg(wanted, error);
    if (Messages::headless()) {
        // A watcher without the metrics it was started for would mislead.
        Messages::warning(this, QStringLiteral("Quelvane"), text);
        startFailed = true;
        return;
    }
    warn(QStringLiteral("Quelvane"), text + QStringLiteral("\nLe suivi continue sans métriques."));
}

void MainWindow::reportRowsLeft()
{
    // Rows that still cannot be written (a read-only folder, a full disk) are
    // lost with the program: say so, with their count, rather than quietly.
    const QMap<QString, int> left = recorder.flush();
    if (left.isEmpty())
        return;
    QStringList lines;
    for (auto it = left.begin(); it != left.end(); ++it) {
        lines << QStringLiteral("%1 ligne(s) pour %2").arg(it.value()).arg(QDir::toNativeSeparators(it.key()));
        // Headless, the message below is itself the standard error's line.
        if (!Messages::headless())
            Messages::print(QStringLiteral("Quelvane"),
                            QStringLiteral("%1 ligne(s) n'ont pas pu être écrites dans %2 et sont perdues")
                                .arg(it.value())
                                .arg(QDir::toNativeSeparators(it.key())));
    }
    const QString text = QStringLiteral("Des relevés n'ont pas pu être écrits (dossier en lecture seule ou disque "
                                        "plein) et sont perdus à la fermeture :\n")
                             + lines.join(QLatin1Char('\n'));
    // Stopped by a signal, no one may be there to answer: the standard error has said it.
    if (stopSignalled && !Messages::headless())
        return;
    Messages::warning(this, QStringLiteral("Quelvane"), text);
}

void MainWindow::on_BtnGraphiques_clicked()
{
    graph->show();
}

void MainWindow::on_BtnQuitter_clicked()
{
    quitting = true;
    close();
}
