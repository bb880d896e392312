#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A file that gives its first bytes and then no more, as a file on a
// network share gone away: a pipe held open at both ends, so that neither
// side waits for the other to open it. It ends when this goes.
class StuckFile
{
public:
    // `start` must fit in the pipe's buffer (64 KiB).
    StuckFile(const QString &path, const QByteArray &start)
    {
        const QByteArray name = QFile::encodeName(path);
        if (::mkfifo(name.constData(), 0600) != 0)
            return;
        m_fd = ::open(name.constData(), O_RDWR | O_NONBLOCK);
        if (m_fd >= 0 && ::write(m_fd, start.constData(), size_t(start.size())) != ssize_t(start.size())) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~StuckFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    StuckFile(const StuckFile &) = delete;
    StuckFile &operator=(const StuckFile &) = delete;

    bool isReady() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
