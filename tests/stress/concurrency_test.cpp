// The three programs' write paths from several processes at once: session closes that
// append a line and add to the totals, the log viewer's deletions and recounts, and the
// tune-up. No update may be lost and no line doubled.
#include "stress_support.h"

#include "converter/tuneup.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "core/sessionlog.h"
#include "monitor/sessionclose.h"
#include "support/testenv.h"
#include "viewer/logrows.h"
#include "viewer/logstore.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <map>
#include <thread>
#include <vector>

#include <sys/wait.h>

namespace vindelor::stress {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;

constexpr int kAppenders = 3;
constexpr int kOldLines = 60;
const QString kDuration = QStringLiteral("00:01:30");
constexpr double kSessionCost = 0.25;  // exact in binary: sums compare as text

QString Setting(const char* section, const char* key, const char* def) {
    return GetProfileString(QString::fromUtf8(section), QString::fromUtf8(key),
                            QString::fromUtf8(def), 50, kSettingsFile);
}

bool Store(const char* section, const char* key, const QString& value) {
    return WriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key), value,
                              kSettingsFile);
}

// Appender a's session number s, in the date field: "a.s.2000". Every tenth session of
// the last appender is a failed try, which costs nothing here (the recount and the
// deletion disagree about what a failed try's cost adds).
QString SessionLine(int a, int s) {
    const QString date = QStringLiteral("%1.%2.2000").arg(a).arg(s);
    if (a == kAppenders - 1 && s % 10 == 0) {
        return BuildLogLine(date, QStringLiteral("09:00:00"), FailedTryMarker(300), 0.0);
    }
    return BuildLogLine(date, QStringLiteral("09:00:00"), kDuration, kSessionCost);
}

bool ParseSession(const QString& line, int* a, int* s) {
    static const QRegularExpression re(QStringLiteral("^(\\d+)\\.(\\d+)\\.2000 "));
    const auto m = re.match(line);
    if (!m.hasMatch()) {
        return false;
    }
    *a = m.captured(1).toInt();
    *s = m.captured(2).toInt();
    return true;
}

// The main program's own session close: the totals read afresh and written with the
// line, under the lock. A session of 1:30 at 0.25 a minute already charged; a failed try
// is a short connection with cost monitoring off, so that it costs nothing.
bool CloseSession(int a, int s) {
    const QString line = SessionLine(a, s);
    const bool failed = IsFailedTryLine(line);
    monitor::SessionCloseInput in;
    in.Elapsed = failed ? 10 : 90;
    in.MinuteMark = in.Elapsed;
    in.SessionCost = failed ? 0.0 : kSessionCost;
    in.CurrentRate = failed ? 0.0 : kSessionCost;
    in.SessionMinutes = failed ? 0 : 1;
    in.SessionSeconds = failed ? 0 : 30;  // a failed try adds no time the log shows
    in.StartDate = SplitLogLine(line).date;
    in.StartTime = QStringLiteral("09:00:00");
    in.CostMonitoring = !failed;
    in.LanguageOffset = 300;
    in.FailedTries = failed ? QStringLiteral("Ja") : QStringLiteral("Nej");
    in.Rounding = QStringLiteral("Ja");  // the seconds stay
    const monitor::SessionCloseStore stored = monitor::StoreSessionClose(in);
    return stored.plan.Counted && stored.plan.LogLine == line && stored.unsaved.isEmpty();
}

// Rows the deleters may take: the even sessions of appender 0.
bool Deletable(const QString& line) {
    int a = 0;
    int s = 0;
    return ParseSession(line, &a, &s) && a == 0 && s % 2 == 0;
}

void SetUpSharedFiles() {
    ASSERT_TRUE(Store("Charge", "per_min", QStringLiteral("0")));
    ASSERT_TRUE(Store("Charge", "valuta", QStringLiteral("€")));
    ASSERT_TRUE(Store("Aktiv", "Aktiv", QStringLiteral("Nej")));
    // A log from before 1.12 that the tune-up converts meanwhile (at 0 per minute).
    QStringList old;
    for (int i = 1; i <= kOldLines; ++i) {
        old << QStringLiteral("%1.01.1998 20:00:00-00:02:10").arg(i);
    }
    ASSERT_TRUE(RewriteLog(old));
    const brusko::LogTotals t = brusko::SumLines(old);
    ASSERT_TRUE(Store("Nättid", "Totalt", FormatHms(t.time)));
    ASSERT_TRUE(Store("Kostnad", "Totalt", QStringLiteral("0.00")));
}

