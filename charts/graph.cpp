#include "graph.h"

#include <QEvent>
#include <cmath>
#include <QMouseEvent>
#include <QTimer>

#include <qwt_date.h>
#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_legend.h>
#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_picker.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_engine.h>

#include "curvedata.h"
#include "timewindow.h"
#include "ui_graph.h"

namespace {
QwtPlotCurve *newCurve(bool reduced, const QString &title, QwtPlot *plot, const QPolygonF *points,
                       QwtPlotCurve::CurveStyle style)
{
    QwtPlotCurve *curve = reduced ? new ReducedCurve(title) : new QwtPlotCurve(title);
    curve->setStyle(style);
    if (style == QwtPlotCurve::Sticks)
        curve->setBaseline(0.1);
    curve->setYAxis(QwtPlot::yLeft);
    curve->setData(new SampleArrayData(points));
    curve->attach(plot);
    return curve;
}

// A "Synchro DSL" curve: sticks up to the top of its own plot.
QwtPlotCurve *newSynchroCurve(QwtPlot *plot, const QPolygonF *points)
{
    QwtPlotCurve *curve = newCurve(false, QStringLiteral("Synchro DSL"), plot, points, QwtPlotCurve::Sticks);
    curve->setData(new StickToTopData(points, plot));
    return curve;
}

QwtPlotGrid *newGrid(QwtPlot *plot, bool minorY)
{
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(Qt::darkGray, 0, Qt::SolidLine);
    grid->setMinorPen(Qt::lightGray, 0, Qt::SolidLine);
    grid->enableX(true);
    grid->enableXMin(true);
    grid->enableY(true);
    grid->enableYMin(minorY);
    grid->attach(plot);
    return grid;
}
}

Graph::Graph(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Graph)
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    readSettings();

    const double now = QwtDate::toDouble(QDateTime::currentDateTime());
    firstSampleTime = lastSampleTime = now;
    refTime = windowEnd = now + reculMinute * 60 * 1000;
    windowStart = windowEnd - plageHeure * 3600 * 1000;
    ui->scrollTemps->setMaximum(0);
    ui->scrollTemps->setValue(0);
    ui->scrollTemps->setEnabled(!ui->checkAvanceAuto->isChecked());

    takeRangeRules();

    QwtDateScaleDraw **scaleDraws[] = {&scaleDrawNoise, &scaleDrawMaxRate, &scaleDrawCrc, &scaleDrawHec,
                                       &scaleDrawFec};
    for (QwtDateScaleDraw **draw : scaleDraws) {
        auto *scaleDraw = new DateScaleDraw(Qt::LocalTime);
        scaleDraw->setFormat(axisLabelFormat);
        scaleDraw->setLabelAlignment(Qt::AlignBottom | Qt::AlignHCenter);
        *draw = scaleDraw;
    }

    gridNoise = newGrid(ui->qwtPlotNoise, false);
    gridMaxRate = newGrid(ui->qwtPlotMaxRate, true);
    gridCrc = newGrid(ui->qwtPlotCRC, true);
    gridHec = newGrid(ui->qwtPlotHEC, true);
    gridFec = newGrid(ui->qwtPlotFEC, true);

    ui->qwtPlotNoise->enableAxis(QwtPlot::yLeft);
    ui->qwtPlotNoise->setAxisScale(QwtPlot::yLeft, minNoise, maxNoise, 1);
    ui->qwtPlotNoise->setAxisMaxMinor(QwtPlot::yLeft, 10);
    ui->qwtPlotNoise->setAxisMaxMajor(QwtPlot::yLeft, 2);
    ui->qwtPlotMaxRate->enableAxis(QwtPlot::yLeft);
    ui->qwtPlotMaxRate->setAxisScale(QwtPlot::yLeft, minMaxRate, maxMaxRate, pasMaxRate);
    ui->qwtPlotMaxRate->setAxisMaxMinor(QwtPlot::yLeft, 10);
    ui->qwtPlotMaxRate->setAxisMaxMajor(QwtPlot::yLeft, 2);
    const struct
    {
        QwtPlot *plot;
        double min, max;
    } errorAxes[] = {{ui->qwtPlotCRC, minCrc, maxCrc}, {ui->qwtPlotHEC, minHec, maxHec}, {ui->qwtPlotFEC, minFec, maxFec}};
    for (const auto &axis : errorAxes) {
        axis.plot->setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine(10));
        axis.plot->setAxisScale(QwtPlot::yLeft, axis.min, axis.max);
        axis.plot->setAxisMaxMinor(QwtPlot::yLeft, 10);
    }
    QwtPlot *plots[] = {ui->qwtPlotNoise, ui->qwtPlotMaxRate, ui->qwtPlotCRC, ui->qwtPlotHEC, ui->qwtPlotFEC};
    for (int i = 0; i < 5; ++i) {
        QwtPlot *plot = plots[i];
        plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
        plot->setAxisScale(QwtPlot::xBottom, windowStart, windowEnd, axisStep);
        plot->setAxisMaxMajor(QwtPlot::xBottom, axisMaxMajor);
        plot->setAxisMaxMinor(QwtPlot::xBottom, axisMaxMinor);
        plot->setAxisScaleDraw(QwtPlot::xBottom, *scaleDraws[i]);
    }

    const auto sticks = QwtPlotCurve::Sticks;
    const auto lines = QwtPlotCurve::Lines;
    curveSynchroNoise = newSynchroCurve(ui->qwtPlotNoise, &pointsSynchro);
    curveDownload = newCurve(true, QStringLiteral("DOWNLOAD"), ui->qwtPlotNoise, &pointsDownload, lines);
    curveUpload = newCurve(true, QStringLiteral("UPLOAD"), ui->qwtPlotNoise, &pointsUpload, lines);
    curveSynchroMaxRate = newSynchroCurve(ui->qwtPlotMaxRate, &pointsSynchro);
    curveMaxDown = newCurve(true, QStringLiteral("MAXI DOWN"), ui->qwtPlotMaxRate, &pointsMaxDown, lines);
    curveMaxUp = newCurve(true, QStringLiteral("MAXI UP"), ui->qwtPlotMaxRate, &pointsMaxUp, lines);
    curveDslDown = newCurve(true, QStringLiteral("DSL DOWN"), ui->qwtPlotMaxRate, &pointsDslDown, lines);
    curveDslUp = newCurve(true, QStringLiteral("DSL UP"), ui->qwtPlotMaxRate, &pointsDslUp, lines);
    curveSynchroCrc = newSynchroCurve(ui->qwtPlotCRC, &pointsSynchro);
    curveCrc = newCurve(true, QStringLiteral("CRC"), ui->qwtPlotCRC, &pointsCrc, sticks);
    curveAtucCrc = newCurve(true, QStringLiteral("ATU-C CRC"), ui->qwtPlotCRC, &pointsAtucCrc, sticks);
    curveSynchroHec = newSynchroCurve(ui->qwtPlotHEC, &pointsSynchro);
    curveHec = newCurve(true, QStringLiteral("HEC"), ui->qwtPlotHEC, &pointsHec, sticks);
    curveAtucHec = newCurve(true, QStringLiteral("ATU-C HEC"), ui->qwtPlotHEC, &pointsAtucHec, sticks);
    curveSynchroFec = newSynchroCurve(ui->qwtPlotFEC, &pointsSynchro);
    curveFec = newCurve(true, QStringLiteral("FEC"), ui->qwtPlotFEC, &pointsFec, sticks);
    curveAtucFec = newCurve(true, QStringLiteral("ATU-C FEC"), ui->qwtPlotFEC, &pointsAtucFec, sticks);
    applyPens();

    for (QwtPlot *plot : plots)
        plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);

    QwtPlotPicker **pickers[] = {&pickerNoise, &pickerMaxRate, &pickerCrc, &pickerHec, &pickerFec};
    for (int i = 0; i < 5; ++i) {
        auto *picker = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand,
                                         QwtPicker::AlwaysOff, plots[i]->canvas());
        picker->setStateMachine(new QwtPickerClickPointMachine);
        connect(picker, static_cast<void (QwtPlotPicker::*)(const QPointF &)>(&QwtPlotPicker::selected), this,
                &Graph::on_Picker_Temps);
        picker->setEnabled(true);
        *pickers[i] = picker;
    }

    for (QwtPlot *plot : plots) {
        plot->installEventFilter(this);
        // The time axis takes as many labels as its width holds; it must
        // never make the window wider to hold more.
        plot->setMinimumWidth(200);
        plot->canvas()->installEventFilter(this);
    }

    diapoTimer = new QTimer(this);
    connect(diapoTimer, &QTimer::timeout, this, &Graph::DiapoTimerHandler);

    InitTabSynchronisations();
}

