#include "sampletable.h"

#include <algorithm>
#include <numeric>
#include <thread>
#include <type_traits>

#include "timewindow.h"

namespace {
// Blocks of 16, 256, 4096... samples, of eight bytes: the edges of a pixel
// column read at most two cache lines per level, and the summaries cost half
// a byte per sample.
constexpr size_t fanout = 16;

inline qint64 floorDivide(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

inline void mergeInto(Extremes &r, const Extremes &e)
{
    r.low = std::min(r.low, e.low);
    r.high = std::max(r.high, e.high);
}

inline Extremes single(const float *values, size_t i)
{
    return Extremes{values[i], values[i]};
}

Extremes overSamples(const float *values, size_t from, size_t to)
{
    Extremes r = single(values, from);
    for (size_t i = from + 1; i < to; ++i) {
        r.low = std::min(r.low, values[i]);
        r.high = std::max(r.high, values[i]);
    }
    return r;
}

Extremes overBlocks(const std::vector<Extremes> &blocks, size_t from, size_t to)
{
    Extremes r = blocks[from];
    for (size_t i = from + 1; i < to; ++i)
        mergeInto(r, blocks[i]);
    return r;
}
}


void SampleTable::reserve(size_t rows)
{
    m_times.reserve(rows);
    for (std::vector<float> &values : m_values)
        values.reserve(rows);
}

void SampleTable::clear()
{
    std::vector<double>().swap(m_times);
    for (int c = 0; c < CurveCount; ++c) {
        std::vector<float>().swap(m_values[c]);
        std::vector<std::vector<Extremes>>().swap(m_levels[c]);
        for (std::vector<TimeBucket> &buckets : m_buckets[c])
            std::vector<TimeBucket>().swap(buckets);
    }
    std::vector<double>().swap(m_blockTimes);
    m_summarised = 0;
    m_earliest = std::numeric_limits<double>::infinity();
    m_latest = -std::numeric_limits<double>::infinity();
    synchro = QPolygonF();
    std::vector<Gap>().swap(gaps);
}

void SampleTable::push(const LiveBoxInfos &now, const LiveBoxInfos &before, double t, double t0, double stallMs)
{
    if (t - t0 > stallMs)
        gaps.push_back(Gap{t0, t});
    // The stick stands at the moment of the synchronisation.
    if (now.LastChangeTime != before.LastChangeTime)
        synchro.append(QPointF(t - now.LastChange * 1000, 100000));
    lastSampleTime = t;
    // An unreadable previous time (the placeholder of a failed start) must
    // not stretch the recording back to 1970: it is the reading's own. The
    // first sample starts the recording, whatever start an empty table held.
    if (empty() || firstSampleTime > t0)
        firstSampleTime = t0;

    double values[CurveCount];
    for (int c = 0; c < CurveCount; ++c) {
        const CurveSeries &s = curveSeries(c);
        values[c] = s.counter ? errorStickHeight(now.*s.field, before.*s.field) : now.*s.field;
    }
    append(t, values);

    if (std::isnan(firstHighestRate)) {
        // A line that is down says nothing of its rates: wait for one that is up.
        const double highest = std::max({now.DownstreamMaxRate, now.DownstreamCurrRate, now.UpstreamMaxRate,
                                         now.UpstreamCurrRate});
        if (highest > 0 && std::isfinite(highest))
            firstHighestRate = highest;
    }
}

void SampleTable::append(double t, const double values[CurveCount])
{
    m_times.push_back(t);
    m_earliest = std::min(m_earliest, t);
    m_latest = std::max(m_latest, t);
    for (int c = 0; c < CurveCount; ++c)
        m_values[c].push_back(float(values[c]));
    keepInOrder(m_times.size() - 1);
}

void SampleTable::keepInOrder(size_t from)
{
    const size_t n = m_times.size();
    if (from == 0 || from >= n || m_times[from] >= m_times[from - 1])
        return;
    // The clock was set back: the samples from `from` on go among the
    // earlier ones. Only those from the first that moves on are rewritten,
    // and only their summaries made again: after a step of an hour, an hour
    // of samples, however long the recording.
    const auto begin = m_times.begin();
    const size_t first = size_t(std::upper_bound(begin, begin + long(from), m_times[from]) - begin);
    std::vector<size_t> order(n - first);
    std::iota(order.begin(), order.end(), first);
    // Stable: samples of the same time stay in the order they came.
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) { return m_times[a] < m_times[b]; });
    const auto permute = [&](auto &values) {
        const std::vector<typename std::decay_t<decltype(values)>::value_type> moved(values.begin() + long(first),
                                                                                      values.end());
        for (size_t k = 0; k < order.size(); ++k)
            values[first + k] = moved[order[k] - first];
    };
    permute(m_times);
    for (std::vector<float> &values : m_values)
        permute(values);

    if (first >= m_summarised)
        return;
    m_summarised = first;
    for (int c = 0; c < CurveCount; ++c) {
        // The hour of the last sample that stayed is kept: its samples that
        // follow are taken again, which leaves its extremes as they are.
        std::vector<TimeBucket> &hours = m_buckets[c][0];
        const qint64 kept = first > 0 ? qint64(std::floor((m_times[first - 1] + m_shift[c]) / bucketMs[0]))
                                      : std::numeric_limits<qint64>::min();
        while (!hours.empty() && hours.back().index > kept)
            hours.pop_back();
        if (hours.empty()) {
            for (std::vector<TimeBucket> &buckets : m_buckets[c])
                buckets.clear();
        }
    }
}

