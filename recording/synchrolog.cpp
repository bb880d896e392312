#include <QDebug>
#include <QFile>
#include <QTextStream>

#include "app/mainwindow.h"
#include "charts/graph.h"
#include "common/filenames.h"
#include "pendinglines.h"
#include "rowformat.h"

void MainWindow::logSynchronisation()
{
    if (LBInfos.PppLastChangeTime == pppLastChangeTimeSeen && LBInfos.LastChangeTime == lastChangeTimeSeen)
        return;
    qDebug() << "Synchronisation : LastChangeTime" << lastChangeTimeSeen << "PppLastChangeTime"
             << pppLastChangeTimeSeen;
    // Taken before the file is written: a log that cannot be written must not
    // make every later poll retry the same event.
    lastChangeTimeSeen = LBInfos.LastChangeTime;
    pppLastChangeTimeSeen = LBInfos.PppLastChangeTime;
    lastSynchroText = LBInfos.SynchroDateTime;

    const QString path = synchroLogFilePath(networkName());
    if (!QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
            return;
        QTextStream(&file) << synchroLogHeader() << '\n';
        file.close();
        graph->UpDateSynchronisations();
    }
    pendingRows.append(path, synchroLogHeader(), synchroLogRow(LBInfos, startTime));
}
