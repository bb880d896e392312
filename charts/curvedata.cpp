#include "curvedata.h"

#include <QPaintEngine>
#include <QPainter>

#include <qwt_scale_div.h>

#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

SeriesData::SeriesData(const SampleTable *table, int curve)
    : m_table(table)
    , m_curve(curve)
{
}

size_t SeriesData::size() const
{
    return m_table->size();
}

QPointF SeriesData::sample(size_t i) const
{
    return m_table->sample(m_curve, i);
}

QRectF SeriesData::boundingRect() const
{
    return m_table->boundingRect(m_curve);
}

SampleArrayData::SampleArrayData(const QPolygonF *points)
    : m_points(points)
{
}

size_t SampleArrayData::size() const
{
    return size_t(m_points->size());
}

QPointF SampleArrayData::sample(size_t i) const
{
    return m_points->at(int(i));
}

QRectF SampleArrayData::boundingRect() const
{
    const int count = m_points->size();
    if (count < m_boundedCount) { // the array was emptied and refilled
        m_boundedCount = 0;
        d_boundingRect = QRectF(1.0, 1.0, -2.0, -2.0);
    }
    for (int i = m_boundedCount; i < count; ++i) {
        const QPointF p = m_points->at(i);
        if (std::isnan(p.x()) || std::isnan(p.y()))
            continue;
        if (d_boundingRect.width() < 0) {
            d_boundingRect = QRectF(p, QSizeF(0, 0));
        } else {
            d_boundingRect.setLeft(std::min(d_boundingRect.left(), p.x()));
            d_boundingRect.setRight(std::max(d_boundingRect.right(), p.x()));
            d_boundingRect.setTop(std::min(d_boundingRect.top(), p.y()));
            d_boundingRect.setBottom(std::max(d_boundingRect.bottom(), p.y()));
        }
    }
    m_boundedCount = count;
    return d_boundingRect;
}

StickToTopData::StickToTopData(const QPolygonF *points, const QwtPlot *plot)
    : m_points(points)
    , m_plot(plot)
{
}

size_t StickToTopData::size() const
{
    return size_t(m_points->size());
}

double StickToTopData::top() const
{
    return m_plot->axisScaleDiv(QwtPlot::yLeft).upperBound();
}

QPointF StickToTopData::sample(size_t i) const
{
    return QPointF(m_points->at(int(i)).x(), top());
}

QRectF StickToTopData::boundingRect() const
{
    if (m_points->isEmpty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    // The sticks are appended in time order.
    const double first = m_points->first().x();
    const double last = m_points->last().x();
    return QRectF(QPointF(std::min(first, last), 0.0), QPointF(std::max(first, last), top()));
}

ReducedCurve::ReducedCurve(const QString &title)
    : QwtPlotCurve(title)
{
}

namespace {
// The pixel column of a sample, clamped so that far-off samples cannot
// overflow an int.
int columnOf(const QwtScaleMap &xMap, double x)
{
    return int(std::floor(qBound(-1e6, xMap.transform(x), 1e6)));
}
}

void ReducedCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, int from, int to) const
{
    const auto *series = dynamic_cast<const SeriesData *>(data());
    const int count = int(dataSize());
    if (to < 0)
        to = count - 1;
    from = std::max(from, 0);
    to = std::min(to, count - 1);
    if (from > to)
        return;
    if (!series) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    // Only the visible time range, plus one sample on each side so that the
    // lines run to the edges of the canvas.
    const SampleTable &table = *series->table();
    const double left = std::min(xMap.s1(), xMap.s2());
    const double right = std::max(xMap.s1(), xMap.s2());
    const size_t end = size_t(to) + 1;
    const int first = std::max(from, int(table.lowerBound(series->curve(), left, size_t(from), end)) - 1);
    const int last = std::min(to, int(table.lowerBound(series->curve(), right, size_t(from), end)));
    if (first > last)
        return;
    QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, first, last);
}

bool ReducedCurve::worthReducing(const QRectF &canvasRect, int from, int to) const
{
    return to - from + 1 > std::max(1.0, canvasRect.width()) && dynamic_cast<const SeriesData *>(data());
}

