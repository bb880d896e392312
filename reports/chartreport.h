#pragma once

#include <QString>

class ChartData;

// The day report of `chart`: its ticked plots over the view it holds.
bool writeChartReport(const QString &file, const QString &day, const ChartData &chart);
