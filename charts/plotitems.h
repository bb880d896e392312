#pragma once

class QwtPlot;
class QwtPlotGrid;

// The grid of every plot of the charts: dark major and light minor
// lines across the time axis, major lines (and, where asked, minor ones)
// across the left axis.
QwtPlotGrid *newGrid(QwtPlot *plot, bool minorY);
