#include "platform/notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace vindelor::platform {

namespace {

// org.freedesktop.Notifications on the session bus.
class DBusNotifier : public DesktopNotifier {
  public:
    bool Notify(const QString& summary, const QString& body) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            return false;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        call << QStringLiteral("Vindelor") << 0u << QStringLiteral("vindelor") << summary << body
             << QStringList() << QVariantMap() << -1;
        // A desktop without a notification service answers at once with an error; a
        // hung one must not hold the session tick for long.
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        return reply.type() == QDBusMessage::ReplyMessage;
    }
};

DesktopNotifier* gNotifier = nullptr;

}  // namespace

DesktopNotifier& Notifier() {
    static DBusNotifier dbus;
    return gNotifier ? *gNotifier : dbus;
}

DesktopNotifier* InstallNotifier(DesktopNotifier* notifier) {
    DesktopNotifier* previous = gNotifier;
    gNotifier = notifier;
    return previous;
}

}  // namespace vindelor::platform
