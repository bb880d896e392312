#include <QtTest>

#include <algorithm>
#include <ctime>

#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>

#include <qwt_date.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>
#include <qwt_plot_renderer.h>
#include <qwt_text.h>

#include "chartwindow/graph.h"
#include "common/filenames.h"
#include "recording/pendinglines.h"
#include "recording/rowformat.h"
#include "router/liveboxinfos.h"
#include "support/inifile.h"
#include "support/scratchdir.h"
#include "ui_graph.h"

namespace {
LiveBoxInfos at(const QDateTime &when)
{
    LiveBoxInfos r;
    r.DateTime = formatDateTime(when);
    r.LastChangeTime = 500;
    r.LastChange = 3600;
    r.DownstreamNoiseMargin = 65;
    r.UpstreamNoiseMargin = 123;
    r.DownstreamMaxRate = 7150;
    r.CRCErrors = 10;
    r.ATUCCRCErrors = 4;
    r.FECErrors = 100;
    return r;
}

double chartTime(const QDateTime &when)
{
    return QwtDate::toDouble(when);
}

// Rows from `from` every `stepSecs` up to `to`, fed as a reload does.
void reload(Graph &graph, const QDateTime &from, const QDateTime &to, int stepSecs)
{
    graph.beginReload();
    LiveBoxInfos before = at(from), now = before;
    for (QDateTime t = from.addSecs(stepSecs); t <= to; t = t.addSecs(stepSecs)) {
        before = now;
        now = at(t);
        now.DownstreamNoiseMargin = 60 + (t.toSecsSinceEpoch() / stepSecs) % 40;
        graph.UpDateCurves(&now, &before);
    }
    graph.endReload();
}

// The drawn rectangles of the time axis's labels, left to right.
QList<QRect> timeLabelRects(QwtPlot *plot)
{
    const QwtScaleWidget *axis = plot->axisWidget(QwtPlot::xBottom);
    const QwtScaleDraw *draw = axis->scaleDraw();
    QList<QRect> rects;
    for (double tick : plot->axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick)) {
        if (!draw->label(tick).isEmpty())
            rects << draw->boundingLabelRect(axis->font(), tick);
    }
    return rects;
}

void feed(Graph &graph, LiveBoxInfos before, LiveBoxInfos now)
{
    graph.UpDateCurves(&now, &before);
}

QList<QwtPlot *> plotsOf(Graph &graph)
{
    return {graph.ui->qwtPlotNoise, graph.ui->qwtPlotMaxRate, graph.ui->qwtPlotCRC, graph.ui->qwtPlotHEC,
            graph.ui->qwtPlotFEC};
}
}

class TestGraph : public QObject
{
    Q_OBJECT

private slots:
    void missingSettingsGiveBuiltInValues()
    {
        ScratchDir dir;
        Graph graph;
        QCOMPARE(graph.windowTitle(), QStringLiteral("Graphiques de suivi"));
        QCOMPARE(graph.maxNoise, 16.0);
        QCOMPARE(graph.minNoise, 0.0);
        QCOMPARE(graph.maxMaxRate, 5000.0);
        QCOMPARE(graph.minCrc, 0.5);
        QCOMPARE(graph.maxHec, 100.0);
        QCOMPARE(graph.minFec, 50.0);
        QCOMPARE(graph.maxFec, 50000.0);
        QCOMPARE(graph.plageHeure, 3.0);
        QCOMPARE(graph.exportResol, 85);
        QCOMPARE(graph.tpsSeparFormat, QStringLiteral("\n"));
        // A first start shows dates and hours, and a rate axis whose step moves it.
        QVERIFY(graph.echDate);
        QVERIFY(graph.echHeure);
        QCOMPARE(graph.axisLabelFormat, QStringLiteral("hh:mm\ndd/MM"));
        QCOMPARE(graph.pasMaxRate, 1000.0);
        QCOMPARE(graph.windowEnd - graph.windowStart, 3 * 3600000.0);
        QVERIFY(!graph.ui->scrollTemps->isEnabled());
        QCOMPARE(graph.ui->tabCourbes->tabText(2), QStringLiteral("Synchronisations"));
        QCOMPARE(graph.ui->tabErreurs->tabPosition(), QTabWidget::South);
        QCOMPARE(graph.curveDownload->title().text(), QStringLiteral("DOWNLOAD"));
        QCOMPARE(graph.curveAtucHec->pen().color(), QColor(220, 40, 70));
        QCOMPARE(graph.curveMaxUp->pen().style(), Qt::DotLine);
        QCOMPARE(graph.curveSynchroFec->pen().color(), QColor(Qt::magenta));
        QCOMPARE(graph.curveCrc->style(), QwtPlotCurve::Sticks);
        QCOMPARE(graph.curveCrc->baseline(), 0.1);
    }

