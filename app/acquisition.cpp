#include <QCursor>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTime>
#include <QTimer>

#include "chartwindow/graph.h"
#include "mainwindow.h"
#include "recording/cycle.h"
#include "recording/display.h"
#include "settings.h"
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

// A read-only field shows the start of its text (firmware versions are
// longer than their field); when the text does not fit, the whole of it is
// in the field's tool tip.
void showFieldText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    // Two pixels on each side: the line edit's own horizontal margin.
    const int width = room.width() - margins.left() - margins.right() - 4;
    edit->setToolTip(edit->fontMetrics().horizontalAdvance(text) > width ? text : QString());
}
}

void MainWindow::on_BtnStartAcquisition_clicked()
{
    setButtonStates(ui, Mode::Running);
    acquisitionRunning = true;
    useCycle(cycleMs);
    cycleTimer->start(cycleInUseMs);
    updateTray();
}

void MainWindow::useCycle(int ms)
{
    cycleInUseMs = ms;
    // The chart window's stall rule follows the interval in use.
    graph->cycleInUse = ms / 1000.0;
    showAcquisitionState();
}

void MainWindow::showAcquisitionState()
{
    QString text = QStringLiteral("SUIVI LIVEBOX EN COURS...");
    // Whoever wonders why the rows come further apart than asked reads it here.
    const bool slow = cycleInUseMs > cycleMs;
    if (slow)
        text += QStringLiteral(" Livebox lente : un relevé toutes les %1 au lieu de %2")
                    .arg(timeSettingText(QTime(0, 0).addMSecs(cycleInUseMs)),
                         timeSettingText(QTime(0, 0).addMSecs(cycleMs)));
    // The version's label would leave the notice no room: it steps aside
    // while the gateway is slow, or the metrics' notice takes its room.
    if (QLabel *version = findChild<QLabel *>(QStringLiteral("labelVersion")))
        version->setVisible(!slow && !findChild<QLabel *>(QStringLiteral("labelMetriques")));
    statusBar()->showMessage(text);
}

void MainWindow::on_BtnStopAcquisition_clicked()
{
    setButtonStates(ui, Mode::Idle);
    acquisitionRunning = false;
    statusBar()->showMessage(QString());
    if (QLabel *version = findChild<QLabel *>(QStringLiteral("labelVersion")))
        version->show();
    cycleTimer->stop();
    updateTray();
    // A cycle's poll still waiting on the gateway ends now: stopped means
    // stopped, not in up to thirty seconds.
    if (cyclePending)
        gateway.abort();
}

void MainWindow::on_BtnActualiser_clicked()
{
    setButtonStates(ui, Mode::Refreshing);
    refreshPending = true;
    UpDateAffichage();
    if (!displayPending) { // the gateway was busy: nothing started
        refreshPending = false;
        finishRefresh();
    }
}

void MainWindow::finishRefresh()
{
    setButtonStates(ui, Mode::Idle);
}

void MainWindow::UpDateAffichage()
{
    if (gateway.busy())
        return;
    setCursor(Qt::WaitCursor);
    OldLBInfos = LBInfos;
    displayPending = true;
    // The rest follows when the gateway has answered (showPoll).
    pollGateway();
}

void MainWindow::showPoll()
{
    // Nothing read yet in this run: no reading to show or record.
    if (!gatewayRead)
        return;
    graph->ssid = recorder.networkName(LBInfos);
    graph->liveboxType = LBInfos.HardwareVersion;
    graph->liveboxSoftware = LBInfos.SoftwareVersion;

    if (displayFields.isEmpty()) {
        for (QLineEdit *edit : findChildren<QLineEdit *>())
            displayFields.insert(edit->objectName(), edit);
    }
    for (const auto &field : displayTexts(LBInfos, OldLBInfos)) {
        if (QLineEdit *edit = displayFields.value(field.first))
            showFieldText(edit, field.second);
    }

    AppendCSV();
    graph->UpDateCurves(&LBInfos, &OldLBInfos);
}

void MainWindow::CycleTimerHandler()
{
    if (gateway.busy())
        return;
    cycleClock.start();
    cycleTimer->stop();
    cyclePending = true;
    UpDateAffichage();
}

void MainWindow::finishCycle(bool complete)
{
    // Measured on a monotonic clock, and no box is ever waited on inside a
    // poll: the duration is the poll's own.
    const qint64 elapsed = cycleClock.elapsed();

    // "ARRETER ACQUISITION" stays usable while a poll waits for the gateway;
    // a stop pressed meanwhile must not be undone by the re-arm.
    if (!acquisitionRunning)
        return;
    cycleTimer->start(rearmDelay(cycleInUseMs, elapsed));
    const int inUse = cycleAfterPoll(cycleMs, cycleInUseMs, elapsed, complete);
    if (inUse != cycleInUseMs)
        useCycle(inUse);

    // Polling goes on behind the box; further failures while it is open do
    // not stack more boxes on top of it, nor on the start-up's box, which
    // says it already.
    if (!connected && !openBoxes.contains(boxKind(QStringLiteral("Quelvane"), connectionImpossibleText())))
        warn(QStringLiteral("Quelvane"), QStringLiteral("Problème d'acquisition !!!"));
}

void MainWindow::on_timeEditCycle_timeChanged(const QTime &time)
{
    int seconds = secondsOf(time);
    if (seconds < minimumCycleSeconds) {
        seconds = minimumCycleSeconds;
        ui->timeEditCycle->setTime(QTime(0, 0).addSecs(minimumCycleSeconds));
    }
    cycleMs = seconds * 1000;
    // The user's word stands over a slow gateway's until it is slow again.
    if (cycleInUseMs != cycleMs && acquisitionRunning)
        useCycle(cycleMs);
    // The stall threshold never falls below what the new interval needs.
    on_timeEditArret_timeChanged(ui->timeEditArret->time());
}

void MainWindow::on_timeEditArret_timeChanged(const QTime &time)
{
    const int cycle = secondsOf(ui->timeEditCycle->time());
    int arret = secondsOf(time);
    if (arret < stallFloor(cycle)) {
        qDebug() << "Arret corrigé de" << arret << "à" << stallFloor(cycle) << "s";
        ui->timeEditArret->setTime(QTime(0, 0).addSecs(stallFloor(cycle)));
        arret = stallFloor(cycle);
    }
    graph->tempsArret = arret;
}
