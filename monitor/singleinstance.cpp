#include "monitor/singleinstance.h"

#include "core/profile.h"
#include "platform/datadir.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vindelor::monitor {

namespace {
const char kInstanceFile[] = ".vindelor.instance";
}

InstanceLock::InstanceLock() {
    if (!platform::EnsureDataDirectory()) {
        return;
    }
    const QByteArray path = QFile::encodeName(platform::DataFilePath(QLatin1String(kInstanceFile)));
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        return;
    }
    // The kernel lets go of the lock when the process ends, however it ends.
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            held_ = false;
        }
        ::close(fd_);
        fd_ = -1;
        return;
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool ClearStaleActiveFlag(const InstanceLock& lock) {
    if (!lock.Owned()) {
        return false;
    }
    const QString section = QStringLiteral("Aktiv");
    if (GetProfileString(section, section, QStringLiteral("Nej"), 5, kSettingsFile) ==
        QLatin1String("Nej")) {
        return false;  // also when there is no settings file: nothing is made
    }
    return WriteProfileString(section, section, QStringLiteral("Nej"), kSettingsFile);
}

}  // namespace vindelor::monitor
