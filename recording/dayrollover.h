#pragma once

#include <QString>

// What the first reading of a new day does to the recording, from the
// options of the "Paramètres" tab.
struct Rollover
{
    bool archive = false; // copy the recording into "archives"
    bool report = false;  // the day's PDF report
    bool reset = false;   // a fresh recording
};

// Nothing unless `previousReading` and `reading` fall on two calendar days
// (a reading that does not parse never starts a day). The reset is asked
// only as an option; whether it runs also depends on the archive (below).
Rollover rolloverFor(const QString &previousReading, const QString &reading, bool saveAuto, bool pdfAuto,
                     bool razAuto);

// A day whose archive copy was asked for and failed stays in the recording
// rather than being lost.
inline bool resetAfterArchive(const Rollover &rollover, bool archived)
{
    return rollover.reset && (!rollover.archive || archived);
}
