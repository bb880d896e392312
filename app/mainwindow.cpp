#include "mainwindow.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include "accueil.h"
#include "router/gateway.h"
#include "charts/graph.h"
#include "common/settingsfile.h"
#include "settings.h"
#include "ui_mainwindow.h"
#include "version.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    initResources();
    // Every header the gateway gets is set by hand; a cookie jar would add
    // the older gateways' cookies to requests that must not carry them.
    manager.setCookieJar(new DiscardingCookieJar(&manager));
    ui->setupUi(this);
    // Both exist before any setting is read: setting a control from the file
    // runs its slot, and several slots write into the chart window.
    accueil = new Accueil;
    graph = new Graph;
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

    lastSynchroText.clear();
    lastChangeTimeSeen = 0.0;
    pppLastChangeTimeSeen = 0.0;
    startTime = formatDateTime(QDateTime::currentDateTime());
    algoType = false;

    ui->BtnActualiser->setEnabled(true);
    ui->BtnGraphiques->setEnabled(true);
    ui->BtnStartAcquisition->setEnabled(true);
    ui->BtnStopAcquisition->setEnabled(false);
    ui->BtnSaveReleve->setEnabled(true);
    ui->BtnRazReleve->setEnabled(true);
    ui->BtnQuitter->setEnabled(true);
    ui->tabWidget->setCurrentIndex(0);

    auto *aboutLabel = new QLabel(this);
    aboutLabel->setTextFormat(Qt::RichText);
    aboutLabel->setText(QStringLiteral("%1 - %2 - <img src=\":/icons/QtCreator\" width=\"16\" height=\"16\"> - Qt.%3 / Qwt.%4")
                            .arg(programVersionText(), aboutNotice(), qtVersionText(), qwtVersionText()));
    statusBar()->addPermanentWidget(aboutLabel, 0);
    ui->labelAbout->setText(ui->labelAbout->text().arg(qtVersionText(), qwtVersionText()));

    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    readSettings(settings);

    restPaths = QStringList{
        QStringLiteral("/sysbus/NeMo/Intf/data:getMIBs"),
        QStringLiteral("/sysbus/NeMo/Intf/data:getMIBs"),
        QStringLiteral("/sysbus/NeMo/Intf/dsl0:getDSLStats"),
        QStringLiteral("/sysbus/NeMo/Intf/lan:getMIBs"),
        QStringLiteral("/sysbus/NMC:getWANStatus"),
        QStringLiteral("/sysbus/DeviceInfo?_restDepth=-1"),
    };
    restBodies = QList<QByteArray>{
        QByteArrayLiteral(R"({"parameters":{"mibs":"dsl","flag":"","traverse":"down"}})"),
        QByteArrayLiteral(R"({"parameters":{"mibs":"base ppp dhcp","flag":"ppp || dhcp","traverse":"down"}})"),
        QByteArrayLiteral(R"({"parameters":{}})"),
        QByteArrayLiteral(R"({"parameters":{"mibs":"wlanvap wlanradio base","flags":"wlanvap || wlanradio","traverse":"down"}})"),
        QByteArrayLiteral(R"({"parameters":{}})"),
    };

    readGeometry(settings);
    ui->tabWidget->setCurrentIndex(0);

    cycleTimer = new QTimer(this);
    connect(cycleTimer, &QTimer::timeout, this, &MainWindow::CycleTimerHandler);
    cycleTimer->stop();

    if (algoType)
        LiveBox4GetInfos(&LBInfos);
    else
        LiveBoxGetInfos(&LBInfos);

    if (ui->checkReloadCSV->isChecked())
        ReadCSV();

    if (connected) {
        on_BtnActualiser_clicked();
        accueil->close();
        const QStringList arguments = QCoreApplication::arguments();
        for (const QString &argument : arguments) {
            if (argument == QLatin1String("-r"))
                on_BtnStartAcquisition_clicked();
        }
    } else {
        accueil->close();
        QMessageBox::warning(this, QStringLiteral("Quelvane"),
                             QStringLiteral("Connexion impossible, vérifer le mot de passe et le fonctionnement de la Box."));
        ui->tabWidget->setCurrentIndex(3);
    }
}

MainWindow::~MainWindow()
{
    // The chart window writes its own keys first; it is normally gone by
    // now (closeEvent), unless the window was destroyed without closing.
    delete graph;
    graph = nullptr;

    {
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        writeSettings(settings);
        settings.sync();
    }
    restrictToOwner(settingsFilePath());

    delete cycleTimer;
    delete accueil;
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing while the gateway is awaited would pull the chart window from
    // under the poll: end the wait now and close once the poll has unwound.
    if (gatewayBusy()) {
        closeDeferred = true;
        gatewayExchange->abort();
        event->ignore();
        return;
    }
    cycleTimer->stop();
    acquisitionRunning = false;
    if (graph) {
        graph->close();
        delete graph;
        graph = nullptr;
    }
    event->accept();
}

void MainWindow::on_BtnGraphiques_clicked()
{
    graph->show();
}

void MainWindow::on_BtnQuitter_clicked()
{
    close();
}

void MainWindow::finishDeferredClose()
{
    if (closeDeferred) {
        closeDeferred = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}
