#include <QtTest>

#include <QImageReader>
#include <QProcess>

#include <qwt_date.h>
#include <qwt_plot.h>
#include <qwt_abstract_legend.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include "app/mainwindow.h"
#include "charts/chartplot.h"
#include "charts/timewindow.h"
#include "chartwindow/graph.h"
#include "common/filenames.h"
#include "recording/pendinglines.h"
#include "recording/rowformat.h"
#include "reports/chartreport.h"
#include "reports/reportpage.h"
#include "router/liveboxinfos.h"
#include "support/modalcloser.h"
#include "support/pdfpages.h"
#include "support/scratchdir.h"
#include "support/windowfixture.h"
#include "ui_graph.h"

namespace {
// A day of 5-second polls from `start`, fed as a reload does.
void fillADay(Graph &graph, const QDateTime &start = QDateTime::currentDateTime().addDays(-1))
{
    LiveBoxInfos before, now;
    graph.beginReload();
    for (int i = 0; i < 17280; ++i) {
        before = now;
        now.DateTime = formatDateTime(start.addSecs(5 * i));
        now.DownstreamNoiseMargin = 60 + (i % 37);
        now.UpstreamNoiseMargin = 90 + (i % 11);
        now.DownstreamMaxRate = 9000 + (i % 200);
        now.DownstreamCurrRate = 8000;
        now.CRCErrors += i % 7 == 0 ? 3 : 0;
        now.FECErrors += i % 3;
        graph.UpDateCurves(&now, &before);
    }
    graph.endReload();
}

double firstWordY(const QList<PdfWord> &words, const QString &text)
{
    for (const PdfWord &w : words) {
        if (w.text == text)
            return w.yMin;
    }
    return -1;
}

QStringList exportsIn(const ScratchDir &dir)
{
    return QDir(dir.file("export")).entryList(QDir::Files);
}
}

