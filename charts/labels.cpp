#include <QBrush>
#include <QDateTime>
#include <QPen>

#include <qwt_plot.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_text.h>

#include "graph.h"
#include "common/numbers.h"
#include "timewindow.h"
#include "ui_graph.h"

namespace {
QString value(const QPolygonF &points, int k, int decimals)
{
    return fixedText(points.at(k).y(), decimals);
}
}

void Graph::on_Picker_Temps(const QPointF &Pos)
{
    const int k = sampleIndexAt(pointsDownload, Pos.x());
    if (k < 0)
        return; // nothing recorded yet
    const double t = pointsDownload.at(k).x();
    const QString when = QDateTime::fromSecsSinceEpoch(qint64(t / 1000)).toString(QStringLiteral("dd/MM/yyyy à hh:mm:ss"));
    const Qt::Alignment alignment = labelAlignment(t, windowStart, windowEnd);

    const struct
    {
        QwtPlotMarker *marker;
        QwtPlot *plot;
        QStringList lines;
    } labels[] = {
        {&markerNoise, ui->qwtPlotNoise,
         {"Down = " + value(pointsDownload, k, 1) + " dB", "Up = " + value(pointsUpload, k, 1) + " dB"}},
        {&markerMaxRate, ui->qwtPlotMaxRate,
         {"Down max = " + value(pointsMaxDown, k, 0) + " Kb/s", "Down DSL = " + value(pointsDslDown, k, 0) + " Kb/s",
          "Up max= " + value(pointsMaxUp, k, 0) + " Kb/s", "Up DSL= " + value(pointsDslUp, k, 0) + " Kb/s"}},
        {&markerCrc, ui->qwtPlotCRC, {"CRC = " + value(pointsCrc, k, 0), "ATU-C CRC = " + value(pointsAtucCrc, k, 0)}},
        {&markerHec, ui->qwtPlotHEC, {"HEC = " + value(pointsHec, k, 0), "ATU-C HEC = " + value(pointsAtucHec, k, 0)}},
        {&markerFec, ui->qwtPlotFEC, {"FEC = " + value(pointsFec, k, 0), "ATU-C FEC = " + value(pointsAtucFec, k, 0)}},
    };
    for (const auto &label : labels) {
        label.marker->setLineStyle(QwtPlotMarker::VLine);
        label.marker->setLinePen(Qt::black, 2, Qt::DotLine);
        label.marker->setValue(t, 10);
        QwtText text((QStringList{when} + label.lines).join(QLatin1Char('\n')));
        text.setBackgroundBrush(QBrush(QColor(255, 240, 170, 191)));
        label.marker->setLabel(text);
        label.marker->setLabelAlignment(alignment);
        label.marker->attach(label.plot);
    }
    replotTimePlots();
}

void Graph::ResetMarker()
{
    for (QwtPlotMarker *marker : {&markerNoise, &markerMaxRate, &markerCrc, &markerHec, &markerFec})
        marker->detach();
    replotTimePlots();
}

void Graph::addZone(double Deb, double Fin)
{
    for (QwtPlot *plot : {ui->qwtPlotNoise, ui->qwtPlotCRC, ui->qwtPlotHEC, ui->qwtPlotFEC, ui->qwtPlotMaxRate}) {
        auto *zone = new QwtPlotZoneItem;
        zoneList.append(zone);
        zone->setOrientation(Qt::Vertical);
        zone->setPen(QColor(255, 80, 80, 255), 0, Qt::SolidLine);
        zone->setBrush(QBrush(QColor(255, 80, 80, 50)));
        zone->setInterval(Deb, Fin);
        zone->attach(plot);
    }
}

void Graph::clearListZone()
{
    qDeleteAll(zoneList);
    zoneList.clear();
}
