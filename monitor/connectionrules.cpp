#include "monitor/connectionrules.h"

#include "shared/profile.h"
#include "shared/texts.h"

#include <cerrno>

namespace vindelor::monitor {

QString ChosenInterface(const QString& commandLine) {
    if (!commandLine.isEmpty()) {
        return commandLine;
    }
    return GetProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"), QString(),
                            64, kSettingsFile)
        .trimmed();
}

QString UnusableText(watch::ConnectionWatch::Kind kind, const watch::LinkCheck& check) {
    const QString& subject = check.subject;
    QString reason = check.detail;
    if (reason.startsWith(subject + QStringLiteral(": "))) {
        reason.remove(0, subject.size() + 2);
    }
    if (reason.isEmpty()) {
        reason = QStringLiteral("?");
    }
    if (kind == watch::ConnectionWatch::Kind::NetworkInterface) {
        // A missing interface is the usual case (the phone not plugged in yet): it is
        // waited for, not an error.
        if (check.error == ENODEV) {
            return Text(kOwnTextBase + kTextInterfaceMissing).arg(subject);
        }
        return Text(kOwnTextBase + kTextInterfaceUnusable).arg(subject, reason);
    }
    // The open itself said why: no permission is the one cause the user can mend alone.
    if (check.error == EACCES) {
        return Text(kOwnTextBase + kTextPortNoPermission).arg(subject);
    }
    return Text(kOwnTextBase + kTextPortUnusable).arg(subject, reason);
}

}  // namespace vindelor::monitor
