#ifndef RECORDFORMAT_H
#define RECORDFORMAT_H

#include <QDateTime>
#include <QString>
#include <QByteArray>
#include <QIODevice>
#include <QMap>
#include <QStringList>
#include <QStringRef>
#include <QVector>

struct LiveBoxInfos;

// The recording file: a header line, then one row of 33 values per poll.
QString csvHeader();
// The row of a record, each value followed by ';', no line end.
QString csvRow(const LiveBoxInfos &infos);
// Loads one data line into the record. Lines with fewer than 29 fields (a
// line cut short by a crash) are refused and leave the record untouched;
// fields 29 to 32 are taken only when the line has them.
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

// Appends whole lines to a text file, each followed by a line end. A file
// that does not end with a line end (cut short by a crash) gets one first,
// so that the new lines are not glued to the torn one. When the lines
// cannot all be written (a full disk), the file is cut back to what it held
// before: no half row is left in it. Returns whether the lines were written.
bool appendLines(const QString &path, const QStringList &lines);

// Lines that could not be written yet (a file held open elsewhere, a full
// disk), kept file by file so that one file that cannot be written holds up
// no other. Every append first retries what waits, oldest first; a file
// that is missing gets its header before its lines.
class PendingLines
{
public:
    explicit PendingLines(int maxPerFile)
        : m_maxPerFile(maxPerFile)
    {
    }
    // Returns whether every line for `path`, this one included, is written.
    bool append(const QString &path, const QString &header, const QString &line);
    int waiting(const QString &path) const { return m_files.value(path).lines.size(); }

private:
    struct File
    {
        QString header;
        QStringList lines;
    };
    QMap<QString, File> m_files;
    int m_maxPerFile;
};

// The synchronisation log: header and one five-column row per event.
QString synchroLogHeader();
QString synchroLogRow(const LiveBoxInfos &infos, const QString &startTime);

// A change of day is a change of calendar date between two readings; a
// reading that does not parse (the initial placeholder) never is one.
bool isNewDay(const QString &previousReading, const QString &reading);

// The Wi-Fi name as a file name: characters that are not allowed in file
// names or that separate paths become '_', as does a name made only of dots,
// so that a network name can never point outside the application folder.
QString safeFileName(const QString &ssid);

// Files named after the network, in the application folder.
QString recordingFilePath(const QString &ssid);
QString synchroLogFilePath(const QString &ssid);
QString fileStamp(const QDateTime &dateTime); // "_yyyyMMdd_HHmmss"
QString manualArchivePath(const QString &ssid, const QDateTime &now);
QString autoArchivePath(const QString &ssid, const QDateTime &previousReading);
QString autoReportPath(const QString &ssid, const QDateTime &previousReading);

#endif
