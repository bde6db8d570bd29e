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

long long GraceSeconds() {
    bool ok = false;
    const long long grace = GetProfileString(QStringLiteral("Connection"), QStringLiteral("Grace"),
                                             QStringLiteral("0"), 10, kSettingsFile)
                                .trimmed()
                                .toLongLong(&ok);
    // A value the page would refuse (edited by hand) counts as none: as earlier versions.
    return ok && grace > 0 && grace <= kMaxGraceSeconds ? grace : 0;
}

DropGrace::Verdict DropGrace::See(bool gone, long long now) {
    if (!gone) {
        if (dropping_) {
            gaps_ += now - dropStart_;
            dropping_ = false;
        }
        return Verdict::Go;
    }
    if (grace_ <= 0) {
        return Verdict::End;
    }
    if (!dropping_) {
        dropping_ = true;
        dropStart_ = now;
    }
    return now - dropStart_ >= grace_ ? Verdict::End : Verdict::Hold;
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
