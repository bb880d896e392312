#include <QtTest>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

#include "charts/curvedata.h"
#include "charts/curveseries.h"
#include "charts/sampletable.h"

namespace {
// The lowest and highest drawn row of each pixel column (-1 when none).
struct Columns
{
    QVector<int> top, bottom;
};

Columns drawnColumns(const QImage &image, QRgb colour)
{
    Columns c{QVector<int>(image.width(), -1), QVector<int>(image.width(), -1)};
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if ((image.pixel(x, y) & 0xffffff) != (colour & 0xffffff))
                continue;
            if (c.top[x] < 0)
                c.top[x] = y;
            c.bottom[x] = y;
        }
    }
    return c;
}

// A table whose curve `curve` holds `points` (x the time, y the value in
// the record's units), the other curves zero.
void fill(SampleTable *table, int curve, const QPolygonF &points)
{
    table->clear();
    table->reserve(size_t(points.size()));
    double values[CurveCount] = {};
    for (const QPointF &p : points) {
        values[curve] = p.y();
        table->append(p.x(), values);
    }
}

// The same samples drawn by `curve` alone on a canvas of 400 x 200 showing
// the given range; lines read a rate curve, sticks an error count.
QImage draw(QwtPlotCurve *curve, const QPolygonF &points, double from, double to, double low, double high)
{
    SampleTable table;
    const int kind = curve->style() == QwtPlotCurve::Sticks ? CurveCrc : CurveDslDown;
    fill(&table, kind, points);
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QwtScaleMap xMap, yMap;
    xMap.setScaleInterval(from, to);
    xMap.setPaintInterval(0, image.width() - 1);
    yMap.setScaleInterval(low, high);
    yMap.setPaintInterval(image.height() - 1, 0);
    curve->setPen(Qt::blue, 0);
    // The reference draws every segment: no weeding of its own.
    curve->setPaintAttribute(QwtPlotCurve::FilterPoints, false);
    curve->setData(new SeriesData(&table, kind));
    QPainter painter(&image);
    curve->draw(&painter, xMap, yMap, QRectF(image.rect()));
    curve->setData(new QwtPointSeriesData); // the table goes
    return image;
}

QPolygonF noisyWithSpikes(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QPolygonF points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) {
        double y = 50 + random.bounded(10.0);
        if (i % 7919 == 0)
            y = 95; // a spike a few samples wide at most: it must survive
        if (i % 6007 == 3)
            y = 5;
        points << QPointF(i, y);
    }
    return points;
}
}

// The curve that draws a week as fast as an hour must draw what the full
// curve draws, column by column.
class TestCurveData : public QObject
{
    Q_OBJECT

private slots:
    // The curves' table: each plot's label gets one line per curve, the
    // sticks stand either side of their poll, and the lines on it.
    void curveTableHoldsTogether()
    {
        QSet<QPair<int, int>> labelLines;
        int perPlot[5] = {};
        for (int c = 0; c < CurveCount; ++c) {
            const CurveSeries &s = curveSeries(c);
            QVERIFY(s.plot >= 0 && s.plot < 5);
            ++perPlot[s.plot];
            QVERIFY2(!labelLines.contains({s.plot, s.labelRank}), s.title);
            labelLines.insert({s.plot, s.labelRank});
            QCOMPARE(s.counter, s.side != 0);
            QCOMPARE(s.counter, s.plot >= 2); // the error plots hold sticks only
            QVERIFY(QByteArray(s.label).contains('='));
        }
        for (int plot = 0; plot < 5; ++plot)
            for (int rank = 0; rank < perPlot[plot]; ++rank)
                QVERIFY(labelLines.contains({plot, rank})); // no gap, no line beyond the curves
        // The margins are drawn in dB from the gateway's tenths.
        LiveBoxInfos r;
        r.DownstreamNoiseMargin = 61;
        const CurveSeries &margin = curveSeries(CurveDownload);
        QCOMPARE(r.*margin.field / margin.divisor, 6.1);
    }

