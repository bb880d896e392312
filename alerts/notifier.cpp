#include "notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>


Notifier::Notifier(QObject *parent)
    : QObject(parent)
{
}

void Notifier::notify(const QString &summary, const QString &body, Urgency urgency)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        emit undelivered(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, id to replace (none), icon, summary, body, actions,
    // hints, time shown (the server's own). The icon beside the program (a
    // portable folder, the demo's), whatever the data folder, or the one of
    // the icon theme.
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/quelvane.svg");
    const QString icon = QFileInfo::exists(file) ? file : QStringLiteral("quelvane");
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency))}};
    call << QStringLiteral("Quelvane") << 0u << icon << summary << body << QStringList() << hints << -1;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, summary, body](QDBusPendingCallWatcher *w) {
        if (w->isError())
            emit undelivered(summary, body);
        w->deleteLater();
    });
}
