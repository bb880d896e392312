#include <QMessageBox>

#include "common/appdir.h"
#include "common/messages.h"
#include "mainwindow.h"

GatewayClient::Account MainWindow::account() const
{
    return {livebox, user, password};
}

void MainWindow::LiveBoxGetInfos(LiveBoxInfos *LBinfos)
{
    startPoll(GatewayClient::Scheme::Older, LBinfos);
}

void MainWindow::LiveBox4GetInfos(LiveBoxInfos *LBinfos)
{
    startPoll(GatewayClient::Scheme::Newer, LBinfos);
}

void MainWindow::pollGateway()
{
    if (algoType)
        LiveBox4GetInfos(&LBInfos);
    else
        LiveBoxGetInfos(&LBInfos);
}

void MainWindow::startPoll(GatewayClient::Scheme scheme, LiveBoxInfos *target)
{
    // One gateway operation at a time: another one asked for meanwhile is
    // ignored.
    if (gateway.busy())
        return;
    gateway.setTracePath(AppDir::filePath(QStringLiteral("debug.txt")));
    pollTarget = target;
    gateway.poll(scheme, account(), *target);
}

void MainWindow::takeSession(const GatewayClient::Result &result)
{
    if (result.session == GatewayClient::Session::Opened)
        connected = true;
    else if (result.session == GatewayClient::Session::Closed)
        connected = false;
    // Only the newer scheme's refused login is shown; the box never holds
    // the polls up.
    if (result.loginFailed && result.scheme == GatewayClient::Scheme::Newer)
        warn(QStringLiteral("Authentification"), QStringLiteral("LB non connectée"));
}

void MainWindow::pollFinished(const GatewayClient::Result &result)
{
    takeSession(result);
    // A failed poll leaves the record as it was.
    if (result.complete && pollTarget) {
        // The run's first reading, when nothing was reloaded before it, is
        // compared with itself: no variation, no event against a record of
        // zeros.
        if (!gatewayRead && pollTarget == &LBInfos && OldLBInfos.DateTime == unknownText())
            OldLBInfos = result.record;
        *pollTarget = result.record;
        gatewayRead = true;
        keepNetworkName();
    }
    pollTarget = nullptr;
    if (result.complete && Messages::headless())
        openBoxes.clear(); // what went wrong may be said again

    if (metrics && !result.aborted) {
        const double seconds = result.elapsedMs / 1000.0;
        if (result.complete)
            metrics->goodPoll(result.record, result.scheme == GatewayClient::Scheme::Older, seconds);
        else
            metrics->failedPoll(seconds);
    }
    if (!result.aborted)
        checkAlerts(result);

    if (displayPending) {
        displayPending = false;
        if (!result.aborted)
            showPoll();
        setCursor(Qt::ArrowCursor);
    }
    if (cyclePending) {
        cyclePending = false;
        if (!result.aborted)
            finishCycle(result.complete);
    }
    if (refreshPending) {
        refreshPending = false;
        finishRefresh();
    }
    if (startingUp() && startUpStage != StartUp::Warning)
        continueStartUp(result.aborted);
    if (restartPending) {
        restartPending = false;
        gateway.restart(account());
    }
    emit pollEnded();
}

void MainWindow::RebootLiveBox()
{
    if (gateway.busy())
        return;
    const QMessageBox::StandardButton answer =
        Messages::question(this, QStringLiteral("Reboot LiveBox"),
                           QStringLiteral("Voulez-vous vraiement redémarrer votre LiveBox ?"),
                           QMessageBox::Yes | QMessageBox::No);
    // A stop signal answers the question by ending the program.
    if (answer != QMessageBox::Yes || stopSignalled)
        return;
    // A poll that began while the question was open goes first.
    if (!gateway.restart(account()))
        restartPending = true;
}

void MainWindow::restartFinished(const GatewayClient::Result &result)
{
    takeSession(result);
}

void MainWindow::on_btnReboot_clicked()
{
    RebootLiveBox();
}
