#include <QCursor>

#include "app/mainwindow.h"
#include "charts/graph.h"

void MainWindow::UpDateAffichage()
{
    if (gatewayBusy())
        return;
    setCursor(Qt::WaitCursor);
    OldLBInfos = LBInfos;
    if (algoType)
        LiveBox4GetInfos(&LBInfos);
    else
        LiveBoxGetInfos(&LBInfos);
    graph->ssid = LBInfos.SSID;
    graph->liveboxType = LBInfos.HardwareVersion;
    graph->liveboxSoftware = LBInfos.SoftwareVersion;
    AppendCSV();
    graph->UpDateCurves(&LBInfos, &OldLBInfos);
    setCursor(Qt::ArrowCursor);
}
