#pragma once

#include <QDate>
#include <QString>
#include <Qt>

#include "common/datetime.h"

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

// What decides the visible time range.
struct ViewInputs
{
    bool automatic = true; // "Avance auto": the view follows the recording
    bool whole = false;    // "TOUT", and no other zoom chosen since
    double firstSampleTime = 0;
    double lastSampleTime = 0; // the newest sample's, not the clock's
    double scrollOffset = 0;
    double plageHeure = 3;
    double reculMinute = 5;
};

struct TimeRange
{
    double start;
    double end;
    double hours() const { return (end - start) / 3600000; }
};

// The view is anchored on the samples: in automatic mode every view ends at
// the newest sample plus the margin, "TOUT" starting at the first one;
// the manual view ends where the scroll bar puts it. The newest sample, not
// the clock: after the clock has been set forward or back, the view follows
// the samples wherever they now arrive.
TimeRange visibleRange(const ViewInputs &in);

// A calendar day in local time, from its midnight to the next one: 23 or 25
// hours on the days the clocks change.
TimeRange calendarDay(const QDate &day);

// Major step of a time axis: the range's own step, or a larger one from
// half hours up to days and weeks, so that the labels (each `labelPixels`
// wide, gap included) fit along `axisPixels`.
double fittedTimeStep(double rangeMs, double axisPixels, double labelPixels, double rangeStep);

// Step of a value axis: its own step, or a larger round one (1, 2 or 5
// times a power of ten), so that its labels (each `labelPixels` high) fit
// along `axisPixels`.
double fittedValueStep(double span, double axisPixels, double labelPixels, double ownStep);

// A round step (1, 2, 2.5 or 5 times a power of ten) that cuts `span` into
// about five parts.
double roundStep(double span);

// A value axis's bottom and top: as a first start draws them, and where a
// saved pair that cannot make an axis falls back.
struct AxisRange
{
    double min;
    double max;
};
namespace AxisDefault {
constexpr AxisRange noise{0, 16.0};
constexpr AxisRange maxRate{0, 5000.0};
constexpr AxisRange crc{0.5, 100.0};
constexpr AxisRange hec{0.5, 100.0};
constexpr AxisRange fec{50.0, 50000.0};
}
// Top of the rate axis for a line whose highest rate is `highestRate`: a
// round value a little above it.
double rateAxisTop(double highestRate, double bottom);

double zoomedIn(double plageHeure);                        // "Zoom +": 30 min less, down to 1 h
double zoomedOut(double plageHeure, double tempsMaxHeure); // "Zoom -": 30 min more, below the maximum
double wholeRecordingRange(double firstSampleTime, double lastSampleTime, double reculMinute);

// The noise and rate axes' buttons: the top goes up by a step; it comes
// down, and the bottom goes up, while more than three steps stay between
// them; the bottom goes down while it is above 0.
double topRaised(double max, double step);
double topLowered(double min, double max, double step);
double bottomRaised(double min, double max, double step);
double bottomLowered(double min, double step);

// Top of the CRC and HEC axes, then of the FEC axis: coarse steps high up,
// fine steps near the bottom.
double errorAxisRaised(double max);
double errorAxisLowered(double max);
double fecAxisRaised(double max);
double fecAxisLowered(double max);

// A gap between two polls is a stall beyond the user's threshold and beyond
// twice the interval in use, in seconds: polls spaced out by a slow gateway
// are not stalls.
inline double stallThreshold(double arretSeconds, double cycleInUseSeconds)
{
    return arretSeconds > 2 * cycleInUseSeconds ? arretSeconds : 2 * cycleInUseSeconds;
}

// Height of an error stick: the count since the previous poll, or 0.1 (below
// the logarithmic axes' bottoms) when nothing new was counted.
double errorStickHeight(double current, double previous);

// A point label stands on the side of its line toward the middle of the view.
Qt::Alignment labelAlignment(double t, double windowStart, double windowEnd);

// The chart instant (ms since the epoch) of a reading's date-time text, NaN
// when unreadable. `previous` is the instant of the sample before it (NaN:
// none); `now` is the clock for a live poll (NaN on a reload).
double chartInstant(const QString &text, double previous, double now);

// The same chart instants for the rows of a reload, reading the zone's
// offsets once per stretch of time instead of the zone file for every row.
class ReloadClock
{
public:
    double instant(const QString &text, double previous);
    // Whether the text names one instant, whatever the row before it.
    bool namesOneInstant(const QString &text);

private:
    LocalZone m_zone;
};
