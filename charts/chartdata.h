#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <memory>

#include "common/settingstable.h"
#include "sampletable.h"
#include "timewindow.h"

class QSettings;
struct LiveBoxInfos;

// The five time plots, in the order noise, rates, CRC, HEC, FEC.
enum TimePlotIndex { PlotNoise, PlotMaxRate, PlotCrc, PlotHec, PlotFec, TimePlotCount };

// What the time charts show, with no widget: the samples, the visible time
// range and its rules, the value axes, the pens, and what the report draws.
// The chart window and the reports draw it; the acquisition feeds it, with
// or without a window. Member names are the chart window's own.
class ChartData
{
public:
    ChartData();

    // Adds a poll read after `before`, `now` being the clock's chart time;
    // false when the reading has no place on the time axis. While a reload
    // is fed row by row (beginReload), the row goes to it instead.
    bool add(const LiveBoxInfos &reading, const LiveBoxInfos &before, double now);

    // A reload's rows go into a table apart that continues the curves as
    // they stand (plain code: it may run on another thread); the chart then
    // takes them at once.
    SampleReload newReload() const;
    void takeReload(SampleReload &&reload);
    // The same, the rows handed to `add` in between; false when no reload
    // was begun.
    void beginReload(size_t expectedRows = 0);
    bool endReload();
    bool reloading() const { return bool(reload); }

    // Every sample gone; the time axis starts again at `now`.
    void clear(double now);

    // The views: a range of hours ending at the newest sample, "TOUT", one
    // calendar day (the day report's), zoom steps.
    void showDay(const QDate &date);
    void showWhole();
    void showRange(double hours);
    void zoomIn();
    void zoomOut();
    // The manual view's end moved by the scroll bar, in ms from the first sample.
    void scrollTo(double offset);
    // "Avance auto" on or off: the view follows the samples, or stays where it is.
    void setAutomatic(bool on);
    // The visible range, the offset of an automatic view and the time
    // axis's tick rules, for the clock's chart time `now`.
    void updateView(double now);
    bool showsDay() const { return view == View::Day; }
    // Whether the time range from `start` to `end` crosses the visible range.
    bool inView(double start, double end) const { return end >= windowStart && start <= windowEnd; }

    // The day the view shows of the samples, "dd/MM/yyyy", or its first and
    // last days, "dd/MM/yyyy - dd/MM/yyyy": a report's day.
    QString shownDaysText() const;

    // A time plot's left axis.
    double axisMinimum(int plot) const;
    double axisMaximum(int plot) const;
    static bool logarithmic(int plot) { return plot >= PlotCrc; }
    // The noise and rate axes' own step; none on the logarithmic ones.
    double ownValueStep(int plot) const { return plot == PlotNoise ? 1 : pasMaxRate; }
    // The pen width of curve `c` for the range shown.
    double penWidth(int curve) const;
    double synchroPenWidth() const { return penSynch; }
    int reportPlotCount() const;

    // The charts' keys of livebox.ini, read and written here only.
    SettingsTable settingsTable();
    void readSettings(QSettings &settings);

    SampleTable samples;
    double tempsArret = 300;
    // The acquisition's interval in use (seconds), longer than the user's
    // while the gateway is slow: polls that far apart are no stall.
    double cycleInUse = 0;

    double refTime = 0;
    double scrollOffset = 0;
    double windowStart = 0;
    double windowEnd = 0;
    double axisStep = 1800000;
    int axisMaxMinor = 6;
    int axisMaxMajor = 2;
    double penRatio = 1.0;
    QString axisLabelFormat;

    double minNoise = AxisDefault::noise.min;
    double maxNoise = AxisDefault::noise.max;
    double minMaxRate = AxisDefault::maxRate.min;
    double maxMaxRate = AxisDefault::maxRate.max;
    double pasMaxRate = 0;
    double minCrc = AxisDefault::crc.min;
    double maxCrc = AxisDefault::crc.max;
    double minHec = AxisDefault::hec.min;
    double maxHec = AxisDefault::hec.max;
    double minFec = AxisDefault::fec.min;
    double maxFec = AxisDefault::fec.max;

    double reculMinute = 5.0;
    double plageHeure = 3.0;
    double tempsMaxHeure = 24.0;
    double decHistoSec = 15.0;

    double penCurve = 2.0;
    double penHisto = 2.0;
    double penSynch = 2.0;

    QString tpsHeureFormat = QStringLiteral("hh:mm");
    QString tpsDateFormat = QStringLiteral("dd/MM");
    QString tpsSeparFormat = QStringLiteral("\n");
    bool echHeure = true;
    bool echDate = true;
    bool automatic = true; // "Avance auto"

    // The user lowered the rate axis's top with its button in this run: it
    // no longer grows to the rates shown.
    bool rateTopLowered = false;

    // The report: which plots it draws, its page, and the gateway it names.
    std::array<bool, TimePlotCount> inReport = {true, true, true, true, true};
    int rapPageOrient = 1;
    QString ssid;
    QString liveboxType;
    QString liveboxSoftware;

private:
    enum class View { Range, Whole, Day };
    void fitRateAxis();
    void fitRateAxisToView();
    void takeRangeRules();
    void keepAxesUsable();

    View view = View::Range;
    TimeRange day{0, 0};
    bool rateTopFromFirstSample = true; // no rate axis top in the settings
    std::unique_ptr<SampleReload> reload; // while `add` feeds a reload
};
