#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT, which a service manager or a terminal sends, turned
// into a Qt signal of the event loop: a Unix signal handler may only write
// to a pipe, and the loop reads the other end.
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
