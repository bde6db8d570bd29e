#include "platform/datadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace vindelor::platform {

QString DataDirectory() {
    const QString explicitDir = qEnvironmentVariable("VINDELOR_DIR");
    if (!explicitDir.isEmpty()) {
        return QDir::cleanPath(explicitDir);
    }
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config + QStringLiteral("/vindelor"));
}

bool EnsureDataDirectory() {
    const QString dir = DataDirectory();
    if (QDir(dir).exists()) {
        return true;
    }
    // Parents as the user's umask makes them; the directory itself private.
    if (!QDir().mkpath(QFileInfo(dir).absolutePath())) {
        return false;
    }
    const QByteArray native = QFile::encodeName(dir);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return QDir(dir).exists();
}

QString DataFilePath(const QString& name) {
    if (name.contains(QLatin1Char('/'))) {
        return name;
    }
    return DataDirectory() + QLatin1Char('/') + name;
}

}  // namespace vindelor::platform
