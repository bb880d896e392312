#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

// The one date-time form of records, files and fields.
inline const QString &dateTimeFormat()
{
    static const QString format = QStringLiteral("dd/MM/yyyy hh:mm:ss");
    return format;
}

QString formatDateTime(const QDateTime &dateTime);
QDateTime parseDateTime(const QString &text);

// Milliseconds since the epoch of a local date-time text, as the charts
// place it; NaN when the text does not parse. A week of recorded rows goes
// through here at every reload, so the common case avoids QDateTime's
// parser and its time-zone look-up for every row.
double epochMsecs(const QString &text);

// `now` moved back by `secondsAgo`, truncated toward zero to whole seconds
// (10.9 s back is 10 s back). Values that are not finite or lie beyond any
// calendar leave `now` unchanged rather than overflowing.
QDateTime secondsBefore(const QDateTime &now, double secondsAgo);

// In the hour that the clocks repeat (the end of summer time), a local
// text names two instants, and which one a reading of the text gives
// depends on the C library's history. Given the text and the instant it was
// read as, these return the other instant when it is later (or earlier);
// NaN when there is none.
double laterInstantOf(const QString &text, double msecs);
double earlierInstantOf(const QString &text, double msecs);

// The stamp in the names of archives, exports and reports: "_yyyyMMdd_HHmmss".
QString fileStamp(const QDateTime &dateTime);

// The calendar date of a reading's text, invalid when it does not parse.
// Without the zone's look-up that a QDateTime costs: a reload asks it of
// every row.
QDate readingDate(const QString &text);

// The local zone's offsets from UTC, asked of the C library once per stretch
// of time rather than once per reading: where `TZ` is not set, every
// local-time conversion of the C library reads the zone file again, and a
// reload converts millions of readings. The offsets are probed every few
// hours and each change is pinned to its second, so a zone may change its
// offset at most once between two probes (every real zone does far less).
// Made anew for each reload, so that a zone changed meanwhile is seen.
class LocalZone
{
public:
    // Seconds east of UTC at the instant `msecs` (ms since the epoch).
    int offsetAt(qint64 msecs);
    // The instants (ms since the epoch) that a reading's text names, in time
    // order: one, none in the hour the clocks skip, two in the hour they
    // repeat. Returns their count, -1 when the text does not parse.
    int instantsOf(const QString &text, double instants[2]);

private:
    struct Span
    {
        qint64 start, end; // [start, end), ms
        int offset;
    };
    void cover(qint64 msecs);
    void extendLater();
    void extendEarlier();
    std::vector<Span> m_spans; // in time order, contiguous
    size_t m_hit = 0;          // the span of the last look-up: readings come in order
    int m_dayKey = -1;         // the last reading's calendar day, and its number from the epoch
    qint64 m_dayNumber = 0;
};
