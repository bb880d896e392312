#include "graph.h"

#include <QCheckBox>
#include <QEvent>
#include <QMouseEvent>
#include <QTimer>

#include <qwt_date.h>
#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_picker.h>
#include <qwt_plot_zoneitem.h>

#include "ui_graph.h"

namespace {
// The named members of the time plots' curves, by curve.
QwtPlotCurve *Graph::*const curveMembers[CurveCount] = {
    &Graph::curveDownload, &Graph::curveUpload, &Graph::curveMaxDown, &Graph::curveMaxUp,
    &Graph::curveDslDown,  &Graph::curveDslUp,  &Graph::curveCrc,     &Graph::curveAtucCrc,
    &Graph::curveHec,      &Graph::curveAtucHec, &Graph::curveFec,    &Graph::curveAtucFec,
};
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
        const char *exportPart, *exportTitle, *exportMessage;
    } plots[] = {
        {ui->qwtPlotNoise, ui->checkNoisePdf, "_Marges_", " : Marges de bruit (db)", "Export marges de bruits"},
        {ui->qwtPlotMaxRate, ui->checkDebitMaxPdf, "_Debits_Maxis_", " : Débits maxis (Kb/s)", "Export débits maxis"},
        {ui->qwtPlotCRC, ui->checkCrcPdf, "_CRC_", " : Nombre de CRC et ATU-C CRC", "Export nombre de CRC"},
        {ui->qwtPlotHEC, ui->checkHecPdf, "_HEC_", " : Nombre de HEC et ATU-C HEC", "Export nombre de HEC"},
        {ui->qwtPlotFEC, ui->checkFecPdf, "_FEC_", " : Nombre de FEC et ATU-C FEC", "Export nombre de FEC"},
    };
    for (int i = 0; i < 5; ++i) {
        TimePlot &p = plotTable[i];
        p.reportBox = plots[i].reportBox;
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
    ui->scrollTemps->setEnabled(!chart.automatic);
    setUpDayPicker();

    for (int i = 0; i < 5; ++i) {
        TimePlot &p = plotTable[i];
        p.setUp(plots[i].plot, i, &chart, onScreenCanvas(plots[i].plot));
        for (int c = 0; c < CurveCount; ++c) {
            if (p.curves[c])
                this->*curveMembers[c] = p.curves[c];
        }
    }
    // The stalls of a chart fed before the window was made, and the scroll
    // bar over its samples.
    samplesAdded();

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
        p.applyPens();
}

QList<QwtPlot *> Graph::timePlots() const
{
    QList<QwtPlot *> plots;
    for (const TimePlot &p : plotTable)
        plots << p.plot;
    return plots;
}

Graph::TimePlot *Graph::timePlotOf(QwtPlot *plot)
{
    for (TimePlot &p : plotTable) {
        if (p.plot == plot)
            return &p;
    }
    return nullptr;
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
        for (TimePlot &p : plotTable) {
            if (watched == p.plot->canvas()) {
                p.fitAxes(static_cast<QResizeEvent *>(event)->size());
                p.plot->replot();
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
