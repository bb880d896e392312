#include "chartreport.h"

#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include "charts/chartdata.h"
#include "charts/chartplot.h"
#include "reportpage.h"

namespace {
// Each time plot's title band, by TimePlotIndex.
const char *const reportTitles[TimePlotCount] = {
    "Marges de bruit upload et download (dB)", "Débits maxis upload et download (kB/s)",
    "Nombre d'erreurs CRC et ATU-C CRC",       "Nombre d'erreurs HEC et ATU-C HEC",
    "Nombre d'erreurs FEC et ATU-C FEC",
};

// Time plot `index` of `chart` drawn into `rect`, by a plot made for it: the
// same whether a window shows the chart or not. The point label a click puts
// on the window's plots is not the day's: it stays off the page.
void drawTimePlot(QPainter *painter, const QRectF &rect, int index, const ChartData &chart)
{
    QwtPlot plot;
    ChartPlot timePlot;
    // The axes' labels are spread for the page, not the screen.
    const QSizeF size = layoutSize(rect, painter, &plot);
    timePlot.setUp(&plot, index, &chart, size);
    for (const SampleTable::Gap &gap : chart.samples.gaps) {
        if (chart.inView(gap.start, gap.end))
            timePlot.addStallZone(gap.start, gap.end);
    }
    plot.resize(size.toSize());
    timePlot.fitAxesForRender(timePlot.canvasSizeFor(size));
    QwtPlotRenderer renderer;
    renderOnWhite(renderer, &plot, painter, rect);
}
}

bool writeChartReport(const QString &file, const QString &day, const ChartData &chart)
{
    const int ticked = chart.reportPlotCount();
    return writeReportPage(file, chart.rapPageOrient, chart.ssid + QStringLiteral("   -   ") + day,
                           deviceLine(chart.liveboxType, chart.liveboxSoftware),
                           [&](QPainter &painter, const ReportPage &page) {
                               setTitleFont(&painter, 8, true, false);
                               // The ticked plots share the page equally.
                               const int height = reportPlotHeight(page.height, ticked);
                               int y = 50;
                               for (int i = 0; i < TimePlotCount; ++i) {
                                   if (!chart.inReport[i])
                                       continue;
                                   painter.drawText(QRect(0, y, page.width, 40), Qt::AlignLeft | Qt::AlignBottom,
                                                    QString::fromUtf8(reportTitles[i]));
                                   drawTimePlot(&painter, QRectF(0, y + 40, page.width, height), i, chart);
                                   y += 40 + height;
                               }
                           });
}

QString noPlotInReportText()
{
    return QStringLiteral("Aucun graphique n'est coché pour le rapport PDF : cochez au moins une case « Rapport » "
                          "dans la fenêtre des graphiques. Aucun rapport n'a été écrit.");
}
