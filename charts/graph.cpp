#include "graph.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <QMouseEvent>
#include <QSettings>
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

#include "common/settingsfile.h"
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
    keepSettingsUsable();

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

void Graph::readSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    const auto has = [&](const char *key) { return settings.contains(QLatin1String(key)); };
    const auto number = [&](const char *key, double *member) {
        if (has(key))
            *member = settings.value(QLatin1String(key)).toDouble();
    };
    const auto text = [&](const char *key, QString *member) {
        if (has(key))
            *member = settings.value(QLatin1String(key)).toString();
    };

    const int height = settings.value(QStringLiteral("GRAPH/Height")).toInt();
    const int width = settings.value(QStringLiteral("GRAPH/Width")).toInt();
    const int y = settings.value(QStringLiteral("GRAPH/Y")).toInt();
    const int x = settings.value(QStringLiteral("GRAPH/X")).toInt();
    // Until the window has been shown and saved once, the form's size is a
    // better start than the toolkit's smallest; a size saved on a larger
    // screen is cut to this one.
    if (width > 0 && height > 0) {
        const QScreen *screen = QGuiApplication::screenAt(QPoint(x, y));
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QSize size = screen ? QSize(width, height).boundedTo(screen->availableSize()) : QSize(width, height);
        setGeometry(x, y, size.width(), size.height());
    } else {
        move(x, y);
    }
    const int size0 = settings.value(QStringLiteral("GRAPH/Size0")).toInt();
    const int size1 = settings.value(QStringLiteral("GRAPH/Size1")).toInt();
    // Two empty panes (a window never opened) would hide both plots.
    if (size0 > 0 || size1 > 0)
        ui->splitterGraph->setSizes({size0, size1});
    ssid = settings.value(QStringLiteral("LIVEBOX/SSID")).toString();

    number("COURBES/MaxNoise", &maxNoise);
    number("COURBES/MinNoise", &minNoise);
    // Without a top of its own, the rate axis takes one from the first sample.
    rateTopFromFirstSample = !has("COURBES/MaxMaxRate");
    number("COURBES/MaxMaxRate", &maxMaxRate);
    number("COURBES/MinMaxRate", &minMaxRate);
    number("COURBES/PasMaxRate", &pasMaxRate);
    number("COURBES/MaxCRC", &maxCrc);
    number("COURBES/MinCRC", &minCrc);
    number("COURBES/MaxHEC", &maxHec);
    number("COURBES/MinHEC", &minHec);
    number("COURBES/MaxFEC", &maxFec);
    number("COURBES/MinFEC", &minFec);
    number("COURBES/ReculMinute", &reculMinute);
    number("COURBES/PlageHeure", &plageHeure);
    number("COURBES/TempsMaxHeure", &tempsMaxHeure);
    number("COURBES/DecHistoSec", &decHistoSec);
    number("COURBES/PenCurve", &penCurve);
    number("COURBES/PenHisto", &penHisto);
    number("COURBES/PenSynch", &penSynch);
    number("COURBES/ExportScale", &exportScale);
    if (has("COURBES/ExportResol"))
        exportResol = settings.value(QStringLiteral("COURBES/ExportResol")).toInt();
    if (has("COURBES/DiapoErreurs"))
        diapoErreurs = settings.value(QStringLiteral("COURBES/DiapoErreurs")).toBool();
    if (has("COURBES/DiapoCourbes"))
        diapoCourbes = settings.value(QStringLiteral("COURBES/DiapoCourbes")).toBool();
    // A first start shows both the date and the hour.
    echDate = settings.value(QStringLiteral("FORMAT/EchDate"), true).toBool();
    echHeure = settings.value(QStringLiteral("FORMAT/EchHeure"), true).toBool();
    text("FORMAT/TpsDateFormat", &tpsDateFormat);
    text("FORMAT/TpsHeureFormat", &tpsHeureFormat);
    text("FORMAT/TpsSeparFormat", &tpsSeparFormat);
    if (has("FORMAT/RapPageOrient"))
        rapPageOrient = settings.value(QStringLiteral("FORMAT/RapPageOrient")).toInt();
    number("COURBES/NbJrSynch", &nbJrSynch);
    ui->tabErreurs->setCurrentIndex(settings.value(QStringLiteral("GRAPH/IndexErreurs")).toInt());
    ui->tabCourbes->setCurrentIndex(settings.value(QStringLiteral("GRAPH/IndexCourbes")).toInt());
    ui->checkNoisePdf->setChecked(settings.value(QStringLiteral("GRAPH/NoisePdf")).toBool());
    ui->checkDebitMaxPdf->setChecked(settings.value(QStringLiteral("GRAPH/DebitMaxPdf")).toBool());
    ui->checkCrcPdf->setChecked(settings.value(QStringLiteral("GRAPH/CrcPdf")).toBool());
    ui->checkHecPdf->setChecked(settings.value(QStringLiteral("GRAPH/HecPdf")).toBool());
    ui->checkFecPdf->setChecked(settings.value(QStringLiteral("GRAPH/FecPdf")).toBool());
}

