#include "platform/datadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace vindelor::platform {

namespace {

// Set once at start by a command-line option, or by the viewer's plan chooser on the
// window's thread; the other threads read it only through a file path made before.
QString gPlan;

}  // namespace

QString BaseDataDirectory() {
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

QString DataDirectory() {
    return gPlan.isEmpty() ? BaseDataDirectory() : PlanDirectory(gPlan);
}

bool IsValidPlanName(const QString& name) {
    if (name.isEmpty() || name.size() > 64 || name == QLatin1String(".") ||
        name == QLatin1String("..") || name.startsWith(QLatin1Char('.')) ||
        name.startsWith(QLatin1Char(' '))) {
        return false;
    }
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
              c == QLatin1Char('.') || c == QLatin1Char(' '))) {
            return false;
        }
    }
    return true;
}

bool SelectPlan(const QString& name) {
    if (!name.isEmpty() && !IsValidPlanName(name)) {
        return false;
    }
    gPlan = name;
    return true;
}

QString SelectedPlan() {
    return gPlan;
}

QString PlanDirectory(const QString& name) {
    if (name.isEmpty()) {
        return BaseDataDirectory();
    }
    if (!IsValidPlanName(name)) {
        return {};
    }
    return BaseDataDirectory() + QStringLiteral("/plans/") + name;
}

QStringList PlanNames() {
    QStringList names;
    const QDir plans(BaseDataDirectory() + QStringLiteral("/plans"));
    for (const QString& entry : plans.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (IsValidPlanName(entry)) {
            names << entry;
        }
    }
    return names;
}

namespace {

// Creates one private directory whose parent exists.
bool MakePrivateDirectory(const QString& dir) {
    const QByteArray native = QFile::encodeName(dir);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return QDir(dir).exists();
}

}  // namespace

bool EnsureDataDirectory() {
    const QString base = BaseDataDirectory();
    if (!QDir(base).exists()) {
        // Parents as the user's umask makes them; the directory itself private.
        if (!QDir().mkpath(QFileInfo(base).absolutePath()) || !MakePrivateDirectory(base)) {
            return false;
        }
    }
    if (gPlan.isEmpty()) {
        return true;
    }
    // A plan's folders are as private as the base: they hold the same kind of files.
    return MakePrivateDirectory(base + QStringLiteral("/plans")) &&
           MakePrivateDirectory(PlanDirectory(gPlan));
}

QString DataFilePath(const QString& name) {
    if (name.contains(QLatin1Char('/'))) {
        return name;
    }
    return DataDirectory() + QLatin1Char('/') + name;
}

}  // namespace vindelor::platform
