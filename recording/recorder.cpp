#include "recorder.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

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
    const bool named = !name.isEmpty() && name != unknownText();
    if (named)
        m_network = name;
    // Until a reading names the network, the settings' name of the previous
    // run (or the latest reading's) stands: rows and alerts of a gateway not
    // yet read go to the files they belong to.
    if (!named && !m_network.isEmpty())
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

namespace {
// One part of a reload: the rows that start in [from, to).
struct Part
{
    qint64 from = 0;
    qint64 to = 0;
    bool seeded = false; // every part but the first starts after a row of the one before
    LiveBoxInfos seed;
    ReloadRows rows;
    qint64 read = 0; // rows read, the seed included
    LiveBoxInfos last;
    LiveBoxInfos beforeLast;
    LatestDay latest;
    bool stopped = false;
};

// Takes the line as the row after `*row`, into `*before`, which it then
// swaps with `*row`; false for a line that is no row.
bool takeRow(const char *line, int size, LiveBoxInfos **row, LiveBoxInfos **before)
{
    // A short row keeps the optional last columns of the row before it.
    (*before)->PppLastChangeTime = (*row)->PppLastChangeTime;
    (*before)->PppLastChange = (*row)->PppLastChange;
    (*before)->UpstreamAttenuation = (*row)->UpstreamAttenuation;
    (*before)->DownstreamAttenuation = (*row)->DownstreamAttenuation;
    if (!applyCsvRow(line, size, *before))
        return false;
    // Recordings made before the attainable rates were converted.
    maxRatesInKbps(*before);
    std::swap(*row, *before);
    return true;
}

bool sameDateText(const QString &a, const QString &b)
{
    const int date = 10; // "dd/MM/yyyy"
    return a.size() >= date && b.size() >= date && std::equal(a.constData(), a.constData() + date, b.constData());
}

void readPart(const QString &path, const LiveBoxInfos &initial, Part *part, ReloadProgress *progress)
{
    QFile file(path);
    // A pipe or a device cannot seek: it is read from its start, in one part.
    if (!file.open(QIODevice::ReadOnly) || (part->from > 0 && !file.seek(part->from)))
        return;
    LineReader lines(&file, part->from);
    const char *line = nullptr;
    int size = 0;
    // The header line is skipped.
    if (!part->seeded && !lines.next(&line, &size))
        return;
    // Two records take turns as the row being read and the row before it, so
    // that no record is copied per row. Both start as the current record,
    // whose texts that the file does not hold they keep.
    LiveBoxInfos first = part->seeded ? part->seed : initial;
    LiveBoxInfos second = first;
    LiveBoxInfos *row = &first;
    LiveBoxInfos *before = &second;
    qint64 count = part->seeded ? 1 : 0;
    qint64 counted = part->from;
    while (lines.offset() < part->to && lines.next(&line, &size)) {
        if (!takeRow(line, size, &row, &before))
            continue;
        // Rows of one day share their date's text, and the day's latest
        // reading is the last of its run: the days are taken at the ends of
        // the runs, not at every row.
        if (count > 0 && !sameDateText(row->DateTime, before->DateTime))
            part->latest.reach(before->DateTime);
        if (count++ > 0 && part->rows.row)
            part->rows.row(row, before);
        if (progress && count % 8192 == 0) {
            progress->bytesRead += lines.offset() - counted;
            counted = lines.offset();
            if (progress->stop) {
                part->stopped = true;
                break;
            }
        }
    }
    if (progress)
        progress->bytesRead += lines.offset() - counted;
    if (count > 0)
        part->latest.reach(row->DateTime);
    part->read = count;
    part->last = std::move(*row);
    part->beforeLast = std::move(*before);
    if (part->rows.ends)
        part->rows.ends();
}

// Where a part may start at or after `offset` (before `limit`): the first
// row that `canStartAt` accepts after a whole row, which is its seed.
bool findPartStart(const QString &path, const LiveBoxInfos &initial, qint64 offset, qint64 limit,
                   const ReloadParts &parts, Part *part)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return false;
    LineReader lines(&file, offset);
    const char *line = nullptr;
    int size = 0;
    if (!lines.next(&line, &size)) // the rest of the line the offset fell in
        return false;
    LiveBoxInfos first = initial;
    LiveBoxInfos second = initial;
    LiveBoxInfos *row = &first;
    LiveBoxInfos *before = &second;
    bool afterWholeRow = false;
    while (lines.offset() < limit) {
        const qint64 at = lines.offset();
        if (!lines.next(&line, &size))
            return false;
        if (!takeRow(line, size, &row, &before))
            continue;
        // A whole seed: a short row would take columns of the rows before it.
        if (afterWholeRow && parts.canStartAt(*row, *before)) {
            part->from = at;
            part->seeded = true;
            part->seed = *before;
            return true;
        }
        afterWholeRow = csvFieldCount(line, size) == 33;
    }
    return false;
}
}

