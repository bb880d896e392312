#include "graph.h"

#include <QCheckBox>
#include <QEvent>
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
#include <qwt_scale_widget.h>

#include "curvedata.h"
#include "plotitems.h"
#include "timewindow.h"
#include "ui_graph.h"

namespace {
// The named members of the time plots' curves, by curve.
QwtPlotCurve *Graph::*const curveMembers[CurveCount] = {
    &Graph::curveDownload, &Graph::curveUpload, &Graph::curveMaxDown, &Graph::curveMaxUp,
    &Graph::curveDslDown,  &Graph::curveDslUp,  &Graph::curveCrc,     &Graph::curveAtucCrc,
    &Graph::curveHec,      &Graph::curveAtucHec, &Graph::curveFec,    &Graph::curveAtucFec,
};

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

Graph::Graph(QWidget *parent)
    : Graph(nullptr, parent)
{
}

Graph::Graph(ChartData *data, QWidget *parent)
    : QDialog(parent)
    , ownChart(data ? nullptr : std::make_unique<ChartData>())
    , chart(data ? *data : *ownChart)
    , ui(new Ui_Graph)
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    const struct
    {
        QwtPlot *plot;
        QCheckBox *reportBox;
        const char *reportTitle, *exportPart, *exportTitle, *exportMessage;
    } plots[] = {
        {ui->qwtPlotNoise, ui->checkNoisePdf, "Marges de bruit upload et download (dB)",
         "_Marges_", " : Marges de bruit (db)", "Export marges de bruits"},
        {ui->qwtPlotMaxRate, ui->checkDebitMaxPdf,
         "Débits maxis upload et download (kB/s)", "_Debits_Maxis_", " : Débits maxis (Kb/s)", "Export débits maxis"},
        {ui->qwtPlotCRC, ui->checkCrcPdf, "Nombre d'erreurs CRC et ATU-C CRC", "_CRC_",
         " : Nombre de CRC et ATU-C CRC", "Export nombre de CRC"},
        {ui->qwtPlotHEC, ui->checkHecPdf, "Nombre d'erreurs HEC et ATU-C HEC", "_HEC_",
         " : Nombre de HEC et ATU-C HEC", "Export nombre de HEC"},
        {ui->qwtPlotFEC, ui->checkFecPdf, "Nombre d'erreurs FEC et ATU-C FEC", "_FEC_",
         " : Nombre de FEC et ATU-C FEC", "Export nombre de FEC"},
    };
    for (int i = 0; i < 5; ++i) {
        TimePlot &p = plotTable[i];
        p.plot = plots[i].plot;
        p.reportBox = plots[i].reportBox;
        p.reportTitle = plots[i].reportTitle;
        p.exportPart = plots[i].exportPart;
        p.exportTitle = plots[i].exportTitle;
        p.exportMessage = plots[i].exportMessage;
    }

    readSettings();
    // The report's check boxes show the choice read, and change it.
    for (int i = 0; i < 5; ++i) {
        bool &inReport = chart.inReport[i];
        plotTable[i].reportBox->setChecked(inReport);
        connect(plotTable[i].reportBox, &QCheckBox::toggled, this, [&inReport](bool on) { inReport = on; });
    }

    if (chart.samples.empty()) {
        const double now = QwtDate::toDouble(QDateTime::currentDateTime());
        firstSampleTime = lastSampleTime = now;
        refTime = windowEnd = now + reculMinute * 60 * 1000;
        windowStart = windowEnd - plageHeure * 3600 * 1000;
    }
    ui->checkAvanceAuto->setChecked(chart.automatic);
    ui->scrollTemps->setMaximum(0);
    ui->scrollTemps->setValue(0);
    ui->scrollTemps->setEnabled(!chart.automatic);