namespace {
// The canvas of a plot drawn in rows [top, bottom) of a page: it ends on
// the time axis's backbone, the longest black line of the band, and its
// ends are the ends of the axis.
struct Canvas
{
    int left = -1, right = -1, top = -1, bottom = -1;
};

Canvas canvasIn(const QImage &page, int top, int bottom)
{
    Canvas canvas;
    int longest = 0;
    for (int y = top; y < bottom && y < page.height(); ++y) {
        int run = 0;
        for (int x = 0; x < page.width(); ++x) {
            const QColor c(page.pixel(x, y));
            if (c.red() < 64 && c.green() < 64 && c.blue() < 64) {
                if (++run > longest) {
                    longest = run;
                    canvas.left = x - run + 1;
                    canvas.right = x;
                    canvas.bottom = y;
                }
            } else {
                run = 0;
            }
        }
    }
    canvas.top = top;
    return canvas;
}

// The leftmost and rightmost columns of a colour inside a canvas; -1 when absent.
QPair<int, int> columnsOf(const QImage &page, const Canvas &canvas, const QColor &colour)
{
    int first = -1, last = -1;
    for (int y = canvas.top; y < canvas.bottom; ++y) {
        for (int x = canvas.left; x <= canvas.right; ++x) {
            if (QColor(page.pixel(x, y)) == colour) {
                if (first < 0 || x < first)
                    first = x;
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

// One row of a recording, its counters grown by `n` steps.
QString recordingRow(const QDateTime &when, int n)
{
    LiveBoxInfos r;
    r.DateTime = formatDateTime(when);
    r.LastChangeTime = 500;
    r.LastChange = 3600;
    r.DownstreamNoiseMargin = 60 + n % 30;
    r.UpstreamNoiseMargin = 90 + n % 20;
    r.DownstreamCurrRate = 7000;
    r.DownstreamMaxRate = 8000 + n % 500;
    r.UpstreamCurrRate = 900;
    r.UpstreamMaxRate = 1000;
    // The gateway's counters grow faster than the exchange's, so that their
    // sticks stand above the exchange's, drawn over them.
    r.CRCErrors = r.HECErrors = 10.0 * n;
    r.ATUCCRCErrors = r.ATUCHECErrors = 3.0 * n;
    r.FECErrors = 2000.0 * n;
    r.ATUCFECErrors = 300.0 * n;
    r.IPAddress = QStringLiteral("203.0.113.9");
    return csvRow(r);
}
}

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void exportIsSizedFromTheScreen()
    {
        ScratchDir dir;
        Graph graph;
        graph.ssid = QStringLiteral("maison");
        graph.exportFormat = QStringLiteral("png");
        graph.resize(1000, 800);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        ModalCloser closer;
        graph.on_BtnExportNoise_clicked();

        const QStringList files = exportsIn(dir);
        QCOMPARE(files.size(), 1);
        QVERIFY(QRegularExpression("^maison_Marges__\\d{8}_\\d{6}\\.png$").match(files.first()).hasMatch());
        QCOMPARE(closer.titles, QStringList{"Export marges de bruits"});
        QCOMPARE(closer.texts.first(), "Exportation du fichier\n" + dir.file("export/" + files.first()) + "\nterminée.");
        QVERIFY(graph.ui->qwtPlotNoise->title().text().isEmpty());

        // Pixels / scale taken as millimetres, at the export resolution.
        const QSize image = QImageReader(dir.file("export/" + files.first())).size();
        const double mmWidth = graph.ui->qwtPlotNoise->width() / 3.0;
        QVERIFY(qAbs(image.width() - mmWidth / 25.4 * 85) <= 2);
    }

    void eachPlotHasItsName_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("title");
        QTest::newRow("noise") << "on_BtnExportNoise_clicked" << "_Marges_" << "Export marges de bruits";
        QTest::newRow("rates") << "on_BtnExportMaxRate_clicked" << "_Debits_Maxis_" << "Export débits maxis";
        QTest::newRow("crc") << "on_BtnExportCRC_clicked" << "_CRC_" << "Export nombre de CRC";
        QTest::newRow("hec") << "on_BtnExportHEC_clicked" << "_HEC_" << "Export nombre de HEC";
        QTest::newRow("fec") << "on_BtnExportFEC_clicked" << "_FEC_" << "Export nombre de FEC";
        QTest::newRow("summary") << "on_BtnExportSynchro_clicked" << "_Synchronisations_" << "Export synchronisations";
    }

    void eachPlotHasItsName()
    {
        QFETCH(QString, slot);
        QFETCH(QString, part);
        ScratchDir dir;
        Graph graph;
        graph.ssid = QStringLiteral("maison");
        graph.exportFormat = QStringLiteral("svg");
        ModalCloser closer;
        QVERIFY(QMetaObject::invokeMethod(&graph, slot.toLatin1().constData()));
        const QStringList files = exportsIn(dir);
        QCOMPARE(files.size(), 1);
        QVERIFY2(QRegularExpression("^maison" + part + "_\\d{8}_\\d{6}\\.svg$").match(files.first()).hasMatch(),
                 qPrintable(files.first()));
        QTEST(closer.titles.value(0), "title");
    }

    void everyOfferedFormatIsWritten_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *f : {"pdf", "png", "svg", "jpg", "bmp", "xpm", "tif"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }

    void everyOfferedFormatIsWritten()
    {
        QFETCH(QString, format);
        ScratchDir dir;
        Graph graph;
        graph.exportFormat = format;
        graph.resize(900, 700);
        ModalCloser closer;
        graph.on_BtnExportSynchro_clicked();
        QCOMPARE(exportsIn(dir).size(), 1);
        QVERIFY(closer.texts.first().endsWith("terminée."));
    }

    void failedExportSaysSo()
    {
        ScratchDir dir;
        Graph graph;
        graph.exportFormat = QStringLiteral("xyz");
        ModalCloser closer;
        graph.on_BtnExportCRC_clicked();
        QCOMPARE(closer.count(), 1);
        QVERIFY(!closer.texts.first().endsWith("terminée."));

        QDir(dir.path()).rmdir("export");
        dir.write("export", "a file where the folder should be");
        graph.exportFormat = QStringLiteral("png");
        graph.on_BtnExportFEC_clicked();
        QCOMPARE(closer.count(), 2);
        QVERIFY(!closer.texts.at(1).endsWith("terminée."));
    }

    void missingExportFolderIsCreated()
    {
        ScratchDir dir;
        QDir(dir.path()).rmdir("export");
        Graph graph;
        graph.exportFormat = QStringLiteral("svg");
        ModalCloser closer;
        graph.on_BtnExportHEC_clicked();
        QCOMPARE(exportsIn(dir).size(), 1);
    }

    void exportSizeInMillimetres()
    {
        ScratchDir dir;
        Graph graph;
        graph.exportFormat = QStringLiteral("pdf");
        graph.resize(1400, 1700);
        graph.ui->qwtPlotNoise->setFixedSize(900, 600);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        ModalCloser closer;
        graph.on_BtnExportNoise_clicked();
        const QString info = pdfInfo(dir.file("export/" + exportsIn(dir).first()));
        // 300 x 200 mm: 850.39 x 566.93 points.
        QVERIFY2(info.contains(QRegularExpression("Page size:\\s+850(\\.\\d+)? x 56[67](\\.\\d+)? pts")), qPrintable(info));
    }

    void reportPlotsShareThePageEqually()
    {
        QCOMPARE(reportPlotHeight(1600, 5), 1350 / 5);
        QCOMPARE(reportPlotHeight(2300, 1), 2210);
        QCOMPARE(reportPlotHeight(2300, 0), 0);
    }

    void dayReportIsSmallAndKeepsScreenColours()
    {
        ScratchDir dir;
        Graph graph;
        graph.resize(900, 740);
        fillADay(graph);
        graph.SetZoomPlage(24);
        for (QCheckBox *box : {graph.ui->checkNoisePdf, graph.ui->checkDebitMaxPdf, graph.ui->checkCrcPdf,
                               graph.ui->checkHecPdf, graph.ui->checkFecPdf})
            box->setChecked(true);
        const QBrush canvas = graph.ui->qwtPlotNoise->canvasBackground();
        const QPalette palette = graph.ui->qwtPlotNoise->palette();

        graph.rapPageOrient = 1;
        graph.RapportGraphique(dir.file("export/day.pdf"), QStringLiteral("06/12/2020"));
        const QByteArray pdf = dir.read("export/day.pdf");
        QVERIFY(pdf.startsWith("%PDF"));
        QVERIFY2(pdf.size() < 2 * 1024 * 1024, qPrintable(QString::number(pdf.size())));
        QVERIFY(pdf.contains("/MediaBox [0 0 842.000000 595.000000]")); // A4 landscape
        QCOMPARE(graph.ui->qwtPlotNoise->canvasBackground(), canvas);
        QCOMPARE(graph.ui->qwtPlotNoise->palette(), palette);

        graph.rapPageOrient = 0;
        graph.RapportGraphique(dir.file("export/portrait.pdf"), QStringLiteral("06/12/2020"));
        QVERIFY(dir.read("export/portrait.pdf").contains("/MediaBox [0 0 595.000000 842.000000]"));
    }

    // No plot ticked: the program says so, asks for no file and writes none.
    void reportWithNoPlotTickedIsNotWritten()
    {
        ScratchDir dir;
        ModalCloser closer;
        closer.fileAnswer = dir.file("export/asked.pdf");
        Graph graph;
        fillADay(graph);
        for (QCheckBox *box : {graph.ui->checkNoisePdf, graph.ui->checkDebitMaxPdf, graph.ui->checkCrcPdf,
                               graph.ui->checkHecPdf, graph.ui->checkFecPdf})
            box->setChecked(false);
        graph.RapportGraphique(QString(), QString());
        QCOMPARE(closer.titles, QStringList{"Quelvane"});
        QVERIFY(closer.texts.value(0).contains(QStringLiteral("Aucun graphique n'est coché")));
        graph.RapportGraphique(dir.file("export/day.pdf"), QStringLiteral("06/12/2020"));
        QCOMPARE(closer.count(), 1);
        QVERIFY(QDir(dir.file("export")).entryList(QDir::Files).isEmpty());
    }

    void reportPageCarriesItsTitles()
    {
        ScratchDir dir;
        Graph graph;
        graph.ssid = QStringLiteral("maison");
        graph.liveboxType = QStringLiteral("SG_LB4");
        graph.liveboxSoftware = QStringLiteral("SG40_sip-fr-6.2");
        graph.resize(900, 740);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        graph.ui->checkNoisePdf->setChecked(false);
        graph.ui->checkDebitMaxPdf->setChecked(true);
        graph.ui->checkCrcPdf->setChecked(false);
        graph.ui->checkHecPdf->setChecked(true);
        graph.ui->checkFecPdf->setChecked(false);
        for (int orientation : {0, 1}) {
            graph.rapPageOrient = orientation;
            const QString file = dir.file(QStringLiteral("export/r%1.pdf").arg(orientation));
            graph.RapportGraphique(file, QStringLiteral("06/12/2020"));
            const QString info = pdfInfo(file);
            QVERIFY(info.contains(QRegularExpression("Pages:\\s+1\\n")));
            QVERIFY(info.contains(orientation ? "842 x 595 pts (A4)" : "595 x 842 pts (A4)"));
            const QString text = pdfText(file);
            QVERIFY2(text.contains("maison - 06/12/2020"), qPrintable(text));
            QVERIFY(text.contains("Type : SG_LB4 ; software : SG40_sip-fr-6.2"));
            QVERIFY(text.contains("Débits maxis upload et download (kB/s)"));
            QVERIFY(text.contains("Nombre d'erreurs HEC et ATU-C HEC"));
            QVERIFY(!text.contains("Marges de bruit upload"));
            QVERIFY(!text.contains("Nombre d'erreurs FEC"));
            // The first ticked plot's title band starts right below the header.
            const QList<PdfWord> words = pdfWords(file);
            const double top = firstWordY(words, "Débits");
            const double sheetTop = ((orientation ? 595.0 : 842.0) - (orientation ? 1600 : 2300) * 72 / 200.0) / 2;
            QVERIFY2(top > sheetTop + 50 * 72 / 200.0 && top < sheetTop + 90 * 72 / 200.0, qPrintable(QString::number(top)));
        }

        ModalCloser closer;
        closer.fileAnswer = dir.file("export/synchros-portrait.pdf");
        graph.rapPageOrient = 0;
        graph.on_BtnSynchroPdf_clicked();
        QVERIFY(pdfInfo(closer.fileAnswer).contains("595 x 842 pts (A4)"));
        closer.fileAnswer = dir.file("export/synchros.pdf");
        graph.rapPageOrient = 1;
        graph.on_BtnSynchroPdf_clicked();
        QVERIFY(pdfInfo(closer.fileAnswer).contains("842 x 595 pts (A4)"));
        const QString text = pdfText(closer.fileAnswer);
        QVERIFY(text.contains("Synthèse des synchronisations DSL et des redémarrages livebox."));
        QVERIFY(text.contains("maison -"));
        QVERIFY(text.contains(QDate::currentDate().toString("dd/MM/yyyy")));
        // A name typed without its suffix still gives a PDF named as one.
        closer.fileAnswer = dir.file("export/synthese-semaine");
        graph.on_BtnSynchroPdf_clicked();
        QVERIFY(!QFile::exists(closer.fileAnswer));
        QVERIFY(pdfInfo(closer.fileAnswer + ".pdf").contains("842 x 595 pts (A4)"));
    }

    // The report written at the first poll of a day draws the day before,
    // from midnight to midnight, with what was recorded of it.
    void automaticReportShowsTheReportedDay_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<int>("orientation");
        const QDate yesterday = QDate::currentDate().addDays(-1);
        QTest::newRow("a reloaded day") << QDateTime(yesterday, QTime(8, 0)) << QDateTime(yesterday, QTime(18, 0)) << 0;
        QTest::newRow("a day spanning midnight")
            << QDateTime(yesterday.addDays(-1), QTime(22, 0)) << QDateTime(yesterday, QTime(23, 58)) << 0;
        QTest::newRow("a recording ending yesterday evening")
            << QDateTime(yesterday, QTime(22, 0)) << QDateTime(yesterday, QTime(22, 45)) << 1;
    }

    void automaticReportShowsTheReportedDay()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(int, orientation);
        WindowFixture f(WindowStart()
                            .simulator({"--ssid", "jour", "--resync-every", "0", "--reboot-every", "0"})
                            .ini("SSID=jour\n[MONITOR]\nReloadCSV=true\nPdfAuto=true\n"
                                 "[GRAPH]\nNoisePdf=true\nDebitMaxPdf=true\nCrcPdf=true\nHecPdf=true\nFecPdf=true\n"
                                 "[FORMAT]\nRapPageOrient=" + QByteArray::number(orientation) + "\n")
                            .later());
        QStringList rows{csvHeader()};
        int n = 0;
        for (QDateTime t = from; t <= to; t = t.addSecs(120))
            rows << recordingRow(t, n++);
        to = from.addSecs(120 * (n - 1)); // the last row
        f.dir.write("jour.csv", (rows.join('\n') + '\n').toUtf8());
        f.start();
        QVERIFY(f.window->connected);
        const QString pdf = f.dir.file("export/jour_Rapport" + fileStamp(to) + "auto.pdf");
        QVERIFY2(QFile::exists(pdf), qPrintable(exportsIn(f.dir).join(' ')));

        const QDate day = to.date();
        const TimeRange range = calendarDay(day);
        const double firstOfDay = QwtDate::toDouble(std::max(from, QDateTime(day, QTime(0, 0))));
        const double lastOfDay = QwtDate::toDouble(to);
        const QImage page = pdfPage(pdf, 200); // the page's own resolution
        if (qEnvironmentVariableIsSet("QUELVANE_KEEP_REPORT")) { // to look at it
            const QString kept = qEnvironmentVariable("QUELVANE_KEEP_REPORT") + QString::number(orientation) + ".pdf";
            QFile::remove(kept);
            QFile::copy(pdf, kept);
        }
        QVERIFY(!page.isNull());
        const int width = orientation ? 2300 : 1600, height = orientation ? 1600 : 2300;
        const int dx = (page.width() - width) / 2, dy = (page.height() - height) / 2;
        const int plotHeight = reportPlotHeight(height, 5);
        const QColor colours[] = {Qt::blue, Qt::blue, Qt::blue, QColor(80, 110, 180), Qt::darkGreen};
        for (int k = 0; k < 5; ++k) {
            const int top = dy + 50 + k * (40 + plotHeight) + 40;
            const Canvas canvas = canvasIn(page, top, top + plotHeight);
            QVERIFY2(canvas.right - canvas.left > width / 2, qPrintable(QString::number(k)));
            const auto xOf = [left = canvas.left, right = canvas.right, range](double t) {
                return left + (t - range.start) / (range.end - range.start) * (right - left);
            };
            const QPair<int, int> drawn = columnsOf(page, canvas, colours[k]);
            const QString where = QStringLiteral("plot %1: curve from %2 to %3, recorded from %4 to %5")
                                      .arg(k).arg(drawn.first).arg(drawn.second).arg(xOf(firstOfDay)).arg(xOf(lastOfDay));
            QVERIFY2(drawn.first >= 0, qPrintable(where));
            // Sticks stand beside their time by the error shift: a few pixels of slack.
            QVERIFY2(drawn.first <= xOf(firstOfDay) + 4, qPrintable(where));
            QVERIFY2(drawn.second >= xOf(lastOfDay) - 4, qPrintable(where));
            QVERIFY2(drawn.second <= xOf(lastOfDay) + 4, qPrintable(where));

            if (k == 0) {
                // The time axis runs from the day's midnight to the next.
                QStringList times, dates;
                for (const PdfWord &w : pdfWords(pdf)) {
                    const double y = w.yMin * 200 / 72;
                    if (y < canvas.bottom || y > top + plotHeight)
                        continue;
                    if (QRegularExpression("^\\d\\d:\\d\\d$").match(w.text).hasMatch())
                        times << w.text;
                    if (QRegularExpression("^\\d\\d/\\d\\d$").match(w.text).hasMatch())
                        dates << w.text;
                }
                QVERIFY2(times.size() >= 3, qPrintable(times.join(' ')));
                QCOMPARE(times.first(), QStringLiteral("00:00"));
                QCOMPARE(times.last(), QStringLiteral("00:00"));
                QCOMPARE(dates.first(), day.toString("dd/MM"));
                QCOMPARE(dates.last(), day.addDays(1).toString("dd/MM"));
            }
        }
        // Back to the three-hour view.
        QCOMPARE(f.window->graph->plageHeure, 3.0);
    }

