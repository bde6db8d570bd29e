#include "core/plans.h"

#include "core/profile.h"
#include "platform/atomicfile.h"
#include "platform/cp1252.h"
#include "platform/datadir.h"
#include "platform/directories.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace vindelor {

namespace {

// What a new plan leaves behind of the default's settings: what the default's sessions
// added up, what it has warned of, its language (the plan follows the default's until it
// chooses one) and the link it watches, its modem's port too: a new plan is for another
// link, and until its own is chosen its first run asks for a port rather than time the
// default's sessions a second time.
struct DroppedKey {
    const char* section;
    const char* key;
};
constexpr DroppedKey kNotCopied[] = {
    {"kostnad", "Totalt"},   {"Nättid", "Totalt"},        {"Försök", "Antal"},
    {"Aktiv", "Aktiv"},      {"Billing", "Given"},        {"Billing", "DataGiven"},
    {"Språk", "Språk"},      {"Connection", "Interface"}, {"Connection", "NetworkManager"},
    {"Connection", "Modem"}, {"Connection", "SIM"},       {"Modem", "Port"},
};

QByteArray FoldedName(const char* utf8) {
    return cp1252::Folded(cp1252::Encode(QString::fromUtf8(utf8)));
}

bool Dropped(const QByteArray& foldedSection, const QByteArray& foldedKey) {
    for (const DroppedKey& d : kNotCopied) {
        if (FoldedName(d.section) == foldedSection && FoldedName(d.key) == foldedKey) {
            return true;
        }
    }
    return false;
}

// The settings file's lines (Windows-1252, as stored) without the keys above; comments,
// order and every other byte stay.
QByteArray SettingsForNewPlan(const QByteArray& ini) {
    QByteArray out;
    QByteArray section;
    for (const QByteArray& raw : ini.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            section = cp1252::Folded(line.mid(1, close < 0 ? -1 : close - 1).trimmed());
        } else if (const qsizetype eq = line.indexOf('='); eq > 0 && !line.startsWith(';')) {
            if (Dropped(section, cp1252::Folded(line.left(eq).trimmed()))) {
                continue;
            }
        }
        out += raw;
        out += '\n';
    }
    out.chop(1);  // split() gave one part more than there were line ends
    return out;
}

int ReadWhole(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.exists()) {
        bytes->clear();
        return ENOENT;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return EACCES;
    }
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? 0 : EIO;
}

QString PlansFolder() {
    return platform::BaseDataDirectory() + QStringLiteral("/plans");
}

int MakePrivateDirectory(const QString& dir) {
    return platform::MakePrivateDirectory(QFile::encodeName(dir));
}

int RenameDirectory(const QString& from, const QString& to) {
    const int error =
        platform::RenameWithoutReplacing(QFile::encodeName(from), QFile::encodeName(to));
    if (error == 0) {
        // The plan's folder must not come back under its old name after a power cut.
        platform::SyncDirectory(QFile::encodeName(PlansFolder()));
    }
    return error == ENOTEMPTY ? EEXIST : error;
}

}  // namespace

PlanOption TakePlanOption(QStringList* args) {
    PlanOption option;
    const QString name = QStringLiteral("--plan");
    for (int i = 0; i < args->size();) {
        const QString arg = args->at(i);
        if (arg == name) {
            option.given = true;
            args->removeAt(i);
            // "--plan --list" lacks its name: an option is never taken for one.
            option.valueMissing = i >= args->size() || args->at(i).isEmpty() ||
                                  args->at(i).startsWith(QLatin1String("--"));
            option.name = option.valueMissing ? QString() : args->takeAt(i);
        } else if (arg.startsWith(name + QLatin1Char('='))) {
            option.given = true;
            option.name = arg.mid(name.size() + 1);
            option.valueMissing = option.name.isEmpty();
            args->removeAt(i);
        } else {
            ++i;
        }
    }
    return option;
}

PlanOpening OpenPlan(const QString& name, MakeMissingPlan make, int* error) {
    if (error != nullptr) {
        *error = 0;
    }
    if (name.isEmpty()) {
        platform::SelectPlan(QString());
        return PlanOpening::Opened;
    }
    if (!platform::IsValidPlanName(name)) {
        return PlanOpening::BadName;
    }
    bool created = false;
    if (!QFileInfo(platform::PlanDirectory(name)).isDir()) {
        if (make == MakeMissingPlan::No) {
            return PlanOpening::Missing;
        }
        const int made = CreatePlan(name);
        if (made != 0 && made != EEXIST) {  // EEXIST: another program made it meanwhile
            if (error != nullptr) {
                *error = made;
            }
            return PlanOpening::NotMade;
        }
        created = made == 0;
    }
    platform::SelectPlan(name);
    return created ? PlanOpening::Created : PlanOpening::Opened;
}

