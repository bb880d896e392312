#include "chartdata.h"

#include <QDateTime>
#include <QSettings>

#include <cmath>
#include <limits>

#include "common/settingskeys.h"
#include "router/liveboxinfos.h"

ChartData::ChartData()
{
    samples.setStickShift(decHistoSec * 1000);
    takeRangeRules();
}

bool ChartData::add(const LiveBoxInfos &reading, const LiveBoxInfos &before, double now)
{
    if (reload) {
        reload->add(reading, before);
        return false;
    }
    // A reading without a readable time has no place on the time axis.
    const auto instant = [now](const QString &text, double previous) { return chartInstant(text, previous, now); };
    if (!samples.add(reading, before, instant, stallThreshold(tempsArret, cycleInUse) * 1000))
        return false;
    fitRateAxis();
    return true;
}

void ChartData::fitRateAxis()
{
    if (!rateTopFromFirstSample || std::isnan(samples.firstHighestRate))
        return;
    rateTopFromFirstSample = false;
    maxMaxRate = std::max(maxMaxRate, rateAxisTop(samples.firstHighestRate, minMaxRate));
    pasMaxRate = roundStep(maxMaxRate - minMaxRate);
}

SampleReload ChartData::newReload() const
{
    return SampleReload(samples.continuation(), tempsArret * 1000);
}

void ChartData::takeReload(SampleReload &&rows)
{
    samples.takeRows(std::move(rows.table));
    // A view of the whole reads the summaries: made now rather than at the
    // first drawing (a reload beside the window has made them already).
    samples.summarise();
    fitRateAxis();
}

void ChartData::beginReload(size_t expectedRows)
{
    reload = std::make_unique<SampleReload>(newReload());
    // Room for the whole recording at once rather than copies of a growing week.
    reload->table.reserve(expectedRows);
}

bool ChartData::endReload()
{
    if (!reload)
        return false;
    const std::unique_ptr<SampleReload> rows = std::move(reload);
    takeReload(std::move(*rows));
    return true;
}

void ChartData::clear(double now)
{
    samples.clear();
    samples.firstSampleTime = now;
}

void ChartData::showDay(const QDate &date)
{
    view = View::Day;
    day = calendarDay(date);
    plageHeure = day.hours();
}

void ChartData::showWhole()
{
    plageHeure = wholeRecordingRange(samples.firstSampleTime, samples.lastSampleTime, reculMinute);
    view = View::Whole;
}

void ChartData::showRange(double hours)
{
    plageHeure = hours;
    view = View::Range;
}

void ChartData::zoomIn()
{
    showRange(zoomedIn(plageHeure));
}

void ChartData::zoomOut()
{
    showRange(zoomedOut(plageHeure, tempsMaxHeure));
}

void ChartData::scrollTo(double offset)
{
    scrollOffset = offset;
    if (view == View::Day)
        view = View::Range;
}

void ChartData::setAutomatic(bool on)
{
    automatic = on;
    if (view == View::Day || !on)
        view = View::Range;
}

void ChartData::updateView(double now)
{
    refTime = now + reculMinute * 60 * 1000;
    if (view == View::Day) {
        windowStart = day.start;
        windowEnd = day.end;
    } else {
        ViewInputs inputs;
        inputs.automatic = automatic;
        inputs.whole = view == View::Whole;
        inputs.firstSampleTime = samples.firstSampleTime;
        inputs.lastSampleTime = samples.lastSampleTime;
        inputs.scrollOffset = scrollOffset;
        inputs.plageHeure = plageHeure;
        inputs.reculMinute = reculMinute;
        const TimeRange range = visibleRange(inputs);
        windowStart = range.start;
        windowEnd = range.end;
        // "TOUT" grows with the recording.
        if (automatic && view == View::Whole)
            plageHeure = range.hours();
    }
    if (automatic)
        scrollOffset = samples.lastSampleTime - samples.firstSampleTime;
    takeRangeRules();
    fitRateAxisToView();
}

void ChartData::fitRateAxisToView()
{
    // A resynchronisation to a higher rate must not draw its curve off the
    // top: the axis grows, by whole steps of its own, to the highest rate shown.
    if (rateTopLowered || samples.empty() || pasMaxRate <= 0)
        return;
    double highest = -std::numeric_limits<double>::infinity();
    for (int c = 0; c < CurveCount; ++c) {
        if (curveSeries(c).plot != PlotMaxRate)
            continue;
        const size_t from = samples.lowerBound(c, windowStart);
        const size_t to = samples.lowerBound(c, windowEnd, from, samples.size());
        if (from < to)
            highest = std::max(highest, SampleTable::drawn(c, samples.extremes(c, from, to).high));
    }
    if (highest > maxMaxRate)
        maxMaxRate = minMaxRate + std::ceil((highest - minMaxRate) / pasMaxRate) * pasMaxRate;
}

void ChartData::takeRangeRules()
{
    const AxisTicks ticks = ticksForRange(plageHeure);
    axisMaxMajor = ticks.maxMajor;
    axisMaxMinor = ticks.maxMinor;
    axisStep = ticks.step;
    penRatio = ticks.penRatio;
    axisLabelFormat = composeAxisLabelFormat(echDate, echHeure, tpsHeureFormat, tpsSeparFormat, tpsDateFormat);
}

