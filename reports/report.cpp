#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include "common/appdir.h"
#include "charts/graph.h"
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

void reportWriteFailure(QWidget *parent, const QString &file)
{
    QMessageBox::warning(parent, QStringLiteral("Quelvane"),
                         QStringLiteral("Le rapport PDF n'a pas pu être écrit :\n") + file);
}
}

void Graph::RapportGraphique(const QString &File, const QString &Day)
{
    QString file = File;
    QString day = Day;
    const bool interactive = File.isEmpty();
    if (interactive) {
        file = askReportFile(this, AppDir::filePath(QStringLiteral("export/")) + safeFileName(ssid)
                                       + QStringLiteral("_Rapport") + fileStamp(QDateTime::currentDateTime())
                                       + QStringLiteral(".pdf"));
        if (file.isEmpty())
            return;
        day = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    }

    QPrinter printer(QPrinter::ScreenResolution);
    const ReportPage page = setUpReportPrinter(&printer, file, rapPageOrient);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (interactive)
            reportWriteFailure(this, file);
        return;
    }
    centreOnPage(&painter, &printer, page);

    const struct
    {
        QCheckBox *ticked;
        QwtPlot *plot;
        const char *title;
    } plots[] = {
        {ui->checkNoisePdf, ui->qwtPlotNoise, "Marges de bruit upload et download (dB)"},
        {ui->checkDebitMaxPdf, ui->qwtPlotMaxRate, "Débits maxis upload et download (kB/s)"},
        {ui->checkCrcPdf, ui->qwtPlotCRC, "Nombre d'erreurs CRC et ATU-C CRC"},
        {ui->checkHecPdf, ui->qwtPlotHEC, "Nombre d'erreurs HEC et ATU-C HEC"},
        {ui->checkFecPdf, ui->qwtPlotFEC, "Nombre d'erreurs FEC et ATU-C FEC"},
    };
    int ticked = 0;
    for (const auto &p : plots)
        ticked += p.ticked->isChecked();
    const int height = reportPlotHeight(page.height, ticked);

    drawReportHeader(&painter, page, ssid + QStringLiteral("   -   ") + day, deviceLine(liveboxType, liveboxSoftware));
    QFont titleFont = painter.font();
    titleFont.setPointSize(8);
    titleFont.setBold(true);
    titleFont.setItalic(false);
    painter.setFont(titleFont);

    QwtPlotRenderer renderer;
    int y = 50;
    for (const auto &p : plots) {
        if (!p.ticked->isChecked())
            continue;
        painter.drawText(QRect(0, y, page.width, 40), Qt::AlignLeft | Qt::AlignBottom, QString::fromUtf8(p.title));
        const QRectF rect(0, y + 40, page.width, height);
        // The axes' labels are spread for the page, not the screen.
        withAxesFor(p.plot, layoutSize(rect, &painter, p.plot),
                        [&] { renderOnWhite(renderer, p.plot, &painter, rect); });
        y += 40 + height;
    }
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, page.width, page.height);
    if (!painter.end() && interactive)
        reportWriteFailure(this, file);
}

void Graph::on_BtnSynchroPdf_clicked()
{
    const QString file = askReportFile(this, AppDir::filePath(QStringLiteral("export/")) + safeFileName(ssid)
                                                 + QStringLiteral("_Synchronisations")
                                                 + fileStamp(QDateTime::currentDateTime()) + QStringLiteral(".pdf"));
    if (file.isEmpty())
        return;
    const QString day = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));

    QPrinter printer(QPrinter::ScreenResolution);
    const ReportPage page = setUpReportPrinter(&printer, file, rapPageOrient);
    QPainter painter;
    if (!painter.begin(&printer)) {
        reportWriteFailure(this, file);
        return;
    }
    centreOnPage(&painter, &printer, page);
    drawReportHeader(&painter, page, ssid + QStringLiteral("   -   ") + day, deviceLine(liveboxType, liveboxSoftware));
    QFont titleFont = painter.font();
    titleFont.setPointSize(10);
    titleFont.setBold(false);
    titleFont.setItalic(false);
    painter.setFont(titleFont);
    painter.drawText(QRect(0, 50, page.width, 50), Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("Synthèse des synchronisations DSL et des redémarrages livebox."));
    QwtPlotRenderer renderer;
    renderOnWhite(renderer, ui->qwtPlotSynchronisations, &painter, QRectF(0, 100, page.width, int(page.height - 100)));
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, page.width, page.height);
    if (!painter.end())
        reportWriteFailure(this, file);
}
