#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include "common/appdir.h"
#include "common/filenames.h"
#include "common/messages.h"
#include "graph.h"
#include "reports/reportpage.h"
#include "ui_graph.h"

bool Graph::exportPlot(QwtPlot *plot, const QString &namePart, const QString &title, const QString &messageTitle)
{
    QDir().mkpath(AppDir::filePath(QStringLiteral("export")));
    const QString file =
        exportFilePath(ssid, namePart, QDateTime::currentDateTime(), QLatin1Char('.') + exportFormat);
    const QSizeF millimetres(plot->width() / exportScale, plot->height() / exportScale);
    const QSize pixels = exportPixels(millimetres, exportResol);
    if (qint64(pixels.width()) * pixels.height() > maxExportPixels) {
        // Memory and minutes grow with the image: say which setting asks too much.
        Messages::information(
            this, messageTitle,
            QStringLiteral("Exportation du fichier\n") + file
                + QStringLiteral("\nimpossible : l'image ferait %1 x %2 pixels, au-delà de %3 millions de pixels.\n"
                                 "Augmentez l'échelle d'export (COURBES/ExportScale) ou baissez sa résolution "
                                 "(COURBES/ExportResol) dans livebox.ini.")
                      .arg(pixels.width())
                      .arg(pixels.height())
                      .arg(maxExportPixels / 1000000));
        return false;
    }

    bool written = false;
    if (exportFormatKnown(exportFormat)) {
        // A second export within the same second replaces the first.
        QFile::remove(file);
        plot->setTitle(ssid + title);
        QwtPlotRenderer renderer;
        // The renderer lays the plot out at screen resolution: the axes'
        // labels are spread for that size, not the window's.
        const QSizeF layout = millimetres / 25.4 * plot->logicalDpiX();
        withAxesFor(plot, layout,
                        [&] { renderer.renderDocument(plot, file, exportFormat, millimetres, exportResol); });
        plot->setTitle(QString());
        written = QFileInfo(file).size() > 0;
    }

    Messages::information(this, messageTitle,
                             QStringLiteral("Exportation du fichier\n") + file + QLatin1Char('\n')
                                 + (written ? QStringLiteral("terminée.")
                                            : QStringLiteral("impossible : le fichier n'a pas pu être écrit.")));
    return written;
}

void Graph::exportTimePlot(int index)
{
    const TimePlot &p = plotTable[index];
    exportPlot(p.plot, QString::fromUtf8(p.exportPart), QString::fromUtf8(p.exportTitle),
               QString::fromUtf8(p.exportMessage));
}

void Graph::on_BtnExportNoise_clicked()
{
    exportTimePlot(0);
}

void Graph::on_BtnExportMaxRate_clicked()
{
    exportTimePlot(1);
}

void Graph::on_BtnExportCRC_clicked()
{
    exportTimePlot(2);
}

void Graph::on_BtnExportHEC_clicked()
{
    exportTimePlot(3);
}

void Graph::on_BtnExportFEC_clicked()
{
    exportTimePlot(4);
}

void Graph::on_BtnExportSynchro_clicked()
{
    exportPlot(ui->qwtPlotSynchronisations, QStringLiteral("_Synchronisations_"),
               QStringLiteral(" : Synthèse des synchronisations DSL"), QStringLiteral("Export synchronisations"));
}
