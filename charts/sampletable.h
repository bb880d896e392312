#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "curveseries.h"
#include "router/liveboxinfos.h"
#include "timewindow.h"

// The twelve time curves, in the order they are drawn and listed.
// The lowest and highest values of a run of samples, as stored.
struct Extremes
{
    float low, high;
};

// The samples of one bucket of time: its lowest, highest, first and last
// values, as stored. `index` counts buckets from the epoch.
struct TimeBucket
{
    qint64 index;
    float low, high, first, last;
};

// The samples of the time curves, plain data with no widget: one time per
// poll shared by every curve, each value in four bytes, and for each curve
// the lowest and highest values of blocks of samples at several sizes, kept
// up to date as polls arrive. A view of a year then reads a few thousand
// blocks, never millions of samples. The samples are kept in time order: one
// read after the clock was set back takes its place among the earlier ones.
class SampleTable
{
public:
    // Room for `rows` polls, taken once rather than by doubling.
    void reserve(size_t rows);
    // Every sample, resynchronisation and stall gone, their memory given
    // back; where the last sample stood is kept.
    void clear();

    // Adds the poll `now`, read after `before`. `instant(text, previous)`
    // gives the chart time of a reading's text, `previous` being the time of
    // the sample before it (NaN when unknown). A reading without a readable
    // time adds nothing and returns false. Polls further apart than
    // `stallMs` leave a gap.
    template <typename Instant>
    bool add(const LiveBoxInfos &now, const LiveBoxInfos &before, Instant &&instant, double stallMs)
    {
        // The previous reading is the last sample, whose instant is known.
        const double none = std::numeric_limits<double>::quiet_NaN();
        const bool follows = !lastSampleText.isNull() && before.DateTime == lastSampleText;
        const double previous = follows ? lastSampleTime : instant(before.DateTime, none);
        const double t = instant(now.DateTime, follows ? lastSampleTime : none);
        if (std::isnan(t))
            return false;
        push(now, before, t, std::isnan(previous) ? t : previous, stallMs);
        lastSampleText = now.DateTime;
        return true;
    }

    // One poll's values at `t`, in the record's units (the error counters
    // as their count since the poll before, 0.1 for none).
    void append(double t, const double values[CurveCount]);

    size_t size() const { return m_times.size(); }
    bool empty() const { return m_times.empty(); }
    double time(size_t i) const { return m_times[i]; }
    double x(int curve, size_t i) const { return m_times[i] + m_shift[curve]; }
    // The value as drawn, of a sample or of a value as stored.
    double value(int curve, size_t i) const { return drawn(curve, m_values[curve][i]); }
    float stored(int curve, size_t i) const { return m_values[curve][i]; }
    static double drawn(int curve, float stored)
    {
        const CurveSeries &source = curveSeries(curve);
        if (source.counter)
            return stored == 0.1f ? 0.1 : double(stored);
        return double(stored) / source.divisor;
    }
    QPointF sample(int curve, size_t i) const { return QPointF(x(curve, i), value(curve, i)); }

    // The error sticks of a poll stand this far (ms) either side of it.
    void setStickShift(double ms);

    // The first index in [from, to) whose sample stands at `x` or after
    // (`to` when none).
    size_t lowerBound(int curve, double x, size_t from, size_t to) const;
    size_t lowerBound(int curve, double x) const { return lowerBound(curve, x, 0, size()); }
    // The last sample at or before `x`: the first one for an `x` before the
    // recording, -1 when there is none.
    long indexAt(double x) const;
    // Lowest and highest of the samples [from, to), from < to, as stored
    // (`drawn` gives them as drawn).
    Extremes extremes(int curve, size_t from, size_t to) const;
    QRectF boundingRect(int curve) const;

    // A table with no sample that continues this one: a reload fills it
    // apart, then this one takes its rows.
    SampleTable continuation() const;
    void takeRows(SampleTable &&other);

