#pragma once

#include <QString>

class ChartData;

// The day report: the time plots of `chart` that its report draws
// (`inReport`), over the view it holds as `updateView` last set it, on one
// A4 page titled with the network and `day`, in the orientation its settings
// chose. Plots of its own, never shown, draw it: it needs no window, and no
// display but the offscreen one. False when the file cannot be written.
// What is said instead of a report with no plot ticked: no file is written.
QString noPlotInReportText();

bool writeChartReport(const QString &file, const QString &day, const ChartData &chart);
