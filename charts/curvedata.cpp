#include "curvedata.h"

#include <QPainter>

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
    const auto columnAt = [&](size_t i) { return columnOf(xMap, table.x(curve, i)); };
    for (size_t first = size_t(from); first < end;) {
        const int column = columnAt(first);
        // The column's last sample: strides that double, then halves, so a
        // column costs the logarithm of its samples.
        size_t last = first;
        size_t beyond = end;
        for (size_t stride = 1; last + stride < end; stride *= 2) {
            if (columnAt(last + stride) != column) {
                beyond = last + stride;
                break;
            }
            last += stride;
        }
        while (beyond - last > 1) {
            const size_t middle = last + (beyond - last) / 2;
            (columnAt(middle) == column ? last : beyond) = middle;
        }
        visit(first, last, table.extremes(curve, first, last + 1));
        first = last + 1;
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
    QPolygonF polyline;
    polyline.reserve(int(4 * canvasRect.width()) + 8);
    // Per column, in sample order: first, lowest, highest, last.
    forEachColumn(series, xMap, from, to, [&](size_t first, size_t last, const Extremes &e) {
        size_t order[4] = {first, e.lowAt, e.highAt, last};
        std::sort(order, order + 4);
        for (int k = 0; k < 4; ++k) {
            if (k > 0 && order[k] == order[k - 1])
                continue;
            const QPointF p = table.sample(series.curve(), order[k]);
            polyline += QPointF(xMap.transform(p.x()), yMap.transform(p.y()));
        }
    });
    QwtPainter::drawPolyline(painter, polyline);
}

void ReducedCurve::drawSticks(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, int from, int to) const
{
    if (!worthReducing(canvasRect, from, to)) {
        QwtPlotCurve::drawSticks(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    const auto &series = static_cast<const SeriesData &>(*data());
    const SampleTable &table = *series.table();
    const double y0 = yMap.transform(baseline());
    // The tallest stick of a column hides every other one drawn there.
    forEachColumn(series, xMap, from, to, [&](size_t, size_t, const Extremes &e) {
        const QPointF p = table.sample(series.curve(), e.highAt);
        const double x = xMap.transform(p.x());
        QwtPainter::drawLine(painter, x, y0, x, yMap.transform(p.y()));
    });
}

void DateScaleDraw::setFormat(const QString &format)
{
    for (QwtDate::IntervalType interval : {QwtDate::Millisecond, QwtDate::Second, QwtDate::Minute, QwtDate::Hour,
                                           QwtDate::Day, QwtDate::Month, QwtDate::Year})
        setDateFormat(interval, format);
    invalidateCache();
}
