#include "pendinglines.h"

#include <QFile>
#include <QFileInfo>

bool appendLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    // Unbuffered: a write the disk refuses must not linger in a buffer and
    // go out, half, when the file is closed after being cut back.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Text | QIODevice::Unbuffered))
        return false;
    const qint64 before = file.size();
    QByteArray text;
    if (before > 0) {
        file.seek(before - 1);
        char last = 0;
        if (file.getChar(&last) && last != '\n')
            text += '\n';
    }
    for (const QString &line : lines)
        text += line.toLocal8Bit() + '\n';
    file.seek(before);
    const bool written = file.write(text) == text.size();
    if (!written)
        file.resize(before);
    return written;
}

bool PendingLines::append(const QString &path, const QString &header, const QString &line)
{
    File &file = m_files[path];
    file.header = header;
    file.lines << line;
    retry();
    return !m_files.contains(path);
}

QMap<QString, int> PendingLines::retry()
{
    QMap<QString, int> left;
    for (auto it = m_files.begin(); it != m_files.end();) {
        QStringList lines = it->lines;
        if (QFileInfo(it.key()).size() == 0) // missing, or left empty by a failed first write
            lines.prepend(it->header);
        if (appendLines(it.key(), lines)) {
            it = m_files.erase(it);
            continue;
        }
        // Beyond the limit (about a week at the shortest interval), the oldest go.
        if (it->lines.size() > m_maxPerFile)
            it->lines.erase(it->lines.begin(), it->lines.begin() + (it->lines.size() - m_maxPerFile));
        left.insert(it.key(), it->lines.size());
        ++it;
    }
    return left;
}
