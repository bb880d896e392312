#pragma once

#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <vector>

// Connections that send nothing, or a byte now and then, and open again as
// soon as the server closes them: a careless or hostile machine on the
// network holding the server's threads for as long as it can.
class IdleClients : public QObject
{
public:
    // `dripEveryMs` 0: never a byte.
    IdleClients(quint16 port, int count, int dripEveryMs = 0)
        : m_port(port)
    {
        for (int i = 0; i < count; ++i) {
            m_sockets.emplace_back(new QTcpSocket);
            QTcpSocket *socket = m_sockets.back().get();
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                ++closed;
                socket->connectToHost(QStringLiteral("127.0.0.1"), m_port);
            });
            socket->connectToHost(QStringLiteral("127.0.0.1"), m_port);
        }
        if (dripEveryMs > 0) {
            connect(&m_drip, &QTimer::timeout, this, [this] {
                for (const auto &socket : m_sockets)
                    if (socket->state() == QAbstractSocket::ConnectedState)
                        socket->write("G");
            });
            m_drip.start(dripEveryMs);
        }
    }

    ~IdleClients()
    {
        // A socket closing as it goes must not open again.
        for (const auto &socket : m_sockets)
            socket->disconnect(this);
    }

    // Whether every connection is open, each at least in the server's queue.
    bool connected()
    {
        for (const auto &socket : m_sockets)
            if (socket->state() != QAbstractSocket::ConnectedState && !socket->waitForConnected(5000))
                return false;
        return true;
    }

    int closed = 0; // connections the server closed

private:
    quint16 m_port;
    std::vector<std::unique_ptr<QTcpSocket>> m_sockets;
    QTimer m_drip;
};
