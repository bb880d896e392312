#include <QPen>

#include <algorithm>
#include <cmath>

#include <qwt_date.h>
#include <qwt_date_scale_draw.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_widget.h>

#include "curvedata.h"
#include "graph.h"
#include "common/datetime.h"
#include "router/liveboxinfos.h"
#include "timewindow.h"
#include "ui_graph.h"


void Graph::UpDateCurves(LiveBoxInfos *LBox, LiveBoxInfos *OldLBox)
{
    if (reload) {
        reload->add(*LBox, *OldLBox);
        return;
    }
    const double now = QwtDate::toDouble(QDateTime::currentDateTime());
    const size_t gapsBefore = samples.gaps.size();
    // A reading without a readable time has no place on the time axis.
    const auto instant = [now](const QString &text, double previous) { return chartInstant(text, previous, now); };
    if (!samples.add(*LBox, *OldLBox, instant, stallThreshold(tempsArret, cycleInUse) * 1000))
        return;
    samplesAdded(gapsBefore);
    // The curves read the table in place: nothing to hand over.
    UpDateScales();
}

void Graph::samplesAdded(size_t gapsBefore)
{
    if (rateTopFromFirstSample && !std::isnan(samples.firstHighestRate))
        fitRateAxisTo(samples.firstHighestRate);
    for (size_t i = gapsBefore; i < samples.gaps.size(); ++i)
        addZone(samples.gaps[i].start, samples.gaps[i].end);
    syncScrollBar();
}

SampleReload Graph::newReload() const
{
    return SampleReload(samples.continuation(), tempsArret * 1000);
}

void Graph::takeReload(SampleReload &&rows)
{
    const size_t gapsBefore = samples.gaps.size();
    samples.takeRows(std::move(rows.table));
    // A view of the whole reads the summaries: made now rather than at the
    // first drawing (a reload beside the window has made them already).
    samples.summarise();
    samplesAdded(gapsBefore);
    UpDateScales();
}

void Graph::beginReload(size_t expectedRows)
{
    reload = std::make_unique<SampleReload>(newReload());
    // Room for the whole recording at once rather than copies of a growing week.
    reload->table.reserve(expectedRows);
}

void Graph::endReload()
{
    if (!reload)
        return;
    const std::unique_ptr<SampleReload> rows = std::move(reload);
    takeReload(std::move(*rows));
}

// The scroll bar spans the recording in whole minutes and stands at the
// view's offset.
void Graph::syncScrollBar()
{
    ui->scrollTemps->setMaximum(int((lastSampleTime - firstSampleTime) / 60000));
    ui->scrollTemps->setValue(int(scrollOffset / 60000));
}

void Graph::UpDateScales()
{
    const double now = QwtDate::toDouble(QDateTime::currentDateTime());
    refTime = now + reculMinute * 60 * 1000;
    const bool automatic = ui->checkAvanceAuto->isChecked();
    if (view == View::Day) {
        windowStart = day.start;
        windowEnd = day.end;
    } else {
        ViewInputs inputs;
        inputs.automatic = automatic;
        inputs.whole = view == View::Whole;
        inputs.firstSampleTime = firstSampleTime;
        inputs.lastSampleTime = lastSampleTime;
        inputs.scrollOffset = scrollOffset;
        inputs.plageHeure = plageHeure;
        inputs.reculMinute = reculMinute;
        const TimeRange range = visibleRange(inputs);
        windowStart = range.start;
        windowEnd = range.end;
        // "TOUT" grows with the recording.
        if (automatic && view == View::Whole)
            plageHeure = range.hours();
    }
    if (automatic) {
        scrollOffset = lastSampleTime - firstSampleTime;
        syncScrollBar();
    }

    takeRangeRules();
    for (TimePlot &p : plotTable) {
        static_cast<DateScaleDraw *>(p.scaleDraw)->setFormat(axisLabelFormat);
        p.scaleDraw->setLabelAlignment(Qt::AlignBottom | Qt::AlignHCenter);
    }

    for (QwtPlot *plot : timePlots())
        fitAxes(plot, onScreenCanvas(plot));

    applyPens();
    // The plot asks every item to draw, even out of view: a year of stalls
    // would cost hundreds of calls at every replot.
    for (QwtPlotZoneItem *zone : zoneList)
        zone->setVisible(zone->interval().maxValue() >= windowStart && zone->interval().minValue() <= windowEnd);
    replotTimePlots();
}

