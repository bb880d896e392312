#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include "common/appdir.h"
#include "common/filenames.h"
#include "common/messages.h"
#include "graph.h"
#include "reports/chartreport.h"
#include "reports/reportpage.h"
#include "ui_graph.h"

namespace {
QString askReportFile(QWidget *parent, const QString &defaultName)
{
    QDir().mkpath(AppDir::filePath(QStringLiteral("export")));
    QFileDialog dialog(parent, QStringLiteral("Enregistrer le rapport PDF"), defaultName,
                       QStringLiteral("Fichiers PDF (*.pdf);;tous (*.*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without ".pdf" still gives a file that opens as one; the
    // dialog asks before replacing the file so named.
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
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
    // A page with a header and nothing else would be handed on as a report.
    if (chart.reportPlotCount() == 0) {
        if (interactive)
            Messages::warning(this, QStringLiteral("Quelvane"), noPlotInReportText());
        return;
    }
    if (interactive) {
        file = askReportFile(this, defaultReportName(ssid, QStringLiteral("_Rapport")));
        if (file.isEmpty())
            return;
        // Titled with what it shows, not with the day it is made.
        day = chart.shownDaysText();
    }

    // The page is drawn from the chart alone, as a report without a window is.
    const bool written = writeChartReport(file, day, chart);
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
