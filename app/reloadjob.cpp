#include "reloadjob.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "recording/recorder.h"

struct ReloadJob::State
{
    State(const QString &path, const LiveBoxInfos &current, const LiveBoxInfos &previous, SampleReload samples)
        : path(path)
        , current(current)
        , previous(previous)
        , samples(std::move(samples))
    {
    }
    const QString path;
    LiveBoxInfos current;
    LiveBoxInfos previous;
    SampleReload samples;
    ReloadProgress progress;
    bool loaded = false;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

ReloadJob::ReloadJob(const QString &path, const LiveBoxInfos &current, const LiveBoxInfos &previous,
                     SampleReload samples)
    : m_state(std::make_shared<State>(path, current, previous, std::move(samples)))
{
}

ReloadJob::~ReloadJob()
{
    stop();
}

void ReloadJob::start()
{
    m_thread = std::thread([state = m_state] {
        ReloadRows rows;
        rows.begins = [&state](size_t expected) { state->samples.table.reserve(expected); };
        rows.row = [&state](LiveBoxInfos *row, LiveBoxInfos *before) { state->samples.add(*row, *before); };
        const bool loaded = reloadRecording(state->path, &state->current, &state->previous, rows, &state->progress);
        // The views' summaries are made here too, not at the first drawing.
        if (loaded)
            state->samples.table.summarise();
        const std::lock_guard<std::mutex> lock(state->mutex);
        state->loaded = loaded;
        state->done = true;
        state->ended.notify_all();
    });
}

bool ReloadJob::done() const
{
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->done;
}

void ReloadJob::stop(int graceMs)
{
    if (!m_thread.joinable())
        return;
    m_state->progress.stop = true;
    bool ended;
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        ended = m_state->ended.wait_for(lock, std::chrono::milliseconds(graceMs), [this] { return m_state->done; });
    }
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

double ReloadJob::fraction() const
{
    const qint64 total = m_state->progress.bytesTotal;
    return total > 0 ? std::min(1.0, double(m_state->progress.bytesRead) / double(total)) : 0.0;
}

bool ReloadJob::loaded() const
{
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->loaded;
}

LiveBoxInfos &ReloadJob::current()
{
    return m_state->current;
}

LiveBoxInfos &ReloadJob::previous()
{
    return m_state->previous;
}

SampleReload &ReloadJob::samples()
{
    return m_state->samples;
}
