#include <QtTest>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

#include "charts/curvedata.h"

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

// The same samples drawn by `curve` alone on a canvas of 400 x 200 showing
// the given range.
QImage draw(QwtPlotCurve *curve, const QPolygonF &points, double from, double to, double low, double high)
{
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
    curve->setData(new SampleArrayData(&points));
    QPainter painter(&image);
    curve->draw(&painter, xMap, yMap, QRectF(image.rect()));
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