void SampleTable::setStickShift(double ms)
{
    for (int c = 0; c < CurveCount; ++c)
        m_shift[c] = curveSeries(c).side * ms;
}

size_t SampleTable::lowerBound(int curve, double x, size_t from, size_t to) const
{
    if (from >= to)
        return to;
    summarise();
    const double shift = m_shift[curve];
    const auto before = [shift, x](double t) { return t + shift < x; };
    // The first block (of those that start in [from, to)) that starts at x
    // or after, found by strides that double from `from`: the search stays
    // near where it starts, as a walk along the view does. The answer is in
    // the block before it, or is its first sample.
    const size_t firstBlock = (from + fanout - 1) / fanout;
    const size_t endBlock = std::max(firstBlock, (to + fanout - 1) / fanout);
    size_t known = firstBlock; // every block before it starts before x
    size_t stride = 1;
    while (known < endBlock && before(m_blockTimes[known])) {
        const size_t next = std::min(endBlock, known + stride);
        if (next < endBlock && before(m_blockTimes[next])) {
            known = next + 1;
            stride *= 2;
            continue;
        }
        known = size_t(std::partition_point(m_blockTimes.begin() + long(known + 1), m_blockTimes.begin() + long(next),
                                            before)
                       - m_blockTimes.begin());
        break;
    }
    const size_t block = known;
    const size_t low = block > firstBlock ? std::max(from, (block - 1) * fanout) : from;
    const size_t high = std::min(to, block * fanout);
    return size_t(std::partition_point(m_times.begin() + long(low), m_times.begin() + long(high), before)
                  - m_times.begin());
}

long SampleTable::indexAt(double x) const
{
    if (m_times.empty())
        return -1;
    const long after = long(std::upper_bound(m_times.begin(), m_times.end(), x) - m_times.begin());
    return std::max(0L, after - 1);
}

void SampleTable::summarise(int threads) const
{
    const size_t n = m_times.size();
    if (m_summarised >= n)
        return;
    m_blockTimes.resize(m_summarised / fanout);
    for (size_t from = m_blockTimes.size() * fanout; from < n; from += fanout)
        m_blockTimes.push_back(m_times[from]);
    // The curves apart from each other, shared out between the threads.
    std::vector<std::thread> helpers;
    const int count = std::max(1, std::min(threads, int(CurveCount)));
    for (int t = 1; t < count; ++t)
        helpers.emplace_back([this, t, count] {
            for (int c = t; c < CurveCount; c += count)
                summariseCurve(c);
        });
    for (int c = 0; c < CurveCount; c += count)
        summariseCurve(c);
    for (std::thread &helper : helpers)
        helper.join();
    m_summarised = n;
}

