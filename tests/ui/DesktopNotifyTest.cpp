// The end-of-run notification goes to the desktop's notification service on the session bus. A
// stand-in service answers on its own connection and thread; without a session bus (run the suite
// under dbus-run-session) the test is skipped.
#include "ui/DesktopNotifyUnit.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tarrow;

namespace {

class TFakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Calls() const {
        const QMutexLocker lock(&FMutex);
        return FCalls;
    }

public Q_SLOTS:
    uint Notify(const QString& AAppName, uint, const QString& AIcon, const QString& ASummary,
                const QString& ABody, const QStringList&, const QVariantMap&, int) {
        const QMutexLocker lock(&FMutex);
        FCalls << AAppName + u'|' + AIcon + u'|' + ASummary + u'|' + ABody;
        return uint(FCalls.size());
    }

private:
    mutable QMutex FMutex;
    QStringList FCalls;
};

TEST(DesktopNotification, GoesToTheNotificationServiceOnTheSessionBus) {
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    const QString service = u"org.freedesktop.Notifications"_s;
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value())
        GTEST_SKIP() << "a real notification service runs on this bus";
    EXPECT_FALSE(SendDesktopNotification(u"Tarrow"_s, u"1 downloaded, 0 failed"_s));

    QThread thread;
    TFakeNotifications fake;
    fake.moveToThread(&thread);
    thread.start();
    QDBusConnection own = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake"_s);
    ASSERT_TRUE(own.registerObject(u"/org/freedesktop/Notifications"_s, &fake,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(own.registerService(service));

    EXPECT_TRUE(SendDesktopNotification(u"Tarrow"_s, u"12 downloaded, 3 failed"_s));
    EXPECT_EQ(fake.Calls(), QStringList{u"Tarrow|tarrow|Tarrow|12 downloaded, 3 failed"_s});

    own.unregisterService(service);
    own.unregisterObject(u"/org/freedesktop/Notifications"_s);
    QDBusConnection::disconnectFromBus(u"fake"_s);
    thread.quit();
    thread.wait();
    fake.moveToThread(QThread::currentThread());
}

} // namespace

#include "DesktopNotifyTest.moc"