Graph::~Graph()
{
    writeSettings();

    delete diapoTimer;
    for (QwtPlotCurve *curve : {curveUpload, curveDownload, curveMaxUp, curveMaxDown, curveDslUp, curveDslDown,
                                curveCrc, curveAtucCrc, curveHec, curveAtucHec, curveFec, curveAtucFec,
                                curveSynchroNoise, curveSynchroMaxRate, curveSynchroCrc, curveSynchroHec,
                                curveSynchroFec, curveSumSynchro, curveSumReboot, curveSumConnexion})
        delete curve;
    for (QwtPlotGrid *grid : {gridNoise, gridMaxRate, gridCrc, gridHec, gridFec, gridSynchro})
        delete grid;
    for (QwtPlotPicker *picker : {pickerNoise, pickerMaxRate, pickerCrc, pickerHec, pickerFec})
        delete picker;
    clearListZone();
    // The markers are members: take them off their plots before the plots go.
    for (QwtPlotMarker *marker : {&markerNoise, &markerMaxRate, &markerCrc, &markerHec, &markerFec})
        marker->detach();
    delete ui;
}

QList<QwtPlot *> Graph::timePlots() const
{
    return {ui->qwtPlotNoise, ui->qwtPlotMaxRate, ui->qwtPlotCRC, ui->qwtPlotHEC, ui->qwtPlotFEC};
}

void Graph::replotTimePlots()
{
    for (QwtPlot *plot : timePlots())
        plot->replot();
}

bool Graph::eventFilter(QObject *watched, QEvent *event)
{
    // A canvas that changes width (the window resized, a tab shown for the
    // first time) needs its labels spread anew.
    if (event->type() == QEvent::Resize) {
        for (QwtPlot *plot : timePlots()) {
            if (watched == plot->canvas()) {
                fitAxes(plot, static_cast<QResizeEvent *>(event)->size());
                plot->replot();
                break;
            }
        }
    }
    if (!watched->objectName().startsWith(QLatin1String("qwtPlot")))
        return QDialog::eventFilter(watched, event);
    if (event->type() != QEvent::MouseButtonPress)
        return false;
    if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        ResetMarker();
    return true;
}
