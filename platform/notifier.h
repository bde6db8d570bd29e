// Desktop notifications (org.freedesktop.Notifications on the session bus), behind an
// interface so that tests put a fake in its place.
#pragma once

#include <QString>

#include <functional>

namespace vindelor::platform {

class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    // Hands the notification to the desktop without waiting for it. `done` runs once on
    // the thread of the application object, true when the desktop took the notification;
    // false when it refused, has no notification service, or did not answer in time.
    virtual void Notify(const QString& summary, const QString& body,
                        std::function<void(bool taken)> done) = 0;
};

DesktopNotifier& Notifier();
// Replaces the implementation in force; returns the previous one (tests restore it).
DesktopNotifier* InstallNotifier(DesktopNotifier* notifier);

}  // namespace vindelor::platform
