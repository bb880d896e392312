#include "curveseries.h"

namespace {
// The rate plot's label gives each direction's maximum before its
// synchronised rate.
const CurveSeries series[CurveCount] = {
    {&LiveBoxInfos::DownstreamNoiseMargin, tenthsPerDecibel, false, 0, 0, "DOWNLOAD", Qt::blue, Qt::SolidLine,
     "Down = ", 1, " dB", 0},
    {&LiveBoxInfos::UpstreamNoiseMargin, tenthsPerDecibel, false, 0, 0, "UPLOAD", Qt::red, Qt::SolidLine, "Up = ", 1,
     " dB", 1},
    {&LiveBoxInfos::DownstreamMaxRate, 1, false, 0, 1, "MAXI DOWN", Qt::darkBlue, Qt::DotLine, "Down max = ", 0,
     " Kb/s", 0},
    {&LiveBoxInfos::UpstreamMaxRate, 1, false, 0, 1, "MAXI UP", Qt::darkRed, Qt::DotLine, "Up max= ", 0, " Kb/s", 2},
    {&LiveBoxInfos::DownstreamCurrRate, 1, false, 0, 1, "DSL DOWN", Qt::blue, Qt::SolidLine, "Down DSL = ", 0, " Kb/s",
     1},
    {&LiveBoxInfos::UpstreamCurrRate, 1, false, 0, 1, "DSL UP", Qt::red, Qt::SolidLine, "Up DSL= ", 0, " Kb/s", 3},
    {&LiveBoxInfos::CRCErrors, 1, true, -1, 2, "CRC", Qt::blue, Qt::SolidLine, "CRC = ", 0, "", 0},
    {&LiveBoxInfos::ATUCCRCErrors, 1, true, +1, 2, "ATU-C CRC", Qt::red, Qt::SolidLine, "ATU-C CRC = ", 0, "", 1},
    {&LiveBoxInfos::HECErrors, 1, true, -1, 3, "HEC", QColor(80, 110, 180), Qt::SolidLine, "HEC = ", 0, "", 0},
    {&LiveBoxInfos::ATUCHECErrors, 1, true, +1, 3, "ATU-C HEC", QColor(220, 40, 70), Qt::SolidLine, "ATU-C HEC = ",
     0, "", 1},
    {&LiveBoxInfos::FECErrors, 1, true, -1, 4, "FEC", Qt::darkGreen, Qt::SolidLine, "FEC = ", 0, "", 0},
    {&LiveBoxInfos::ATUCFECErrors, 1, true, +1, 4, "ATU-C FEC", QColor(255, 192, 0), Qt::SolidLine, "ATU-C FEC = ", 0,
     "", 1},
};
}

const CurveSeries &curveSeries(int curve)
{
    return series[curve];
}
