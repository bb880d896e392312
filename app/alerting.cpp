#include <QDateTime>
#include <QLabel>
#include <QStatusBar>

#include "alerts/alertrules.h"
#include "mainwindow.h"
#include "tray/trayicon.h"
#include "ui_mainwindow.h"

void MainWindow::setUpTray()
{
    // No tray, no icon: the program runs as it always has.
    if (!TrayIcon::available())
        return;
    setTray(new TrayIcon({ui->BtnActualiser, ui->BtnGraphiques, nullptr, ui->BtnStartAcquisition,
                          ui->BtnStopAcquisition, ui->BtnQuitter},
                         this));
    tray->show();
}

void MainWindow::setTray(TrayIcon *icon)
{
    tray = icon;
    connect(tray, &TrayIcon::showWindowAsked, this, &MainWindow::showFromTray);
    updateTray();
}

void MainWindow::sayInStatusBar(const QString &summary, const QString &body)
{
    // A label of its own: the status bar's message ("SUIVI LIVEBOX EN
    // COURS...") stays as the acquisition set it.
    if (!alertLabel) {
        alertLabel = new QLabel(this);
        alertLabel->setObjectName(QStringLiteral("labelAlerte"));
        alertLabel->setMaximumWidth(260);
        alertLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
        statusBar()->insertPermanentWidget(0, alertLabel);
    }
    const QString text = summary + QStringLiteral(" : ") + body;
    alertLabel->setToolTip(text);
    alertLabel->setText(alertLabel->fontMetrics().elidedText(text, Qt::ElideRight, alertLabel->maximumWidth()));
}

void MainWindow::on_BtnTesterAlerte_clicked()
{
    raiseAlert({QStringLiteral("Alerte de test"), AlertState::Event,
                QStringLiteral("envoyée depuis l'onglet Alertes")});
}

void MainWindow::updateTray()
{
    if (!tray)
        return;
    const LineLight light = lineLight(acquisition.running(), acquisition.lastPollGood(),
                                      lineUp(LBInfos), acquisition.alertRules.thresholdCrossed());
    // The figures once a poll has read the gateway.
    const bool everRead = LBInfos.DateTime != unknownText();
    tray->setLight(light, trayToolTip(light, everRead ? &LBInfos : nullptr));
}

void MainWindow::showFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::showProblemOver(const QDateTime &began, const QDateTime &ended)
{
    // Whoever comes back after the box closed itself still reads what happened.
    if (!problemLabel) {
        problemLabel = new QLabel(this);
        problemLabel->setObjectName(QStringLiteral("labelProbleme"));
        statusBar()->insertPermanentWidget(0, problemLabel);
    }
    const QString format = QStringLiteral("dd/MM/yyyy hh:mm:ss");
    problemLabel->setText(QStringLiteral("Problème d'acquisition du %1 au %2")
                              .arg(began.toString(format), ended.toString(format)));
}
