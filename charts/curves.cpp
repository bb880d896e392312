#include <QPen>

#include <cmath>

#include <qwt_date.h>
#include <qwt_date_scale_draw.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include "curvedata.h"
#include "graph.h"
#include "router/liveboxinfos.h"
#include "timewindow.h"
#include "ui_graph.h"


void Graph::UpDateCurves(LiveBoxInfos *LBox, LiveBoxInfos *OldLBox)
{
    const double previous = epochMsecs(OldLBox->DateTime);
    const double t = epochMsecs(LBox->DateTime);
    // A reading without a readable time has no place on the time axis.
    if (std::isnan(t))
        return;
    const double t0 = std::isnan(previous) ? t : previous;

    lastSampleTime = t;
    // An unreadable previous time (the placeholder of a failed start) must not
    // stretch the recording back to 1970.
    if (firstSampleTime > t0)
        firstSampleTime = t0;

    if (!reloading) {
        ui->scrollTemps->setMaximum(int((t - firstSampleTime) / 60000));
        ui->scrollTemps->setValue(int(scrollOffset / 60000));
    }

    if (t - t0 > tempsArret * 1000)
        addZone(t0, t);

    if (LBox->LastChangeTime != OldLBox->LastChangeTime)
        pointsSynchro.append(QPointF(t - LBox->LastChange * 1000, 100000));

    pointsDownload.append(QPointF(t, LBox->DownstreamNoiseMargin / 10));
    pointsUpload.append(QPointF(t, LBox->UpstreamNoiseMargin / 10));
    pointsMaxDown.append(QPointF(t, LBox->DownstreamMaxRate));
    pointsMaxUp.append(QPointF(t, LBox->UpstreamMaxRate));
    pointsDslDown.append(QPointF(t, LBox->DownstreamCurrRate));
    pointsDslUp.append(QPointF(t, LBox->UpstreamCurrRate));

    const double shift = decHistoSec * 1000;
    pointsCrc.append(QPointF(t - shift, errorStickHeight(LBox->CRCErrors, OldLBox->CRCErrors)));
    pointsAtucCrc.append(QPointF(t + shift, errorStickHeight(LBox->ATUCCRCErrors, OldLBox->ATUCCRCErrors)));
    pointsHec.append(QPointF(t - shift, errorStickHeight(LBox->HECErrors, OldLBox->HECErrors)));
    pointsAtucHec.append(QPointF(t + shift, errorStickHeight(LBox->ATUCHECErrors, OldLBox->ATUCHECErrors)));
    pointsFec.append(QPointF(t - shift, errorStickHeight(LBox->FECErrors, OldLBox->FECErrors)));
    pointsAtucFec.append(QPointF(t + shift, errorStickHeight(LBox->ATUCFECErrors, OldLBox->ATUCFECErrors)));

    // The curves read the arrays in place: nothing to hand over.
    if (!reloading)
        UpDateScales();
}

void Graph::beginReload(int expectedSamples)
{
    reloading = true;
    // Room for the whole recording at once rather than copies of a growing week.
    for (QPolygonF *points : timeSampleArrays())
        points->reserve(points->size() + expectedSamples);
}

void Graph::endReload()
{
    reloading = false;
    ui->scrollTemps->setMaximum(int((lastSampleTime - firstSampleTime) / 60000));
    ui->scrollTemps->setValue(int(scrollOffset / 60000));
    UpDateScales();
}

