#include <qwt_date.h>
#include <qwt_plot.h>
#include <qwt_plot_zoneitem.h>

#include "charts/timewindow.h"
#include "graph.h"
#include "ui_graph.h"

void Graph::UpDateCurves(LiveBoxInfos *LBox, LiveBoxInfos *OldLBox)
{
    // The curves read the table in place: nothing to hand over.
    if (chart.add(*LBox, *OldLBox, QwtDate::toDouble(QDateTime::currentDateTime())))
        chartChanged();
}

void Graph::chartChanged()
{
    ui->checkAvanceAuto->setChecked(chart.automatic);
    samplesAdded();
    UpDateScales();
}

void Graph::samplesAdded()
{
    // Emptied behind the window: its stalls went with the samples.
    if (samples.gaps.size() < zonedGaps) {
        clearListZone();
        zonedGaps = 0;
    }
    for (; zonedGaps < samples.gaps.size(); ++zonedGaps)
        addZone(samples.gaps[zonedGaps].start, samples.gaps[zonedGaps].end);
    syncScrollBar();
}

void Graph::takeReload(SampleReload &&rows)
{
    chart.takeReload(std::move(rows));
    chartChanged();
}

void Graph::endReload()
{
    if (chart.endReload())
        chartChanged();
}

// The scroll bar spans the recording in whole minutes and stands at the
// view's offset.
void Graph::syncScrollBar()
{
    ui->scrollTemps->setMaximum(int((lastSampleTime - firstSampleTime) / 60000));
    ui->scrollTemps->setValue(int(scrollOffset / 60000));
    // The day picker spans the recording's days, and stands on the newest
    // one until a day is picked.
    const QSignalBlocker quiet(ui->dateJour);
    const QDate first = QDateTime::fromMSecsSinceEpoch(qint64(firstSampleTime)).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(qint64(lastSampleTime)).date();
    ui->dateJour->setDateRange(std::min(first, last), last);
    if (!chart.showsDay())
        ui->dateJour->setDate(last);
}

void Graph::setUpDayPicker()
{
    // Reaching one day of a week from "TOUT" took hundreds of "Zoom +".
    connect(ui->dateJour, &QDateEdit::dateChanged, this, &Graph::ShowDay);
    connect(ui->BtnJourPrecedent, &QPushButton::clicked, this, [this] { stepDay(-1); });
    connect(ui->BtnJourSuivant, &QPushButton::clicked, this, [this] { stepDay(1); });
    // The zoom and day buttons answer the keyboard too.
    ui->BtnZoomPlus->setShortcut(QKeySequence::ZoomIn);
    ui->BtnZoomMoins->setShortcut(QKeySequence::ZoomOut);
    ui->BtnZoomTout->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    ui->BtnZoom3H->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
    ui->BtnJourPrecedent->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    ui->BtnJourSuivant->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
}

void Graph::stepDay(int days)
{
    // From the day the picker shows; past the recording's ends, that day.
    const QDate from = ui->dateJour->date();
    const QDate to = from.addDays(days);
    if (to < ui->dateJour->minimumDate() || to > ui->dateJour->maximumDate())
        ShowDay(from);
    else
        ui->dateJour->setDate(to);
}

void Graph::UpDateScales()
{
    chart.updateView(QwtDate::toDouble(QDateTime::currentDateTime()));
    if (chart.automatic)
        syncScrollBar();

    for (TimePlot &p : plotTable)
        p.showView(onScreenCanvas(p.plot));
    // The plot asks every item to draw, even out of view: a year of stalls
    // would cost hundreds of calls at every replot.
    for (QwtPlotZoneItem *zone : zoneList)
        zone->setVisible(chart.inView(zone->interval().minValue(), zone->interval().maxValue()));
    replotTimePlots();
}

void Graph::prepareRender(QwtPlot *plot, const QSizeF &size)
{
    // A plot of a tab never shown has never been laid out: its axes would
    // measure their labels against a few pixels.
    if (!plot->isVisible())
        plot->resize(size.toSize());
    if (TimePlot *p = timePlotOf(plot))
        p->fitAxesForRender(p->canvasSizeFor(size));
}

void Graph::endRender(QwtPlot *plot)
{
    if (TimePlot *p = timePlotOf(plot))
        p->fitAxesForRender(onScreenCanvas(plot));
}

QSizeF Graph::onScreenCanvas(QwtPlot *plot) const
{
    // A plot that has never been laid out gets its size when it is first
    // shown, and its labels are fitted then; until that, a likely size.
    const QSize size = plot->canvas()->size();
    return QSizeF(size.width() >= 50 ? size.width() : 600, size.height() >= 50 ? size.height() : 250);
}

void Graph::ShowDay(const QDate &date)
{
    chart.showDay(date);
    UpDateScales();
}

void Graph::ClearCurves()
{
    chart.clear(QwtDate::toDouble(QDateTime::currentDateTime()));
    clearListZone();
    replotTimePlots();
}

void Graph::SetZoomTout()
{
    chart.showWhole();
    ui->checkAvanceAuto->setChecked(true);
    UpDateScales();
}

void Graph::SetZoom3H()
{
    SetZoomPlage(3.0);
}

void Graph::SetZoomPlage(double value)
{
    chart.showRange(value);
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
    chart.zoomIn();
    UpDateScales();
}

void Graph::on_BtnZoomMoins_clicked()
{
    chart.zoomOut();
    UpDateScales();
}

void Graph::on_checkAvanceAuto_toggled(bool checked)
{
    ui->scrollTemps->setEnabled(!checked);
    chart.setAutomatic(checked);
    UpDateScales();
}

void Graph::on_scrollTemps_valueChanged(int value)
{
    if (chart.automatic)
        return;
    chart.scrollTo(value * 60000.0);
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
    chart.rateTopLowered = true;
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