QString ChartData::shownDaysText() const
{
    // A range ends just before its end: a calendar day ends at the next midnight.
    double start = windowStart;
    double end = windowEnd - 1;
    const double first = std::max(start, samples.firstSampleTime);
    const double last = std::min(end, samples.lastSampleTime);
    if (!samples.empty() && first <= last) {
        start = first;
        end = last;
    }
    const QString format = QStringLiteral("dd/MM/yyyy");
    const QDate from = QDateTime::fromMSecsSinceEpoch(qint64(start)).date();
    const QDate to = QDateTime::fromMSecsSinceEpoch(qint64(end)).date();
    return from == to ? from.toString(format) : from.toString(format) + QStringLiteral(" - ") + to.toString(format);
}

double ChartData::axisMinimum(int plot) const
{
    const double minima[TimePlotCount] = {minNoise, minMaxRate, minCrc, minHec, minFec};
    return minima[plot];
}

double ChartData::axisMaximum(int plot) const
{
    const double maxima[TimePlotCount] = {maxNoise, maxMaxRate, maxCrc, maxHec, maxFec};
    return maxima[plot];
}

double ChartData::penWidth(int curve) const
{
    return penRatio * (curveSeries(curve).counter ? penHisto : penCurve);
}

int ChartData::reportPlotCount() const
{
    int ticked = 0;
    for (bool in : inReport)
        ticked += in;
    return ticked;
}

SettingsTable ChartData::settingsTable()
{
    // A key that is absent keeps the built-in value, and so does a number
    // outside its range (a hand-edited file may hold anything).
    const double big = 1e12;
    return {
        numberSetting(Key::MaxNoise, &maxNoise, -1000, big),
        numberSetting(Key::MinNoise, &minNoise, -1000, big),
        numberSetting(Key::MaxMaxRate, &maxMaxRate, -1e9, big),
        numberSetting(Key::MinMaxRate, &minMaxRate, -1e9, big),
        numberSetting(Key::PasMaxRate, &pasMaxRate, 0, 1e9),
        numberSetting(Key::MaxCRC, &maxCrc, 1e-6, big),
        numberSetting(Key::MinCRC, &minCrc, 1e-6, big),
        numberSetting(Key::MaxHEC, &maxHec, 1e-6, big),
        numberSetting(Key::MinHEC, &minHec, 1e-6, big),
        numberSetting(Key::MaxFEC, &maxFec, 1e-6, big),
        numberSetting(Key::MinFEC, &minFec, 1e-6, big),
        numberSetting(Key::ReculMinute, &reculMinute, 0, 24 * 60),
        numberSetting(Key::PlageHeure, &plageHeure, 0.1, 24 * 366),
        numberSetting(Key::TempsMaxHeure, &tempsMaxHeure, 1, 24 * 366),
        numberSetting(Key::DecHistoSec, &decHistoSec, 0, 3600),
        numberSetting(Key::PenCurve, &penCurve, 0, 50),
        numberSetting(Key::PenHisto, &penHisto, 0, 50),
        numberSetting(Key::PenSynch, &penSynch, 0, 50),
        // A first start shows both the date and the hour.
        flagSetting(Key::EchDate, &echDate, true),
        flagSetting(Key::EchHeure, &echHeure, true),
        textSetting(Key::TpsDateFormat, &tpsDateFormat),
        textSetting(Key::TpsHeureFormat, &tpsHeureFormat),
        textSetting(Key::TpsSeparFormat, &tpsSeparFormat),
        // Portrait (0) when absent, landscape (1) for any value but 0.
        {Key::RapPageOrient, [this](const QVariant &v) { rapPageOrient = v.toInt() == 0 ? 0 : 1; },
         [this] { return QVariant(rapPageOrient); }, 0},
        // An absent key puts the plot in the report: a first report is
        // never a blank page.
        flagSetting(Key::NoisePdf, &inReport[PlotNoise], true),
        flagSetting(Key::DebitMaxPdf, &inReport[PlotMaxRate], true),
        flagSetting(Key::CrcPdf, &inReport[PlotCrc], true),
        flagSetting(Key::HecPdf, &inReport[PlotHec], true),
        flagSetting(Key::FecPdf, &inReport[PlotFec], true),
    };
}

void ChartData::readSettings(QSettings &settings)
{
    rateTopFromFirstSample = !settings.contains(QLatin1String(Key::MaxMaxRate));
    readTable(settings, settingsTable());
    keepAxesUsable();
    samples.setStickShift(decHistoSec * 1000);
    takeRangeRules();
}

void ChartData::keepAxesUsable()
{
    // A pair whose bottom is not below its top would make an empty axis.
    const auto pair = [](double *min, double *max, const AxisRange &fallback) {
        if (*min >= *max) {
            *min = fallback.min;
            *max = fallback.max;
        }
    };
    pair(&minNoise, &maxNoise, AxisDefault::noise);
    pair(&minMaxRate, &maxMaxRate, AxisDefault::maxRate);
    pair(&minCrc, &maxCrc, AxisDefault::crc);
    pair(&minHec, &maxHec, AxisDefault::hec);
    pair(&minFec, &maxFec, AxisDefault::fec);
    // A step of 0 would leave the rate axis's "+" and "-" without effect.
    if (pasMaxRate <= 0)
        pasMaxRate = roundStep(maxMaxRate - minMaxRate);
}
