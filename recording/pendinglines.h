#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

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
    // Tries every file again; returns the lines still waiting, file by file.
    QMap<QString, int> retry();

private:
    struct File
    {
        QString header;
        QStringList lines;
    };
    QMap<QString, File> m_files;
    int m_maxPerFile;
};
