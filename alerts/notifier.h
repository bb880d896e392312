#pragma once

#include <QObject>
#include <QString>

// Desktop notifications through the freedesktop notification service on the
// session bus. The call is asynchronous: a slow or absent service holds
// nothing up. What the service does not take comes back as `undelivered`,
// for the caller's next way of saying it (the tray, the status bar).
class Notifier : public QObject
{
    Q_OBJECT

public:
    explicit Notifier(QObject *parent = nullptr);
    // The service's urgencies: a critical one stays until it is read.
    enum class Urgency { Low = 0, Normal = 1, Critical = 2 };
    void notify(const QString &summary, const QString &body, Urgency urgency = Urgency::Normal);

signals:
    void undelivered(const QString &summary, const QString &body);
};