template <typename Visit>
void ReducedCurve::forEachColumn(const SeriesData &series, const QwtScaleMap &xMap, int from, int to,
                                 Visit visit) const
{
    const SampleTable &table = *series.table();
    const int curve = series.curve();
    // Where a column spans many hours, the buckets of time say enough: a
    // bucket stands in the column of its middle, a small part of a column
    // away from its samples.
    const double pixelMs = std::abs(xMap.sDist() / std::max(1e-9, xMap.pDist()));
    for (int size = SampleTable::bucketSizes - 1; size >= 0; --size) {
        const double length = SampleTable::bucketMs[size];
        if (length * 8 > pixelMs)
            continue;
        const std::vector<TimeBucket> &buckets = table.buckets(curve, size);
        const double left = std::min(xMap.s1(), xMap.s2()) - length;
        const double right = std::max(xMap.s1(), xMap.s2()) + length;
        auto b = std::partition_point(buckets.begin(), buckets.end(),
                                      [&](const TimeBucket &k) { return (double(k.index) + 1) * length < left; });
        // One more on each side, so that the lines run to the edges.
        if (b != buckets.begin())
            --b;
        bool open = false;
        ColumnRun run{};
        // The buckets of a column run to the last whose middle is left of
        // the column's right edge: found by bucket number, not by pixel.
        qint64 lastOfColumn = std::numeric_limits<qint64>::min();
        for (; b != buckets.end(); ++b) {
            if (open && b->index > lastOfColumn) {
                visit(run);
                open = false;
            }
            if (!open) {
                const int column = columnOf(xMap, (double(b->index) + 0.5) * length);
                const double edge = xMap.invTransform(column + 1);
                lastOfColumn = qint64(std::ceil(edge / length - 0.5)) - 1;
                // Rounding at the edge: the bucket's own column decides.
                lastOfColumn = std::max(lastOfColumn, b->index);
                run = ColumnRun{column, b->low, b->high, double(column), b->first, double(column), b->last};
                open = true;
            } else {
                run.low = std::min(run.low, b->low);
                run.high = std::max(run.high, b->high);
                run.lastValue = b->last;
            }
            if ((double(b->index) + 0.5) * length > right)
                break;
        }
        if (open)
            visit(run);
        return;
    }

    const size_t end = size_t(to) + 1;
    const bool rising = xMap.p2() >= xMap.p1();
    const auto columnAt = [&](size_t i) { return columnOf(xMap, table.x(curve, i)); };
    size_t width = 1; // samples in the column before: polls come at a steady pace
    for (size_t first = size_t(from); first < end;) {
        const int column = columnAt(first);
        // First where the column before ended, a few samples either way.
        size_t beyond = std::min(end, first + width);
        for (int step = 0; step < 4 && beyond < end && columnAt(beyond) == column; ++step)
            ++beyond;
        for (int step = 0; step < 4 && beyond > first + 1 && columnAt(beyond - 1) != column; ++step)
            --beyond;
        if (!(columnAt(beyond - 1) == column && (beyond == end || columnAt(beyond) != column))) {
            // The column's samples run to the first one at its right edge (a
            // search in the table's index of times, not through the samples).
            beyond = rising ? table.lowerBound(curve, xMap.invTransform(column + 1), first + 1, end) : end;
            // Where the edge and a sample fall on the same pixel boundary,
            // the sample's own column decides.
            while (beyond < end && columnAt(beyond) == column)
                ++beyond;
            while (beyond > first + 1 && columnAt(beyond - 1) != column)
                --beyond;
        }
        width = beyond - first;
        const Extremes e = table.extremes(curve, first, beyond);
        const size_t last = beyond - 1;
        visit(ColumnRun{column, e.low, e.high, xMap.transform(table.x(curve, first)), table.stored(curve, first),
                        xMap.transform(table.x(curve, last)), table.stored(curve, last)});
        first = beyond;
    }
}