// Every session of appenders 1 … n-1 exactly once and in order, appender 0's odd sessions
// exactly once, its even ones at most once; the old lines first, converted; the totals
// those of the lines.
// `stillThere` gets how many of appender 0's deletable sessions were not deleted.
void ExpectConsistent(const ScopedDataDir& dir, int sessions, int* stillThere = nullptr) {
    ClearProfileCache();
    EXPECT_FALSE(QFile::exists(dir.file(kLogTempFile)));
    QString why;
    EXPECT_TRUE(WellFormedProfile(ReadFileBytes(dir.file(kLogFile)), &why)) << why.toStdString();
    EXPECT_TRUE(WellFormedProfile(ReadFileBytes(dir.file(kSettingsFile)), &why))
        << why.toStdString();
    const QStringList lines = ReadLogLines(kLogFile, 4096);
    ASSERT_EQ(StoredLogKeys(ReadFileBytes(dir.file(kLogFile))).size(), lines.size());
    ASSERT_GE(lines.size(), kOldLines);
    for (int i = 0; i < kOldLines; ++i) {
        EXPECT_EQ(lines[i], QStringLiteral("%1.01.1998 20:00:00-00:02:10^   0.00").arg(i + 1));
    }
    std::map<int, std::vector<int>> seen;
    for (int i = kOldLines; i < lines.size(); ++i) {
        int a = 0;
        int s = 0;
        ASSERT_TRUE(ParseSession(lines[i], &a, &s)) << lines[i].toStdString();
        EXPECT_EQ(lines[i], SessionLine(a, s));
        seen[a].push_back(s);
    }
    for (int a = 0; a < kAppenders; ++a) {
        const std::vector<int>& got = seen[a];
        for (size_t i = 1; i < got.size(); ++i) {
            ASSERT_LT(got[i - 1], got[i]) << "appender " << a << ": doubled or out of order";
        }
        std::vector<int> odd;
        for (int s : got) {
            if (a != 0 || s % 2 == 1) {
                odd.push_back(s);
            }
        }
        std::vector<int> expected;
        for (int s = 1; s <= sessions; ++s) {
            if (a != 0 || s % 2 == 1) {
                expected.push_back(s);
            }
        }
        EXPECT_EQ(odd, expected) << "appender " << a << " lost sessions";
    }
    const brusko::LogTotals t = brusko::SumLines(lines);
    EXPECT_EQ(Setting("Nättid", "Totalt", "?"), FormatHms(t.time));
    EXPECT_EQ(ReadCost(Setting("Kostnad", "Totalt", "?")), t.cost);
    EXPECT_EQ(Setting("Försök", "Antal", "0"), QString::number(t.failedTries));
    const int deletable = static_cast<int>(seen[0].size()) - (sessions + 1) / 2;
    std::printf("[stress] %lld lines; %d of appender 0's %d deletable sessions still there\n",
                static_cast<long long>(lines.size()), deletable, sessions / 2);
    if (stillThere != nullptr) {
        *stillThere = deletable;
    }
}

std::vector<pid_t> StartAppenders(int sessions) {
    std::vector<pid_t> pids;
    for (int a = 0; a < kAppenders; ++a) {
        pids.push_back(Spawn([a, sessions] {
            for (int s = 1; s <= sessions; ++s) {
                if (!CloseSession(a, s)) {
                    return 10 + a;
                }
            }
            return 0;
        }));
    }
    return pids;
}

bool AnyRunning(const std::vector<pid_t>& pids, std::vector<int>* statuses) {
    bool running = false;
    for (size_t i = 0; i < pids.size(); ++i) {
        if ((*statuses)[i] != -1) {
            continue;
        }
        int status = 0;
        if (::waitpid(pids[i], &status, WNOHANG) == pids[i]) {
            (*statuses)[i] = status;
        } else {
            running = true;
        }
    }
    return running;
}