void SampleTable::summariseCurve(int c) const
{
    const size_t n = m_times.size();
    std::vector<std::vector<Extremes>> &levels = m_levels[c];
    const float *values = m_values[c].data();
    if (levels.empty())
        levels.emplace_back();
    // The block that held the last summarised sample is made again whole.
    size_t unit = fanout;
    std::vector<Extremes> &bottom = levels[0];
    bottom.resize(m_summarised / unit);
    for (size_t from = bottom.size() * unit; from < n; from += unit)
        bottom.push_back(overSamples(values, from, std::min(n, from + unit)));
    for (size_t k = 1; levels[k - 1].size() > 1; ++k) {
        if (levels.size() <= k)
            levels.emplace_back();
        const std::vector<Extremes> &below = levels[k - 1];
        std::vector<Extremes> &blocks = levels[k];
        blocks.resize(std::min(blocks.size(), m_summarised / (unit * fanout)));
        for (size_t from = blocks.size() * fanout; from < below.size(); from += fanout)
            blocks.push_back(overBlocks(below, from, std::min(below.size(), from + fanout)));
        unit *= fanout;
    }
    // The hours take the new samples where the last one stopped; the
    // longer buckets take the hours.
    std::vector<TimeBucket> &hours = m_buckets[c][0];
    const double hour = bucketMs[0];
    const size_t hoursBefore = hours.empty() ? 0 : hours.size() - 1; // the last one may grow
    qint64 index = hours.empty() ? std::numeric_limits<qint64>::min() : hours.back().index;
    double start = hours.empty() ? 0 : double(index) * hour;
    double end = hours.empty() ? -1 : start + hour;
    for (size_t i = m_summarised; i < n; ++i) {
        const double x = m_times[i] + m_shift[c];
        const float v = values[i];
        if (!(x >= start && x < end)) {
            index = qint64(std::floor(x / hour));
            start = double(index) * hour;
            end = start + hour;
            if (hours.empty() || hours.back().index != index) {
                hours.push_back(TimeBucket{index, v, v, v, v});
                continue;
            }
        }
        TimeBucket &b = hours.back();
        b.low = std::min(b.low, v);
        b.high = std::max(b.high, v);
        b.last = v;
    }
    for (int size = 1; size < bucketSizes; ++size) {
        std::vector<TimeBucket> &buckets = m_buckets[c][size];
        const qint64 span = qint64(bucketMs[size] / hour);
        // The bucket that held the hours that may have grown is made again.
        const qint64 redo = hoursBefore < hours.size() ? floorDivide(hours[hoursBefore].index, span)
                                                       : std::numeric_limits<qint64>::max();
        while (!buckets.empty() && buckets.back().index >= redo)
            buckets.pop_back();
        size_t h = hoursBefore;
        while (h > 0 && floorDivide(hours[h - 1].index, span) >= redo)
            --h;
        for (; h < hours.size(); ++h) {
            const TimeBucket &b = hours[h];
            const qint64 mine = floorDivide(b.index, span);
            if (!buckets.empty() && buckets.back().index == mine) {
                TimeBucket &m = buckets.back();
                m.low = std::min(m.low, b.low);
                m.high = std::max(m.high, b.high);
                m.last = b.last;
            } else {
                buckets.push_back(TimeBucket{mine, b.low, b.high, b.first, b.last});
            }
        }
    }
}

const std::vector<TimeBucket> &SampleTable::buckets(int curve, int size) const
{
    summarise();
    return m_buckets[curve][size];
}

Extremes SampleTable::extremes(int curve, size_t from, size_t to) const
{
    summarise();
    const float *values = m_values[curve].data();
    const std::vector<std::vector<Extremes>> &levels = m_levels[curve];
    Extremes r = single(values, from);
    // Single samples up to the edges of whole blocks, then whole blocks,
    // each level taking the runs too short for the one above.
    size_t a = from + 1, b = to;
    while (a < b && a % fanout)
        mergeInto(r, single(values, a++));
    while (a < b && b % fanout)
        mergeInto(r, single(values, --b));
    size_t unit = fanout;
    for (size_t k = 0; a < b; ++k, unit *= fanout) {
        const std::vector<Extremes> &blocks = levels[k];
        const size_t up = unit * fanout;
        const bool top = k + 1 >= levels.size();
        while (a < b && (top || a % up)) {
            mergeInto(r, blocks[a / unit]);
            a += unit;
        }
        while (a < b && b % up) {
            b -= unit;
            mergeInto(r, blocks[b / unit]);
        }
    }
    return r;
}

