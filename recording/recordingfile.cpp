#include <QFile>
#include <QTextStream>

#include "app/mainwindow.h"
#include "charts/graph.h"
#include "common/filenames.h"
#include "pendinglines.h"
#include "rowformat.h"

namespace {
bool writeHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    return file.write(csvHeader().toLocal8Bit() + '\n') > 0 && file.flush();
}
}

QString MainWindow::networkName()
{
    // A reply without the Wi-Fi name (a gateway's odd moment) must not send
    // a row to a file of its own: keep the name the recording goes by.
    const QString name = LBInfos.SSID;
    if (!name.isEmpty() && name != LiveBoxInfos().SSID)
        lastNetworkName = name;
    if (name.isEmpty() && !lastNetworkName.isEmpty())
        return lastNetworkName;
    return name;
}

void MainWindow::CreateCSV()
{
    writeHeader(recordingFilePath(networkName()));
}

void MainWindow::AppendCSV()
{
    handleChangeOfDay();

    // A row that cannot be written now waits and goes out first at the next
    // poll that can write it.
    pendingRows.append(recordingFilePath(networkName()), csvHeader(), csvRow(LBInfos));
    logSynchronisation();
}

void MainWindow::ReadCSV()
{
    QFile file(recordingFilePath(ssid));
    if (!file.open(QIODevice::ReadOnly))
        return;
    LineReader lines(&file);
    const char *line = nullptr;
    int size = 0;
    if (!lines.next(&line, &size))
        return; // empty file
    // The header line is skipped.

    // The charts take every row and are drawn once at the end. A recorded
    // row takes about 130 bytes; rather too much room than a late copy.
    graph->beginReload(int(qMin<qint64>(file.size() / 100, 10000000)));
    // Two records take turns as the row being read and the row before it, so
    // that no record is copied per row. Both start as the start-up record,
    // whose texts that the file does not hold they keep.
    LiveBoxInfos first = LBInfos;
    LiveBoxInfos second = LBInfos;
    LiveBoxInfos *current = &first;
    LiveBoxInfos *previous = &second;
    int rows = 0;
    while (lines.next(&line, &size)) {
        // A short row keeps the optional last columns of the row before it.
        previous->PppLastChangeTime = current->PppLastChangeTime;
        previous->PppLastChange = current->PppLastChange;
        previous->UpstreamAttenuation = current->UpstreamAttenuation;
        previous->DownstreamAttenuation = current->DownstreamAttenuation;
        if (!applyCsvRow(line, size, previous))
            continue;
        // Recordings made before the attainable rates were converted.
        maxRatesInKbps(previous);
        std::swap(current, previous);
        if (rows++ > 0)
            graph->UpDateCurves(current, previous);
    }
    if (rows > 0) {
        OldLBInfos = rows > 1 ? std::move(*previous) : LBInfos;
        LBInfos = std::move(*current);
    }
    graph->endReload();
}