    void chartKeysRoundTrip()
    {
        ScratchDir dir;
        dir.write("livebox.ini",
                  "[GRAPH]\nX=10\nY=20\nWidth=700\nHeight=500\nSize0=300\nSize1=200\nIndexCourbes=2\nIndexErreurs=1\n"
                  "NoisePdf=true\nDebitMaxPdf=false\nCrcPdf=true\nHecPdf=false\nFecPdf=true\n"
                  "[COURBES]\nMaxNoise=20\nMinNoise=2\nPasMaxRate=500\nMaxCRC=300\nPlageHeure=6.5\n"
                  "NbJrSynch=9\nExportResol=120\nDiapoCourbes=false\nDiapoErreurs=true\n"
                  "[FORMAT]\nEchDate=true\nEchHeure=false\nTpsDateFormat=dd.MM\nRapPageOrient=0\n"
                  "[LIVEBOX]\nSSID=maison\n");
        {
            Graph graph;
            QCOMPARE(graph.geometry(), QRect(10, 20, 700, 500)); // within the offscreen screen's 800 x 600
            QCOMPARE(graph.ui->tabCourbes->currentIndex(), 2);
            QCOMPARE(graph.ui->tabErreurs->currentIndex(), 1);
            QVERIFY(graph.ui->checkNoisePdf->isChecked());
            QVERIFY(!graph.ui->checkDebitMaxPdf->isChecked());
            QCOMPARE(graph.maxNoise, 20.0);
            QCOMPARE(graph.pasMaxRate, 500.0);
            QCOMPARE(graph.maxCrc, 300.0);
            QCOMPARE(graph.nbJrSynch, 9.0);
            QCOMPARE(graph.exportResol, 120);
            QVERIFY(!graph.diapoCourbes);
            QVERIFY(graph.diapoErreurs);
            QCOMPARE(graph.ssid, QStringLiteral("maison"));
            QCOMPARE(graph.rapPageOrient, 0);
            QCOMPARE(graph.axisLabelFormat, QStringLiteral("\ndd.MM"));
            QCOMPARE(graph.penRatio, 0.75);
            graph.on_BtnNoiseMaxMoins_clicked();
            graph.on_BtnSynchroPlus_clicked();
        }
        const QMap<QString, QString> ini = readIniText(dir.file("livebox.ini"));
        int chartKeys = 0;
        for (const QString &key : ini.keys())
            chartKeys += key.startsWith("GRAPH/") || key.startsWith("COURBES/") || key.startsWith("FORMAT/");
        QCOMPARE(chartKeys, 42);
        QCOMPARE(ini.value("COURBES/MaxNoise"), QStringLiteral("19"));
        QCOMPARE(ini.value("COURBES/NbJrSynch"), QStringLiteral("10"));
        QCOMPARE(ini.value("GRAPH/IndexCourbes"), QStringLiteral("2"));
        QCOMPARE(ini.value("GRAPH/CrcPdf"), QStringLiteral("true"));
        QCOMPARE(ini.value("FORMAT/TpsDateFormat"), QStringLiteral("dd.MM"));
        QCOMPARE(ini.value("LIVEBOX/SSID"), QStringLiteral("maison")); // read, never written here
    }

    void eachUpdateAddsOneSamplePerCurve()
    {
        ScratchDir dir;
        Graph graph;
        const QDateTime t0(QDate(2024, 1, 31), QTime(10, 0, 0));
        LiveBoxInfos a = at(t0);
        LiveBoxInfos b = at(t0.addSecs(120));
        b.CRCErrors = 13;         // three new errors
        b.ATUCCRCErrors = 4;      // none
        b.FECErrors = 50;         // went down: a restart
        feed(graph, a, b);
        for (const SeriesView *points : {&graph.pointsUpload, &graph.pointsDownload, &graph.pointsMaxUp,
                                        &graph.pointsMaxDown, &graph.pointsDslUp, &graph.pointsDslDown,
                                        &graph.pointsCrc, &graph.pointsAtucCrc, &graph.pointsHec,
                                        &graph.pointsAtucHec, &graph.pointsFec, &graph.pointsAtucFec})
            QCOMPARE(points->size(), 1);
        const double t = chartTime(t0.addSecs(120));
        QCOMPARE(graph.pointsDownload.at(0), QPointF(t, 6.5));
        QCOMPARE(graph.pointsMaxDown.at(0), QPointF(t, 7150));
        QCOMPARE(graph.pointsCrc.at(0), QPointF(t - 15000, 3));
        QCOMPARE(graph.pointsAtucCrc.at(0), QPointF(t + 15000, 0.1));
        QCOMPARE(graph.pointsFec.at(0).y(), 0.1);
        QVERIFY(graph.pointsSynchro.isEmpty()); // same LastChangeTime
        QCOMPARE(graph.firstSampleTime, chartTime(t0));
        QCOMPARE(graph.lastSampleTime, t);
        // The curves read the arrays themselves.
        QCOMPARE(int(graph.curveDownload->dataSize()), 1);
        QCOMPARE(graph.curveDownload->sample(0), graph.pointsDownload.at(0));
    }

