#include "pendinglines.h"

#include <QFile>

bool appendLines(const QString &path, const QByteArray &header, const QByteArray &text)
{
    QFile file(path);
    // Unbuffered: a write the disk refuses must not linger in a buffer and
    // go out, half, when the file is closed after being cut back.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Text | QIODevice::Unbuffered))
        return false;
    const qint64 before = file.size();
    QByteArray start;
    if (before == 0) { // missing, or left empty by a failed first write
        start = header + '\n';
    } else {
        file.seek(before - 1);
        char last = 0;
        if (file.getChar(&last) && last != '\n')
            start = "\n";
    }
    file.seek(before);
    const bool written = file.write(start) == start.size() && file.write(text) == text.size();
    if (!written)
        file.resize(before);
    return written;
}

bool PendingLines::append(const QString &path, const QString &header, const QString &line)
{
    File &file = m_files[path];
    file.header = header.toLocal8Bit();
    file.text += line.toLocal8Bit() + '\n';
    ++file.lines;
    retry();
    return !m_files.contains(path);
}

QMap<QString, int> PendingLines::retry()
{
    QMap<QString, int> left;
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (appendLines(it.key(), it->header, it->text)) {
            it = m_files.erase(it);
            continue;
        }
        // Beyond the limit (about a week at the shortest interval), the oldest go.
        if (it->lines > m_maxPerFile) {
            int cut = 0;
            for (int excess = it->lines - m_maxPerFile; excess > 0; --excess)
                cut = it->text.indexOf('\n', cut) + 1;
            it->text.remove(0, cut);
            it->lines = m_maxPerFile;
        }
        left.insert(it.key(), it->lines);
        ++it;
    }
    return left;
}
