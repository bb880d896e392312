#include "reloadjob.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <QThread>

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
    LatestDay latestDay;
    ReloadProgress progress;
    int threads = std::max(1, QThread::idealThreadCount());
    qint64 partBytes = ReloadParts().partBytes;
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
    m_thread = std::thread([state = m_state] { read(*state); });
}

void ReloadJob::run()
{
    read(*m_state);
}

void ReloadJob::read(State &state)
{
    // Each part of the file fills a table of its own; the first one takes
    // the others' rows, in order, at the end.
    std::vector<std::unique_ptr<SampleReload>> pieces;
    ReloadParts parts;
    parts.canStartAt = [&state](const LiveBoxInfos &row, const LiveBoxInfos &before) {
        return state.samples.canStartAt(row, before);
    };
    parts.rowsOf = [&](int, const LiveBoxInfos *seed) {
        pieces.push_back(std::make_unique<SampleReload>(seed ? state.samples.after(*seed) : SampleReload(state.samples)));
        SampleReload *piece = pieces.back().get();
        ReloadRows rows;
        rows.begins = [piece](size_t expected) { piece->table.reserve(expected); };
        rows.row = [piece](LiveBoxInfos *row, LiveBoxInfos *before) { piece->add(*row, *before); };
        return rows;
    };
    parts.partBytes = state.partBytes;
    const bool loaded = reloadRecording(state.path, &state.current, &state.previous, parts, state.threads,
                                        &state.progress, &state.latestDay);
    if (loaded) {
        for (size_t k = 1; k < pieces.size(); ++k)
            pieces[0]->take(std::move(*pieces[k]));
        state.samples = std::move(*pieces[0]);
        // The views' summaries are made here too, not at the first drawing.
        state.samples.table.summarise(state.threads);
    }
    const std::lock_guard<std::mutex> lock(state.mutex);
    state.loaded = loaded;
    state.done = true;
    state.ended.notify_all();
}

void ReloadJob::setParts(int threads, qint64 bytes)
{
    m_state->threads = threads;
    m_state->partBytes = bytes;
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
    return total > 0 ? std::min(1.0, double(m_state->progress.bytesRead) / double(total)) : -1.0;
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

const LatestDay &ReloadJob::latestDay() const
{
    return m_state->latestDay;
}
