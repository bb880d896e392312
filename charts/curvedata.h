#pragma once

#include <QImage>
#include <QPolygonF>

#include <qwt_date_scale_draw.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_series_data.h>

#include "sampletable.h"

// A curve's view of one curve of the sample table, read in place: a new
// sample costs the same after a year as after a minute.
class SeriesData : public QwtSeriesData<QPointF>
{
public:
    SeriesData(const SampleTable *table, int curve);

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

    const SampleTable *table() const { return m_table; }
    int curve() const { return m_curve; }

private:
    const SampleTable *m_table;
    int m_curve;
};

// A curve's view of a sample array (the synchronisation summary's), read in place: a new
// sample costs the same after a week as after a minute. The bounding
// rectangle, which Qwt asks for at every replot, grows with the array
// instead of being recomputed over it.
class SampleArrayData : public QwtSeriesData<QPointF>
{
public:
    explicit SampleArrayData(const QPolygonF *points);

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

private:
    const QPolygonF *m_points;
    mutable int m_boundedCount = 0;
};

// The resynchronisation sticks of one plot: the shared sample array's times,
// each stick reaching the top of that plot's own left axis. A stick far
// above the axis would be a line of millions of pixels, which Qt draws
// without its dashes.
class StickToTopData : public QwtSeriesData<QPointF>
{
public:
    StickToTopData(const QPolygonF *points, const QwtPlot *plot);

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

private:
    double top() const;

    const QPolygonF *m_points;
    const QwtPlot *m_plot;
};

// A curve of the sample table that draws only what the canvas can show: the
// samples of the visible time range and, when they outnumber the pixel
// columns, for each column a bar from its lowest to its highest sample that
// also reaches the last sample of the column before (lines), or its highest
// stick, so that no spike is lost and the ends are kept. The table's
// summaries give each column's extremes, so the cost follows the pixels, not
// the samples.
class ReducedCurve : public QwtPlotCurve
{
public:
    explicit ReducedCurve(const QString &title);

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;
    void drawSticks(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

private:
    bool worthReducing(const QRectF &canvasRect, int from, int to) const;
    // A pixel column's share of the curve: its lowest and highest values,
    // and its first and last ones with where they stand (values as stored).
    struct ColumnRun
    {
        int column;
        float low, high;
        double firstX;
        float firstValue;
        double lastX;
        float lastValue;
    };
    // Calls `visit(run)` for each pixel column of the samples [from, to],
    // in order.
    template <typename Visit>
    void forEachColumn(const SeriesData &series, const QwtScaleMap &xMap, int from, int to, Visit visit) const;
};

// Qt strokes a line one pixel wide pixel by pixel, and a wider one as a
// polygon: both cost a hundred times more than filling rectangles of the
// same pixels. The plot items below draw their straight lines and dense
// curves as rectangles, all of an item at once.

// The resynchronisation sticks, dashed as the pen says (solid, dashes or
// dots), each from its baseline up.
class SynchroCurve : public QwtPlotCurve
{
public:
    using QwtPlotCurve::QwtPlotCurve;

protected:
    void drawSticks(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

private:
    // On screen the sticks are kept as an image, drawn again only when one
    // moves by a pixel: over a year a stick stays in its pixel column for
    // hours of polls, and hundreds of sticks from top to bottom cost far
    // more than laying one image over the canvas.
    mutable QVector<QRect> m_drawn;
    mutable QColor m_drawnColour;
    mutable QImage m_image;
    mutable QPoint m_imageOrigin;
};

// The grid, its lines as rectangles of their pen's width.
class RectGrid : public QwtPlotGrid
{
public:
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;
};

// A shaded stall, its edges as rectangles of one pixel.
class RectZone : public QwtPlotZoneItem
{
public:
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;
};

// A date scale draw whose labels can be redrawn after a change of format
// alone: Qwt keeps them cached until the scale itself changes.
class DateScaleDraw : public QwtDateScaleDraw
{
public:
    using QwtDateScaleDraw::QwtDateScaleDraw;
    void setFormat(const QString &format);

protected:
    // Qwt works it out anew for every label, though it depends on the
    // ticks alone: once per scale, here.
    QwtDate::IntervalType intervalType(const QwtScaleDiv &div) const override;

private:
    mutable bool m_typed = false;
    mutable QwtScaleDiv m_typedDiv;
    mutable QwtDate::IntervalType m_type = QwtDate::Millisecond;
};