    // The samples of a curve by buckets of time, for views where a pixel
    // column spans many hours: one of a few sizes (`bucketMs`), in time
    // order, only those that hold samples.
    static constexpr int bucketSizes = 2;
    static constexpr double bucketMs[bucketSizes] = {3600000.0, 12 * 3600000.0};
    const std::vector<TimeBucket> &buckets(int curve, int size) const;

    size_t memoryBytes() const;
    // Brings the summaries up to date (they follow on demand otherwise), on
    // up to `threads` threads: a reload does it on its own, not at the first
    // drawing.
    void summarise(int threads = 1) const;

    // Resynchronisation sticks: at the moment of the synchronisation, 100000
    // high (the curves draw them to the top of each plot).
    QPolygonF synchro;
    struct Gap
    {
        double start, end;
    };
    std::vector<Gap> gaps; // polls further apart than the stall duration
    double firstSampleTime = 0;
    double lastSampleTime = 0;
    QString lastSampleText; // the reading of the last sample
    // The highest rate of the first poll that found the line up (NaN until then).
    double firstHighestRate = std::numeric_limits<double>::quiet_NaN();

private:
    void push(const LiveBoxInfos &now, const LiveBoxInfos &before, double t, double t0, double stallMs);
    // Puts the samples from `from` on, themselves in time order, among those
    // before them.
    void keepInOrder(size_t from);
    void summariseCurve(int curve) const;

    std::vector<double> m_times;
    std::vector<float> m_values[CurveCount];
    double m_shift[CurveCount] = {};
    double m_earliest = std::numeric_limits<double>::infinity();
    double m_latest = -std::numeric_limits<double>::infinity();
    // Per curve, level k holds the extremes of blocks of 16^(k+1) samples,
    // and the time of the first sample of each block of 16 is kept apart:
    // a search by time reads that short array, not the times themselves.
    // They cover the first m_summarised samples and follow on demand.
    mutable std::vector<std::vector<Extremes>> m_levels[CurveCount];
    mutable std::vector<TimeBucket> m_buckets[CurveCount][bucketSizes];
    mutable std::vector<double> m_blockTimes;
    mutable size_t m_summarised = 0;
};

// One curve of a table read as the sample array the charts' description
// names (`pointsDownload`, ...): x the time, y the value as drawn.
class SeriesView
{
public:
    SeriesView(const SampleTable *table, int curve)
        : m_table(table)
        , m_curve(curve)
    {
    }
    int size() const { return int(m_table->size()); }
    bool isEmpty() const { return m_table->empty(); }
    QPointF at(int i) const { return m_table->sample(m_curve, size_t(i)); }
    QPointF first() const { return at(0); }
    QPointF last() const { return at(size() - 1); }
    QPolygonF toPolygon() const;

private:
    const SampleTable *m_table;
    int m_curve;
};

// The rows of a reload, fed in order into a table apart that continues the
// curves as they stood; their chart times read the zone's offsets once per
// stretch of time rather than the zone file for every row.
class SampleReload
{
public:
    SampleReload(SampleTable continued, double stallMs)
        : table(std::move(continued))
        , m_stallMs(stallMs)
    {
    }
    // A reload read in parts: the part that starts after the row `seed`,
    // filled apart from the rows before it, then taken by this one.
    SampleReload after(const LiveBoxInfos &seed) const;
    bool canStartAt(const LiveBoxInfos &row, const LiveBoxInfos &before)
    {
        return m_clock.namesOneInstant(row.DateTime) && m_clock.namesOneInstant(before.DateTime);
    }
    void take(SampleReload &&part) { table.takeRows(std::move(part.table)); }

    void add(const LiveBoxInfos &row, const LiveBoxInfos &before)
    {
        table.add(
            row, before, [this](const QString &text, double previous) { return m_clock.instant(text, previous); },
            m_stallMs);
    }

    SampleTable table;

private:
    ReloadClock m_clock;
    double m_stallMs;
};
