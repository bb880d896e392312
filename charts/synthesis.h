#pragma once

#include <QDate>
#include <QList>
#include <QPolygonF>
#include <QString>

class QIODevice;

// The synchronisation log read back for the summary chart: each event is a
// point at its hour of the day (x) and on the line of its calendar day (y:
// the chart time of that day's local midnight), where the day's label is.
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

// The summary's days: the chart times of the local midnights of the `days`
// days up to `today`, oldest first, each the line of its day.
QList<double> synthesisDays(const QDate &today, int days);