int CreatePlan(const QString& name) {
    if (!platform::IsValidPlanName(name)) {
        return EINVAL;
    }
    const QString target = platform::PlanDirectory(name);
    if (QFileInfo::exists(target)) {
        return EEXIST;
    }
    const QString base = platform::BaseDataDirectory();
    if (!QDir().mkpath(QFileInfo(base).absolutePath())) {
        return EACCES;
    }
    for (const QString& dir : {base, PlansFolder()}) {
        if (const int e = MakePrivateDirectory(dir); e != 0) {
            return e;
        }
    }
    // Made under a dot name nobody lists, then renamed: a plan is there whole or not at all.
    const QString building =
        PlansFolder() +
        QStringLiteral("/.new-%1-%2").arg(QCoreApplication::applicationPid()).arg(name);
    if (const int e = MakePrivateDirectory(building); e != 0) {
        return e;
    }
    const auto fail = [&building](int e) {
        QDir(building).removeRecursively();
        return e;
    };
    QByteArray bytes;
    const int readIni = ReadWhole(base + QLatin1Char('/') + kSettingsFile, &bytes);
    if (readIni != 0 && readIni != ENOENT) {
        return fail(readIni);
    }
    if (readIni == 0) {
        if (const int e = platform::ReplaceFileAtomically(
                QFile::encodeName(building + QLatin1Char('/') + kSettingsFile),
                SettingsForNewPlan(bytes));
            e != 0) {
            return fail(e);
        }
    }
    const int readRates = ReadWhole(base + QLatin1Char('/') + kRateDataFile, &bytes);
    if (readRates != 0 && readRates != ENOENT) {
        return fail(readRates);
    }
    if (readRates == 0) {
        if (const int e = platform::ReplaceFileAtomically(
                QFile::encodeName(building + QLatin1Char('/') + kRateDataFile), bytes);
            e != 0) {
            return fail(e);
        }
    }
    if (const int e = RenameDirectory(building, target); e != 0) {
        return fail(e);
    }
    return 0;
}

int RenamePlan(const QString& from, const QString& to) {
    if (!platform::IsValidPlanName(from) || !platform::IsValidPlanName(to)) {
        return EINVAL;
    }
    if (!QFileInfo(platform::PlanDirectory(from)).isDir()) {
        return ENOENT;
    }
    return RenameDirectory(platform::PlanDirectory(from), platform::PlanDirectory(to));
}

QString PutPlanAside(const QString& name, const QDate& today, int* error) {
    const auto failed = [error](int e) {
        if (error != nullptr) {
            *error = e;
        }
        return QString();
    };
    if (!platform::IsValidPlanName(name)) {
        return failed(EINVAL);
    }
    const QString from = platform::PlanDirectory(name);
    if (!QFileInfo(from).isDir()) {
        return failed(ENOENT);
    }
    const QString stem =
        PlansFolder() + QStringLiteral("/.deleted-%1-%2").arg(today.toString(Qt::ISODate), name);
    for (int n = 1; n < 1000; ++n) {
        const QString to = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        const int e = RenameDirectory(from, to);
        if (e == 0) {
            failed(0);
            return to;
        }
        if (e != EEXIST) {
            return failed(e);
        }
    }
    return failed(EEXIST);
}

PlanLink LinkOfPlan(const QString& plan) {
    const QString file = platform::PlanDirectory(plan) + QLatin1Char('/') + kSettingsFile;
    const ProfileSnapshot settings(file);
    const auto stored = [&settings](const char* section, const char* key) {
        return settings
            .GetString(QString::fromLatin1(section), QString::fromLatin1(key), QString(), 256)
            .trimmed();
    };
    // The order monitor/connectionrules.cpp chooses in, SIM before the modem it names.
    if (QString n = stored("Connection", "NetworkManager"); !n.isEmpty()) {
        return {PlanLink::Kind::NetworkManager, n};
    }
    if (QString n = stored("Connection", "SIM"); !n.isEmpty()) {
        return {PlanLink::Kind::Sim, n};
    }
    if (QString n = stored("Connection", "Modem"); !n.isEmpty()) {
        return {PlanLink::Kind::Modem, n};
    }
    if (QString n = stored("Connection", "Interface"); !n.isEmpty()) {
        return {PlanLink::Kind::Interface, n};
    }
    return {PlanLink::Kind::SerialPort, stored("Modem", "Port").toUpper()};
}

std::optional<QString> PlanClaiming(const PlanLink& link, const QString& except,
                                    const QStringList& otherNames) {
    if (link.kind == PlanLink::Kind::SerialPort && link.name.isEmpty()) {
        return std::nullopt;
    }
    for (const QString& plan : AllPlans()) {
        if (plan == except) {
            continue;
        }
        const PlanLink other = LinkOfPlan(plan);
        if (other == link || (other.kind == link.kind && otherNames.contains(other.name))) {
            return plan;
        }
    }
    return std::nullopt;
}

QStringList AllPlans() {
    return QStringList{QString()} + platform::PlanNames();
}

bool PlanInUse(const QString& name) {
    const QString dir = platform::PlanDirectory(name);
    if (dir.isEmpty()) {
        return false;
    }
    if (platform::FileLockedElsewhere(
            QFile::encodeName(dir + QLatin1Char('/') + QLatin1String(kInstanceFile)))) {
        return true;
    }
    // Between two runs of a plan no lock of its own is held, and the next run would make
    // the plan again under its old name.
    if (!name.isEmpty() &&
        platform::FileLockedElsewhere(QFile::encodeName(
            platform::BaseDataDirectory() + QLatin1Char('/') + QLatin1String(kAllPlansFile)))) {
        return true;
    }
    return GetProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Nej"),
                            5, dir + QLatin1Char('/') + kSettingsFile) != QLatin1String("Nej");
}

}  // namespace vindelor