namespace {
// The pixels [a, b] of a line across, `width` pixels thick.
QRect across(int at, int width, double a, double b, Qt::Orientation orientation)
{
    const int from = qRound(std::min(a, b));
    const int to = qRound(std::max(a, b));
    const int first = at - (width - 1) / 2;
    return orientation == Qt::Vertical ? QRect(first, from, width, to - from + 1)
                                       : QRect(from, first, to - from + 1, width);
}

int penPixels(const QPen &pen)
{
    return std::max(1, qRound(pen.widthF()));
}

// The brush of a pen's lines filled as areas: a dotted or dashed pen fills
// them half, in a fine pattern, rather than as one solid band.
QBrush brushOf(const QPen &pen)
{
    return QBrush(pen.color(), pen.style() == Qt::SolidLine ? Qt::SolidPattern : Qt::Dense4Pattern);
}

void fillAll(QPainter *painter, const QVector<QRect> &rects, const QPen &pen)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(brushOf(pen));
    painter->drawRects(rects);
    painter->restore();
}

// A bar of a reduced curve: the rows [top, bottom] of a pixel column.
struct Bar
{
    int column, top, bottom;
};

// Fills bars `width` pixels wide as horizontal spans: Qt fills a rectangle
// row by row, so a bar of one pixel costs a call for every one of its rows,
// while the rows of a band that runs across many columns are a few long
// spans. The spans are found by a sweep along the columns, in the time of
// the outline.
void fillBars(QPainter *painter, const QVector<Bar> &bars, int width, const QRectF &canvasRect, const QPen &pen)
{
    // Each pixel column's rows on the canvas, from the bars that cover it.
    const int left = int(std::floor(canvasRect.left())) - width - 1;
    const int right = int(std::ceil(canvasRect.right())) + width + 1;
    const int rowTop = int(std::floor(canvasRect.top())) - 1;
    const int rowBottom = int(std::ceil(canvasRect.bottom())) + 1;
    std::vector<int> top(size_t(right - left + 1), std::numeric_limits<int>::max());
    std::vector<int> bottom(top.size(), std::numeric_limits<int>::min());
    for (const Bar &bar : bars) {
        const int a = std::max(bar.top, rowTop), b = std::min(bar.bottom, rowBottom);
        if (a > b)
            continue;
        for (int x = std::max(left, bar.column - (width - 1) / 2); x <= std::min(right, bar.column + width / 2); ++x) {
            top[size_t(x - left)] = std::min(top[size_t(x - left)], a);
            bottom[size_t(x - left)] = std::max(bottom[size_t(x - left)], b);
        }
    }
    // Where the span open at each row began; rows that close together with
    // the same beginning make one rectangle.
    std::vector<int> begun(size_t(rowBottom - rowTop + 1), 0);
    QVector<QRect> spans;
    const auto close = [&](int from, int to, int x) {
        for (int y = from; y <= to;) {
            const int start = begun[size_t(y - rowTop)];
            int last = y;
            while (last + 1 <= to && begun[size_t(last + 1 - rowTop)] == start)
                ++last;
            spans << QRect(start, y, x - start, last - y + 1);
            y = last + 1;
        }
    };
    const auto open = [&](int from, int to, int x) {
        for (int y = from; y <= to; ++y)
            begun[size_t(y - rowTop)] = x;
    };
    int previousTop = 1, previousBottom = 0; // empty
    for (int x = left; x <= right + 1; ++x) {
        const bool covered = x <= right && top[size_t(x - left)] <= bottom[size_t(x - left)];
        const int t = covered ? top[size_t(x - left)] : 1;
        const int b = covered ? bottom[size_t(x - left)] : 0;
        if (previousTop > previousBottom) {
            open(t, b, x);
        } else if (t > b || t > previousBottom || b < previousTop) {
            close(previousTop, previousBottom, x);
            open(t, b, x);
        } else {
            close(previousTop, std::min(previousBottom, t - 1), x);
            close(std::max(previousTop, b + 1), previousBottom, x);
            open(t, std::min(b, previousTop - 1), x);
            open(std::max(t, previousBottom + 1), b, x);
        }
        previousTop = t;
        previousBottom = b;
    }
    fillAll(painter, spans, pen);
}

// Far-off values stand just off the canvas rather than overflow an int.
Bar barOf(int column, double a, double b)
{
    const double low = qBound(-1e6, std::min(a, b), 1e6);
    const double high = qBound(-1e6, std::max(a, b), 1e6);
    return Bar{column, qRound(low), qRound(high)};
}
}

void ReducedCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                             const QRectF &canvasRect, int from, int to) const
{
    if (!worthReducing(canvasRect, from, to)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    const auto &series = static_cast<const SeriesData &>(*data());
    const int curve = series.curve();
    const QPen pen = painter->pen();
    const int width = penPixels(pen);
    const auto y = [&](float stored) { return yMap.transform(SampleTable::drawn(curve, stored)); };
    QVector<Bar> bars;
    bars.reserve(int(canvasRect.width()) + 8);
    // Columns apart (a stall) are joined by a line, as the samples would be.
    QVector<QLineF> joins;
    bool started = false;
    int previousColumn = 0;
    QPointF previousEnd;
    forEachColumn(series, xMap, from, to, [&](const ColumnRun &run) {
        double top = std::min(y(run.low), y(run.high));
        double bottom = std::max(y(run.low), y(run.high));
        if (started && run.column - previousColumn <= 1) {
            top = std::min(top, previousEnd.y());
            bottom = std::max(bottom, previousEnd.y());
        } else if (started) {
            joins << QLineF(previousEnd, QPointF(run.firstX, y(run.firstValue)));
        }
        bars << barOf(run.column, top, bottom);
        started = true;
        previousColumn = run.column;
        previousEnd = QPointF(run.lastX, y(run.lastValue));
    });
    fillBars(painter, bars, width, canvasRect, pen);
    if (!joins.isEmpty())
        painter->drawLines(joins);
}

void ReducedCurve::drawSticks(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, int from, int to) const
{
    if (!worthReducing(canvasRect, from, to)) {
        QwtPlotCurve::drawSticks(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    const auto &series = static_cast<const SeriesData &>(*data());
    const double y0 = yMap.transform(baseline());
    const int width = penPixels(painter->pen());
    // The tallest stick of a column hides every other one drawn there.
    QVector<Bar> sticks;
    sticks.reserve(int(canvasRect.width()) + 8);
    forEachColumn(series, xMap, from, to, [&](const ColumnRun &run) {
        sticks << barOf(run.column, y0, yMap.transform(SampleTable::drawn(series.curve(), run.high)));
    });
    fillBars(painter, sticks, width, canvasRect, painter->pen());
}

void SynchroCurve::drawSticks(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, int from, int to) const
{
    const QPen pen = painter->pen();
    const int width = penPixels(pen);
    // Qt's patterns, in pen widths: dashes of 4 and gaps of 2, dots of 1 and
    // gaps of 2.
    const int on = pen.style() == Qt::DashLine ? 4 * width : pen.style() == Qt::DotLine ? width : 0;
    const int off = 2 * width;
    const double y0 = qBound(canvasRect.top() - 1, yMap.transform(baseline()), canvasRect.bottom() + 1);
    QVector<QRect> pieces;
    int previousColumn = std::numeric_limits<int>::min();
    for (int i = from; i <= to; ++i) {
        const QPointF p = sample(size_t(i));
        const double x = xMap.transform(p.x());
        if (x < canvasRect.left() - width || x > canvasRect.right() + width)
            continue;
        // Sticks as tall as each other within a pen's width of the one before
        // add nothing to it.
        const int column = qRound(x);
        if (std::abs(qint64(column) - previousColumn) < width)
            continue;
        previousColumn = column;
        const double top = qBound(canvasRect.top() - 1, yMap.transform(p.y()), canvasRect.bottom() + 1);
        if (on == 0) {
            pieces << across(column, width, y0, top, Qt::Vertical);
            continue;
        }
        // From the baseline up, as the stick is stroked.
        const int up = top < y0 ? -1 : 1;
        for (double a = y0; up < 0 ? a > top : a < top; a += up * (on + off))
            pieces << across(column, width, a, up < 0 ? std::max(top, a - on + 1) : std::min(top, a + on - 1),
                             Qt::Vertical);
    }
    QPen solid = pen;
    solid.setStyle(Qt::SolidLine);
    // A page, an image file or a printer gets the rectangles themselves.
    if (painter->paintEngine()->type() != QPaintEngine::Raster || pieces.isEmpty()) {
        fillAll(painter, pieces, solid);
        return;
    }
    if (pieces != m_drawn || pen.color() != m_drawnColour) {
        QRect bounds;
        for (const QRect &piece : pieces)
            bounds |= piece;
        bounds &= canvasRect.toAlignedRect();
        m_image = QImage(bounds.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        QPainter layer(&m_image);
        layer.translate(-bounds.topLeft());
        fillAll(&layer, pieces, solid);
        m_imageOrigin = bounds.topLeft();
        m_drawn = pieces;
        m_drawnColour = pen.color();
    }
    painter->drawImage(m_imageOrigin, m_image);
}

void RectGrid::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect) const
{
    if (minorPen().style() != Qt::SolidLine || majorPen().style() != Qt::SolidLine) {
        QwtPlotGrid::draw(painter, xMap, yMap, canvasRect);
        return;
    }
    // Where Qwt draws its lines: on whole pixels inside the canvas.
    const auto lines = [&](const QPen &pen, bool x, bool y, std::initializer_list<QwtScaleDiv::TickType> kinds) {
        const int width = penPixels(pen);
        QVector<QRect> rects;
        for (QwtScaleDiv::TickType kind : kinds) {
            for (double value : x ? xScaleDiv().ticks(kind) : QList<double>()) {
                const double at = qRound(xMap.transform(value));
                if (at >= canvasRect.left() && at <= canvasRect.right() - 1)
                    rects << across(int(at), width, canvasRect.top(), canvasRect.bottom() - 1, Qt::Vertical);
            }
            for (double value : y ? yScaleDiv().ticks(kind) : QList<double>()) {
                const double at = qRound(yMap.transform(value));
                if (at >= canvasRect.top() && at <= canvasRect.bottom() - 1)
                    rects << across(int(at), width, canvasRect.left(), canvasRect.right() - 1, Qt::Horizontal);
            }
        }
        fillAll(painter, rects, pen);
    };
    // Minor lines first, then the major ones over them.
    lines(minorPen(), xEnabled() && xMinEnabled(), yEnabled() && yMinEnabled(),
          {QwtScaleDiv::MinorTick, QwtScaleDiv::MediumTick});
    lines(majorPen(), xEnabled(), yEnabled(), {QwtScaleDiv::MajorTick});
}

void RectZone::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &, const QRectF &canvasRect) const
{
    // Qwt 6.1 declares orientation() without const.
    if (!interval().isValid() || const_cast<RectZone *>(this)->orientation() != Qt::Vertical)
        return;
    const double x1 = qRound(xMap.transform(interval().minValue()));
    const double x2 = qRound(xMap.transform(interval().maxValue()));
    const double left = std::min(x1, x2), right = std::max(x1, x2);
    // A stall of another part of the recording costs nothing.
    if (right < canvasRect.left() - 1 || left > canvasRect.right() + 1)
        return;
    const QRectF area(QPointF(std::max(left, canvasRect.left() - 1), canvasRect.top()),
                      QPointF(std::min(right, canvasRect.right() + 1), canvasRect.bottom()));
    const int width = penPixels(pen());
    const bool edged = pen().style() != Qt::NoPen;
    // A stall narrower than its edges is its edges alone.
    if (brush().style() != Qt::NoBrush && (!edged || right - left > width))
        painter->fillRect(area, brush());
    if (edged) {
        QVector<QRect> edges;
        for (double x : {left, right}) {
            if (x >= canvasRect.left() - 1 && x <= canvasRect.right() + 1 && (edges.isEmpty() || x != left))
                edges << across(int(x), width, canvasRect.top(), canvasRect.bottom(), Qt::Vertical);
        }
        fillAll(painter, edges, pen());
    }
}

QwtDate::IntervalType DateScaleDraw::intervalType(const QwtScaleDiv &div) const
{
    if (!m_typed || !(div == m_typedDiv)) {
        m_type = QwtDateScaleDraw::intervalType(div);
        m_typedDiv = div;
        m_typed = true;
    }
    return m_type;
}

void DateScaleDraw::setFormat(const QString &format)
{
    for (QwtDate::IntervalType interval : {QwtDate::Millisecond, QwtDate::Second, QwtDate::Minute, QwtDate::Hour,
                                           QwtDate::Day, QwtDate::Month, QwtDate::Year})
        setDateFormat(interval, format);
    invalidateCache();
}