TEST(Concurrency, SessionClosesDeletionsRecountsAndTuneUpLoseNothing) {
    ScopedDataDir dir;
    SetUpSharedFiles();
    constexpr int kSessions = 120;
    const std::vector<pid_t> appenders = StartAppenders(kSessions);

    // Two viewers delete appender 0's even sessions as they appear; the tune-up runs
    // once among them. On a loaded machine the appenders may not have written a deletable
    // line within a deleter's forty rounds, and the other deleter may take every one there
    // is: a deleter goes on until it has deleted something or the deadline passes, and
    // only the two together must have deleted.
    std::vector<pid_t> others;
    for (int v = 0; v < 2; ++v) {
        others.push_back(Spawn([] {
            const Clock::time_point deadline = Clock::now() + Millis(20000);
            int deletions = 0;
            for (int round = 0; round < 40 || (deletions == 0 && Clock::now() < deadline);
                 ++round) {
                const brusko::Listing listing = brusko::LoadListing();
                std::vector<int> rows;
                for (int i = 0; i < listing.lines.size(); ++i) {
                    if (Deletable(listing.lines[i])) {
                        rows.push_back(i);
                    }
                }
                const brusko::DeleteResult r = brusko::DeleteRows(listing.lines, rows);
                if (r.status != brusko::DeleteStatus::Deleted) {
                    return 20;
                }
                deletions += r.removed;
                std::this_thread::sleep_for(Millis(5));
            }
            return 0;
        }));
    }
    // A viewer that recounts again and again, as "brusko --recalculate" does: listing
    // and recount under one lock, or a session closing in between drops out of the total.
    others.push_back(Spawn([] {
        for (int round = 0; round < 60; ++round) {
            ProfileLock lock;
            const brusko::Listing listing = brusko::LoadListing();
            brusko::RecalculateTotals(listing.rows, listing.currencyPrefix);
            std::this_thread::sleep_for(Millis(3));
        }
        return 0;
    }));
    others.push_back(Spawn([] {
        std::this_thread::sleep_for(Millis(50));
        return ristola::RunTuneUp() == ristola::TuneUpOutcome::Done ? 0 : 30;
    }));

    for (pid_t pid : appenders) {
        EXPECT_EQ(ExitCode(WaitFor(pid, Millis(120000))), 0);
    }
    for (pid_t pid : others) {
        EXPECT_EQ(ExitCode(WaitFor(pid, Millis(120000))), 0);
    }
    int stillThere = kSessions;
    ExpectConsistent(dir, kSessions, &stillThere);
    EXPECT_LT(stillThere, kSessions / 2) << "nothing was deleted";
}

// The real programs: "brusko --delete", "brusko --recalculate" and "ristola --yes" run
// while session closes append from other processes.
TEST(Concurrency, RealViewerAndTuneUpProgramsBesideAppendingSessions) {
    for (const char* program : {"brusko", "ristola"}) {
        ASSERT_TRUE(QFile::exists(ProgramPath(program))) << ProgramPath(program).toStdString();
    }
    ScopedDataDir dir;
    SetUpSharedFiles();
    constexpr int kSessions = 80;
    const std::vector<pid_t> appenders = StartAppenders(kSessions);
    std::vector<int> statuses(appenders.size(), -1);

    int deletes = 0;
    int recounts = 0;
    bool tunedUp = false;
    while (AnyRunning(appenders, &statuses)) {
        if (!tunedUp && ReadLogLines().size() > kOldLines + 10) {
            const ProgramRun run = RunProgram(ProgramPath("ristola"), {"--yes"}, Millis(30000));
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_TRUE(run.out.startsWith("Done !")) << run.out.toStdString();
            tunedUp = true;
            continue;
        }
        // Rows as "brusko --list" numbers them: appends only add rows at the end, so the
        // numbers stay right while the program starts.
        ClearProfileCache();
        const QStringList lines = ReadLogLines(kLogFile, 4096);
        QStringList rows;
        for (int i = 0; i < lines.size(); ++i) {
            if (Deletable(lines[i])) {
                rows << QString::number(i + 1);
            }
        }
        if (!rows.isEmpty() && deletes <= recounts) {
            const ProgramRun run =
                RunProgram(ProgramPath("brusko"), {"--delete", rows.join(',')}, Millis(30000));
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            ++deletes;
        } else {
            const ProgramRun run =
                RunProgram(ProgramPath("brusko"), {"--recalculate"}, Millis(30000));
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            ++recounts;
        }
    }
    for (int status : statuses) {
        EXPECT_EQ(ExitCode(status), 0);
    }
    EXPECT_TRUE(tunedUp);
    std::printf("[stress] %d brusko --delete and %d brusko --recalculate runs\n", deletes,
                recounts);
    ExpectConsistent(dir, kSessions);
}

}  // namespace
}  // namespace vindelor::stress
