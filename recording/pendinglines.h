#pragma once

#include <QMap>
#include <QString>

// Appends `text`, whole lines each followed by a line end, to a file. A
// file that is missing or empty gets `header` as its first line; one that
// does not end with a line end (cut short by a crash) gets one first, so
// that the new lines are not glued to the torn one. When the lines cannot
// all be written (a full disk), the file is cut back to what it held
// before: no half row is left in it. Returns whether the lines were written.
bool appendLines(const QString &path, const QByteArray &header, const QByteArray &text);

// Lines that could not be written yet (a file held open elsewhere, a full
// disk), kept file by file so that one file that cannot be written holds up
// no other. Every append first retries what waits, oldest first; a file
// that is missing gets its header before its lines. The lines wait already
// encoded, so that a long wait costs no more per retry than the write.
class PendingLines
{
public:
    explicit PendingLines(int maxPerFile)
        : m_maxPerFile(maxPerFile)
    {
    }
    // Returns whether every line for `path`, this one included, is written.
    bool append(const QString &path, const QString &header, const QString &line);
    int waiting(const QString &path) const { return m_files.value(path).lines; }
    // Tries every file again; returns the lines still waiting, file by file.
    QMap<QString, int> retry();

private:
    struct File
    {
        QByteArray header;
        QByteArray text; // the waiting lines, each with its line end
        int lines = 0;
    };
    QMap<QString, File> m_files;
    int m_maxPerFile;
};
