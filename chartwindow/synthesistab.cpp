#include <QBrush>
#include <QDate>
#include <QPen>

#include <qwt_date.h>
#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_div.h>
#include <qwt_symbol.h>

#include "charts/curvedata.h"
#include "charts/plotitems.h"
#include "charts/synthesis.h"
#include "common/filenames.h"
#include "graph.h"
#include "ui_graph.h"

namespace {
QwtPlotCurve *newSymbolCurve(const QString &title, const QColor &pen, QwtSymbol::Style shape, int size,
                             const QColor &outline, const QPolygonF *points)
{
    auto *curve = new QwtPlotCurve(title);
    curve->setYAxis(QwtPlot::yLeft);
    curve->setStyle(QwtPlotCurve::NoCurve);
    curve->setPen(pen, 8, Qt::SolidLine);
    curve->setSymbol(new QwtSymbol(shape, QBrush(Qt::green), QPen(outline, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin),
                                   QSize(size, size)));
    curve->setData(new SampleArrayData(points));
    return curve;
}
}

void Graph::InitTabSynchronisations()
{
    QwtPlot *plot = ui->qwtPlotSynchronisations;
    auto *days = new DateScaleDraw(Qt::LocalTime);
    days->setFormat(QStringLiteral("dd / MM"));
    days->setLabelAlignment(Qt::AlignLeft);
    scaleDrawDays = days;
    plot->setAxisScaleDraw(QwtPlot::yLeft, scaleDrawDays);

    plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    // Like the time plots: the window's minimum width never follows the axes' labels.
    plot->setMinimumWidth(200);

    gridSynchro = newGrid(plot, false);

    curveSumConnexion = newSymbolCurve(QStringLiteral("Connexion"), Qt::red, QwtSymbol::XCross, 14, Qt::blue,
                                       &pointsSumConnexion);
    curveSumSynchro = newSymbolCurve(QStringLiteral("Synchro DSL"), Qt::red, QwtSymbol::Cross, 14, Qt::red,
                                     &pointsSumSynchro);
    curveSumReboot = newSymbolCurve(QStringLiteral("Reboot box"), Qt::green, QwtSymbol::Ellipse, 16, Qt::green,
                                    &pointsSumReboot);
    curveSumReboot->attach(plot);
    curveSumConnexion->attach(plot);
    curveSumSynchro->attach(plot);

    UpDateSynchronisations();
    plot->replot();
}

void Graph::UpDateSynchronisations()
{
    QwtPlot *plot = ui->qwtPlotSynchronisations;
    // One line a day, at its local midnight, with its events on it and half
    // a day of room on either side.
    const QList<double> days = synthesisDays(QDate::currentDate(), int(nbJrSynch));
    const double halfDay = 12 * 3600 * 1000;
    plot->enableAxis(QwtPlot::yLeft);
    plot->setAxisScaleDiv(QwtPlot::yLeft,
                          QwtScaleDiv(days.first() - halfDay, days.last() + halfDay, QList<double>(), QList<double>(), days));
    plot->setAxisScale(QwtPlot::xBottom, 0, 24, 1);
    plot->setAxisMaxMajor(QwtPlot::xBottom, 1);
    plot->setAxisMaxMinor(QwtPlot::xBottom, 4);

    SynthesisPoints points = readSynthesis(synchroLogFilePath(ssid));
    pointsSumSynchro = points.synchro;
    pointsSumReboot = points.reboot;
    pointsSumConnexion = points.connexion;
    plot->replot();
}

void Graph::on_BtnSynchroPlus_clicked()
{
    nbJrSynch += 1;
    UpDateSynchronisations();
}

void Graph::on_BtnSynchroMoins_clicked()
{
    if (nbJrSynch > 5)
        nbJrSynch -= 1;
    UpDateSynchronisations();
}

void Graph::on_BtnUpDateSynchro_clicked()
{
    UpDateSynchronisations();
}
