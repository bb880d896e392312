#include "chartplot.h"

#include <QBrush>
#include <QFontMetricsF>
#include <QPen>

#include <algorithm>

#include <qwt_date_scale_engine.h>
#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_layout.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>

#include "curvedata.h"
#include "plotitems.h"

namespace {
QwtPlotCurve *newCurve(QwtPlotCurve *curve, QwtPlot *plot, QwtSeriesData<QPointF> *data, QwtPlotCurve::CurveStyle style)
{
    curve->setStyle(style);
    if (style == QwtPlotCurve::Sticks)
        curve->setBaseline(0.1);
    curve->setYAxis(QwtPlot::yLeft);
    curve->setData(data);
    curve->attach(plot);
    return curve;
}
}

QwtPlotGrid *newGrid(QwtPlot *plot, bool minorY)
{
    auto *grid = new RectGrid;
    grid->setMajorPen(Qt::darkGray, 0, Qt::SolidLine);
    grid->setMinorPen(Qt::lightGray, 0, Qt::SolidLine);
    grid->enableX(true);
    grid->enableXMin(true);
    grid->enableY(true);
    grid->enableYMin(minorY);
    grid->attach(plot);
    return grid;
}

void ChartPlot::setUp(QwtPlot *target, int plotIndex, const ChartData *data, const QSizeF &canvas)
{
    plot = target;
    index = plotIndex;
    chart = data;
    // The window's style sheets name its frames and pages only: its plots
    // keep the application's font and palette, as a plot of the report does.
    // Their sizes are the window's: the curves' plots up to 700 pixels high,
    // the error plots up to 600; the time axis takes as many labels as the
    // width holds, and must never widen the window to hold more.
    const int tallest[TimePlotCount] = {700, 700, 600, 600, 600};
    plot->setMinimumSize(200, 100);
    plot->setMaximumHeight(tallest[index]);

    auto *dates = new DateScaleDraw(Qt::LocalTime);
    dates->setFormat(chart->axisLabelFormat);
    dates->setLabelAlignment(Qt::AlignBottom | Qt::AlignHCenter);
    scaleDraw = dates;
    grid = newGrid(plot, index != PlotNoise);
    plot->enableAxis(QwtPlot::yLeft);
    if (ChartData::logarithmic(index))
        plot->setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine(10));
    plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
    plot->setAxisScale(QwtPlot::xBottom, chart->windowStart, chart->windowEnd, chart->axisStep);
    plot->setAxisScaleDraw(QwtPlot::xBottom, scaleDraw);

    // The resynchronisations cross every plot, each stick up to the top of
    // its own plot's axis.
    synchro = newCurve(new SynchroCurve(QStringLiteral("Synchro DSL")), plot,
                       new StickToTopData(&chart->samples.synchro, plot), QwtPlotCurve::Sticks);
    for (int c = 0; c < CurveCount; ++c) {
        const CurveSeries &series = curveSeries(c);
        if (series.plot == index)
            curves[c] = newCurve(new ReducedCurve(QString::fromUtf8(series.title)), plot,
                                 new SeriesData(&chart->samples, c),
                                 series.counter ? QwtPlotCurve::Sticks : QwtPlotCurve::Lines);
    }
    applyPens();
    plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    fitAxes(canvas);
}

void ChartPlot::showView(const QSizeF &canvas)
{
    static_cast<DateScaleDraw *>(scaleDraw)->setFormat(chart->axisLabelFormat);
    scaleDraw->setLabelAlignment(Qt::AlignBottom | Qt::AlignHCenter);
    fitAxes(canvas);
    applyPens();
}

void ChartPlot::applyPens()
{
    synchro->setPen(Qt::magenta, chart->synchroPenWidth(), Qt::DashLine);
    for (int c = 0; c < CurveCount; ++c) {
        const CurveSeries &series = curveSeries(c);
        if (curves[c])
            curves[c]->setPen(QColor(series.colour), chart->penWidth(c), series.line);
    }
}

void ChartPlot::fitAxes(const QSizeF &canvas)
{
    const QwtScaleDraw *timeDraw = plot->axisScaleDraw(QwtPlot::xBottom);
    const QFont timeFont = plot->axisWidget(QwtPlot::xBottom)->font();
    const double start = chart->windowStart;
    const double end = chart->windowEnd;
    // The widest label of the range, and a gap of one line's height.
    const double label = std::max(timeDraw->labelSize(timeFont, start).width(),
                                  timeDraw->labelSize(timeFont, end).width())
                         + QFontMetricsF(timeFont).height();
    const double step = fittedTimeStep(end - start, canvas.width(), label, chart->axisStep);
    plot->setAxisScale(QwtPlot::xBottom, start, end, step);
    plot->setAxisMaxMajor(QwtPlot::xBottom, chart->axisMaxMajor);
    plot->setAxisMaxMinor(QwtPlot::xBottom, chart->axisMaxMinor);
    setLeftAxis(canvas.height());
}

void ChartPlot::setLeftAxis(double canvasHeight)
{
    const double minimum = chart->axisMinimum(index);
    const double maximum = chart->axisMaximum(index);
    plot->setAxisMaxMinor(QwtPlot::yLeft, 10);
    if (ChartData::logarithmic(index)) {
        plot->setAxisScale(QwtPlot::yLeft, minimum, maximum);
        return;
    }
    // The noise and rate axes keep their own step while their labels fit
    // the plot's height (a fifth of a page holds fewer than a window).
    const double lineHeight = QFontMetricsF(plot->axisWidget(QwtPlot::yLeft)->font()).height();
    plot->setAxisScale(QwtPlot::yLeft, minimum, maximum,
                       fittedValueStep(maximum - minimum, canvasHeight, lineHeight, chart->ownValueStep(index)));
    plot->setAxisMaxMajor(QwtPlot::yLeft, 2);
}

void ChartPlot::fitAxesForRender(const QSizeF &canvas)
{
    fitAxes(canvas);
    plot->updateAxes();
    // The renderer places the curves by the distances the axes keep from
    // their last layout, and draws the axes by those their labels ask for
    // now: make the two agree, or the curves stand beside their times.
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis) {
        if (!plot->axisEnabled(axis))
            continue;
        QwtScaleWidget *widget = plot->axisWidget(axis);
        int start = 0, end = 0;
        widget->getBorderDistHint(start, end);
        widget->setBorderDist(start, end);
    }
}

QSizeF ChartPlot::canvasSizeFor(const QSizeF &size) const
{
    QwtPlotLayout *layout = plot->plotLayout();
    layout->activate(plot, QRectF(QPointF(0, 0), size), QwtPlotLayout::IgnoreScrollbars);
    const QSizeF canvas = layout->canvasRect().size();
    // Back to the plot's own layout.
    plot->updateLayout();
    return canvas;
}

QwtPlotZoneItem *ChartPlot::addStallZone(double start, double end) const
{
    auto *zone = new RectZone;
    zone->setOrientation(Qt::Vertical);
    zone->setPen(QColor(255, 80, 80, 255), 0, Qt::SolidLine);
    zone->setBrush(QBrush(QColor(255, 80, 80, 50)));
    zone->setInterval(start, end);
    zone->attach(plot);
    return zone;
}