bool reloadRecording(const QString &path, LiveBoxInfos *current, LiveBoxInfos *previous, const ReloadParts &parts,
                     int threads, ReloadProgress *progress, LatestDay *latest)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    file.close();
    if (progress)
        progress->bytesTotal = size;

    const qint64 count = std::max<qint64>(1, std::min<qint64>(threads, size / std::max<qint64>(1, parts.partBytes)));
    std::vector<Part> list(1);
    for (qint64 k = 1; k < count; ++k) {
        Part next;
        const qint64 wanted = size * k / count;
        if (wanted > list.back().from
            && findPartStart(path, *current, wanted, std::min(size, wanted + (16 << 20)), parts, &next)) {
            list.back().to = next.from;
            list.push_back(std::move(next));
        }
    }
    list.back().to = std::numeric_limits<qint64>::max(); // the last one reads to the end
    for (size_t k = 0; k < list.size(); ++k) {
        list[k].rows = parts.rowsOf(int(k), list[k].seeded ? &list[k].seed : nullptr);
        // A recorded row takes 100 bytes or more: rather too much room than a
        // late copy of everything read so far (room never written to costs
        // no memory).
        const qint64 bytes = k == 0 ? size : std::min(size, list[k].to) - list[k].from;
        if (list[k].rows.begins)
            list[k].rows.begins(size_t(bytes / 100) + 16);
    }

    std::vector<std::thread> workers;
    for (size_t k = 1; k < list.size(); ++k)
        workers.emplace_back(readPart, path, *current, &list[k], progress);
    readPart(path, *current, &list[0], progress);
    for (std::thread &worker : workers)
        worker.join();

    qint64 rows = 0;
    bool stopped = false;
    for (const Part &part : list) {
        rows += part.seeded ? part.read - 1 : part.read;
        stopped = stopped || part.stopped;
    }
    if (rows == 0 || stopped)
        return false;
    if (latest) {
        for (const Part &part : list)
            latest->reach(part.latest.reading());
    }
    const Part &end = list.back();
    *previous = end.read > 1 ? end.beforeLast : *current;
    *current = end.last;
    return true;
}

bool reloadRecording(const QString &path, LiveBoxInfos *current, LiveBoxInfos *previous, const ReloadRows &rows,
                     ReloadProgress *progress)
{
    ReloadParts parts;
    parts.rowsOf = [&rows](int, const LiveBoxInfos *) { return rows; };
    return reloadRecording(path, current, previous, parts, 1, progress);
}

bool Recorder::copy(const LiveBoxInfos &current, const QString &target)
{
    QDir().mkpath(QFileInfo(target).absolutePath());
    // QFile::copy never replaces an existing file: a second copy within the
    // same second fails and the first one stays.
    return QFile::copy(recordingFilePath(networkName(current)), target);
}

namespace {
// Completes `target` with the rest of `source` when it holds the start of
// it (the whole of it, or none: a power cut may leave a renamed copy whose
// data never reached the disk). Only appends: what the file held stays.
bool completeCopy(const QString &source, const QString &target)
{
    QFile from(source);
    QFile to(target);
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::ReadWrite) || to.size() > from.size())
        return false;
    const qint64 chunk = 1 << 20;
    while (!to.atEnd()) {
        const QByteArray held = to.read(chunk);
        if (held.isEmpty() || from.read(held.size()) != held)
            return false;
    }
    while (!from.atEnd()) {
        const QByteArray rest = from.read(chunk);
        if (rest.isEmpty() || to.write(rest) != rest.size())
            return false;
    }
    return to.flush() && to.size() == from.size();
}
}

bool Recorder::archive(const LiveBoxInfos &current, const QString &target)
{
    return copy(current, target)
           || (QFileInfo(target).isFile() && completeCopy(recordingFilePath(networkName(current)), target));
}
