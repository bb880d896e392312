#include "chartreport.h"

#include "charts/graph.h"

// Bridge until the report draws its own plots.
bool writeChartReport(const QString &file, const QString &day, const ChartData &chart)
{
    Graph graph(const_cast<ChartData *>(&chart));
    graph.UpDateScales();
    graph.RapportGraphique(file, day);
    return true;
}
