#pragma once

#include <QDate>
#include <QString>

// The latest calendar day the readings have reached, and the latest reading
// on that day. Only a reading on a later date than any before starts a day:
// a clock set back, by hand or across midnight, starts none, and neither
// does its second arrival at a day already reached.
class LatestDay
{
public:
    // Takes `reading`; true when it starts a new day. A reading that does not
    // parse (the initial placeholder) changes nothing, and the first one that
    // does starts no day: there was none before it to end.
    bool reach(const QString &reading);
    QDate day() const { return m_day; }
    // The latest reading on `day()`: the day's archive and report are named
    // after it.
    const QString &reading() const { return m_reading; }

private:
    QDate m_day;
    QString m_reading;
};

// What the first reading of a new day does to the recording, from the
// options of the "Paramètres" tab.
// What the user asks of the recording: reload it at start, and at each
// change of day archive it, report the day and start afresh.
struct RecordingOptions
{
    bool reload = false;
    bool archive = false;
    bool reset = false;
    bool report = false;
};

struct Rollover
{
    bool archive = false; // copy the recording into "archives"
    bool report = false;  // the day's PDF report
    bool reset = false;   // a fresh recording
    QString dayReading;   // the latest reading of the day that ends
};

// Nothing unless `reading` starts a new day after the day `latest` has
// reached, which it then takes. The reset is asked only as an option;
// whether it runs also depends on the archive (below).
Rollover rolloverFor(LatestDay *latest, const QString &reading, bool saveAuto, bool pdfAuto, bool razAuto);

// A day whose archive copy was asked for and failed stays in the recording
// rather than being lost.
inline bool resetAfterArchive(const Rollover &rollover, bool archived)
{
    return rollover.reset && (!rollover.archive || archived);
}