    // A chart fed and emptied behind the window (the acquisition's reset,
    // its reload): the window's stall zones follow its samples.
    // A normal start says nothing: the journal of a service is for what
    // went wrong.
    void constructionWarnsOfNothing()
    {
        ScratchDir dir;
        static QStringList said;
        said.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &, const QString &text) {
                if (type != QtDebugMsg)
                    said << text;
            });
        {
            Graph graph;
        }
        qInstallMessageHandler(previous);
        QVERIFY2(said.isEmpty(), qPrintable(said.join(QLatin1Char('\n'))));
    }

    // One calendar day of a week, picked or stepped to, with the buttons
    // or the keyboard.
    void dayPickerShowsOneCalendarDay()
    {
        ScratchDir dir;
        Graph graph;
        const QDateTime start(QDate(2026, 11, 30), QTime(6, 0, 0));
        LiveBoxInfos before = at(start.addSecs(-300));
        graph.beginReload();
        for (int i = 0; i < 7 * 24 * 12; ++i) {
            LiveBoxInfos now = at(start.addSecs(300 * i));
            graph.UpDateCurves(&now, &before);
            before = now;
        }
        graph.endReload();
        graph.SetZoomTout();
        QCOMPARE(graph.ui->dateJour->minimumDate(), QDate(2026, 11, 30));
        QCOMPARE(graph.ui->dateJour->maximumDate(), QDate(2026, 12, 7));
        QCOMPARE(graph.ui->dateJour->date(), QDate(2026, 12, 7));
        const auto shows = [&](const QDate &day) {
            return graph.windowStart == chartTime(QDateTime(day, QTime(0, 0)))
                   && graph.windowEnd == chartTime(QDateTime(day.addDays(1), QTime(0, 0)));
        };
        graph.ui->dateJour->setDate(QDate(2026, 12, 3));
        QVERIFY(shows(QDate(2026, 12, 3)));
        graph.ui->BtnJourPrecedent->click();
        QVERIFY(shows(QDate(2026, 12, 2)));
        graph.ui->BtnJourSuivant->click();
        graph.ui->BtnJourSuivant->click();
        QVERIFY(shows(QDate(2026, 12, 4)));
        // The keyboard reaches the same buttons, in the window that has it
        // (a shortcut clicks its button a moment later, as if pressed).
        graph.show();
        QApplication::setActiveWindow(&graph);
        QVERIFY(QTest::qWaitForWindowActive(&graph));
        QTest::keyClick(&graph, Qt::Key_Left, Qt::AltModifier);
        QTRY_VERIFY(shows(QDate(2026, 12, 3)));
        QTest::keyClick(&graph, Qt::Key_Right, Qt::AltModifier);
        QTRY_VERIFY(shows(QDate(2026, 12, 4)));
        QTest::keyClick(&graph, Qt::Key_3, Qt::ControlModifier);
        QTRY_COMPARE(graph.windowEnd - graph.windowStart, 3 * 3600 * 1000.0);
        QTest::keySequence(&graph, QKeySequence::ZoomIn);
        QTRY_COMPARE(graph.plageHeure, 2.5);
        QTest::keySequence(&graph, QKeySequence::ZoomOut);
        QTRY_COMPARE(graph.plageHeure, 3.0);
        QTest::keyClick(&graph, Qt::Key_T, Qt::ControlModifier);
        QTRY_VERIFY(graph.windowStart <= graph.firstSampleTime && graph.windowEnd >= graph.lastSampleTime);
        QCOMPARE(graph.ui->dateJour->date(), QDate(2026, 12, 7)); // back on the newest day
    }

    void stallZonesFollowTheChartData()
    {
        ScratchDir dir;
        ChartData chart;
        const QDateTime t0(QDate(2024, 1, 31), QTime(10, 0, 0));
        chart.add(at(t0.addSecs(60)), at(t0), chartTime(t0));
        chart.add(at(t0.addSecs(3600)), at(t0.addSecs(60)), chartTime(t0)); // a stall
        Graph graph(&chart);
        QCOMPARE(graph.zoneList.size(), 5); // one per plot
        chart.add(at(t0.addSecs(7200)), at(t0.addSecs(3600)), chartTime(t0)); // another
        graph.chartChanged();
        QCOMPARE(graph.zoneList.size(), 10);
        chart.clear(chartTime(t0));
        graph.chartChanged();
        QVERIFY(graph.zoneList.isEmpty());
        chart.add(at(t0.addSecs(60)), at(t0), chartTime(t0));
        graph.chartChanged();
        QVERIFY(graph.zoneList.isEmpty());
    }

    void resynchronisationStandsAtItsMoment()
    {
        ScratchDir dir;
        Graph graph;
        const QDateTime t0(QDate(2024, 1, 31), QTime(10, 0, 0));
        LiveBoxInfos b = at(t0.addSecs(120));
        b.LastChangeTime = 900;
        b.LastChange = 30;
        feed(graph, at(t0), b);
        QCOMPARE(graph.pointsSynchro.size(), 1);
        QCOMPARE(graph.pointsSynchro.at(0), QPointF(chartTime(t0.addSecs(90)), 100000));
        QCOMPARE(int(graph.curveSynchroHec->dataSize()), 1);
    }

    void gapsLongerThanTheStallMakeZones()
    {
        ScratchDir dir;
        Graph graph;
        graph.tempsArret = 300;
        const QDateTime t0(QDate(2024, 1, 31), QTime(10, 0, 0));
        feed(graph, at(t0), at(t0.addSecs(300)));
        QVERIFY(graph.zoneList.isEmpty());
        feed(graph, at(t0.addSecs(300)), at(t0.addSecs(601)));
        QCOMPARE(graph.zoneList.size(), 5);
        QCOMPARE(graph.zoneList.first()->interval(),
                 QwtInterval(chartTime(t0.addSecs(300)), chartTime(t0.addSecs(601))));
        QCOMPARE(graph.zoneList.first()->plot(), graph.ui->qwtPlotNoise);
        graph.ClearCurves();
        QVERIFY(graph.zoneList.isEmpty());
        QVERIFY(graph.pointsDownload.isEmpty());
        QCOMPARE(int(graph.curveDownload->dataSize()), 0);
    }

    void unreadableTimesDoNotStretchTheRecording()
    {
        ScratchDir dir;
        Graph graph;
        const double before = graph.firstSampleTime;
        LiveBoxInfos placeholder; // "inconnu"
        const QDateTime now = QDateTime::currentDateTime();
        feed(graph, placeholder, at(now));
        QCOMPARE(graph.pointsDownload.size(), 1);
        QVERIFY(graph.zoneList.isEmpty());
        QVERIFY(graph.firstSampleTime >= before - 1000);
        feed(graph, at(now), placeholder); // nothing to place
        QCOMPARE(graph.pointsDownload.size(), 1);
        QCOMPARE(graph.pointsCrc.size(), 1);
    }

    void zoomAndScroll()
    {
        ScratchDir dir;
        Graph graph;
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(-600);
        graph.ClearCurves();
        feed(graph, at(t0), at(t0.addSecs(600)));
        graph.on_BtnZoomTout_clicked();
        QCOMPARE(graph.plageHeure, 0.5 + 10.0 / 60);
        QVERIFY(graph.ui->checkAvanceAuto->isChecked());

        graph.plageHeure = 1.5;
        graph.on_BtnZoomPlus_clicked();
        graph.on_BtnZoomPlus_clicked();
        QCOMPARE(graph.plageHeure, 1.0);
        graph.plageHeure = 22.5;
        graph.on_BtnZoomMoins_clicked();
        graph.on_BtnZoomMoins_clicked();
        QCOMPARE(graph.plageHeure, 23.0);
        QCOMPARE(graph.axisStep, 7200000.0);
        QCOMPARE(graph.penRatio, 0.5);
        QCOMPARE(graph.curveDownload->pen().widthF(), 1.0);

        graph.on_BtnZoom3H_clicked();
        graph.ui->checkAvanceAuto->setChecked(false);
        QVERIFY(graph.ui->scrollTemps->isEnabled());
        graph.ui->scrollTemps->setValue(4);
        QCOMPARE(graph.windowEnd, graph.firstSampleTime + 4 * 60000 + 5 * 60000);
        QCOMPARE(graph.windowStart, graph.windowEnd - 3 * 3600000);
        const QwtScaleDiv div = graph.ui->qwtPlotFEC->axisScaleDiv(QwtPlot::xBottom);
        QCOMPARE(div.upperBound(), graph.windowEnd);
    }

    void yAxisButtons()
    {
        ScratchDir dir;
        Graph graph;
        for (int i = 0; i < 6; ++i)
            graph.on_BtnCRCMaxMoins_clicked();
        QCOMPARE(graph.maxCrc, 50.0);
        QCOMPARE(graph.ui->qwtPlotCRC->axisScaleDiv(QwtPlot::yLeft).upperBound(), 50.0);
        graph.maxNoise = 5;
        graph.minNoise = 2;
        graph.on_BtnNoiseMaxMoins_clicked();
        graph.on_BtnNoiseMinPlus_clicked();
        QCOMPARE(graph.maxNoise, 5.0);
        QCOMPARE(graph.minNoise, 2.0);
        graph.on_BtnNoiseMinMoins_clicked();
        graph.on_BtnNoiseMinMoins_clicked();
        graph.on_BtnNoiseMinMoins_clicked();
        QCOMPARE(graph.minNoise, 0.0);
    }

    void clickLabelsOneSampleOnEveryPlot()
    {
        ScratchDir dir;
        Graph graph;
        graph.on_Picker_Temps(QPointF(1e12, 0)); // nothing recorded: nothing happens
        QVERIFY(!graph.markerNoise.plot());

        const QDateTime t0(QDate(2024, 1, 31), QTime(10, 0, 0));
        LiveBoxInfos a = at(t0), b = at(t0.addSecs(300)), c = at(t0.addSecs(600));
        b.DownstreamNoiseMargin = 60;
        b.UpstreamNoiseMargin = 123;
        feed(graph, a, b);
        feed(graph, b, c);
        graph.windowStart = chartTime(t0.addSecs(-7200));
        graph.windowEnd = chartTime(t0.addSecs(3600));
        graph.on_Picker_Temps(QPointF(chartTime(t0.addSecs(450)), 0));
        for (QwtPlotMarker *marker : {&graph.markerNoise, &graph.markerMaxRate, &graph.markerCrc,
                                      &graph.markerHec, &graph.markerFec})
            QVERIFY(marker->plot());
        QCOMPARE(graph.markerNoise.xValue(), chartTime(t0.addSecs(300)));
        QCOMPARE(graph.markerNoise.label().text(),
                 QStringLiteral("31/01/2024 à 10:05:00\nDown = 6.0 dB\nUp = 12.3 dB"));
        QVERIFY(graph.markerMaxRate.label().text().contains(QStringLiteral("\nDown max = 7150 Kb/s\n")));
        QVERIFY(graph.markerMaxRate.label().text().contains(QStringLiteral("\nUp max= 0 Kb/s\nUp DSL= 0 Kb/s")));
        QCOMPARE(graph.markerCrc.label().text(), QStringLiteral("31/01/2024 à 10:05:00\nCRC = 0\nATU-C CRC = 0"));
        QCOMPARE(graph.markerNoise.labelAlignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(graph.markerNoise.label().backgroundBrush().color(), QColor(255, 240, 170, 191));

        QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QVERIFY(graph.eventFilter(graph.ui->qwtPlotHEC, &right));
        for (QwtPlotMarker *marker : {&graph.markerNoise, &graph.markerMaxRate, &graph.markerCrc,
                                      &graph.markerHec, &graph.markerFec})
            QVERIFY(!marker->plot());
        QEvent other(QEvent::Enter);
        QVERIFY(!graph.eventFilter(graph.ui->qwtPlotHEC, &other));
    }

    void summaryReadsTheLog()
    {
        ScratchDir dir;
        // Late in its day: it must still stand on its own day's line.
        const QDateTime twoDaysAgo = QDateTime(QDate::currentDate().addDays(-2), QTime(21, 30, 0));
        const QString when = formatDateTime(twoDaysAgo);
        dir.write("maison_SYNCHROS.csv",
                  (synchroLogHeader() + "\n" + when + ";x;y;" + when + ";" + when + "\n" + when + ";x;y;" + when + "\n")
                      .toUtf8());
        dir.write("livebox.ini", "[LIVEBOX]\nSSID=maison\n");
        Graph graph;
        QCOMPARE(graph.pointsSumSynchro.size(), 2);
        QCOMPARE(graph.pointsSumReboot.size(), 2);
        QCOMPARE(graph.pointsSumConnexion.size(), 1); // the four-field row has none
        const QDateTime itsMidnight(twoDaysAgo.date(), QTime(0, 0));
        QCOMPARE(graph.pointsSumSynchro.at(0), QPointF(21.5, chartTime(itsMidnight)));
        QCOMPARE(int(graph.curveSumSynchro->dataSize()), 2);
        // A line a day at its midnight, the label's place; the event is on
        // its day's line, not nearer the next day's.
        const QList<double> days =
            graph.ui->qwtPlotSynchronisations->axisScaleDiv(QwtPlot::yLeft).ticks(QwtScaleDiv::MajorTick);
        QCOMPARE(days.size(), 20);
        QCOMPARE(days.last(), chartTime(QDateTime(QDate::currentDate(), QTime(0, 0))));
        QCOMPARE(days.at(17), graph.pointsSumSynchro.at(0).y());
        const QwtScaleDraw *labels = graph.ui->qwtPlotSynchronisations->axisScaleDraw(QwtPlot::yLeft);
        QCOMPARE(labels->label(days.at(17)).text(), twoDaysAgo.toString(QStringLiteral("dd / MM")));

        dir.write("maison_SYNCHROS.csv", (synchroLogHeader() + "\n").toUtf8());
        graph.nbJrSynch = 5;
        graph.on_BtnSynchroMoins_clicked();
        QCOMPARE(graph.nbJrSynch, 5.0);
        QVERIFY(graph.pointsSumSynchro.isEmpty());
    }

    void slideshowAdvancesBothTabWidgets()
    {
        ScratchDir dir;
        Graph graph;
        graph.diapoCourbes = graph.diapoErreurs = true;
        graph.diapoInterval = 60000;
        graph.ui->tabCourbes->setCurrentIndex(2);
        graph.ui->tabErreurs->setCurrentIndex(1);
        graph.ui->BtnDiapo->setChecked(true);
        QCOMPARE(graph.ui->BtnDiapo->text(), QStringLiteral("DIAPO OFF"));
        QVERIFY(graph.diapoTimer->isActive());
        graph.DiapoTimerHandler();
        QCOMPARE(graph.ui->tabCourbes->currentIndex(), 0);
        QCOMPARE(graph.ui->tabErreurs->currentIndex(), 2);
        graph.diapoErreurs = false;
        graph.diapoInterval = 30000;
        graph.DiapoTimerHandler();
        QCOMPARE(graph.ui->tabErreurs->currentIndex(), 2);
        QCOMPARE(graph.diapoTimer->interval(), 30000);
        graph.ui->BtnDiapo->setChecked(false);
        QVERIFY(!graph.diapoTimer->isActive());
        QCOMPARE(graph.ui->BtnDiapo->text(), QStringLiteral("DIAPO ON"));
    }

    // The first sample gives the rate axis its top when the settings give
    // none; a rate shown above the top raises it by whole steps, until the
    // user lowers it with its button.
    void rateAxisTopFollowsTheRatesShown()
    {
        {
            ScratchDir dir;
            Graph graph;
            LiveBoxInfos line = at(QDateTime::currentDateTime());
            line.DownstreamMaxRate = 18200; // an ordinary ADSL2+ line, above the old 5000
            line.DownstreamCurrRate = 17000;
            feed(graph, at(QDateTime::currentDateTime().addSecs(-60)), line);
            QCOMPARE(graph.maxMaxRate, 25000.0);
            QCOMPARE(graph.pasMaxRate, 5000.0);
            QCOMPARE(graph.ui->qwtPlotMaxRate->axisScaleDiv(QwtPlot::yLeft).upperBound(), 25000.0);
            graph.on_BtnMaxRateMaxPlus_clicked();
            QCOMPARE(graph.maxMaxRate, 30000.0);
            line.DownstreamMaxRate = 58000; // drawn above the top otherwise
            feed(graph, line, line);
            QCOMPARE(graph.maxMaxRate, 60000.0);
            QCOMPARE(graph.ui->qwtPlotMaxRate->axisScaleDiv(QwtPlot::yLeft).upperBound(), 60000.0);
        }
        {
            ScratchDir dir;
            // Files written before kept a step of 0, which left "+" and "-" without effect.
            dir.write("livebox.ini", "[COURBES]\nMaxMaxRate=12000\nPasMaxRate=0\n");
            Graph graph;
            LiveBoxInfos line = at(QDateTime::currentDateTime());
            line.DownstreamMaxRate = 10000;
            feed(graph, line, line);
            QCOMPARE(graph.maxMaxRate, 12000.0); // the user's own top, above the rates
            QCOMPARE(graph.pasMaxRate, 2500.0);
            line.DownstreamMaxRate = 18200;
            feed(graph, line, line);
            QCOMPARE(graph.maxMaxRate, 20000.0); // on the axis's own steps of 2500
            graph.on_BtnMaxRateMaxMoins_clicked();
            QCOMPARE(graph.maxMaxRate, 17500.0);
            feed(graph, line, line); // lowered by the user: it stays
            QCOMPARE(graph.maxMaxRate, 17500.0);
        }
    }

    void reloadedRecordingIsShownUntilThisRunAddsToIt()
    {
        ScratchDir dir;
        Graph graph;
        const QDateTime evening(QDate::currentDate().addDays(-1), QTime(22, 0));
        reload(graph, evening, evening.addSecs(45 * 60), 60);
        const double last = chartTime(evening.addSecs(45 * 60));
        const double margin = 5 * 60000;
        // No poll yet (the gateway is unreachable): the views show the recording.
        graph.on_BtnZoom3H_clicked();
        QCOMPARE(graph.windowEnd, last + margin);
        QCOMPARE(graph.windowStart, last + margin - 3 * 3600000);
        graph.on_BtnZoomTout_clicked();
        QCOMPARE(graph.windowEnd, last + margin);
        QVERIFY(graph.windowStart <= chartTime(evening.addSecs(60)));
        QVERIFY(graph.windowStart >= chartTime(evening.addSecs(-3600)));

        // TOUT grows with each poll of the run, and stays on the samples.
        const QDateTime now = QDateTime::currentDateTime();
        feed(graph, at(evening.addSecs(45 * 60)), at(now));
        QCOMPARE(graph.windowEnd, graph.lastSampleTime + margin);
        QVERIFY(graph.windowStart <= chartTime(evening.addSecs(60)));
        // The other views follow the newest sample too.
        graph.on_BtnZoom3H_clicked();
        QCOMPARE(graph.windowEnd, chartTime(parseDateTime(formatDateTime(now))) + margin);
    }

    // The clock set an hour forward, back, then, after the change of day
    // has emptied the curves, an hour back across midnight: "3 H" follows
    // the newest samples wherever they arrive, and draws them.
    void threeHoursFollowTheNewestSamplesAcrossClockSteps()
    {
        ScratchDir dir;
        Graph graph;
        graph.resize(780, 560);
        const double margin = 5 * 60000;
        const QDateTime evening(QDate(2020, 12, 6), QTime(21, 0));
        LiveBoxInfos before = at(evening);
        const auto pollUntil = [&](QDateTime from, const QDateTime &to) {
            for (QDateTime t = from; t <= to; t = t.addSecs(120)) {
                const LiveBoxInfos now = at(t);
                feed(graph, before, now);
                before = now;
            }
            graph.on_BtnZoom3H_clicked();
            return graph.windowEnd == chartTime(to) + margin && graph.windowStart == graph.windowEnd - 3 * 3600000;
        };
        QVERIFY(pollUntil(evening, evening.addSecs(3600)));
        QVERIFY(pollUntil(evening.addSecs(2 * 3600 + 120), evening.addSecs(2 * 3600 + 1800))); // an hour forward
        QVERIFY(pollUntil(evening.addSecs(3600 + 1920), evening.addSecs(2 * 3600 + 3480)));    // back
        graph.ClearCurves(); // the change of day's reset
        QVERIFY(pollUntil(evening.addSecs(3 * 3600), evening.addSecs(3 * 3600 + 2400)));
        // An hour back across midnight, at 00:40: the newest samples lie
        // before every other one.
        QVERIFY(pollUntil(evening.addSecs(2 * 3600 + 2400), evening.addSecs(2 * 3600 + 3240)));

        QImage image(800, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        QwtPlotRenderer renderer;
        renderer.setDiscardFlag(QwtPlotRenderer::DiscardLegend);
        renderer.renderTo(graph.ui->qwtPlotNoise, image);
        int drawn = 0; // columns of the noise margin's line
        for (int x = 0; x < image.width(); ++x) {
            bool blue = false;
            for (int y = 0; y < image.height() && !blue; ++y)
                blue = QColor(image.pixel(x, y)) == QColor(Qt::blue);
            drawn += blue;
        }
        // 14 minutes of a 3-hour view.
        QVERIFY2(drawn > 30, qPrintable(QString::number(drawn)));
    }

    void dayViewShowsTheCalendarDay()
    {
        ScratchDir dir;
        Graph graph;
        const QDate yesterday = QDate::currentDate().addDays(-1);
        reload(graph, QDateTime(yesterday, QTime(22, 0)), QDateTime(yesterday, QTime(22, 45)), 60);
        graph.ShowDay(yesterday);
        QCOMPARE(graph.windowStart, chartTime(QDateTime(yesterday, QTime(0, 0))));
        QCOMPARE(graph.windowEnd, chartTime(QDateTime(QDate::currentDate(), QTime(0, 0))));
        const QwtScaleDiv div = graph.ui->qwtPlotNoise->axisScaleDiv(QwtPlot::xBottom);
        QCOMPARE(div.lowerBound(), graph.windowStart);
        QCOMPARE(div.upperBound(), graph.windowEnd);
        graph.SetZoom3H();
        QCOMPARE(graph.plageHeure, 3.0);
        QCOMPARE(graph.windowEnd - graph.windowStart, 3 * 3600000.0);
    }

    // Assumes the offscreen platform's screen of 800 x 600.
    void aWeekInToutKeepsTheWindowAndItsLabelsApart()
    {
        ScratchDir dir;
        Graph graph;
        graph.resize(780, 560);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        const QDateTime end = QDateTime::currentDateTime();
        reload(graph, end.addDays(-7), end, 60);
        const int width = graph.width();
        graph.on_BtnZoomTout_clicked();
        for (int courbes = 0; courbes < 2; ++courbes) {
            for (int erreurs = 0; erreurs < 3; ++erreurs) {
                graph.ui->tabCourbes->setCurrentIndex(courbes);
                graph.ui->tabErreurs->setCurrentIndex(erreurs);
                QCoreApplication::processEvents();
                QCOMPARE(graph.width(), width);
                for (QwtPlot *plot : plotsOf(graph)) {
                    if (!plot->isVisible())
                        continue;
                    const QList<QRect> labels = timeLabelRects(plot);
                    QVERIFY2(labels.size() >= 3, qPrintable(plot->objectName()));
                    for (int i = 1; i < labels.size(); ++i)
                        QVERIFY2(!labels.at(i).intersects(labels.at(i - 1)),
                                 qPrintable(QStringLiteral("%1: labels %2 and %3 overlap")
                                                .arg(plot->objectName()).arg(i - 1).arg(i)));
                }
            }
        }
        QVERIFY(graph.minimumSizeHint().width() <= 800);
    }

    void savedSizeLargerThanTheScreenIsCut()
    {
        ScratchDir dir;
        dir.write("livebox.ini", "[GRAPH]\nX=0\nY=0\nWidth=3586\nHeight=700\n");
        Graph graph;
        QVERIFY(graph.width() <= 800);
        QVERIFY(graph.height() <= 600);
    }

    void resynchronisationSticksAreDashedUpToEachPlotsTop()
    {
        ScratchDir dir;
        Graph graph;
        graph.resize(780, 560);
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(-3600);
        LiveBoxInfos b = at(t0.addSecs(1800));
        b.LastChangeTime = 900;
        b.LastChange = 10;
        feed(graph, at(t0), b);
        const QList<QPair<QwtPlotCurve *, QwtPlot *>> sticks = {
            {graph.curveSynchroNoise, graph.ui->qwtPlotNoise}, {graph.curveSynchroMaxRate, graph.ui->qwtPlotMaxRate},
            {graph.curveSynchroCrc, graph.ui->qwtPlotCRC},     {graph.curveSynchroHec, graph.ui->qwtPlotHEC},
            {graph.curveSynchroFec, graph.ui->qwtPlotFEC}};
        for (const auto &stick : sticks)
            QCOMPARE(stick.first->sample(0).y(), stick.second->axisScaleDiv(QwtPlot::yLeft).upperBound());

        // Drawn, the stick on the noise plot alternates dashes and gaps.
        QImage image(800, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        QwtPlotRenderer renderer;
        renderer.setDiscardFlag(QwtPlotRenderer::DiscardLegend);
        renderer.renderTo(graph.ui->qwtPlotNoise, image);
        int bestColumn = -1, bestCount = 0;
        for (int x = 0; x < image.width(); ++x) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                count += QColor(image.pixel(x, y)) == QColor(Qt::magenta);
            if (count > bestCount) {
                bestCount = count;
                bestColumn = x;
            }
        }
        QVERIFY(bestColumn >= 0);
        int dashes = 0;
        bool inDash = false;
        for (int y = 0; y < image.height(); ++y) {
            const bool magenta = QColor(image.pixel(bestColumn, y)) == QColor(Qt::magenta);
            dashes += magenta && !inDash;
            inDash = magenta;
        }
        QVERIFY2(dashes >= 5, qPrintable(QString::number(dashes)));
    }

    // Rows across both clock changes of 2026 in France, reloaded: chart
    // times follow the true instants, and no false stall zone appears.
    void chartTimesNeverRunBackwardsAcrossClockChanges()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Paris");
        tzset();
        {
            ScratchDir dir;
            Graph graph;
            graph.tempsArret = 600; // polls every 5 minutes
            QList<double> instants;
            graph.beginReload();
            LiveBoxInfos before;
            for (const QDateTime &startUtc : {QDateTime(QDate(2026, 3, 29), QTime(0, 0), Qt::UTC),
                                              QDateTime(QDate(2026, 10, 24), QTime(23, 30), Qt::UTC)}) {
                for (int i = 0; i <= 4 * 12; ++i) { // four hours
                    const QDateTime when = startUtc.addSecs(300 * i).toLocalTime();
                    LiveBoxInfos now = at(when);
                    graph.UpDateCurves(&now, &before);
                    instants << double(when.toMSecsSinceEpoch());
                    before = now;
                }
            }
            graph.endReload();
            const QPolygonF points = graph.pointsDownload.toPolygon();
            QCOMPARE(points.size(), instants.size());
            for (int i = 0; i < points.size(); ++i)
                QVERIFY2(points.at(i).x() == instants.at(i),
                         qPrintable(QStringLiteral("row %1 (%2) drawn %3 min off").arg(i)
                                        .arg(formatDateTime(QDateTime::fromMSecsSinceEpoch(qint64(instants.at(i)))))
                                        .arg((points.at(i).x() - instants.at(i)) / 60000)));
            // The one zone is the night between the two runs.
            QCOMPARE(graph.zoneList.size(), 5);
        }
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
    }

    void reloadDrawsOnceWithTheSameResult()
    {
        ScratchDir dir;
        Graph live;
        Graph reloaded;
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(-3600);
        reloaded.beginReload();
        for (int i = 1; i < 50; ++i) {
            feed(live, at(t0.addSecs(60 * (i - 1))), at(t0.addSecs(60 * i)));
            feed(reloaded, at(t0.addSecs(60 * (i - 1))), at(t0.addSecs(60 * i)));
        }
        reloaded.endReload();
        QCOMPARE(reloaded.pointsDownload.toPolygon(), live.pointsDownload.toPolygon());
        QCOMPARE(reloaded.ui->scrollTemps->maximum(), live.ui->scrollTemps->maximum());
        QCOMPARE(reloaded.scrollOffset, live.scrollOffset);
        QCOMPARE(reloaded.firstSampleTime, live.firstSampleTime);
    }
};

QTEST_MAIN(TestGraph)
#include "test_graph.moc"
