// A writer killed with SIGKILL at random moments must leave files that parse and values
// that are either the old or the new ones: settings and log writes, the log viewer's
// deletion and the tune-up's rewrite.
#include "stress_support.h"

#include "converter/tuneup.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "core/sessionlog.h"
#include "platform/atomicfile.h"
#include "support/testenv.h"
#include "viewer/logrows.h"
#include "viewer/logstore.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

namespace vindelor::stress {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;

constexpr int kCounters = 4;
const QString kCounterSection = QStringLiteral("Räknare");

QString CounterKey(int j) {
    return QStringLiteral("Värde%1").arg(j);
}

// Line m of the writer's log: its number is in the date and the cost, so a line in the
// wrong place or twice shows.
QString NumberedLine(long long m) {
    return BuildLogLine(QStringLiteral("%1.12.1999").arg(m), QStringLiteral("14:05:09"),
                        QStringLiteral("00:01:00"), static_cast<double>(m) * 0.25);
}

long long Counter(int j) {
    return LeadingWholeNumber(
        GetProfileString(kCounterSection, CounterKey(j), QStringLiteral("0"), 20, kSettingsFile));
}

// Iteration i raises every counter to i, key by key, then appends line i. A writer that
// starts again repeats the iteration its predecessor was killed in.
int CountingWriter(int readyFd) {
    long long i = FirstFreeLogKey() - 1;
    bool first = true;
    for (;;) {
        ++i;
        for (int j = 0; j < kCounters; ++j) {
            if (!WriteProfileString(kCounterSection, CounterKey(j), QString::number(i),
                                    kSettingsFile)) {
                return 2;
            }
        }
        if (AppendLogLine(NumberedLine(i)) != i) {
            return 3;
        }
        if (first) {
            SignalReady(readyFd);
            first = false;
        }
    }
}

void ExpectWellFormed(const QString& path) {
    QString why;
    const QByteArray bytes = ReadFileBytes(path);
    EXPECT_TRUE(WellFormedProfile(bytes, &why)) << path.toStdString() << ": " << why.toStdString();
}

Millis RandomMillis(int maxMs) {
    return Millis(std::uniform_int_distribution<int>(0, maxMs)(Random()));
}

// VINDELOR_SOAK_KILLS=N makes each of the random-kill tests below go on until it has made
// N kills (a soak run); without it they make about 250 kills in all, in some 20 s.
int SoakKills() {
    const char* v = std::getenv("VINDELOR_SOAK_KILLS");
    return v != nullptr ? std::max(0, std::atoi(v)) : 0;
}

// One run of the writer in a fresh data directory, killed `wanted` times (0: as many times
// as 7 s allow, at least 40). Adds its kills to `kills`.
void KillCountingWriter(int wanted, int* kills) {
    ScopedMemoryDataDir dir;
    const auto budget = Clock::now() + Millis(7000);
    long long lastLog = 0;
    std::array<long long, kCounters> last{};
    int rounds = 0;
    while (wanted > 0 ? rounds < wanted : rounds < 40 || (Clock::now() < budget && rounds < 400)) {
        ++rounds;
        ++*kills;
        ReadyChild child = SpawnWithReady(CountingWriter);
        ASSERT_GT(child.pid, 0);
        ASSERT_TRUE(AwaitReady(child, Millis(10000))) << "the writer never made its first write";
        std::this_thread::sleep_for(RandomMillis(40));
        const int status = KillAndReap(child.pid);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "the writer stopped by itself: exit " << ExitCode(status);

        ClearProfileCache();
        ExpectWellFormed(dir.file(kSettingsFile));
        ExpectWellFormed(dir.file(kLogFile));
        const QStringList lines = ReadLogLines();
        const long long n = lines.size();
        ASSERT_EQ(StoredLogKeys(ReadFileBytes(dir.file(kLogFile))).size(), n)
            << "keys past a gap or doubled keys";
        for (long long m = 1; m <= n; ++m) {
            ASSERT_EQ(lines[static_cast<int>(m - 1)], NumberedLine(m)) << "log key " << m;
        }
        // Counters are raised in key order before the line of their iteration goes in.
        std::array<long long, kCounters> now{};
        for (int j = 0; j < kCounters; ++j) {
            now[static_cast<size_t>(j)] = Counter(j);
        }
        EXPECT_LE(now[0], n + 1);
        for (int j = 1; j < kCounters; ++j) {
            EXPECT_LE(now[static_cast<size_t>(j)], now[static_cast<size_t>(j - 1)]);
        }
        EXPECT_GE(now[kCounters - 1], n);
        // Nothing that was stored before this round went back.
        EXPECT_GE(n, lastLog);
        for (int j = 0; j < kCounters; ++j) {
            EXPECT_GE(now[static_cast<size_t>(j)], last[static_cast<size_t>(j)]);
        }
        if (::testing::Test::HasFailure()) {
            return;
        }
        lastLog = n;
        last = now;
    }
    std::printf("[stress] %d kills, %lld log lines and %lld settings writes survived\n", rounds,
                lastLog, lastLog * kCounters);
    EXPECT_GT(lastLog, 300) << "too few writes to prove anything";
    // Killed writers may leave their unfinished temporary files; later writers must not
    // trip over them (the checks above ran after every kill).
    const QStringList left = LeftoverTemporaries(dir.path());
    std::printf("[stress] temporary files left by killed writers: %lld\n",
                static_cast<long long>(left.size()));
    // Every writer is dead now: the clean-up a program makes before its first write
    // clears exactly those files.
    EXPECT_EQ(platform::RemoveAbandonedTemporaryFiles(QFile::encodeName(dir.path()), 0),
              left.size());
    EXPECT_EQ(LeftoverTemporaries(dir.path()), QStringList());
}

TEST(CrashSafety, SettingsAndLogWritesKilledAtRandomMomentsKeepOldOrNewValues) {
    // A soak starts a fresh directory every 400 kills: every append rewrites the whole
    // log, and a log of many thousand lines would slow the writer to a few lines a kill.
    const int soak = SoakKills();
    int kills = 0;
    do {
        KillCountingWriter(soak > 0 ? std::min(400, soak - kills) : 0, &kills);
    } while (soak > 0 && kills < soak && !::testing::Test::HasFailure());
    std::printf("[stress] settings and log writes: %d kills in all\n", kills);
}

// --- the log viewer's deletion ---------------------------------------------------------

QStringList DurationLines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i) {
        lines << BuildLogLine(QStringLiteral("%1.01.2000").arg(i), QStringLiteral("10:00:00"),
                              FormatHms(Normalised(Hms{0, 0, 61LL * i})), 0.5 * i);
        if (i % 7 == 0) {
            lines.last() = BuildLogLine(QStringLiteral("%1.01.2000").arg(i),
                                        QStringLiteral("10:00:00"), FailedTryMarker(600), 0.125);
        }
    }
    return lines;
}

