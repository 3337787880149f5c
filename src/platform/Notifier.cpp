#include "Notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

bool DesktopNotifier::notify(const QString &title, const QString &body)
{
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    // No session bus or nobody to show it: nothing fails, the caller says it in the window.
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service).value())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"), service,
                                                       QStringLiteral("Notify"));
    // app name, replaces id, icon, summary, body, actions, hints, timeout (the server's own)
    call << QStringLiteral("Vendrix K3") << uint(0) << QStringLiteral("vendrix-k3") << title << body << QStringList()
         << QVariantMap() << int(-1);
    // Not awaited: the window never waits for the desktop.
    return bus.send(call);
}
