#include "monitor/singleinstance.h"

#include "core/profile.h"
#include "platform/datadir.h"

#include <QFile>

namespace vindelor::monitor {

namespace {
const char kInstanceFile[] = ".vindelor.instance";
}

InstanceLock::InstanceLock() {
    if (!platform::EnsureDataDirectory()) {
        return;
    }
    // The kernel lets go of the lock when the process ends, however it ends.
    lock_ =
        platform::FileLock(QFile::encodeName(platform::DataFilePath(QLatin1String(kInstanceFile))),
                           platform::FileLock::Wait::No);
    held_ = !lock_.TakenByAnother();
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
