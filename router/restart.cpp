#include <QDebug>
#include <QMessageBox>
#include <QNetworkRequest>

#include "app/mainwindow.h"
#include "gateway.h"

void MainWindow::RebootLiveBox()
{
    if (gatewayBusy())
        return;
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("Reboot LiveBox"),
                              QStringLiteral("Voulez-vous vraiement redémarrer votre LiveBox ?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::No)
        return;

    GatewayOperation operation(this);
    QByteArray contextId;
    QByteArray cookie;
    if (!wsLogin(operation.exchange(), &contextId, &cookie))
        return;

    // The newer gateways' service call form, within the session just opened.
    const QNetworkRequest request = wsSessionRequest("application/json", contextId, cookie);
    const GatewayExchange::Reply reply =
        operation.exchange().post(request, QByteArrayLiteral(R"({"service":"NMC","method":"reboot","parameters":{}})"));
    if (!reply.ok || reply.refused())
        qDebug().noquote() << "Failure REBOOT" << reply.failure();
}

void MainWindow::on_btnReboot_clicked()
{
    RebootLiveBox();
}