QRectF SampleTable::boundingRect(int curve) const
{
    if (m_times.empty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    const Extremes e = extremes(curve, 0, m_times.size());
    return QRectF(QPointF(m_earliest + m_shift[curve], drawn(curve, e.low)),
                  QPointF(m_latest + m_shift[curve], drawn(curve, e.high)));
}

SampleTable SampleTable::continuation() const
{
    SampleTable next;
    std::copy(std::begin(m_shift), std::end(m_shift), std::begin(next.m_shift));
    next.firstSampleTime = firstSampleTime;
    next.lastSampleTime = lastSampleTime;
    next.lastSampleText = lastSampleText;
    next.firstHighestRate = firstHighestRate;
    return next;
}

void SampleTable::takeRows(SampleTable &&other)
{
    if (m_times.empty()) {
        m_times = std::move(other.m_times);
        for (int c = 0; c < CurveCount; ++c) {
            m_values[c] = std::move(other.m_values[c]);
            m_levels[c] = std::move(other.m_levels[c]);
            for (int size = 0; size < bucketSizes; ++size)
                m_buckets[c][size] = std::move(other.m_buckets[c][size]);
        }
        m_blockTimes = std::move(other.m_blockTimes);
        m_summarised = other.m_summarised;
        m_earliest = other.m_earliest;
        m_latest = other.m_latest;
    } else {
        const size_t from = m_times.size();
        m_times.insert(m_times.end(), other.m_times.begin(), other.m_times.end());
        for (int c = 0; c < CurveCount; ++c)
            m_values[c].insert(m_values[c].end(), other.m_values[c].begin(), other.m_values[c].end());
        m_earliest = std::min(m_earliest, other.m_earliest);
        m_latest = std::max(m_latest, other.m_latest);
        keepInOrder(from);
    }
    synchro += other.synchro;
    gaps.insert(gaps.end(), other.gaps.begin(), other.gaps.end());
    // It continued this table: its last sample is the newer one.
    firstSampleTime = std::min(firstSampleTime, other.firstSampleTime);
    lastSampleTime = other.lastSampleTime;
    lastSampleText = other.lastSampleText;
    if (std::isnan(firstHighestRate))
        firstHighestRate = other.firstHighestRate;
    other.clear();
}

size_t SampleTable::memoryBytes() const
{
    size_t bytes = (m_times.capacity() + m_blockTimes.capacity()) * sizeof(double);
    for (int c = 0; c < CurveCount; ++c) {
        bytes += m_values[c].capacity() * sizeof(float);
        for (const std::vector<Extremes> &level : m_levels[c])
            bytes += level.capacity() * sizeof(Extremes);
        for (const std::vector<TimeBucket> &buckets : m_buckets[c])
            bytes += buckets.capacity() * sizeof(TimeBucket);
    }
    return bytes + size_t(synchro.capacity()) * sizeof(QPointF) + gaps.capacity() * sizeof(Gap);
}

QPolygonF SeriesView::toPolygon() const
{
    QPolygonF points;
    points.reserve(size());
    for (int i = 0; i < size(); ++i)
        points << at(i);
    return points;
}

SampleReload SampleReload::after(const LiveBoxInfos &seed) const
{
    SampleTable part = table.continuation();
    part.firstSampleTime = std::numeric_limits<double>::infinity();
    part.firstHighestRate = std::numeric_limits<double>::quiet_NaN();
    part.lastSampleText = seed.DateTime;
    // The seed's text names one instant: no row before it is needed.
    part.lastSampleTime = ReloadClock().instant(seed.DateTime, std::numeric_limits<double>::quiet_NaN());
    return SampleReload(std::move(part), m_stallMs);
}