    void reducedLinesLoseNoSpike()
    {
        const QPolygonF points = noisyWithSpikes(200000, 7);
        ReducedCurve reduced(QStringLiteral("reduced"));
        const double from = 0, to = 199999;
        const Columns got = drawnColumns(draw(&reduced, points, from, to, 0, 100), QColor(Qt::blue).rgb());
        // Every column reaches the highest and the lowest of its samples.
        const auto column = [&](double x) { return int(std::floor((x - from) / (to - from) * 399)); };
        const auto row = [](double y) { return int(std::lround(199 - y / 100 * 199)); };
        QVector<double> low(400, 1e9), high(400, -1e9);
        for (const QPointF &p : points) {
            low[column(p.x())] = std::min(low[column(p.x())], p.y());
            high[column(p.x())] = std::max(high[column(p.x())], p.y());
        }
        // The edge columns hold a sample or two, drawn where the line ends.
        for (int x = 1; x < 399; ++x) {
            if (high[x] < low[x])
                continue;
            const QString where = QStringLiteral("column %1: drawn %2 to %3, samples %4 to %5")
                                      .arg(x).arg(got.top[x]).arg(got.bottom[x]).arg(row(high[x])).arg(row(low[x]));
            QVERIFY2(got.top[x] >= 0 && got.top[x] <= row(high[x]) + 1, qPrintable(where));
            QVERIFY2(got.bottom[x] >= row(low[x]) - 1, qPrintable(where));
        }
        // The line runs from the first sample to the last.
        QVERIFY(got.top[0] >= 0 && got.top[0] <= row(points.first().y()) + 1
                && got.bottom[0] >= row(points.first().y()) - 1);
        QVERIFY(got.top[399] >= 0);
    }

    void reducedLinesRunToTheEdgesOfAPartialView()
    {
        const QPolygonF points = noisyWithSpikes(100000, 11);
        ReducedCurve reduced(QStringLiteral("reduced"));
        // A view in the middle of the samples: the lines come in from the
        // left edge and leave by the right one.
        const Columns got = drawnColumns(draw(&reduced, points, 40000.5, 60000.5, 0, 100), QColor(Qt::blue).rgb());
        QVERIFY(got.top.first() >= 0);
        QVERIFY(got.top.last() >= 0);
        for (int x = 0; x < 400; ++x)
            QVERIFY2(got.top[x] >= 0, qPrintable(QString::number(x)));
    }

    void reducedSticksKeepTheirTallest()
    {
        QRandomGenerator random(3);
        QPolygonF points;
        for (int i = 0; i < 150000; ++i)
            points << QPointF(i, i % 9973 == 0 ? 990 : 0.1 + random.bounded(20.0));
        ReducedCurve reduced(QStringLiteral("reduced"));
        reduced.setStyle(QwtPlotCurve::Sticks);
        reduced.setBaseline(0.1);
        const double from = 0, to = 149999;
        const Columns got = drawnColumns(draw(&reduced, points, from, to, 0, 1000), QColor(Qt::blue).rgb());
        QVector<double> high(400, -1);
        for (const QPointF &p : points) {
            const int x = int(std::floor((p.x() - from) / (to - from) * 399));
            high[x] = std::max(high[x], p.y());
        }
        for (int x = 0; x < 400; ++x) {
            const int top = int(std::lround(199 - high[x] / 1000 * 199));
            QVERIFY2(qAbs(got.top[x] - top) <= 1,
                     qPrintable(QStringLiteral("column %1: stick to %2, tallest at %3").arg(x).arg(got.top[x]).arg(top)));
        }
    }

    void fewSamplesAreDrawnAsTheyAre()
    {
        const QPolygonF points(QVector<QPointF>{{0, 10}, {1, 90}, {2, 10}, {3, 50}});
        QwtPlotCurve full;
        ReducedCurve reduced(QStringLiteral("reduced"));
        QCOMPARE(draw(&reduced, points, 0, 3, 0, 100), draw(&full, points, 0, 3, 0, 100));
    }

