#pragma once

#include <QRgb>
#include <Qt>

#include "router/liveboxinfos.h"

// The twelve curves of the time plots, in the order they are drawn and
// listed within each plot.
enum CurveId : int {
    CurveDownload, // noise margins, dB
    CurveUpload,
    CurveMaxDown, // rates, Kb/s
    CurveMaxUp,
    CurveDslDown,
    CurveDslUp,
    CurveCrc, // errors since the poll before
    CurveAtucCrc,
    CurveHec,
    CurveAtucHec,
    CurveFec,
    CurveAtucFec,
    CurveCount
};

// Everything the charts know of a curve, in one place: what it reads of each
// poll, where and how it is drawn, and its line in the point label.
struct CurveSeries
{
    double LiveBoxInfos::*field;
    double divisor; // the gateway's tenths of a dB are drawn in dB
    bool counter;   // an error counter: the count since the poll before, drawn as a stick
    int side;       // counters: -1 the gateway's end, +1 the exchange's, drawn either side of the poll
    int plot;       // index in the table of time plots
    const char *title; // in the plot's legend
    QRgb colour;
    Qt::PenStyle line;
    const char *label; // before its value in the point label
    int decimals;
    const char *unit;  // after it
    int labelRank;     // its line among its plot's label lines
};
// Constant, and seen whole where it is read: the reload reads it for each
// curve of each row.
// The rate plot's label gives each direction's maximum before its
// synchronised rate.
inline constexpr CurveSeries curveSeriesTable[CurveCount] = {
    {&LiveBoxInfos::DownstreamNoiseMargin, tenthsPerDecibel, false, 0, 0, "DOWNLOAD", qRgb(0, 0, 255), Qt::SolidLine,
     "Down = ", 1, " dB", 0},
    {&LiveBoxInfos::UpstreamNoiseMargin, tenthsPerDecibel, false, 0, 0, "UPLOAD", qRgb(255, 0, 0), Qt::SolidLine,
     "Up = ", 1, " dB", 1},
    {&LiveBoxInfos::DownstreamMaxRate, 1, false, 0, 1, "MAXI DOWN", qRgb(0, 0, 128), Qt::DotLine, "Down max = ", 0,
     " Kb/s", 0},
    {&LiveBoxInfos::UpstreamMaxRate, 1, false, 0, 1, "MAXI UP", qRgb(128, 0, 0), Qt::DotLine, "Up max= ", 0, " Kb/s",
     2},
    {&LiveBoxInfos::DownstreamCurrRate, 1, false, 0, 1, "DSL DOWN", qRgb(0, 0, 255), Qt::SolidLine, "Down DSL = ", 0,
     " Kb/s", 1},
    {&LiveBoxInfos::UpstreamCurrRate, 1, false, 0, 1, "DSL UP", qRgb(255, 0, 0), Qt::SolidLine, "Up DSL= ", 0, " Kb/s",
     3},
    {&LiveBoxInfos::CRCErrors, 1, true, -1, 2, "CRC", qRgb(0, 0, 255), Qt::SolidLine, "CRC = ", 0, "", 0},
    {&LiveBoxInfos::ATUCCRCErrors, 1, true, +1, 2, "ATU-C CRC", qRgb(255, 0, 0), Qt::SolidLine, "ATU-C CRC = ", 0, "",
     1},
    {&LiveBoxInfos::HECErrors, 1, true, -1, 3, "HEC", qRgb(80, 110, 180), Qt::SolidLine, "HEC = ", 0, "", 0},
    {&LiveBoxInfos::ATUCHECErrors, 1, true, +1, 3, "ATU-C HEC", qRgb(220, 40, 70), Qt::SolidLine, "ATU-C HEC = ", 0,
     "", 1},
    {&LiveBoxInfos::FECErrors, 1, true, -1, 4, "FEC", qRgb(0, 128, 0), Qt::SolidLine, "FEC = ", 0, "", 0},
    {&LiveBoxInfos::ATUCFECErrors, 1, true, +1, 4, "ATU-C FEC", qRgb(255, 192, 0), Qt::SolidLine, "ATU-C FEC = ", 0,
     "", 1},
};

constexpr const CurveSeries &curveSeries(int curve)
{
    return curveSeriesTable[curve];
}
