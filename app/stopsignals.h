#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP, which a service manager, a desktop session's
// end or a terminal send, turned into a Qt signal of the event loop: a Unix
// signal handler may only write to a pipe, and the loop reads the other end.
// While the object lives, a signal never ends the program by itself, and
// once it is gone (the program ending) a signal is ignored.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopAsked();

private:
    QSocketNotifier *m_notifier = nullptr;
};
