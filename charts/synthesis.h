#pragma once

#include <QPolygonF>
#include <QString>

class QIODevice;

// The synchronisation log read back for the summary chart: each event is a
// point at its hour of the day (x) and its date-time in chart time (y).
struct SynthesisPoints
{
    QPolygonF synchro;   // first column: the DSL synchronisation
    QPolygonF reboot;    // fourth column: the gateway's start
    QPolygonF connexion; // fifth column, when the row has one
};

SynthesisPoints readSynthesis(const QString &logPath);
SynthesisPoints readSynthesis(QIODevice *log);

// x and y of one date-time text; a text that does not parse gives a point
// far outside the summary's axes.
QPointF synthesisPoint(const QString &dateTime);
