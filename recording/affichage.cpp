#include <QCursor>
#include <QLineEdit>

#include "app/mainwindow.h"
#include "charts/graph.h"
#include "display.h"

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

    graph->ssid = networkName();
    graph->liveboxType = LBInfos.HardwareVersion;
    graph->liveboxSoftware = LBInfos.SoftwareVersion;

    if (displayFields.isEmpty()) {
        for (QLineEdit *edit : findChildren<QLineEdit *>())
            displayFields.insert(edit->objectName(), edit);
    }
    for (const auto &field : displayTexts(LBInfos, OldLBInfos)) {
        if (QLineEdit *edit = displayFields.value(field.first))
            edit->setText(field.second);
    }

    AppendCSV();
    graph->UpDateCurves(&LBInfos, &OldLBInfos);
    setCursor(Qt::ArrowCursor);
}
