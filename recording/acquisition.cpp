#include <QDateTime>
#include <QDebug>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include "app/mainwindow.h"
#include "app/settings.h"
#include "charts/graph.h"
#include "ui_mainwindow.h"

namespace {
enum class Mode { Idle, Running, Refreshing };

void setButtonStates(Ui_MainWindow *ui, Mode mode)
{
    const bool idle = mode == Mode::Idle;
    ui->BtnActualiser->setEnabled(idle);
    ui->BtnGraphiques->setEnabled(true);
    ui->BtnStartAcquisition->setEnabled(idle);
    ui->BtnStopAcquisition->setEnabled(mode == Mode::Running);
    ui->BtnSaveReleve->setEnabled(idle);
    ui->BtnRazReleve->setEnabled(idle);
    ui->BtnQuitter->setEnabled(idle);
}
}

void MainWindow::on_BtnStartAcquisition_clicked()
{
    setButtonStates(ui, Mode::Running);
    acquisitionRunning = true;
    statusBar()->showMessage(QStringLiteral("SUIVI LIVEBOX EN COURS..."));
    cycleTimer->start(cycleMs);
}

void MainWindow::on_BtnStopAcquisition_clicked()
{
    setButtonStates(ui, Mode::Idle);
    acquisitionRunning = false;
    statusBar()->showMessage(QString());
    cycleTimer->stop();
}

void MainWindow::on_BtnActualiser_clicked()
{
    setButtonStates(ui, Mode::Refreshing);
    UpDateAffichage();
    setButtonStates(ui, Mode::Idle);
}

void MainWindow::CycleTimerHandler()
{
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
    cycleTimer->stop();
    UpDateAffichage();
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - t0;

    // "ARRETER ACQUISITION" stays usable while a poll waits for the gateway;
    // a stop pressed meanwhile must not be undone by the re-arm.
    if (!acquisitionRunning)
        return;
    const qint64 remaining = cycleMs - elapsed;
    cycleTimer->start(remaining > 0 ? int(remaining) : 1000);

    // Lengthened before the warning: the box is modal, and polls made while
    // it is open must not have their own correction overwritten by this one.
    if (elapsed >= cycleMs)
        cycleMs = int(elapsed + 1000);

    // Polling goes on behind the box; further failures while it is open do
    // not stack more boxes on top of it.
    if (!connected && !acquisitionWarningOpen) {
        acquisitionWarningOpen = true;
        QMessageBox::warning(this, QStringLiteral("Quelvane"), QStringLiteral("Problème d'acquisition !!!"));
        acquisitionWarningOpen = false;
    }
}

void MainWindow::on_timeEditCycle_timeChanged(const QTime &time)
{
    int seconds = secondsOf(time);
    if (seconds < 5) {
        seconds = 5;
        ui->timeEditCycle->setTime(QTime(0, 0, 5));
    }
    cycleMs = seconds * 1000;

    const int cycle = secondsOf(ui->timeEditCycle->time());
    const int arret = secondsOf(ui->timeEditArret->time());
    if (arret < 2 * cycle) {
        qDebug() << "Arret corrigé de" << arret << "à" << 2 * cycle << "s";
        ui->timeEditArret->setTime(QTime(0, 0).addSecs(2 * cycle));
        graph->tempsArret = 2 * cycle;
    }
}

void MainWindow::on_timeEditArret_timeChanged(const QTime &time)
{
    const int cycle = secondsOf(ui->timeEditCycle->time());
    int arret = secondsOf(time);
    if (arret < 2 * cycle) {
        qDebug() << "Arret corrigé de" << arret << "à" << 2 * cycle << "s";
        ui->timeEditArret->setTime(QTime(0, 0).addSecs(2 * cycle));
        arret = 2 * cycle;
    }
    graph->tempsArret = arret;
}
