#include <QFile>
#include <QTextStream>

#include "app/mainwindow.h"
#include "charts/graph.h"
#include "recordformat.h"

namespace {
bool writeHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << csvHeader() << '\n';
    out.flush();
    return out.status() == QTextStream::Ok && file.error() == QFileDevice::NoError;
}
}

void MainWindow::CreateCSV()
{
    writeHeader(recordingFilePath(LBInfos.SSID));
}

void MainWindow::AppendCSV()
{
    handleChangeOfDay();

    const QString path = recordingFilePath(LBInfos.SSID);
    if (!QFile::exists(path))
        writeHeader(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << csvRow(LBInfos) << '\n';
    out.flush();
    file.close();
    if (out.status() != QTextStream::Ok || file.error() != QFileDevice::NoError)
        return;

    logSynchronisation();
}

void MainWindow::ReadCSV()
{
    QFile file(recordingFilePath(ssid));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    if (!in.atEnd())
        in.readLine(); // header

    // The charts take every row and are drawn once at the end.
    // A recorded row takes about 130 bytes; rather too much room than a late copy.
    graph->beginReload(int(qMin<qint64>(file.size() / 100, 10000000)));
    bool first = true;
    QString line;
    while (in.readLineInto(&line)) {
        const LiveBoxInfos before = LBInfos;
        if (!applyCsvRow(QStringRef(&line), &LBInfos))
            continue;
        OldLBInfos = before;
        if (!first)
            graph->UpDateCurves(&LBInfos, &OldLBInfos);
        first = false;
    }
    graph->endReload();
}
