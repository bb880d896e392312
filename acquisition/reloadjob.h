#pragma once

#include <QString>

#include <memory>
#include <thread>

#include "charts/sampletable.h"
#include "recording/dayrollover.h"
#include "router/liveboxinfos.h"

// The recording read back on a thread of its own, so that the program (its
// splash, a stop signal) answers while a year of rows loads; a large file
// is read in parts, one per core. It works on copies: the window's records
// and curves change only when it takes the result, once `done()`.
class ReloadJob
{
public:
    ReloadJob(const QString &path, const LiveBoxInfos &current, const LiveBoxInfos &previous, SampleReload samples);
    // Stops the reading first.
    ~ReloadJob();
    ReloadJob(const ReloadJob &) = delete;
    ReloadJob &operator=(const ReloadJob &) = delete;

    // Up to `threads` parts of at least `bytes` each (one per core, of 32 MB
    // or more, unless told otherwise).
    void setParts(int threads, qint64 bytes);
    // On a thread of its own; or on the caller's, returning once done.
    void start();
    void run();
    bool done() const;
    // Asks the reading to stop and waits until it has (a few milliseconds
    // between two blocks of rows). A read that hangs (a file on a network
    // share gone away) is left behind after `graceMs`: the program may
    // always end.
    void stop(int graceMs = 2000);
    // The share of the file read so far, from 0 to 1; negative when the
    // file does not say its size (a pipe).
    double fraction() const;

    // Once done: whether rows were read, and what they gave.
    bool loaded() const;
    LiveBoxInfos &current();
    LiveBoxInfos &previous();
    SampleReload &samples();
    const LatestDay &latestDay() const;

    struct State;

private:
    static void read(State &state);
    std::shared_ptr<State> m_state; // shared with the thread, which may outlive the job
    std::thread m_thread;
};
