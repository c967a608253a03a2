#include "ui/DesktopNotifyUnit.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace tarrow {

namespace {

const char* const Service = "org.freedesktop.Notifications";
// A service that does not answer in this time is taken as none.
constexpr int ReplyTimeoutMs = 3000;

} // namespace

bool SendDesktopNotification(const QString& ATitle, const QString& ABody) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QString::fromLatin1(Service);
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(service).value())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                       service, QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (default).
    call << ATitle << uint(0) << QStringLiteral("tarrow") << ATitle << ABody << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("tarrow")}} << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, ReplyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace tarrow