void PutTotalsOf(const QStringList& lines) {
    const brusko::LogTotals t = brusko::SumLines(lines);
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Nättid"), QStringLiteral("Totalt"),
                                   FormatHms(t.time), kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Kostnad"), QStringLiteral("Totalt"),
                                   brusko::DeletionCostText(t.cost), kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Försök"), QStringLiteral("Antal"),
                                   QString::number(t.failedTries), kSettingsFile));
}

struct Totals {
    QString time, cost, tries;
    bool operator==(const Totals& o) const {
        return time == o.time && cost == o.cost && tries == o.tries;
    }
};

Totals StoredTotals() {
    auto get = [](const char* s, const char* k) {
        return GetProfileString(QString::fromUtf8(s), QString::fromUtf8(k), QStringLiteral("?"), 30,
                                kSettingsFile);
    };
    return {get("Nättid", "Totalt"), get("Kostnad", "Totalt"), get("Försök", "Antal")};
}

Totals TotalsOf(const QStringList& lines) {
    const brusko::LogTotals t = brusko::SumLines(lines);
    // As read back: the cost field's leading blanks are dropped by the read.
    return {FormatHms(t.time), brusko::DeletionCostText(t.cost).trimmed(),
            QString::number(t.failedTries)};
}

TEST(CrashSafety, DeletionKilledAtEachStepLeavesTheOldOrTheNewLog) {
    for (const auto step :
         {brusko::DeletionStep::TemporaryWritten, brusko::DeletionStep::LogReplaced,
          brusko::DeletionStep::TotalsWritten}) {
        SCOPED_TRACE(static_cast<int>(step));
        ScopedDataDir dir;
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                       QStringLiteral("0.5"), kSettingsFile));
        const QStringList before = DurationLines(30);
        ASSERT_TRUE(RewriteLog(before));
        PutTotalsOf(before);
        const Totals oldTotals = StoredTotals();
        QStringList after = before;
        for (int row : {20, 9, 3, 0}) {
            after.removeAt(row);
        }

        const pid_t pid = Spawn([&] {
            brusko::SetDeletionHook([step](brusko::DeletionStep reached) {
                if (reached == step) {
                    ::raise(SIGKILL);
                }
            });
            const brusko::Listing listing = brusko::LoadListing();
            brusko::DeleteRows(listing.lines, {0, 3, 9, 20});
            return 0;
        });
        const int status = WaitFor(pid, Millis(20000));
        ASSERT_TRUE(status >= 0 && WIFSIGNALED(status));

        ClearProfileCache();
        const QStringList found = brusko::LoadListing().lines;  // clears a leftover "Vindelor.ny"
        EXPECT_FALSE(QFile::exists(dir.file(kLogTempFile)));
        ExpectWellFormed(dir.file(kLogFile));
        const Totals totals = StoredTotals();
        if (step == brusko::DeletionStep::TemporaryWritten) {
            EXPECT_EQ(found, before);
            EXPECT_TRUE(totals == oldTotals);
        } else {
            EXPECT_EQ(found, after);
            // The totals go in after the new log: killed between the two they are the
            // old ones, which a recount brings back in line.
            EXPECT_TRUE(totals ==
                        (step == brusko::DeletionStep::TotalsWritten ? TotalsOf(after) : oldTotals))
                << totals.time.toStdString() << " " << totals.cost.toStdString();
        }
    }
}

