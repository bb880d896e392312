#include "recorder.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/filenames.h"
#include "router/liveboxinfos.h"
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

QString Recorder::networkName(const LiveBoxInfos &current)
{
    const QString name = current.SSID;
    if (!name.isEmpty() && name != LiveBoxInfos().SSID)
        m_network = name;
    if (name.isEmpty() && !m_network.isEmpty())
        return m_network;
    return name;
}

void Recorder::create(const LiveBoxInfos &current)
{
    writeHeader(recordingFilePath(networkName(current)));
}

void Recorder::append(const LiveBoxInfos &current, const QString &startTime)
{
    m_pending.append(recordingFilePath(networkName(current)), csvHeader(), csvRow(current));
    logSynchronisation(current, startTime);
}

void Recorder::logSynchronisation(const LiveBoxInfos &current, const QString &startTime)
{
    if (current.PppLastChangeTime == pppLastChangeTimeSeen && current.LastChangeTime == lastChangeTimeSeen)
        return;
    qDebug() << "Synchronisation : LastChangeTime" << lastChangeTimeSeen << "PppLastChangeTime"
             << pppLastChangeTimeSeen;
    // Taken before the file is written: a log that cannot be written must not
    // make every later poll retry the same event.
    lastChangeTimeSeen = current.LastChangeTime;
    pppLastChangeTimeSeen = current.PppLastChangeTime;
    lastSynchroText = current.SynchroDateTime;

    // The waiting lines give a missing log its header, and keep the row when
    // the log cannot be written yet.
    const QString path = synchroLogFilePath(networkName(current));
    const bool existed = QFile::exists(path);
    m_pending.append(path, synchroLogHeader(), synchroLogRow(current, startTime));
    if (!existed && QFile::exists(path) && logCreated)
        logCreated();
}

bool Recorder::reload(const QString &network, LiveBoxInfos *current, LiveBoxInfos *previous)
{
    return reloadRecording(recordingFilePath(network), current, previous, reloadRows);
}

bool reloadRecording(const QString &path, LiveBoxInfos *current, LiveBoxInfos *previous, const ReloadRows &rows,
                     ReloadProgress *progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (progress)
        progress->bytesTotal = file.size();
    LineReader lines(&file);
    const char *line = nullptr;
    int size = 0;
    if (!lines.next(&line, &size))
        return false; // empty file
    // The header line is skipped.

    // A recorded row takes 100 bytes or more: rather too much room than a
    // late copy of everything read so far (room never written to costs no
    // memory).
    if (rows.begins)
        rows.begins(size_t(file.size() / 100) + 16);
    // Two records take turns as the row being read and the row before it, so
    // that no record is copied per row. Both start as the current record,
    // whose texts that the file does not hold they keep.
    LiveBoxInfos first = *current;
    LiveBoxInfos second = *current;
    LiveBoxInfos *row = &first;
    LiveBoxInfos *before = &second;
    qint64 count = 0;
    bool stopped = false;
    while (lines.next(&line, &size)) {
        // A short row keeps the optional last columns of the row before it.
        before->PppLastChangeTime = row->PppLastChangeTime;
        before->PppLastChange = row->PppLastChange;
        before->UpstreamAttenuation = row->UpstreamAttenuation;
        before->DownstreamAttenuation = row->DownstreamAttenuation;
        if (!applyCsvRow(line, size, before))
            continue;
        // Recordings made before the attainable rates were converted.
        maxRatesInKbps(before);
        std::swap(row, before);
        if (count++ > 0 && rows.row)
            rows.row(row, before);
        if (progress && count % 8192 == 0) {
            progress->bytesRead = file.pos();
            if (progress->stop) {
                stopped = true;
                break;
            }
        }
    }
    if (progress)
        progress->bytesRead = file.pos();
    if (count > 0 && !stopped) {
        *previous = count > 1 ? std::move(*before) : *current;
        *current = std::move(*row);
    }
    if (rows.ends)
        rows.ends();
    return count > 0 && !stopped;
}

bool Recorder::copy(const LiveBoxInfos &current, const QString &target)
{
    QDir().mkpath(QFileInfo(target).absolutePath());
    // QFile::copy never replaces an existing file: a second copy within the
    // same second fails and the first one stays.
    return QFile::copy(recordingFilePath(networkName(current)), target);
}
