#include "curvedata.h"

#include <QPainter>

#include <qwt_scale_div.h>

#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

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
        visit(column, first, beyond - 1, table.extremes(curve, first, beyond));
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

// Fills `rects` in the pen's colour; a dotted or dashed pen fills them
// half, in a fine pattern, rather than as one solid band.
void fillAll(QPainter *painter, const QVector<QRect> &rects, const QPen &pen)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(pen.color(), pen.style() == Qt::SolidLine ? Qt::SolidPattern : Qt::Dense4Pattern));
    painter->drawRects(rects);
    painter->restore();
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
    const SampleTable &table = *series.table();
    const int curve = series.curve();
    const QPen pen = painter->pen();
    const int width = penPixels(pen);
    const auto y = [&](size_t i) { return yMap.transform(table.value(curve, i)); };
    QVector<QRect> bars;
    bars.reserve(int(canvasRect.width()) + 8);
    // Columns apart (a stall) are joined by a line, as the samples would be.
    QVector<QLineF> joins;
    bool started = false;
    int previousColumn = 0;
    QPointF previousEnd;
    forEachColumn(series, xMap, from, to, [&](int column, size_t first, size_t last, const Extremes &e) {
        const double low = yMap.transform(SampleTable::drawn(curve, e.low));
        const double high = yMap.transform(SampleTable::drawn(curve, e.high));
        double top = std::min(low, high);
        double bottom = std::max(low, high);
        if (started && column - previousColumn <= 1) {
            top = std::min(top, previousEnd.y());
            bottom = std::max(bottom, previousEnd.y());
        } else if (started) {
            joins << QLineF(previousEnd, QPointF(xMap.transform(table.x(curve, first)), y(first)));
        }
        bars << across(column, width, top, bottom, Qt::Vertical);
        started = true;
        previousColumn = column;
        previousEnd = QPointF(xMap.transform(table.x(curve, last)), y(last));
    });
    fillAll(painter, bars, pen);
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
    QVector<QRect> sticks;
    sticks.reserve(int(canvasRect.width()) + 8);
    forEachColumn(series, xMap, from, to, [&](int column, size_t, size_t, const Extremes &e) {
        sticks << across(column, width, y0, yMap.transform(SampleTable::drawn(series.curve(), e.high)), Qt::Vertical);
    });
    fillAll(painter, sticks, painter->pen());
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
    for (int i = from; i <= to; ++i) {
        const QPointF p = sample(size_t(i));
        const double x = xMap.transform(p.x());
        if (x < canvasRect.left() - width || x > canvasRect.right() + width)
            continue;
        const int column = qRound(x);
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
    fillAll(painter, pieces, solid);
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
    if (brush().style() != Qt::NoBrush && x1 != x2)
        painter->fillRect(area, brush());
    if (pen().style() != Qt::NoPen) {
        QVector<QRect> edges;
        for (double x : {left, right}) {
            if (x >= canvasRect.left() - 1 && x <= canvasRect.right() + 1)
                edges << across(int(x), penPixels(pen()), canvasRect.top(), canvasRect.bottom(), Qt::Vertical);
        }
        fillAll(painter, edges, pen());
    }
}

void DateScaleDraw::setFormat(const QString &format)
{
    for (QwtDate::IntervalType interval : {QwtDate::Millisecond, QwtDate::Second, QwtDate::Minute, QwtDate::Hour,
                                           QwtDate::Day, QwtDate::Month, QwtDate::Year})
        setDateFormat(interval, format);
    invalidateCache();
}
