#include "timewindow.h"

#include <algorithm>

AxisTicks ticksForRange(double plageHeure)
{
    AxisTicks ticks{2, 6, 1800000, 1.0};
    if (plageHeure > 6)
        ticks = {4, 12, 3600000, 0.75};
    if (plageHeure > 12)
        ticks = {4, 8, 7200000, 0.5};
    return ticks;
}

QString composeAxisLabelFormat(bool echDate, bool echHeure, const QString &heure, const QString &separ,
                               const QString &date)
{
    QString format;
    if (echDate)
        format = separ + date;
    if (echHeure)
        format = heure + format;
    return format;
}

double zoomedIn(double plageHeure)
{
    return plageHeure > 1 ? plageHeure - 0.5 : plageHeure;
}

double zoomedOut(double plageHeure, double tempsMaxHeure)
{
    return tempsMaxHeure - 1 > plageHeure ? plageHeure + 0.5 : plageHeure;
}

double wholeRecordingRange(double firstSampleTime, double lastSampleTime, double reculMinute)
{
    return std::max(0.5, (lastSampleTime - firstSampleTime) / 3600000) + 2 * reculMinute / 60;
}

double errorAxisRaised(double max)
{
    if (max >= 100)
        return max + 100;
    if (max >= 50)
        return max + 10;
    return max;
}

double errorAxisLowered(double max)
{
    if (max >= 200)
        return max - 100;
    if (max >= 60)
        return max - 10;
    return max;
}

double fecAxisRaised(double max)
{
    if (max >= 10000)
        return max + 10000;
    if (max >= 1000)
        return max + 1000;
    return max;
}

double fecAxisLowered(double max)
{
    if (max >= 20000)
        return max - 10000;
    if (max >= 2000)
        return max - 1000;
    return max;
}

double errorStickHeight(double current, double previous)
{
    const double d = current - previous;
    return d <= 0 ? 0.1 : d;
}

int sampleIndexAt(const QPolygonF &points, double x)
{
    if (points.isEmpty())
        return -1;
    int k = 0;
    for (int i = 0; i < points.size(); ++i) {
        if (points.at(i).x() <= x)
            k = i;
    }
    return k;
}

Qt::Alignment labelAlignment(double t, double windowStart, double windowEnd)
{
    const double mid = (windowStart + windowEnd) / 2;
    return t >= mid ? (Qt::AlignLeft | Qt::AlignTop) : (Qt::AlignRight | Qt::AlignTop);
}