    // The window's report is the window-free one, whatever the window shows:
    // its size, the plots of its tabs, a point label.
    void windowAndWindowFreeReportsAreOnePage()
    {
        ScratchDir dir;
        ChartData chart;
        chart.ssid = QStringLiteral("maison");
        chart.rapPageOrient = 1;
        chart.inReport.fill(true);
        Graph graph(&chart);
        graph.resize(900, 740);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        fillADay(graph, QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
        graph.SetZoomPlage(6); // it ends 5 minutes after midnight, its last label's half width away
        graph.on_Picker_Temps(QPointF((graph.windowStart + graph.windowEnd) / 2, 0));
        QVERIFY(graph.markerNoise.plot());

        const QString window = dir.file("export/window.pdf"), alone = dir.file("export/alone.pdf");
        graph.RapportGraphique(window, QStringLiteral("05/03/2024"));
        QVERIFY(writeChartReport(alone, QStringLiteral("05/03/2024"), chart));
        const QString text = pdfText(window);
        QVERIFY2(text.contains("maison - 05/03/2024"), qPrintable(text));
        QCOMPARE(text, pdfText(alone));
        QVERIFY(!text.contains(" à ")); // the point label is the screen's, not the day's
        const QImage page = pdfPage(window, 50, true);
        QVERIFY(!page.isNull());
        QVERIFY(page == pdfPage(alone, 50, true));
    }

    // The form gives its time plots nothing that a plot set up alone lacks.
    void reportPlotsLookAsTheWindows()
    {
        ScratchDir dir;
        Graph graph;
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        const QList<QwtPlot *> own = {graph.ui->qwtPlotNoise, graph.ui->qwtPlotMaxRate, graph.ui->qwtPlotCRC,
                                      graph.ui->qwtPlotHEC, graph.ui->qwtPlotFEC};
        for (int i = 0; i < TimePlotCount; ++i) {
            QwtPlot alone;
            ChartPlot().setUp(&alone, i, &graph.chart, QSizeF(600, 250));
            alone.ensurePolished();
            own[i]->ensurePolished();
            const auto same = [](const QWidget *a, const QWidget *b) {
                return a->font() == b->font() && a->palette() == b->palette();
            };
            QVERIFY2(same(&alone, own[i]) && same(alone.canvas(), own[i]->canvas())
                         && same(alone.legend(), own[i]->legend())
                         && same(alone.axisWidget(QwtPlot::xBottom), own[i]->axisWidget(QwtPlot::xBottom))
                         && same(alone.axisWidget(QwtPlot::yLeft), own[i]->axisWidget(QwtPlot::yLeft)),
                     qPrintable(own[i]->objectName()));
            QCOMPARE(alone.minimumSize(), own[i]->minimumSize());
            QCOMPARE(alone.maximumSize(), own[i]->maximumSize());
        }
    }

    // A report made by hand is titled with the days it shows; a long
    // Wi-Fi name gives way to the device line, and the day stays whole.
    void handMadeReportIsTitledWithItsDaysBesideTheDeviceLine()
    {
        ScratchDir dir;
        ModalCloser closer;
        Graph graph;
        graph.ssid = QStringLiteral("Livebox-") + QString(120, QLatin1Char('W'));
        graph.liveboxType = QStringLiteral("SG_LB4_1.2.1");
        graph.liveboxSoftware = QStringLiteral("SG40_sip-fr-6.62.12.1");
        const QDateTime start(QDate(2026, 12, 6), QTime(12, 0, 0)); // a day from noon to noon
        fillADay(graph, start);
        graph.ShowDay(start.date());
        for (int orientation : {0, 1}) {
            graph.rapPageOrient = orientation;
            closer.fileAnswer = dir.file(QStringLiteral("export/day%1.pdf").arg(orientation));
            graph.RapportGraphique(QString(), QString());
            const QList<PdfWord> words = pdfWords(closer.fileAnswer);
            const auto find = [&](const QString &text) {
                for (const PdfWord &word : words) {
                    if (word.text == text)
                        return word;
                }
                return PdfWord{QString(), -1, -1, -1};
            };
            const PdfWord day = find(QStringLiteral("06/12/2026"));
            const PdfWord device = find(QStringLiteral("Type"));
            QVERIFY2(day.xMax > 0 && device.xMin > 0, qPrintable(pdfText(closer.fileAnswer)));
            QVERIFY2(day.xMax < device.xMin, qPrintable(QStringLiteral("%1 %2").arg(day.xMax).arg(device.xMin)));
        }
        // Across midnight: its first and last days.
        graph.SetZoomTout();
        closer.fileAnswer = dir.file(QStringLiteral("export/whole.pdf"));
        graph.RapportGraphique(QString(), QString());
        QVERIFY2(pdfText(closer.fileAnswer).contains(QStringLiteral("06/12/2026 - 07/12/2026")),
                 qPrintable(pdfText(closer.fileAnswer)));
    }

    void interactiveReportAsksForTheFile()
    {
        ScratchDir dir;
        Graph graph;
        graph.ssid = QStringLiteral("maison");
        ModalCloser closer; // cancels
        graph.RapportGraphique(QString(), QString());
        QCOMPARE(closer.titles, QStringList{"Enregistrer le rapport PDF"});
        QVERIFY(QRegularExpression("/export/maison_Rapport_\\d{8}_\\d{6}\\.pdf$").match(closer.texts.first()).hasMatch());
        QVERIFY(exportsIn(dir).isEmpty());

        closer.fileAnswer = dir.file("export/chosen.pdf");
        graph.RapportGraphique(QString(), QString());
        QVERIFY(dir.read("export/chosen.pdf").startsWith("%PDF"));

        closer.fileAnswer = dir.file("export/synchros.pdf");
        graph.on_BtnSynchroPdf_clicked();
        QVERIFY(QRegularExpression("/export/maison_Synchronisations_\\d{8}_\\d{6}\\.pdf$").match(closer.texts.last()).hasMatch());
        QVERIFY(dir.read("export/synchros.pdf").startsWith("%PDF"));
    }
};

QTEST_MAIN(TestReports)
#include "test_reports.moc"
