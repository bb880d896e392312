#include <QtTest>

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <qwt_date.h>

#include "charts/chartdata.h"
#include "common/datetime.h"
#include "reports/chartreport.h"
#include "router/liveboxinfos.h"
#include "support/pdfpages.h"
#include "support/windowwatch.h"

namespace {
const QDate day(2024, 3, 5);

// The day polled every minute, but for an hour's stall at 10:00.
void recordTheDay(ChartData *chart)
{
    chart->tempsArret = 300;
    chart->beginReload();
    LiveBoxInfos before, now;
    for (QDateTime t(day, QTime(0, 0, 30)); t.date() == day; t = t.addSecs(60)) {
        if (t.time() >= QTime(10, 0) && t.time() < QTime(11, 0))
            continue;
        before = now;
        now.DateTime = formatDateTime(t);
        now.DownstreamNoiseMargin = 60 + t.time().minute() % 20;
        now.FECErrors += t.time().minute() % 3;
        chart->add(now, before, NAN);
    }
    chart->endReload();
    chart->showDay(day);
    chart->updateView(QwtDate::toDouble(QDateTime(day.addDays(1), QTime(8, 0))));
    chart->ssid = QStringLiteral("maison");
    chart->liveboxType = QStringLiteral("SG_LB4");
    chart->liveboxSoftware = QStringLiteral("SG40_sip-fr-6.2");
}

// Pixels of a stall zone's edges.
int stallEdges(const QString &pdf)
{
    const QImage page = pdfPage(pdf, 100);
    int count = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x)
            count += QColor(page.pixel(x, y)) == QColor(255, 80, 80);
    }
    return count;
}
}

class TestChartReport : public QObject
{
    Q_OBJECT

private slots:
    void theDayIsWrittenWithoutAWindow()
    {
        QTemporaryDir dir;
        ChartData chart;
        recordTheDay(&chart);
        chart.inReport = {true, false, false, false, true};
        chart.rapPageOrient = 1;
        const QWidgetList before = QApplication::topLevelWidgets();
        const QString file = dir.filePath("day.pdf");
        {
            WindowWatch watch;
            QVERIFY(writeChartReport(file, day.toString("dd/MM/yyyy"), chart));
            QVERIFY2(watch.seen.isEmpty(), qPrintable(watch.seen.join(' ')));
        }
        QCOMPARE(QApplication::topLevelWidgets(), before); // its plots are gone with it

        QVERIFY(pdfInfo(file).contains("842 x 595 pts (A4)"));
        const QString text = pdfText(file);
        QVERIFY2(text.contains("maison - 05/03/2024"), qPrintable(text));
        QVERIFY(text.contains("Type : SG_LB4 ; software : SG40_sip-fr-6.2"));
        QVERIFY(text.contains("Marges de bruit upload et download (dB)"));
        QVERIFY(text.contains("Nombre d'erreurs FEC et ATU-C FEC"));
        QVERIFY(!text.contains("Débits maxis"));
        QVERIFY(!text.contains("CRC"));
        // The view the chart holds: the day, to the next midnight.
        QVERIFY(text.contains(" 06/03"));

        // Its stall is shaded, and nothing else is.
        QVERIFY(stallEdges(file) > 100);
        chart.samples.gaps.clear();
        QVERIFY(writeChartReport(file, day.toString("dd/MM/yyyy"), chart));
        QCOMPARE(stallEdges(file), 0);
    }
};

QTEST_MAIN(TestChartReport)
#include "test_chartreport.moc"
