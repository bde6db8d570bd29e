#include "viewer/logstore.h"

#include "core/profile.h"
#include "core/sessionlog.h"
#include "core/texts.h"
#include "platform/atomicfile.h"
#include "platform/datadir.h"
#include "platform/errortext.h"
#include "platform/files.h"
#include "platform/localetexts.h"
#include "viewer/logrows.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <cstdio>
#include <limits>

namespace vindelor::brusko {
namespace {

// Lines are read whole: a rewrite must give back every kept line exactly, however long
// a hand-edited line has grown.
constexpr int kWholeLine = std::numeric_limits<int>::max();

DeletionHook& Hook() {
    static DeletionHook hook;
    return hook;
}

void Reached(DeletionStep step) {
    if (Hook()) {
        Hook()(step);
    }
}

QString Setting(const char* section, const char* key, const QString& def, int maxLength) {
    return GetProfileString(QString::fromUtf8(section), QString::fromUtf8(key), def, maxLength,
                            kSettingsFile);
}

// What went wrong, for the user: the file and the system's own reason, which the system
// gives in the user's language.
QString Failure(const QString& path, int error) {
    return QStringLiteral("%1: %2").arg(path, platform::ErrorText(error));
}

// Writes one setting; the first failure is kept in *error as file and system reason.
void Store(const char* section, const char* key, const QString& value, QString* error) {
    int failure = 0;
    if (!WriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key), value,
                            kSettingsFile, &failure) &&
        error->isEmpty()) {
        *error = Failure(platform::DataFilePath(kSettingsFile), failure != 0 ? failure : EIO);
    }
}

bool CostMonitoringOff() {
    return Setting("Session", "Räknare", QStringLiteral("Nej"), 5) == QLatin1String("Ja");
}

// Makes a rename in the data directory durable.
void SyncDataDirectory() {
    platform::SyncDirectory(QFile::encodeName(platform::DataDirectory()));
}

// Whether removing "Vindelor.ny" loses nothing: every line in it is in the log too, as
// often. So it is when a deletion was cut short before it replaced the log; a file that
// holds more was left by an earlier version or came from elsewhere, and its lines may
// exist nowhere else.
bool TemporaryLinesAllInLog() {
    QHash<QString, int> left;
    for (const QString& line : ReadAllLogLines(kLogFile, kWholeLine)) {
        ++left[line];
    }
    for (const QString& line : ReadAllLogLines(kLogTempFile, kWholeLine)) {
        if (--left[line] < 0) {
            return false;
        }
    }
    return true;
}

// Moves the file to the first free "<name>.1", "<name>.2", … without replacing anything.
// Empty, with the reason in *error, when it could not be moved.
QString KeepUnderFreeName(const QString& path, int* error) {
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1; n < 1000; ++n) {
        const QString target = path + QStringLiteral(".%1").arg(n);
        *error = platform::RenameWithoutReplacing(from, QFile::encodeName(target));
        if (*error == 0) {
            SyncDataDirectory();
            return target;
        }
        if (*error != EEXIST) {
            return QString();
        }
    }
    return QString();
}

// Clears "Vindelor.ny" out of a deletion's way: removed when that loses nothing, else
// kept under a free name, given in *keptAs. 0, or the reason neither worked.
int ClearTemporary(const QString& temp, QString* keptAs) {
    if (TemporaryLinesAllInLog()) {
        const int error = platform::RemoveFile(QFile::encodeName(temp));
        return error == ENOENT ? 0 : error;
    }
    int error = 0;
    *keptAs = KeepUnderFreeName(temp, &error);
    return error;
}

}  // namespace

void SetDeletionHook(DeletionHook hook) {
    Hook() = std::move(hook);
}

void SelectStoredLanguage(StoreLanguage store) {
    SetLanguageOffset(kSwedishOffset);
    SelectLanguage(ProgramLanguage(5, store));
}

bool CostLabelAfterSettings(const QString& currencyPrefix, QString* label2) {
    if (CostMonitoringOff()) {
        label2->clear();
        return false;
    }
    *label2 = currencyPrefix + QLatin1Char(' ') +
              Setting("Kostnad", "Totalt", QStringLiteral("0.00"), 10);
    return true;
}

