#include <QCheckBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>



#include "alerts/alertcommand.h"
#include "alerts/alertlog.h"
#include "alerts/notifier.h"
#include "common/datetime.h"
#include "common/filenames.h"
#include "common/messages.h"
#include "mainwindow.h"
#include "tray/trayicon.h"
#include "ui_mainwindow.h"

void MainWindow::setUpAlerts()
{
    notifier = new Notifier(this);
    connect(notifier, &Notifier::undelivered, this, [this](const QString &summary, const QString &body) {
        if (!tray || !tray->showMessage(summary, body))
            sayInStatusBar(summary, body);
    });
    alertCommand = new AlertCommand(this);
    connect(alertCommand, &AlertCommand::problem, this, [this](const QString &text) {
        const Alert problem{QStringLiteral("Commande d'alerte"), AlertState::Event, text};
        logAlert(QDateTime::currentDateTime(), problem);
        // Headless, the service's journal is where it can be read.
        if (Messages::headless())
            Messages::print(problem.rule, text);
        else
            sayInStatusBar(problem.rule, text);
    });

    // No tray, no icon: the program runs as it always has.
    if (Messages::headless() || !TrayIcon::available())
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

void MainWindow::checkAlerts(const GatewayClient::Result &result)
{
    lastPollGood = result.complete;
    PollOutcome poll;
    poll.good = result.complete;
    poll.reading = result.record;
    poll.atMs = QDeadlineTimer::current().deadline();
    poll.withPpp = result.scheme == GatewayClient::Scheme::Older;
    for (const Alert &alert : alertRules.check(alertSettings, poll))
        raiseAlert(alert);
    updateTray();
}

void MainWindow::raiseAlert(const Alert &alert)
{
    const QDateTime now = QDateTime::currentDateTime();
    logAlert(now, alert);

    const QString summary = QStringLiteral("Quelvane : ") + alert.rule;
    const QString body = alert.state == AlertState::Event ? alert.values
                                                          : alertStateText(alert.state) + QStringLiteral(" : ") + alert.values;
    // Headless, the journal is where a service's alerts are read.
    if (Messages::headless())
        Messages::print(summary, body);
    else
        notifier->notify(summary, body);
    if (!alertCommandText.trimmed().isEmpty())
        alertCommand->run(alertCommandText.trimmed(), alertCommandSeconds,
                          {formatDateTime(now), alert.rule, alertStateText(alert.state), alert.values});
}

void MainWindow::logAlert(const QDateTime &at, const Alert &alert)
{
    recorder.appendLine(alertLogFilePath(recorder.networkName(LBInfos)), alertLogHeader(), alertLogRow(at, alert));
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
    const LineLight light = lineLight(acquisitionRunning, lastPollGood, LBInfos.DownstreamCurrRate > 0,
                                      alertRules.thresholdCrossed());
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
