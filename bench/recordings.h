#pragma once

#include <QString>

// Recordings of 5-second polls ending about now, written in the program's
// exact format with realistic values: margins that drift through the day,
// resynchronisations every day or two, a gateway restart every few weeks,
// growing counters, and the program stopped for a while once a week. Made
// at bench time in build/bench-data, and made again when older than an hour
// so that they end near the clock.
struct BenchRecording
{
    const char *name;
    int rows;
};
constexpr BenchRecording benchDay{"day", 17280};
constexpr BenchRecording benchWeek{"week", 120960};
constexpr BenchRecording benchMonth{"month", 518400};
constexpr BenchRecording benchYear{"year", 6307200};
const BenchRecording *benchRecording(const QString &name);

// The file of `recording`, made first if needed.
QString benchRecordingFile(const BenchRecording &recording);

// The floor of a reload: the same file read in blocks and split into
// numbers by memchr and from_chars, with nothing kept. Returns the sum of
// the fields, so that nothing is optimised away.
double parseFloor(const QString &path);