// A viewer that deletes the first row again and again, killed at random moments: the
// log is always a whole tail of the first log, and the totals belong to it or to the log
// one deletion earlier.
TEST(CrashSafety, RepeatedDeletionsKilledAtRandomMomentsLoseAndDoubleNothing) {
    ScopedDataDir dir;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.5"), kSettingsFile));
    const QStringList original = DurationLines(800);
    ASSERT_TRUE(RewriteLog(original));
    PutTotalsOf(original);

    const auto budget = Clock::now() + Millis(5000);
    const int soak = SoakKills();
    int rounds = 0;
    int kills = 0;  // a child that emptied the log before the kill came was not killed
    int deleted = 0;
    int left = static_cast<int>(original.size());
    while (soak > 0 ? rounds < soak : left > 1 && (rounds < 30 || Clock::now() < budget)) {
        if (left <= 1) {  // a soak starts again from the whole log
            ASSERT_TRUE(RewriteLog(original));
            PutTotalsOf(original);
            deleted += static_cast<int>(original.size()) - left;
            left = static_cast<int>(original.size());
        }
        ++rounds;
        ReadyChild child = SpawnWithReady([](int readyFd) {
            for (bool first = true;; first = false) {
                const brusko::Listing listing = brusko::LoadListing();
                if (listing.lines.isEmpty()) {
                    return 0;
                }
                if (brusko::DeleteRows(listing.lines, {0}).status !=
                    brusko::DeleteStatus::Deleted) {
                    return 2;
                }
                if (first) {
                    SignalReady(readyFd);
                }
            }
        });
        ASSERT_GT(child.pid, 0);
        if (!AwaitReady(child, Millis(10000))) {
            break;  // nothing left to delete
        }
        std::this_thread::sleep_for(RandomMillis(15));
        kills += WIFSIGNALED(KillAndReap(child.pid)) ? 1 : 0;

        ClearProfileCache();
        const QStringList found = brusko::LoadListing().lines;
        EXPECT_FALSE(QFile::exists(dir.file(kLogTempFile)));
        ExpectWellFormed(dir.file(kLogFile));
        ExpectWellFormed(dir.file(kSettingsFile));
        const int n = static_cast<int>(found.size());
        ASSERT_EQ(StoredLogKeys(ReadFileBytes(dir.file(kLogFile))).size(), n);
        ASSERT_LE(n, left);
        ASSERT_EQ(found, original.mid(original.size() - n)) << "not a tail of the log";
        // Each total is its own write after the new log: killed between them, a total
        // may still be the one of the log before this deletion.
        const Totals totals = StoredTotals();
        const Totals now = TotalsOf(found);
        const Totals oneEarlier = TotalsOf(original.mid(original.size() - n - 1));
        EXPECT_TRUE(totals.time == now.time || totals.time == oneEarlier.time)
            << totals.time.toStdString() << " with " << n << " lines left";
        EXPECT_TRUE(totals.cost == now.cost || totals.cost == oneEarlier.cost)
            << totals.cost.toStdString() << " with " << n << " lines left";
        EXPECT_TRUE(totals.tries == now.tries || totals.tries == oneEarlier.tries)
            << totals.tries.toStdString() << " with " << n << " lines left";
        if (::testing::Test::HasFailure()) {
            break;
        }
        left = n;
    }
    deleted += static_cast<int>(original.size()) - left;
    std::printf("[stress] %d kills during deletions; %d lines deleted from a log of %lld\n", kills,
                deleted, static_cast<long long>(original.size()));
    EXPECT_GT(deleted, 20) << "too few deletions to prove anything";
}

