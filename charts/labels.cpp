#include <QBrush>
#include <QDateTime>
#include <QPen>

#include <qwt_plot.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_text.h>

#include "curvedata.h"
#include "graph.h"
#include "common/numbers.h"
#include "timewindow.h"
#include "ui_graph.h"

namespace {
QString value(const SeriesView &points, int k, int decimals)
{
    return fixedText(points.at(k).y(), decimals);
}
}

void Graph::on_Picker_Temps(const QPointF &Pos)
{
    const int k = int(samples.indexAt(Pos.x()));
    if (k < 0)
        return; // nothing recorded yet
    const double t = pointsDownload.at(k).x();
    const QString when = QDateTime::fromSecsSinceEpoch(qint64(t / 1000)).toString(QStringLiteral("dd/MM/yyyy à hh:mm:ss"));
    const Qt::Alignment alignment = labelAlignment(t, windowStart, windowEnd);

    // The lines of each plot's label, in the order of the table of plots.
    const QStringList lines[] = {
        {"Down = " + value(pointsDownload, k, 1) + " dB", "Up = " + value(pointsUpload, k, 1) + " dB"},
        {"Down max = " + value(pointsMaxDown, k, 0) + " Kb/s", "Down DSL = " + value(pointsDslDown, k, 0) + " Kb/s",
         "Up max= " + value(pointsMaxUp, k, 0) + " Kb/s", "Up DSL= " + value(pointsDslUp, k, 0) + " Kb/s"},
        {"CRC = " + value(pointsCrc, k, 0), "ATU-C CRC = " + value(pointsAtucCrc, k, 0)},
        {"HEC = " + value(pointsHec, k, 0), "ATU-C HEC = " + value(pointsAtucHec, k, 0)},
        {"FEC = " + value(pointsFec, k, 0), "ATU-C FEC = " + value(pointsAtucFec, k, 0)},
    };
    for (int i = 0; i < 5; ++i) {
        QwtPlotMarker &marker = plotTable[i].marker;
        marker.setLineStyle(QwtPlotMarker::VLine);
        marker.setLinePen(Qt::black, 2, Qt::DotLine);
        marker.setValue(t, 10);
        QwtText text((QStringList{when} + lines[i]).join(QLatin1Char('\n')));
        text.setBackgroundBrush(QBrush(QColor(255, 240, 170, 191)));
        marker.setLabel(text);
        marker.setLabelAlignment(alignment);
        marker.attach(plotTable[i].plot);
    }
    replotTimePlots();
}

void Graph::ResetMarker()
{
    for (TimePlot &p : plotTable)
        p.marker.detach();
    replotTimePlots();
}

void Graph::addZone(double Deb, double Fin)
{
    // Noise, CRC, HEC, FEC, then rates: the order the zones have always been made in.
    for (int i : {0, 2, 3, 4, 1}) {
        QwtPlot *plot = plotTable[i].plot;
        auto *zone = new RectZone;
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