    for (TimePlot &p : plotTable) {
        auto *scaleDraw = new DateScaleDraw(Qt::LocalTime);
        scaleDraw->setFormat(axisLabelFormat);
        scaleDraw->setLabelAlignment(Qt::AlignBottom | Qt::AlignHCenter);
        p.scaleDraw = scaleDraw;
    }
    for (TimePlot &p : plotTable)
        p.grid = newGrid(p.plot, p.plot != ui->qwtPlotNoise);
    for (TimePlot &p : plotTable) {
        p.plot->enableAxis(QwtPlot::yLeft);
        if (ChartData::logarithmic(int(&p - plotTable.data())))
            p.plot->setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine(10));
        setLeftAxis(p, onScreenCanvas(p.plot).height());
    }
    for (TimePlot &p : plotTable) {
        p.plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
        p.plot->setAxisScale(QwtPlot::xBottom, windowStart, windowEnd, axisStep);
        p.plot->setAxisMaxMajor(QwtPlot::xBottom, axisMaxMajor);
        p.plot->setAxisMaxMinor(QwtPlot::xBottom, axisMaxMinor);
        p.plot->setAxisScaleDraw(QwtPlot::xBottom, p.scaleDraw);
    }

    for (int i = 0; i < 5; ++i) {
        TimePlot &p = plotTable[i];
        // The resynchronisations cross every plot, each stick up to the top
        // of its own plot's axis.
        p.synchro = newCurve(new SynchroCurve(QStringLiteral("Synchro DSL")), p.plot,
                             new StickToTopData(&pointsSynchro, p.plot), QwtPlotCurve::Sticks);
        for (int c = 0; c < CurveCount; ++c) {
            const CurveSeries &series = curveSeries(c);
            if (series.plot == i)
                this->*curveMembers[c] = newCurve(new ReducedCurve(QString::fromUtf8(series.title)), p.plot,
                                                  new SeriesData(&samples, c),
                                                  series.counter ? QwtPlotCurve::Sticks : QwtPlotCurve::Lines);
        }
    }
    applyPens();

    for (TimePlot &p : plotTable)
        p.plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);

    for (TimePlot &p : plotTable) {
        p.picker = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand, QwtPicker::AlwaysOff,
                                     p.plot->canvas());
        p.picker->setStateMachine(new QwtPickerClickPointMachine);
        connect(p.picker, static_cast<void (QwtPlotPicker::*)(const QPointF &)>(&QwtPlotPicker::selected), this,
                &Graph::on_Picker_Temps);
        p.picker->setEnabled(true);
    }

    for (TimePlot &p : plotTable) {
        p.plot->installEventFilter(this);
        // The time axis takes as many labels as its width holds; it must
        // never make the window wider to hold more.
        p.plot->setMinimumWidth(200);
        p.plot->canvas()->installEventFilter(this);
    }

    diapoTimer = new QTimer(this);
    connect(diapoTimer, &QTimer::timeout, this, &Graph::DiapoTimerHandler);

    InitTabSynchronisations();
}

Graph::~Graph()
{
    writeSettings();

    delete diapoTimer;
    for (QwtPlotCurve *Graph::*curve : curveMembers)
        delete (this->*curve);
    for (QwtPlotCurve *curve : {curveSumSynchro, curveSumReboot, curveSumConnexion})
        delete curve;
    delete gridSynchro;
    for (TimePlot &p : plotTable) {
        delete p.synchro;
        delete p.grid;
        delete p.picker;
        // The markers are members: take them off their plots before the plots go.
        p.marker.detach();
    }
    clearListZone();
    delete ui;
}

void Graph::applyPens()
{
    for (TimePlot &p : plotTable)
        p.synchro->setPen(Qt::magenta, penSynch, Qt::DashLine);
    for (int c = 0; c < CurveCount; ++c) {
        const CurveSeries &series = curveSeries(c);
        (this->*curveMembers[c])->setPen(QColor(series.colour), chart.penWidth(c), series.line);
    }
}

void Graph::setLeftAxis(TimePlot &p, double canvasHeight)
{
    QwtPlot *plot = p.plot;
    const int index = int(&p - plotTable.data());
    const double minimum = chart.axisMinimum(index);
    const double maximum = chart.axisMaximum(index);
    plot->setAxisMaxMinor(QwtPlot::yLeft, 10);
    if (ChartData::logarithmic(index)) {
        plot->setAxisScale(QwtPlot::yLeft, minimum, maximum);
        return;
    }
    // The noise and rate axes keep their own step while their labels fit
    // the plot's height (a fifth of a page holds fewer than a window).
    const double lineHeight = QFontMetricsF(plot->axisWidget(QwtPlot::yLeft)->font()).height();
    plot->setAxisScale(QwtPlot::yLeft, minimum, maximum,
                       fittedValueStep(maximum - minimum, canvasHeight, lineHeight, chart.ownValueStep(index)));
    plot->setAxisMaxMajor(QwtPlot::yLeft, 2);
}

QList<QwtPlot *> Graph::timePlots() const
{
    QList<QwtPlot *> plots;
    for (const TimePlot &p : plotTable)
        plots << p.plot;
    return plots;
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