// --- the tune-up -------------------------------------------------------------------------

TEST(CrashSafety, TuneUpKilledAtRandomMomentsLeavesTheOldOrTheConvertedLog) {
    ScopedDataDir dir;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.5"), kSettingsFile));
    QStringList old;
    for (int i = 1; i <= 6000; ++i) {
        old << QStringLiteral("%1.03.1998 08:15:00-%2:%3:07")
                   .arg(i)
                   .arg(i % 24, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'));
    }
    const QStringList converted = ristola::ConvertOldLines(old, 0.5).lines;
    ASSERT_NE(old, converted);

    // How long one whole tune-up takes, to spread the kills over it.
    ASSERT_TRUE(RewriteLog(old));
    const auto start = Clock::now();
    ASSERT_EQ(
        ExitCode(WaitFor(
            Spawn([] { return ristola::RunTuneUp() == ristola::TuneUpOutcome::Done ? 0 : 1; }),
            Millis(30000))),
        0);
    const int fullMs =
        static_cast<int>(std::chrono::duration_cast<Millis>(Clock::now() - start).count());

    int kills = 0;  // a tune-up that ended before the kill came was not killed
    int sawOld = 0;
    int sawConverted = 0;
    const auto budget = Clock::now() + Millis(4000);
    int rounds = 0;
    const int soak = SoakKills();
    while (soak > 0 ? rounds < soak : rounds < 12 || (Clock::now() < budget && rounds < 200)) {
        ++rounds;
        ASSERT_TRUE(RewriteLog(old));
        const pid_t pid = Spawn([] { return static_cast<int>(ristola::RunTuneUp()); });
        std::this_thread::sleep_for(RandomMillis(fullMs + 2));
        kills += WIFSIGNALED(KillAndReap(pid)) ? 1 : 0;
        ClearProfileCache();
        ExpectWellFormed(dir.file(kLogFile));
        const QStringList found = ReadLogLines(kLogFile, 4096);
        if (found == old) {
            ++sawOld;
        } else if (found == converted) {
            ++sawConverted;
        } else {
            FAIL() << "the log is neither the old nor the converted one (" << found.size()
                   << " lines)";
        }
    }
    std::printf(
        "[stress] tune-up of %lld lines takes %d ms; %d runs, %d of them killed: %d "
        "old, %d converted\n",
        static_cast<long long>(old.size()), fullMs, rounds, kills, sawOld, sawConverted);
}

}  // namespace
}  // namespace vindelor::stress
