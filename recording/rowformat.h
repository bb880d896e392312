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
    // `offset`: where in its file the device stands.
    explicit LineReader(QIODevice *device, qint64 offset = 0);
    // The next line, valid until the next call; false at the end.
    bool next(const char **line, int *size);
    // Where in the file the next line starts.
    qint64 offset() const { return m_base + m_position; }

private:
    QIODevice *m_device;
    QByteArray m_buffer;
    qint64 m_base; // the file offset of the buffer's first byte
    int m_position = 0;
    bool m_atEnd = false;
};

// The number of fields of a recorded line (33 for a whole row).
int csvFieldCount(const char *line, int size);

// The synchronisation log: header and one five-column row per event.
QString synchroLogHeader();
QString synchroLogRow(const LiveBoxInfos &infos, const QString &startTime);
