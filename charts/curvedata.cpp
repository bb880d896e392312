#include "curvedata.h"

#include <QPainter>

#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

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
// First index in [from, to] whose x is not below `x`.
int lowerIndex(const QwtSeriesData<QPointF> *series, int from, int to, double x)
{
    int lo = from;
    int hi = to + 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (series->sample(size_t(mid)).x() < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

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
    const QwtSeriesData<QPointF> *series = data();
    const int count = int(dataSize());
    if (to < 0)
        to = count - 1;
    from = std::max(from, 0);
    to = std::min(to, count - 1);
    if (from > to)
        return;
    // Only the visible time range, plus one sample on each side so that the
    // lines run to the edges of the canvas.
    const double left = std::min(xMap.s1(), xMap.s2());
    const double right = std::max(xMap.s1(), xMap.s2());
    const int first = std::max(from, lowerIndex(series, from, to, left) - 1);
    const int last = std::min(to, lowerIndex(series, from, to, right));
    if (first > last)
        return;
    QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, first, last);
}

bool ReducedCurve::worthReducing(const QRectF &canvasRect, int from, int to) const
{
    return to - from + 1 > std::max(1.0, canvasRect.width());
}

namespace {
// The first, lowest, highest and last samples of one pixel column.
struct ColumnSamples
{
    int first, low, high, last;
};

// Walks the samples of [from, to] column by column, in time order.
template <typename Visit>
void forEachColumn(const QwtSeriesData<QPointF> *series, const QwtScaleMap &xMap, int from, int to, Visit visit)
{
    int column = 0;
    ColumnSamples c{-1, -1, -1, -1};
    for (int i = from; i <= to; ++i) {
        const QPointF p = series->sample(size_t(i));
        const int x = columnOf(xMap, p.x());
        if (c.first < 0 || x != column) {
            if (c.first >= 0)
                visit(c);
            column = x;
            c = {i, i, i, i};
            continue;
        }
        if (p.y() < series->sample(size_t(c.low)).y())
            c.low = i;
        if (p.y() > series->sample(size_t(c.high)).y())
            c.high = i;
        c.last = i;
    }
    if (c.first >= 0)
        visit(c);
}
}

void ReducedCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                             const QRectF &canvasRect, int from, int to) const
{
    if (!worthReducing(canvasRect, from, to)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    const QwtSeriesData<QPointF> *series = data();
    QPolygonF polyline;
    polyline.reserve(int(4 * canvasRect.width()) + 8);
    // Per column, in sample order: first, lowest, highest, last.
    forEachColumn(series, xMap, from, to, [&](const ColumnSamples &c) {
        int order[4] = {c.first, c.low, c.high, c.last};
        std::sort(order, order + 4);
        int previous = -1;
        for (int index : order) {
            if (index == previous)
                continue;
            previous = index;
            const QPointF p = series->sample(size_t(index));
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
    const QwtSeriesData<QPointF> *series = data();
    const double y0 = yMap.transform(baseline());
    // The tallest stick of a column hides every other one drawn there.
    forEachColumn(series, xMap, from, to, [&](const ColumnSamples &c) {
        const QPointF p = series->sample(size_t(c.high));
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