    // The summaries behind the views: any run of samples gets the lowest and
    // highest values a walk through it would find, while polls keep arriving.
    void summariesGiveTheExtremesOfEveryRun()
    {
        QRandomGenerator random(5);
        SampleTable table;
        table.setStickShift(15000);
        QVector<double> margins, counts;
        const auto check = [&](size_t from, size_t to) {
            for (int curve : {int(CurveDownload), int(CurveFec)}) {
                const QVector<double> &values = curve == CurveDownload ? margins : counts;
                double low = values[int(from)], high = low;
                for (size_t i = from + 1; i < to; ++i) {
                    low = std::min(low, values[int(i)]);
                    high = std::max(high, values[int(i)]);
                }
                const Extremes e = table.extremes(curve, from, to);
                const double gotLow = SampleTable::drawn(curve, e.low), gotHigh = SampleTable::drawn(curve, e.high);
                if (gotLow != low || gotHigh != high)
                    return QStringLiteral("curve %1, [%2, %3): %4/%5, walked %6/%7")
                        .arg(curve).arg(from).arg(to).arg(gotLow).arg(gotHigh).arg(low).arg(high);
            }
            return QString();
        };
        double values[CurveCount] = {};
        for (int round = 0; round < 6; ++round) {
            // A reload's worth, then a few polls at a time.
            const int rows = round == 0 ? 300000 : int(random.bounded(1, 70));
            for (int i = 0; i < rows; ++i) {
                values[CurveDownload] = 400 + random.bounded(300);
                values[CurveFec] = i % 5000 == 17 ? 90000 : random.bounded(2) ? 0.1 : random.bounded(500);
                table.append(double(table.size()) * 5000, values);
                margins << table.value(CurveDownload, table.size() - 1);
                counts << table.value(CurveFec, table.size() - 1);
            }
            const size_t n = table.size();
            for (int q = 0; q < 300; ++q) {
                const size_t length = q < 100 ? 1 + random.bounded(70) : 1 + random.bounded(quint32(n));
                const size_t from = random.bounded(quint32(n - length + 1));
                const QString fault = check(from, from + length);
                QVERIFY2(fault.isEmpty(), qPrintable(fault));
            }
            const QString whole = check(0, n);
            QVERIFY2(whole.isEmpty(), qPrintable(whole));
            // A search by time, the error sticks standing aside of their poll.
            for (int q = 0; q < 200; ++q) {
                const size_t from = random.bounded(quint32(n));
                const size_t to = from + random.bounded(quint32(std::min<size_t>(n - from, 20000) + 1));
                const double x = (from + random.bounded(quint32(to - from + 2))) * 5000.0 + (q % 3 - 1) * 15000
                                 + (q % 2) * 0.5;
                const int curve = q % 2 ? CurveFec : CurveDownload;
                size_t walked = from;
                while (walked < to && table.x(curve, walked) < x)
                    ++walked;
                QCOMPARE(table.lowerBound(curve, x, from, to), walked);
            }
        }
        QCOMPARE(table.boundingRect(CurveDownload).top(), 40.0);
        // Summaries made on several threads are those made on one.
        SampleTable copy;
        copy.setStickShift(15000);
        for (size_t i = 0; i < table.size(); ++i) {
            double row[CurveCount] = {};
            row[CurveDownload] = table.stored(CurveDownload, i);
            row[CurveFec] = table.value(CurveFec, i);
            copy.append(table.time(i), row);
        }
        copy.summarise(3);
        for (int curve : {int(CurveDownload), int(CurveFec)}) {
            for (int size = 0; size < SampleTable::bucketSizes; ++size) {
                const std::vector<TimeBucket> &mine = copy.buckets(curve, size), &theirs = table.buckets(curve, size);
                QCOMPARE(mine.size(), theirs.size());
                for (size_t b = 0; b < mine.size(); ++b)
                    QVERIFY(mine[b].index == theirs[b].index && mine[b].low == theirs[b].low
                            && mine[b].high == theirs[b].high && mine[b].first == theirs[b].first
                            && mine[b].last == theirs[b].last);
            }
            const Extremes a = copy.extremes(curve, 17, copy.size() - 5), b = table.extremes(curve, 17, table.size() - 5);
            QVERIFY(a.low == b.low && a.high == b.high);
        }
        QCOMPARE(table.boundingRect(CurveFec).bottom(), 90000.0);
    }

    // Over years, a pixel column spans days: the buckets of time draw it,
    // and every spike still shows in its column or the next.
    void yearsDrawnByBucketsLoseNoSpike()
    {
        QPolygonF points = noisyWithSpikes(210000, 13);
        for (int i = 0; i < points.size(); ++i)
            points[i].setX(1.7e12 + 300000.0 * i); // two years of polls five minutes apart
        ReducedCurve reduced(QStringLiteral("reduced"));
        const double from = points.first().x(), to = points.last().x();
        const Columns got = drawnColumns(draw(&reduced, points, from, to, 0, 100), QColor(Qt::blue).rgb());
        const auto column = [&](double x) { return int(std::floor((x - from) / (to - from) * 399)); };
        const auto row = [](double y) { return int(std::lround(199 - y / 100 * 199)); };
        for (int x = 0; x < 400; ++x)
            QVERIFY2(got.top[x] >= 0, qPrintable(QString::number(x)));
        for (const QPointF &p : points) {
            if (p.y() != 95 && p.y() != 5)
                continue;
            const int c = column(p.x());
            bool shown = false;
            for (int x = std::max(0, c - 1); x <= std::min(399, c + 1); ++x)
                shown = shown || (p.y() == 95 ? got.top[x] <= row(95) + 1 : got.bottom[x] >= row(5) - 1);
            QVERIFY2(shown, qPrintable(QStringLiteral("%1 at column %2").arg(p.y()).arg(c)));
        }
    }

