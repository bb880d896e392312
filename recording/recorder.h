#pragma once

#include <QString>

#include <atomic>
#include <functional>

#include "dayrollover.h"
#include "pendinglines.h"

struct LiveBoxInfos;

// Where a reload's rows go: first the number of rows to expect (rather too
// many than too few), then each row with the one before, then the end.
struct ReloadRows
{
    std::function<void(size_t expectedRows)> begins;
    std::function<void(LiveBoxInfos *row, LiveBoxInfos *before)> row;
    std::function<void()> ends;
};

// A reload that runs beside the window: how far it has read, and a way to
// stop it.
struct ReloadProgress
{
    std::atomic<qint64> bytesRead{0};
    std::atomic<qint64> bytesTotal{0};
    std::atomic<bool> stop{false};
};

// A reload read in parts, each on a thread of its own. Each part's rows go
// to the rows it was given, in order; a part after the first starts with a
// row read after `seed`, the last row of the part before.
struct ReloadParts
{
    // Whether a part may start with `row`, read after `before`: what its
    // rows make from there on must not depend on the rows before (for the
    // charts, times that name one instant each).
    std::function<bool(const LiveBoxInfos &row, const LiveBoxInfos &before)> canStartAt;
    // Where the rows of each part go, asked for every part in order before
    // any is read; `seed` is null for the first. The first part is told to
    // expect the whole file's rows: the others are appended to it.
    std::function<ReloadRows(int part, const LiveBoxInfos *seed)> rowsOf;
    // A part is worth a thread from this size on.
    qint64 partBytes = 32 << 20;
};

// Reads the recording at `path` back: `current` ends as its last row and
// `previous` as the row before (the texts the file does not hold keep their
// values), and `latest`, when given, has reached every row's day: after a
// clock set back the last row is not on the latest day. False when there
// was nothing to read, or when it was stopped. Plain code on its own data:
// it may run on a thread of its own. A large file is read in up to
// `threads` parts at once.
bool reloadRecording(const QString &path, LiveBoxInfos *current, LiveBoxInfos *previous, const ReloadParts &parts,
                     int threads, ReloadProgress *progress = nullptr, LatestDay *latest = nullptr);
// The same in one part.
bool reloadRecording(const QString &path, LiveBoxInfos *current, LiveBoxInfos *previous, const ReloadRows &rows,
                     ReloadProgress *progress = nullptr);

// The recording file and the synchronisation log of the network that the
// readings name, written as safely as the disk allows. Plain code: the
// window hands it the records, and gives it the charts' share of the work
// as the callbacks below.
class Recorder
{
public:
    // The network the recording goes by until a reading names one: the
    // settings' name of the previous run.
    void setKnownNetwork(const QString &network) { m_network = network; }

    // The summary chart, rebuilt when the log is created.
    std::function<void()> logCreated;

    // The day the recording's readings have reached: the change of day's.
    LatestDay latestDay;

    // The last logged event.
    QString lastSynchroText;
    double lastChangeTimeSeen = 0.0;
    double pppLastChangeTimeSeen = 0.0;

    // The name the files go by. A reply without the Wi-Fi name (a gateway's
    // odd moment), or a record not yet read, must not send a row to a file of
    // its own: the name of the latest reading that had one stays, or else
    // the previous run's.
    QString networkName(const LiveBoxInfos &current);

    // A fresh recording: the header line alone.
    void create(const LiveBoxInfos &current);
    // The reading's row, then the synchronisation log's row when the
    // reading reveals an event. A row that cannot be written now waits and
    // goes out first at the next append that can write it.
    void append(const LiveBoxInfos &current, const QString &startTime);
    // A copy of the recording; never replaces an existing file.
    bool copy(const LiveBoxInfos &current, const QString &target);
    // The change of day's copy. An archive already there that holds the
    // recording's rows, or the start of them, is one that a change of day
    // cut short (a power cut before the reset) left: it is completed and
    // taken. Any other file stays as it is, and the archive fails.
    bool archive(const LiveBoxInfos &current, const QString &target);

    // Another log of the network's own (the alerts), kept as safely as the
    // recording: a line that cannot be written waits with the rows.
    bool appendLine(const QString &path, const QString &header, const QString &line)
    {
        return m_pending.append(path, header, line);
    }
    // Writes what waits, if it now can; returns what still waits, file by file.
    QMap<QString, int> flush() { return m_pending.retry(); }

private:
    void logSynchronisation(const LiveBoxInfos &current, const QString &startTime);

    QString m_network;
    PendingLines m_pending{130000}; // about a week of rows per file at the shortest interval
};
