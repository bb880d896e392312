#pragma once

#include <QColor>

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
    QColor colour;
    Qt::PenStyle line;
    const char *label; // before its value in the point label
    int decimals;
    const char *unit;  // after it
    int labelRank;     // its line among its plot's label lines
};
const CurveSeries &curveSeries(int curve);