void Graph::UpDateScales()
{
    refTime = QwtDate::toDouble(QDateTime::currentDateTime()) + reculMinute * 60 * 1000;
    if (ui->checkAvanceAuto->isChecked()) {
        windowEnd = refTime;
        windowStart = windowEnd - plageHeure * 3600 * 1000;
        scrollOffset = lastSampleTime - firstSampleTime;
        ui->scrollTemps->setMaximum(int((lastSampleTime - firstSampleTime) / 60000));
        ui->scrollTemps->setValue(int(scrollOffset / 60000));
    } else {
        windowEnd = firstSampleTime + scrollOffset + reculMinute * 60 * 1000;
        windowStart = windowEnd - plageHeure * 3600 * 1000;
    }

    takeRangeRules();
    for (QwtDateScaleDraw *draw : {scaleDrawNoise, scaleDrawMaxRate, scaleDrawCrc, scaleDrawHec, scaleDrawFec}) {
        static_cast<DateScaleDraw *>(draw)->setFormat(axisLabelFormat);
        draw->setLabelAlignment(Qt::AlignBottom | Qt::AlignHCenter);
    }

    for (QwtPlot *plot : timePlots()) {
        plot->setAxisScale(QwtPlot::xBottom, windowStart, windowEnd, axisStep);
        plot->setAxisMaxMajor(QwtPlot::xBottom, axisMaxMajor);
        plot->setAxisMaxMinor(QwtPlot::xBottom, axisMaxMinor);
    }
    ui->qwtPlotNoise->setAxisScale(QwtPlot::yLeft, minNoise, maxNoise, 1);
    ui->qwtPlotNoise->setAxisMaxMinor(QwtPlot::yLeft, 10);
    ui->qwtPlotNoise->setAxisMaxMajor(QwtPlot::yLeft, 2);
    ui->qwtPlotMaxRate->setAxisScale(QwtPlot::yLeft, minMaxRate, maxMaxRate, pasMaxRate);
    ui->qwtPlotMaxRate->setAxisMaxMinor(QwtPlot::yLeft, 10);
    ui->qwtPlotMaxRate->setAxisMaxMajor(QwtPlot::yLeft, 2);
    ui->qwtPlotCRC->setAxisScale(QwtPlot::yLeft, minCrc, maxCrc);
    ui->qwtPlotCRC->setAxisMaxMinor(QwtPlot::yLeft, 10);
    ui->qwtPlotHEC->setAxisScale(QwtPlot::yLeft, minHec, maxHec);
    ui->qwtPlotHEC->setAxisMaxMinor(QwtPlot::yLeft, 10);
    ui->qwtPlotFEC->setAxisScale(QwtPlot::yLeft, minFec, maxFec);
    ui->qwtPlotFEC->setAxisMaxMinor(QwtPlot::yLeft, 10);

    applyPens();
    replotTimePlots();
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

QList<QPolygonF *> Graph::timeSampleArrays()
{
    return {&pointsUpload, &pointsDownload, &pointsMaxUp, &pointsMaxDown, &pointsDslUp, &pointsDslDown,
            &pointsCrc,    &pointsAtucCrc,  &pointsHec,   &pointsAtucHec, &pointsFec,   &pointsAtucFec};
}

void Graph::applyPens()
{
    const double line = penRatio * penCurve;
    const double stick = penRatio * penHisto;
    for (QwtPlotCurve *curve : {curveSynchroNoise, curveSynchroMaxRate, curveSynchroCrc, curveSynchroHec, curveSynchroFec})
        curve->setPen(Qt::magenta, penSynch, Qt::DashLine);
    curveDownload->setPen(Qt::blue, line, Qt::SolidLine);
    curveUpload->setPen(Qt::red, line, Qt::SolidLine);
    curveMaxDown->setPen(Qt::darkBlue, line, Qt::DotLine);
    curveMaxUp->setPen(Qt::darkRed, line, Qt::DotLine);
    curveDslDown->setPen(Qt::blue, line, Qt::SolidLine);
    curveDslUp->setPen(Qt::red, line, Qt::SolidLine);
    curveCrc->setPen(Qt::blue, stick, Qt::SolidLine);
    curveAtucCrc->setPen(Qt::red, stick, Qt::SolidLine);
    curveHec->setPen(QColor(80, 110, 180), stick, Qt::SolidLine);
    curveAtucHec->setPen(QColor(220, 40, 70), stick, Qt::SolidLine);
    curveFec->setPen(Qt::darkGreen, stick, Qt::SolidLine);
    curveAtucFec->setPen(QColor(255, 192, 0), stick, Qt::SolidLine);
}

void Graph::ClearCurves()
{
    firstSampleTime = QwtDate::toDouble(QDateTime::currentDateTime());
    clearListZone();
    for (QPolygonF *points : timeSampleArrays())
        *points = QPolygonF();
    pointsSynchro = QPolygonF();
    replotTimePlots();
}

void Graph::SetZoomTout()
{
    plageHeure = wholeRecordingRange(firstSampleTime, lastSampleTime, reculMinute);
    ui->checkAvanceAuto->setChecked(true);
    UpDateScales();
}

void Graph::SetZoom3H()
{
    plageHeure = 3.0;
    ui->checkAvanceAuto->setChecked(true);
    UpDateScales();
}

void Graph::SetZoomPlage(double value)
{
    plageHeure = value;
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
    plageHeure = zoomedIn(plageHeure);
    UpDateScales();
}

void Graph::on_BtnZoomMoins_clicked()
{
    plageHeure = zoomedOut(plageHeure, tempsMaxHeure);
    UpDateScales();
}

void Graph::on_checkAvanceAuto_toggled(bool checked)
{
    ui->scrollTemps->setEnabled(!checked);
    UpDateScales();
}

void Graph::on_scrollTemps_valueChanged(int value)
{
    if (ui->checkAvanceAuto->isChecked())
        return;
    scrollOffset = value * 60000.0;
    UpDateScales();
}

void Graph::on_BtnNoiseMaxPlus_clicked()
{
    maxNoise += 1;
    UpDateScales();
}

void Graph::on_BtnNoiseMaxMoins_clicked()
{
    if (maxNoise > minNoise + 3)
        maxNoise -= 1;
    UpDateScales();
}

void Graph::on_BtnNoiseMinPlus_clicked()
{
    if (maxNoise > minNoise + 3)
        minNoise += 1;
    UpDateScales();
}

void Graph::on_BtnNoiseMinMoins_clicked()
{
    if (minNoise > 0)
        minNoise -= 1;
    UpDateScales();
}

void Graph::on_BtnMaxRateMaxPlus_clicked()
{
    maxMaxRate += pasMaxRate;
    UpDateScales();
}

void Graph::on_BtnMaxRateMaxMoins_clicked()
{
    if (maxMaxRate > minMaxRate + 3 * pasMaxRate)
        maxMaxRate -= pasMaxRate;
    UpDateScales();
}

void Graph::on_BtnMaxRateMinPlus_clicked()
{
    if (maxMaxRate > minMaxRate + 3 * pasMaxRate)
        minMaxRate += pasMaxRate;
    UpDateScales();
}

void Graph::on_BtnMaxRateMinMoins_clicked()
{
    if (minMaxRate > 0)
        minMaxRate -= pasMaxRate;
    UpDateScales();
}

void Graph::on_BtnCRCMaxPlus_clicked()
{
    maxCrc = errorAxisRaised(maxCrc);
    UpDateScales();
}

void Graph::on_BtnCRCMaxMoins_clicked()
{
    maxCrc = errorAxisLowered(maxCrc);
    UpDateScales();
}

void Graph::on_BtnHECMaxPlus_clicked()
{
    maxHec = errorAxisRaised(maxHec);
    UpDateScales();
}

void Graph::on_BtnHECMaxMoins_clicked()
{
    maxHec = errorAxisLowered(maxHec);
    UpDateScales();
}

void Graph::on_BtnFECMaxPlus_clicked()
{
    maxFec = fecAxisRaised(maxFec);
    UpDateScales();
}

void Graph::on_BtnFECMaxMoins_clicked()
{
    maxFec = fecAxisLowered(maxFec);
    UpDateScales();
}