bool SessionOpen() {
    return Setting("Aktiv", "Aktiv", QStringLiteral("Nej"), 5) != QLatin1String("Nej");
}

bool DiscardInterruptedDeletion(QString* keptAs) {
    const QString temp = platform::DataFilePath(kLogTempFile);
    if (!QFileInfo::exists(temp)) {
        return false;
    }
    // Under the lock: another viewer may be in the middle of its own deletion.
    ProfileLock lock;
    if (!QFileInfo::exists(temp)) {
        return false;
    }
    const QString log = platform::DataFilePath(kLogFile);
    if (QFileInfo::exists(log)) {
        QString kept;
        ClearTemporary(temp, &kept);
        if (keptAs != nullptr) {
            *keptAs = kept;
        }
    } else if (platform::RenameFile(QFile::encodeName(temp), QFile::encodeName(log)) == 0) {
        SyncDataDirectory();
    }
    ClearProfileCache();
    return true;
}

QStringList LoadLogLines() {
    QStringList lines = ReadLogLines(kLogFile, kWholeLine);
    const int end = static_cast<int>(lines.indexOf(QStringLiteral("#")));
    if (end >= 0) {
        lines = lines.mid(0, end);
    }
    return lines;
}

QString LogDateFormat() {
    return platform::LocaleClock().DateFormat();
}

DatedLog LoadDatedLog() {
    DiscardInterruptedDeletion();
    return DateLogLines(LoadLogLines(), LogDateFormat());
}

int StoredStartDay() {
    return StartDayFromText(Setting("Billing", "StartDay", QString(), 10));
}

QString StoredCurrencyPrefix() {
    return Setting("Charge", "Valuta", QStringLiteral("$"), 7).left(10);
}

Listing LoadListing() {
    Listing l;
    DiscardInterruptedDeletion(&l.keptTemporary);
    l.label1 = Setting("Nättid", "Totalt", QStringLiteral("00:00:00"), 15);
    l.label2 = Setting("Charge", "valuta", QStringLiteral("$"), 19) + QLatin1Char(' ') +
               Setting("Kostnad", "Totalt", QStringLiteral("0"), 19);
    if (CostMonitoringOff()) {
        l.label2.clear();
        l.costFrameVisible = false;
    }
    l.currencyPrefix = StoredCurrencyPrefix();
    l.lines = LoadLogLines();
    l.rows.reserve(l.lines.size());
    l.clipboard.reserve(l.lines.size());
    for (const QString& line : l.lines) {
        l.rows.append(ListRow(line));
        l.clipboard.append(StartClipboardLine(line));
    }
    return l;
}

