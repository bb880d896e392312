#include <QBrush>
#include <QDateTime>
#include <QPen>

#include <qwt_plot.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_text.h>

#include "charts/timewindow.h"
#include "common/numbers.h"
#include "graph.h"
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

    // Each plot's label: its curves' values, in their label order.
    QStringList lines[5];
    for (QStringList &plotLines : lines)
        plotLines = QStringList{when, QString(), QString(), QString(), QString()};
    for (int c = 0; c < CurveCount; ++c) {
        const CurveSeries &series = curveSeries(c);
        lines[series.plot][1 + series.labelRank] = QString::fromUtf8(series.label)
                                                   + value(SeriesView{&samples, c}, k, series.decimals)
                                                   + QString::fromUtf8(series.unit);
    }
    for (int i = 0; i < 5; ++i) {
        QwtPlotMarker &marker = plotTable[i].marker;
        marker.setLineStyle(QwtPlotMarker::VLine);
        marker.setLinePen(Qt::black, 2, Qt::DotLine);
        marker.setValue(t, 10);
        lines[i].removeAll(QString());
        QwtText text(lines[i].join(QLatin1Char('\n')));
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
    for (int i : {0, 2, 3, 4, 1})
        zoneList.append(plotTable[i].addStallZone(Deb, Fin));
}

void Graph::clearListZone()
{
    qDeleteAll(zoneList);
    zoneList.clear();
    zonedGaps = 0;
}