void Graph::keepSettingsUsable()
{
    // A hand-edited file may hold anything: values that would make a scale
    // empty, infinite or absurd fall back to the window's own.
    const auto within = [](double *value, double low, double high, double fallback) {
        if (!std::isfinite(*value) || *value < low || *value > high)
            *value = fallback;
    };
    within(&reculMinute, 0, 24 * 60, 5.0);
    within(&plageHeure, 0.1, 24 * 366, 3.0);
    within(&tempsMaxHeure, 1, 24 * 366, 24.0);
    within(&decHistoSec, 0, 3600, 15.0);
    within(&penCurve, 0, 50, 2.0);
    within(&penHisto, 0, 50, 2.0);
    within(&penSynch, 0, 50, 2.0);
    within(&exportScale, 0.01, 100, 3.0);
    within(&nbJrSynch, 1, 3660, 20.0);
    if (exportResol < 10 || exportResol > 2400)
        exportResol = 85;
    const auto axis = [&within](double *min, double *max, double low, double fallbackMin, double fallbackMax) {
        within(min, low, 1e12, fallbackMin);
        within(max, low, 1e12, fallbackMax);
        if (*min >= *max) {
            *min = fallbackMin;
            *max = fallbackMax;
        }
    };
    axis(&minNoise, &maxNoise, -1000, 0, 16.0);
    axis(&minMaxRate, &maxMaxRate, -1e9, 0, 5000.0);
    // A step of 0 would leave the rate axis's "+" and "-" without effect.
    within(&pasMaxRate, 0, 1e9, 0);
    if (pasMaxRate <= 0)
        pasMaxRate = roundStep(maxMaxRate - minMaxRate);
    // The error axes are logarithmic: their bottoms must stay above zero.
    axis(&minCrc, &maxCrc, 1e-6, 0.5, 100.0);
    axis(&minHec, &maxHec, 1e-6, 0.5, 100.0);
    axis(&minFec, &maxFec, 1e-6, 50.0, 50000.0);
}

void Graph::writeSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    const QRect area = geometry();
    const QList<int> sizes = ui->splitterGraph->sizes();
    settings.setValue(QStringLiteral("GRAPH/Width"), area.width());
    settings.setValue(QStringLiteral("GRAPH/Height"), area.height());
    settings.setValue(QStringLiteral("GRAPH/X"), area.x());
    settings.setValue(QStringLiteral("GRAPH/Y"), area.y());
    settings.setValue(QStringLiteral("GRAPH/Size0"), sizes.value(0));
    settings.setValue(QStringLiteral("GRAPH/Size1"), sizes.value(1));
    settings.setValue(QStringLiteral("GRAPH/IndexCourbes"), ui->tabCourbes->currentIndex());
    settings.setValue(QStringLiteral("GRAPH/IndexErreurs"), ui->tabErreurs->currentIndex());
    settings.setValue(QStringLiteral("GRAPH/NoisePdf"), ui->checkNoisePdf->isChecked());
    settings.setValue(QStringLiteral("GRAPH/DebitMaxPdf"), ui->checkDebitMaxPdf->isChecked());
    settings.setValue(QStringLiteral("GRAPH/CrcPdf"), ui->checkCrcPdf->isChecked());
    settings.setValue(QStringLiteral("GRAPH/HecPdf"), ui->checkHecPdf->isChecked());
    settings.setValue(QStringLiteral("GRAPH/FecPdf"), ui->checkFecPdf->isChecked());
    settings.setValue(QStringLiteral("COURBES/MaxNoise"), maxNoise);
    settings.setValue(QStringLiteral("COURBES/MinNoise"), minNoise);
    settings.setValue(QStringLiteral("COURBES/MaxMaxRate"), maxMaxRate);
    settings.setValue(QStringLiteral("COURBES/MinMaxRate"), minMaxRate);
    settings.setValue(QStringLiteral("COURBES/PasMaxRate"), pasMaxRate);
    settings.setValue(QStringLiteral("COURBES/MaxCRC"), maxCrc);
    settings.setValue(QStringLiteral("COURBES/MinCRC"), minCrc);
    settings.setValue(QStringLiteral("COURBES/MaxHEC"), maxHec);
    settings.setValue(QStringLiteral("COURBES/MinHEC"), minHec);
    settings.setValue(QStringLiteral("COURBES/MaxFEC"), maxFec);
    settings.setValue(QStringLiteral("COURBES/MinFEC"), minFec);
    settings.setValue(QStringLiteral("COURBES/ReculMinute"), reculMinute);
    settings.setValue(QStringLiteral("COURBES/PlageHeure"), plageHeure);
    settings.setValue(QStringLiteral("COURBES/TempsMaxHeure"), tempsMaxHeure);
    settings.setValue(QStringLiteral("COURBES/DecHistoSec"), decHistoSec);
    settings.setValue(QStringLiteral("COURBES/PenCurve"), penCurve);
    settings.setValue(QStringLiteral("COURBES/PenHisto"), penHisto);
    settings.setValue(QStringLiteral("COURBES/PenSynch"), penSynch);
    settings.setValue(QStringLiteral("COURBES/ExportScale"), exportScale);
    settings.setValue(QStringLiteral("COURBES/ExportResol"), exportResol);
    settings.setValue(QStringLiteral("COURBES/DiapoErreurs"), diapoErreurs);
    settings.setValue(QStringLiteral("COURBES/DiapoCourbes"), diapoCourbes);
    settings.setValue(QStringLiteral("COURBES/NbJrSynch"), nbJrSynch);
    settings.setValue(QStringLiteral("FORMAT/EchDate"), echDate);
    settings.setValue(QStringLiteral("FORMAT/EchHeure"), echHeure);
    settings.setValue(QStringLiteral("FORMAT/TpsDateFormat"), tpsDateFormat);
    settings.setValue(QStringLiteral("FORMAT/TpsHeureFormat"), tpsHeureFormat);
    settings.setValue(QStringLiteral("FORMAT/TpsSeparFormat"), tpsSeparFormat);
    settings.setValue(QStringLiteral("FORMAT/RapPageOrient"), rapPageOrient);
}
