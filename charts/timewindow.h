#ifndef TIMEWINDOW_H
#define TIMEWINDOW_H

#include <QPolygonF>
#include <QString>
#include <Qt>

// Rules of the chart window's time axis, zoom and y-axis buttons, kept
// apart from the widgets so that each can be checked on its own.

struct AxisTicks
{
    int maxMajor;
    int maxMinor;
    double step;     // milliseconds between major ticks
    double penRatio; // thinner pens when more time is shown
};
AxisTicks ticksForRange(double plageHeure);

// Time above date with both flags; the separator leads when only the date
// is shown; empty with neither.
QString composeAxisLabelFormat(bool echDate, bool echHeure, const QString &heure, const QString &separ,
                               const QString &date);

double zoomedIn(double plageHeure);                        // "Zoom +": 30 min less, down to 1 h
double zoomedOut(double plageHeure, double tempsMaxHeure); // "Zoom -": 30 min more, below the maximum
double wholeRecordingRange(double firstSampleTime, double lastSampleTime, double reculMinute);

// Top of the CRC and HEC axes, then of the FEC axis: coarse steps high up,
// fine steps near the bottom.
double errorAxisRaised(double max);
double errorAxisLowered(double max);
double fecAxisRaised(double max);
double fecAxisLowered(double max);

// Height of an error stick: the count since the previous poll, or 0.1 (below
// the logarithmic axes' bottoms) when nothing new was counted.
double errorStickHeight(double current, double previous);

// The last sample at or before `x`: the first one for a click before the
// recording, -1 when there is none.
int sampleIndexAt(const QPolygonF &points, double x);

// A point label stands on the side of its line toward the middle of the view.
Qt::Alignment labelAlignment(double t, double windowStart, double windowEnd);

#endif