DeleteResult DeleteRows(const QStringList& listedLines, const std::vector<int>& selected) {
    DeleteResult r;
    errno = 0;
    ProfileLock lock;
    if (!lock.Held()) {
        r.error = Failure(platform::DataDirectory(), errno != 0 ? errno : EACCES);
        return r;
    }
    if (SessionOpen()) {
        r.status = DeleteStatus::SessionOpen;
        return r;
    }

    // The log as it is now: the main program may have appended since the listing. Lines
    // after a gap in the keys are not listed, but the rewrite keeps them.
    int listable = 0;
    const QStringList current = ReadAllLogLines(kLogFile, kWholeLine, &listable);
    std::vector<bool> drop(static_cast<size_t>(current.size()), false);
    int chosen = 0;
    for (const int row : selected) {
        if (row < 0 || row >= listedLines.size()) {
            continue;
        }
        ++chosen;
        if (row < listable && current[row] == listedLines[row] && !drop[row]) {
            drop[row] = true;
            ++r.removed;
        }
    }
    r.stale = chosen - r.removed;

    QStringList kept;
    kept.reserve(current.size() - r.removed);
    for (int i = 0; i < current.size(); ++i) {
        if (!drop[i]) {
            kept.append(current[i]);
        }
    }

    // A temporary file of an earlier deletion would mix its keys into this one.
    const QString tempPath = platform::DataFilePath(kLogTempFile);
    const QString logPath = platform::DataFilePath(kLogFile);
    if (const int cleared =
            QFileInfo::exists(tempPath) ? ClearTemporary(tempPath, &r.keptTemporary) : 0;
        cleared != 0) {
        r.error = Failure(tempPath, cleared);
        return r;
    }
    ClearProfileCache();
    std::vector<std::pair<QString, QString>> entries;
    entries.reserve(kept.size());
    for (int i = 0; i < kept.size(); ++i) {
        entries.emplace_back(QString::number(i + 1), kept[i]);
    }
    int failure = 0;
    bool written = WriteProfileSection(kLogSection, entries, kLogTempFile, &failure);
    if (written && !QFileInfo::exists(tempPath)) {
        // Nothing kept and nothing written: an empty file is an empty log.
        errno = 0;
        QFile empty(tempPath);
        written = empty.open(QIODevice::WriteOnly) && empty.flush();
        failure = written ? 0 : errno;
    }
    if (!written) {
        r.error = Failure(tempPath, failure != 0 ? failure : EIO);
        QFile::remove(tempPath);
        return r;
    }
    Reached(DeletionStep::TemporaryWritten);

    if (ReadAllLogLines(kLogTempFile, kWholeLine) != kept) {
        // What was written does not come back: the disk lost it.
        r.error = Failure(tempPath, EIO);
        QFile::remove(tempPath);
        ClearProfileCache();
        return r;
    }
    // One step: readers see either the old log or the new one, never none.
    if (const int renamed =
            platform::RenameFile(QFile::encodeName(tempPath), QFile::encodeName(logPath));
        renamed != 0) {
        r.error = Failure(logPath, renamed);
        QFile::remove(tempPath);
        ClearProfileCache();
        return r;
    }
    SyncDataDirectory();
    ClearProfileCache();
    Reached(DeletionStep::LogReplaced);

    // Totals of what the new log lists: a line "#" ends every reader's walk, so it and
    // the lines after it stay in the file unlisted and cost nothing, like lines after a
    // gap in the keys did before this rewrite closed the gap.
    const QStringList listed = kept.mid(0, kept.indexOf(QStringLiteral("#")));
    const LogTotals totals = SumLines(listed);
    r.label1 = FormatHms(totals.time);
    Store("Nättid", "Totalt", r.label1, &r.totalsError);
    const QString perMinute = Setting("Charge", "per_min", QStringLiteral("#"), 10);
    const QString currency = Setting("Charge", "valuta", QString(), 10);
    if (perMinute != QLatin1String("#")) {
        const QString cost = DeletionCostText(totals.cost);
        r.label2Changed = true;
        r.label2 = currency + QLatin1Char(' ') + cost;
        Store("Kostnad", "Totalt", cost, &r.totalsError);
        if (CostMonitoringOff()) {
            Store("Kostnad", "Totalt", QStringLiteral("0.00"), &r.totalsError);
            r.label2.clear();
        }
    }
    Store("Försök", "Antal", QString::number(totals.failedTries), &r.totalsError);
    Reached(DeletionStep::TotalsWritten);

    r.lines = listed;
    r.rows.reserve(listed.size());
    r.clipboard.reserve(listed.size());
    for (const QString& line : listed) {
        r.rows.append(ListRow(line));
        r.clipboard.append(DeletionClipboardLine(line));
    }
    r.status = DeleteStatus::Deleted;
    return r;
}

RecountResult RecalculateTotals(const QStringList& rows, const QString& currencyPrefix) {
    const Recount recount = RecountRows(rows);
    RecountResult r;
    r.costText = RecountCostText(recount.cost);
    r.failedTries = recount.failedTries;
    r.label2 = currencyPrefix + QLatin1Char(' ') + r.costText;
    ProfileLock lock;
    Store("Kostnad", "Totalt", r.costText, &r.error);
    Store("Försök", "Antal", QString::number(r.failedTries), &r.error);
    return r;
}

}  // namespace vindelor::brusko
