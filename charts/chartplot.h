#pragma once

#include <QSizeF>

#include <array>

#include "chartdata.h"
#include "curveseries.h"

class QwtDateScaleDraw;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotGrid;
class QwtPlotZoneItem;

// A QwtPlot drawn as one of the time plots of a ChartData: its axes, grid,
// curves, "Synchro DSL" sticks, legend, pens and stall zones. The chart
// window sets up its form's plots with it and the day report plots of its
// own, never shown, so that a page is the same whoever writes it. The items
// are attached to the plot, which deletes those still attached when it goes.
class ChartPlot
{
public:
    // Sets up `plot` as time plot `index` (a TimePlotIndex) of `chart`, which
    // outlives it, with its axes fitted to a canvas of `canvas`.
    void setUp(QwtPlot *plot, int index, const ChartData *chart, const QSizeF &canvas);

    // The chart's view and pens as they now stand, the axes fitted to `canvas`.
    void showView(const QSizeF &canvas);
    // The axes for a canvas of `canvas`, with as many labels as fit, none
    // overlapping: the time axis's step grows from hours to days, the noise
    // and rate axes' from their own.
    void fitAxes(const QSizeF &canvas);
    // The same before the plot is rendered at another size than its own.
    void fitAxesForRender(const QSizeF &canvas);
    // The canvas of the plot laid out at `size` (in the plot's own pixels).
    QSizeF canvasSizeFor(const QSizeF &size) const;
    // The pens of the curves and sticks for the range shown.
    void applyPens();
    // A stall, shaded from `start` to `end`.
    QwtPlotZoneItem *addStallZone(double start, double end) const;

    QwtPlot *plot = nullptr;
    int index = 0;
    QwtDateScaleDraw *scaleDraw = nullptr;
    QwtPlotGrid *grid = nullptr;
    QwtPlotCurve *synchro = nullptr; // its "Synchro DSL" sticks
    std::array<QwtPlotCurve *, CurveCount> curves = {}; // its own curves, by CurveId; null for the others

private:
    // The left axis, its labels fitted to the canvas height.
    void setLeftAxis(double canvasHeight);

    const ChartData *chart = nullptr;
};
