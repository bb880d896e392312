#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include "charts/graph.h"
#include "common/messages.h"
#include "common/appdir.h"
#include "common/datetime.h"
#include "common/filenames.h"
#include "reportpage.h"
#include "ui_graph.h"

namespace {
QString askReportFile(QWidget *parent, const QString &defaultName)
{
    QDir().mkpath(AppDir::filePath(QStringLiteral("export")));
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Enregistrer le rapport PDF"), defaultName,
                                        QStringLiteral("Fichiers PDF (*.pdf);;tous (*.*)"));
}

QString deviceLine(const QString &type, const QString &software)
{
    return QStringLiteral("Type : ") + type + QStringLiteral(" ; software : ") + software;
}

QString defaultReportName(const QString &ssid, const QString &part)
{
    return exportFilePath(ssid, part, QDateTime::currentDateTime(), QStringLiteral(".pdf"));
}

void reportWriteFailure(QWidget *parent, const QString &file)
{
    Messages::warning(parent, QStringLiteral("Quelvane"),
                         QStringLiteral("Le rapport PDF n'a pas pu être écrit :\n") + file);
}
}

void Graph::RapportGraphique(const QString &File, const QString &Day)
{
    QString file = File;
    QString day = Day;
    const bool interactive = File.isEmpty();
    if (interactive) {
        file = askReportFile(this, defaultReportName(ssid, QStringLiteral("_Rapport")));
        if (file.isEmpty())
            return;
        day = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    }

    const int ticked = chart.reportPlotCount();
    const bool written = writeReportPage(
        file, rapPageOrient, ssid + QStringLiteral("   -   ") + day, deviceLine(liveboxType, liveboxSoftware),
        [&](QPainter &painter, const ReportPage &page) {
            setTitleFont(&painter, 8, true, false);
            // The ticked plots share the page equally.
            const int height = reportPlotHeight(page.height, ticked);
            QwtPlotRenderer renderer;
            int y = 50;
            for (const TimePlot &p : plotTable) {
                if (!chart.inReport[&p - plotTable.data()])
                    continue;
                painter.drawText(QRect(0, y, page.width, 40), Qt::AlignLeft | Qt::AlignBottom,
                                 QString::fromUtf8(p.reportTitle));
                const QRectF rect(0, y + 40, page.width, height);
                // The axes' labels are spread for the page, not the screen.
                withAxesFor(p.plot, layoutSize(rect, &painter, p.plot),
                            [&] { renderOnWhite(renderer, p.plot, &painter, rect); });
                y += 40 + height;
            }
        });
    if (!written && interactive)
        reportWriteFailure(this, file);
}

void Graph::on_BtnSynchroPdf_clicked()
{
    const QString file = askReportFile(this, defaultReportName(ssid, QStringLiteral("_Synchronisations")));
    if (file.isEmpty())
        return;
    const QString day = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const bool written = writeReportPage(
        file, rapPageOrient, ssid + QStringLiteral("   -   ") + day, deviceLine(liveboxType, liveboxSoftware),
        [&](QPainter &painter, const ReportPage &page) {
            setTitleFont(&painter, 10, false, false);
            painter.drawText(QRect(0, 50, page.width, 50), Qt::AlignHCenter | Qt::AlignVCenter,
                             QStringLiteral("Synthèse des synchronisations DSL et des redémarrages livebox."));
            QwtPlotRenderer renderer;
            renderOnWhite(renderer, ui->qwtPlotSynchronisations, &painter,
                          QRectF(0, 100, page.width, int(page.height - 100)));
        });
    if (!written)
        reportWriteFailure(this, file);
}