void Graph::fitAxes(QwtPlot *plot, const QSizeF &canvas)
{
    const QwtScaleDraw *timeDraw = plot->axisScaleDraw(QwtPlot::xBottom);
    const QFont timeFont = plot->axisWidget(QwtPlot::xBottom)->font();
    // The widest label of the range, and a gap of one line's height.
    const double label = std::max(timeDraw->labelSize(timeFont, windowStart).width(),
                                  timeDraw->labelSize(timeFont, windowEnd).width())
                         + QFontMetricsF(timeFont).height();
    const double step = fittedTimeStep(windowEnd - windowStart, canvas.width(), label, axisStep);
    plot->setAxisScale(QwtPlot::xBottom, windowStart, windowEnd, step);
    plot->setAxisMaxMajor(QwtPlot::xBottom, axisMaxMajor);
    plot->setAxisMaxMinor(QwtPlot::xBottom, axisMaxMinor);

    for (TimePlot &p : plotTable) {
        if (p.plot == plot)
            setLeftAxis(p, canvas.height());
    }
}

void Graph::fitAxesForRender(QwtPlot *plot, const QSizeF &canvas)
{
    fitAxes(plot, canvas);
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

void Graph::prepareRender(QwtPlot *plot, const QSizeF &size)
{
    // A plot of a tab never shown has never been laid out: its axes would
    // measure their labels against a few pixels.
    if (!plot->isVisible())
        plot->resize(size.toSize());
    if (timePlots().contains(plot))
        fitAxesForRender(plot, canvasSizeFor(plot, size));
}

void Graph::endRender(QwtPlot *plot)
{
    if (timePlots().contains(plot))
        fitAxesForRender(plot, onScreenCanvas(plot));
}

QSizeF Graph::onScreenCanvas(QwtPlot *plot) const
{
    // A plot that has never been laid out gets its size when it is first
    // shown, and its labels are fitted then; until that, a likely size.
    const QSize size = plot->canvas()->size();
    return QSizeF(size.width() >= 50 ? size.width() : 600, size.height() >= 50 ? size.height() : 250);
}

QSizeF Graph::canvasSizeFor(QwtPlot *plot, const QSizeF &size)
{
    QwtPlotLayout *layout = plot->plotLayout();
    layout->activate(plot, QRectF(QPointF(0, 0), size), QwtPlotLayout::IgnoreScrollbars);
    const QSizeF canvas = layout->canvasRect().size();
    // Back to the plot's own layout.
    plot->updateLayout();
    return canvas;
}

void Graph::ShowDay(const QDate &date)
{
    view = View::Day;
    day = calendarDay(date);
    plageHeure = day.hours();
    UpDateScales();
}

void Graph::fitRateAxisTo(double highest)
{
    rateTopFromFirstSample = false;
    maxMaxRate = std::max(maxMaxRate, rateAxisTop(highest, minMaxRate));
    pasMaxRate = roundStep(maxMaxRate - minMaxRate);
}

void Graph::takeRangeRules()
{
    const AxisTicks ticks = ticksForRange(plageHeure);
    axisMaxMajor = ticks.maxMajor;
    axisMaxMinor = ticks.maxMinor;
    axisStep = ticks.step;
    penRatio = ticks.penRatio;
    axisLabelFormat = composeAxisLabelFormat(echDate, echHeure, tpsHeureFormat, tpsSeparFormat, tpsDateFormat);
}

void Graph::ClearCurves()
{
    firstSampleTime = QwtDate::toDouble(QDateTime::currentDateTime());
    clearListZone();
    samples.clear();
    replotTimePlots();
}

void Graph::SetZoomTout()
{
    plageHeure = wholeRecordingRange(firstSampleTime, lastSampleTime, reculMinute);
    view = View::Whole;
    ui->checkAvanceAuto->setChecked(true);
    UpDateScales();
}

void Graph::SetZoom3H()
{
    plageHeure = 3.0;
    view = View::Range;
    ui->checkAvanceAuto->setChecked(true);
    UpDateScales();
}

void Graph::SetZoomPlage(double value)
{
    plageHeure = value;
    view = View::Range;
    ui->checkAvanceAuto->setChecked(true);
    UpDateScales();
}

void Graph::on_BtnZoomTout_clicked()
{
    SetZoomTout();
}

void Graph::on_BtnZoom3H_clicked()
{
    SetZoom3H();
}

void Graph::on_BtnZoomPlus_clicked()
{
    view = View::Range;
    plageHeure = zoomedIn(plageHeure);
    UpDateScales();
}

void Graph::on_BtnZoomMoins_clicked()
{
    view = View::Range;
    plageHeure = zoomedOut(plageHeure, tempsMaxHeure);
    UpDateScales();
}

void Graph::on_checkAvanceAuto_toggled(bool checked)
{
    ui->scrollTemps->setEnabled(!checked);
    if (view == View::Day || !checked)
        view = View::Range;
    UpDateScales();
}

void Graph::on_scrollTemps_valueChanged(int value)
{
    if (ui->checkAvanceAuto->isChecked())
        return;
    scrollOffset = value * 60000.0;
    if (view == View::Day)
        view = View::Range;
    UpDateScales();
}

// The y-axis buttons: each moves one limit by the rules of timewindow.h,
// then the axes are drawn again (even when the rule left the limit as it was).
void Graph::on_BtnNoiseMaxPlus_clicked()
{
    moveLimit(&maxNoise, topRaised(maxNoise, 1));
}

void Graph::on_BtnNoiseMaxMoins_clicked()
{
    moveLimit(&maxNoise, topLowered(minNoise, maxNoise, 1));
}

void Graph::on_BtnNoiseMinPlus_clicked()
{
    moveLimit(&minNoise, bottomRaised(minNoise, maxNoise, 1));
}

void Graph::on_BtnNoiseMinMoins_clicked()
{
    moveLimit(&minNoise, bottomLowered(minNoise, 1));
}

void Graph::on_BtnMaxRateMaxPlus_clicked()
{
    moveLimit(&maxMaxRate, topRaised(maxMaxRate, pasMaxRate));
}

void Graph::on_BtnMaxRateMaxMoins_clicked()
{
    moveLimit(&maxMaxRate, topLowered(minMaxRate, maxMaxRate, pasMaxRate));
}

void Graph::on_BtnMaxRateMinPlus_clicked()
{
    moveLimit(&minMaxRate, bottomRaised(minMaxRate, maxMaxRate, pasMaxRate));
}

void Graph::on_BtnMaxRateMinMoins_clicked()
{
    moveLimit(&minMaxRate, bottomLowered(minMaxRate, pasMaxRate));
}

void Graph::on_BtnCRCMaxPlus_clicked()
{
    moveLimit(&maxCrc, errorAxisRaised(maxCrc));
}

void Graph::on_BtnCRCMaxMoins_clicked()
{
    moveLimit(&maxCrc, errorAxisLowered(maxCrc));
}

void Graph::on_BtnHECMaxPlus_clicked()
{
    moveLimit(&maxHec, errorAxisRaised(maxHec));
}

void Graph::on_BtnHECMaxMoins_clicked()
{
    moveLimit(&maxHec, errorAxisLowered(maxHec));
}

void Graph::on_BtnFECMaxPlus_clicked()
{
    moveLimit(&maxFec, fecAxisRaised(maxFec));
}

void Graph::on_BtnFECMaxMoins_clicked()
{
    moveLimit(&maxFec, fecAxisLowered(maxFec));
}

void Graph::moveLimit(double *limit, double value)
{
    *limit = value;
    UpDateScales();
}
