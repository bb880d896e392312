#include "timewindow.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

#include "common/datetime.h"

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

TimeRange visibleRange(const ViewInputs &in)
{
    const double recul = in.reculMinute * 60000;
    if (!in.automatic) {
        const double end = in.firstSampleTime + in.scrollOffset + recul;
        return {end - in.plageHeure * 3600000, end};
    }
    const double end = in.lastSampleTime + recul;
    const double hours =
        in.whole ? wholeRecordingRange(in.firstSampleTime, in.lastSampleTime, in.reculMinute) : in.plageHeure;
    return {end - hours * 3600000, end};
}

TimeRange calendarDay(const QDate &day)
{
    return {double(QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch()),
            double(QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch())};
}

double fittedTimeStep(double rangeMs, double axisPixels, double labelPixels, double rangeStep)
{
    const double hour = 3600000;
    const double day = 24 * hour;
    static const double ladder[] = {hour / 2, hour, 2 * hour, 3 * hour, 6 * hour, 12 * hour,
                                    day,      2 * day, 7 * day, 14 * day, 28 * day};
    // The date scale engine may draw one label more than the range divided
    // by the step: keep room for it.
    const double labels = std::max(1.0, std::floor(axisPixels / std::max(1.0, labelPixels)) - 1);
    const double wanted = std::max(rangeStep, rangeMs / labels);
    for (double step : ladder) {
        if (step >= wanted)
            return step;
    }
    double step = ladder[std::size(ladder) - 1];
    while (step < wanted)
        step *= 2;
    return step;
}

double fittedValueStep(double span, double axisPixels, double labelPixels, double ownStep)
{
    // n labels need n - 1 steps: the labels at both ends count.
    const double labels = std::max(2.0, axisPixels / std::max(1.0, labelPixels));
    const double wanted = std::abs(span) / (labels - 1);
    if (!(ownStep > 0) || ownStep >= wanted || !std::isfinite(wanted))
        return ownStep;
    // Multiples of the axis's own step, so that its ticks stay on round values.
    for (double factor = 1;; factor *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
            if (m * factor * ownStep >= wanted)
                return m * factor * ownStep;
        }
    }
}

double roundStep(double span)
{
    const double raw = std::abs(span) / 5;
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m * magnitude >= raw)
            return m * magnitude;
    }
    return 10 * magnitude;
}

double rateAxisTop(double highestRate, double bottom)
{
    const double wanted = highestRate * 1.1;
    const double step = roundStep(wanted - bottom);
    return bottom + std::ceil((wanted - bottom) / step) * step;
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

double topRaised(double max, double step)
{
    return max + step;
}

double topLowered(double min, double max, double step)
{
    return max > min + 3 * step ? max - step : max;
}

double bottomRaised(double min, double max, double step)
{
    return max > min + 3 * step ? min + step : min;
}

double bottomLowered(double min, double step)
{
    return min > 0 ? min - step : min;
}

namespace {
// Coarse steps high up, fine steps near the bottom: `coarse` from
// 2 x `coarse` up, `fine` down to `floor`.
double raised(double max, double coarse, double fine, double floor)
{
    if (max >= coarse)
        return max + coarse;
    if (max >= floor)
        return max + fine;
    return max;
}

double lowered(double max, double coarse, double fine, double floor)
{
    if (max >= 2 * coarse)
        return max - coarse;
    if (max >= floor + fine)
        return max - fine;
    return max;
}
}

double errorAxisRaised(double max)
{
    return raised(max, 100, 10, 50);
}

double errorAxisLowered(double max)
{
    return lowered(max, 100, 10, 50);
}

double fecAxisRaised(double max)
{
    return raised(max, 10000, 1000, 1000);
}

double fecAxisLowered(double max)
{
    return lowered(max, 10000, 1000, 1000);
}

double errorStickHeight(double current, double previous)
{
    const double d = current - previous;
    return d <= 0 ? 0.1 : d;
}

Qt::Alignment labelAlignment(double t, double windowStart, double windowEnd)
{
    const double mid = (windowStart + windowEnd) / 2;
    return t >= mid ? (Qt::AlignLeft | Qt::AlignTop) : (Qt::AlignRight | Qt::AlignTop);
}

namespace {
// Of the two instants a text names in the repeated hour: a live poll was
// read just now, so the one nearer the clock; a reloaded row, the first one
// that does not fall behind the row before, so chart times never run
// backwards.
double chooseInstant(double first, double second, double previous, double now)
{
    if (!std::isnan(now))
        return std::abs(second - now) < std::abs(first - now) ? second : first;
    if (!std::isnan(previous))
        return first >= previous ? first : second;
    return first;
}
}

double chartInstant(const QString &text, double previous, double now)
{
    const double t = epochMsecs(text);
    if (std::isnan(t))
        return t;
    // Whichever of the two instants the C library read the text as, the
    // other one is found.
    const double earlier = earlierInstantOf(text, t);
    const double later = laterInstantOf(text, t);
    if (std::isnan(earlier) && std::isnan(later))
        return t;
    return std::isnan(earlier) ? chooseInstant(t, later, previous, now) : chooseInstant(earlier, t, previous, now);
}

double ReloadClock::instant(const QString &text, double previous)
{
    double instants[2];
    const int count = m_zone.instantsOf(text, instants);
    if (count < 0)
        return qQNaN();
    if (count == 0) // an hour the clocks skipped: rare enough for the C library's own reading
        return chartInstant(text, previous, qQNaN());
    if (count == 1)
        return instants[0];
    return chooseInstant(instants[0], instants[1], previous, qQNaN());
}

bool ReloadClock::namesOneInstant(const QString &text)
{
    double instants[2];
    return m_zone.instantsOf(text, instants) == 1;
}
