#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

struct LiveBoxInfos;

// The recording file: a header line, then one row of 33 values per poll.
QString csvHeader();
// The row of a record, each value followed by ';', no line end.
QString csvRow(const LiveBoxInfos &infos);
// Loads one data line into the record. A line that does not end with ';'
// or has fewer than 29 fields (a line cut short by a crash) is refused and
// leaves the record untouched; fields 29 to 32 are taken only when the line
// has them.
bool applyCsvRow(const char *line, int size, LiveBoxInfos *infos);
inline bool applyCsvRow(const QByteArray &line, LiveBoxInfos *infos)
{
    return applyCsvRow(line.constData(), line.size(), infos);
}

// Reads a file line by line in large blocks, handing out each line without
// its line end ("\n" or "\r\n"): a week of rows is read without a string
// per line.
class LineReader
{
public:
    explicit LineReader(QIODevice *device);
    // The next line, valid until the next call; false at the end.
    bool next(const char **line, int *size);

private:
    QIODevice *m_device;
    QByteArray m_buffer;
    int m_position = 0;
    bool m_atEnd = false;
};

// The synchronisation log: header and one five-column row per event.
QString synchroLogHeader();
QString synchroLogRow(const LiveBoxInfos &infos, const QString &startTime);