    // After the clock was set forward and back, the samples stand in time
    // order, the newest found where it belongs: the table is the one the
    // same samples make in order, whether they came poll by poll, with the
    // summaries made between polls, or in a reload's parts.
    void clockStepsKeepTheSamplesInTimeOrder()
    {
        const double hour = 3600000;
        struct Poll
        {
            double t, margin, fec;
        };
        QVector<Poll> polls;
        QRandomGenerator random(17);
        double clock = 1.7e12;
        // 4 h, an hour forward for 30 min, back for 2 h, an hour back again for 2 h.
        for (const auto &[step, count] : {std::pair<double, int>{0, 2880}, {hour, 360}, {-hour, 1440}, {-hour, 1440}}) {
            clock += step;
            for (int i = 0; i < count; ++i) {
                clock += 5000;
                polls.append({clock, double(400 + random.bounded(300)), i % 97 ? 0.1 : double(random.bounded(500))});
            }
        }
        const auto add = [](SampleTable *table, const Poll &p) {
            double values[CurveCount] = {};
            values[CurveDownload] = p.margin;
            values[CurveFec] = p.fec;
            table->append(p.t, values);
        };
        SampleTable live, ordered, parts[3];
        for (SampleTable *table : {&live, &ordered, &parts[0], &parts[1], &parts[2]})
            table->setStickShift(15000);
        for (int i = 0; i < polls.size(); ++i) {
            add(&live, polls[i]);
            add(&parts[i * 3 / polls.size()], polls[i]);
            if (i % 7 == 0) {
                const size_t at = live.lowerBound(CurveDownload, polls[i].t);
                QVERIFY2(at < live.size() && live.time(at) == polls[i].t, qPrintable(QString::number(i)));
            }
        }
        QVector<Poll> sorted = polls;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Poll &a, const Poll &b) { return a.t < b.t; });
        for (const Poll &p : sorted)
            add(&ordered, p);
        parts[0].takeRows(std::move(parts[1]));
        parts[0].takeRows(std::move(parts[2]));

        for (const SampleTable *table : {&live, &parts[0]}) {
            QCOMPARE(table->size(), ordered.size());
            for (size_t i = 0; i < ordered.size(); ++i)
                QVERIFY2(table->time(i) == ordered.time(i)
                             && table->stored(CurveDownload, i) == ordered.stored(CurveDownload, i)
                             && table->stored(CurveFec, i) == ordered.stored(CurveFec, i),
                         qPrintable(QString::number(i)));
            for (int curve : {int(CurveDownload), int(CurveFec)}) {
                for (int size = 0; size < SampleTable::bucketSizes; ++size) {
                    const std::vector<TimeBucket> &got = table->buckets(curve, size);
                    const std::vector<TimeBucket> &want = ordered.buckets(curve, size);
                    QCOMPARE(got.size(), want.size());
                    for (size_t b = 0; b < got.size(); ++b)
                        QVERIFY(got[b].index == want[b].index && got[b].low == want[b].low
                                && got[b].high == want[b].high && got[b].first == want[b].first
                                && got[b].last == want[b].last);
                }
                for (int q = 0; q < 200; ++q) {
                    const size_t from = random.bounded(quint32(ordered.size()));
                    const size_t to = from + 1 + random.bounded(quint32(ordered.size() - from));
                    const Extremes a = table->extremes(curve, from, to), b = ordered.extremes(curve, from, to);
                    QVERIFY(a.low == b.low && a.high == b.high);
                }
            }
        }
    }

    void tableReadsAsTheRecordedValues()
    {
        SampleTable table;
        table.setStickShift(15000);
        LiveBoxInfos before, now;
        before.DateTime = QStringLiteral("01/02/2024 10:00:00");
        now.DateTime = QStringLiteral("01/02/2024 10:00:05");
        before.CRCErrors = 10;
        now.CRCErrors = 13;
        before.FECErrors = 100;
        now.FECErrors = 40; // a restart
        now.DownstreamNoiseMargin = 67;
        now.DownstreamMaxRate = 29717.5;
        const auto instant = [](const QString &text, double) { return epochMsecs(text); };
        QVERIFY(table.add(now, before, instant, 300000));
        const double t = epochMsecs(now.DateTime);
        QCOMPARE(table.sample(CurveDownload, 0), QPointF(t, 6.7));
        QCOMPARE(table.sample(CurveMaxDown, 0), QPointF(t, 29717.5));
        QCOMPARE(table.sample(CurveCrc, 0), QPointF(t - 15000, 3));
        QCOMPARE(table.sample(CurveFec, 0), QPointF(t - 15000, 0.1));
        QCOMPARE(table.sample(CurveAtucFec, 0), QPointF(t + 15000, 0.1));
        QCOMPARE(table.lastSampleText, now.DateTime);
        // A reading without a time adds nothing.
        LiveBoxInfos unreadable;
        QVERIFY(!table.add(unreadable, now, instant, 300000));
        QCOMPARE(table.size(), size_t(1));
    }

    void clickPicksTheLastSampleAtOrBefore()
    {
        SampleTable table;
        QCOMPARE(table.indexAt(1000), -1L);
        const double values[CurveCount] = {};
        for (double t : {1000, 2000, 3000})
            table.append(t, values);
        QCOMPARE(table.indexAt(2500), 1L); // not the nearer 3000
        QCOMPARE(table.indexAt(2000), 1L);
        QCOMPARE(table.indexAt(10), 0L);
        QCOMPARE(table.indexAt(99999), 2L);
        table.append(3000, values);
        QCOMPARE(table.indexAt(3000), 3L);
    }

    // A reload fills a table apart, which the window's table then takes:
    // the same samples as if every row had come to it.
    void aReloadContinuesTheCurves()
    {
        const auto instant = [](const QString &text, double) { return epochMsecs(text); };
        const QDateTime t0(QDate(2024, 3, 1), QTime(8, 0));
        const auto reading = [&](int i) {
            LiveBoxInfos r;
            r.DateTime = formatDateTime(t0.addSecs(60 * i + (i >= 70 ? 1200 : 0))); // a stall before the 70th
            r.CRCErrors = i * 2;
            r.LastChangeTime = i / 30;
            r.DownstreamNoiseMargin = 60 + i % 9;
            return r;
        };
        SampleTable whole, live;
        whole.firstSampleTime = live.firstSampleTime = 1e300;
        for (int i = 1; i < 100; ++i)
            whole.add(reading(i), reading(i - 1), instant, 600000);
        for (int i = 1; i < 40; ++i)
            live.add(reading(i), reading(i - 1), instant, 600000);
        SampleReload reload(live.continuation(), 600000);
        for (int i = 40; i < 100; ++i)
            reload.table.add(reading(i), reading(i - 1), instant, 600000);
        live.takeRows(std::move(reload.table));
        QCOMPARE(live.size(), whole.size());
        for (int c = 0; c < CurveCount; ++c)
            QCOMPARE(SeriesView(&live, c).toPolygon(), SeriesView(&whole, c).toPolygon());
        QCOMPARE(live.synchro, whole.synchro);
        QCOMPARE(live.gaps.size(), size_t(1));
        QCOMPARE(live.firstSampleTime, whole.firstSampleTime);
        QCOMPARE(live.lastSampleTime, whole.lastSampleTime);
        QCOMPARE(live.extremes(CurveCrc, 0, live.size()).high, whole.extremes(CurveCrc, 0, whole.size()).high);
    }

    void boundingRectFollowsTheArray()
    {
        QPolygonF points(QVector<QPointF>{{1, 5}, {2, -3}});
        SampleArrayData data(&points);
        QCOMPARE(data.boundingRect(), QRectF(QPointF(1, -3), QPointF(2, 5)));
        points << QPointF(10, 50);
        QCOMPARE(data.boundingRect(), QRectF(QPointF(1, -3), QPointF(10, 50)));
        points = QPolygonF(QVector<QPointF>{{4, 4}});
        QCOMPARE(data.boundingRect(), QRectF(QPointF(4, 4), QSizeF(0, 0)));
    }
};

QTEST_MAIN(TestCurveData)
#include "test_curvedata.moc"
