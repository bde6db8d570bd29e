// Writes that cannot be made: a full disk (a file size limit, which binds root too) and a
// directory without write permission. The old files stay whole, the callers learn of the
// failure, nothing crashes.
#include "stress_support.h"

#include "converter/tuneup.h"
#include "core/profile.h"
#include "core/ratetable.h"
#include "core/savetariff.h"
#include "core/sessionlog.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"
#include "viewer/logstore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>
#include <stdexcept>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vindelor::stress {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;

const char* const kLimitReached = "limit reached";

QStringList SomeLines(int n) {
    QStringList lines;
    for (int i = 1; i <= n; ++i) {
        lines << BuildLogLine(QStringLiteral("%1.02.2001").arg(i), QStringLiteral("07:30:00"),
                              QStringLiteral("00:10:00"), 0.5);
    }
    return lines;
}

struct Files {
    QByteArray ini, log, dta;
};

Files Snapshot(const ScopedDataDir& dir) {
    return {ReadFileBytes(dir.file(kSettingsFile)), ReadFileBytes(dir.file(kLogFile)),
            ReadFileBytes(dir.file(kRateDataFile))};
}

void PrepareFiles(const ScopedDataDir& dir) {
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.5"), kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Kostnad"), QStringLiteral("Totalt"),
                                   QStringLiteral("2.50"), kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Nättid"), QStringLiteral("Totalt"),
                                   QStringLiteral("00:50:00"), kSettingsFile));
    ASSERT_TRUE(RewriteLog(SomeLines(5)));
    TRateWeek week;
    FillWithRateClass(week, 2);
    SaveRateDataFile(week);
    ASSERT_EQ(ReadFileBytes(dir.file(kRateDataFile)).size(), kRateDataSize);
}

// Runs `attempt` in a child whose writes stop at `limit` bytes per file; the child's exit
// code is what `attempt` returns. A child killed by a signal has crashed.
int UnderFileSizeLimit(long long limit, const std::function<int()>& attempt) {
    const pid_t pid = Spawn([&] {
        ::signal(SIGXFSZ, SIG_IGN);  // fail with EFBIG, as a full disk fails with ENOSPC
        const rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0) {
            return 90;
        }
        ClearProfileCache();
        return attempt();
    });
    const int status = WaitFor(pid, Millis(30000));
    EXPECT_FALSE(status >= 0 && WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    return ExitCode(status);
}

struct FullDiskCase {
    const char* name;
    std::function<int()> attempt;  // 0 when the failure was reported as the callers expect
};

TEST(FullDisk, EveryWriterReportsTheFailureAndLeavesTheOldFilesWhole) {
    const std::vector<FullDiskCase> cases = {
        {"settings value",
         [] {
             return WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                       QStringLiteral("0.75"), kSettingsFile)
                        ? 1
                        : 0;
         }},
        {"log append", [] { return AppendLogLine(SomeLines(6).last()) == 0 ? 0 : 1; }},
        {"log rewrite", [] { return RewriteLog(SomeLines(3)) ? 1 : 0; }},
        {"viewer deletion",
         [] {
             const brusko::Listing listing = brusko::LoadListing();
             const brusko::DeleteResult r = brusko::DeleteRows(listing.lines, {1, 2});
             return r.status == brusko::DeleteStatus::Failed && !r.error.isEmpty() ? 0 : 1;
         }},
        {"tune-up",
         [] {
             // An old log, so the tune-up has something to convert.
             return ristola::RunTuneUp() == ristola::TuneUpOutcome::WriteFailed ? 0 : 1;
         }},
        {"rate data file",
         [] {
             TRateWeek week;
             FillWithRateClass(week, 3);
             try {
                 SaveRateDataFile(week);
             } catch (const std::runtime_error& e) {
                 return std::string(e.what()).empty() ? 1 : 0;
             }
             return 1;
         }},
        {"tariff save",
         [] {
             platform::test::ScopedFakes fakes;
             TariffValues v;
             v.MultipleRates = true;
             v.RateTexts = {QStringLiteral("0.5"), QString(), QString(), QString()};
             TRateWeek week;
             FillWithRateClass(week, 1);
             try {
                 SaveTariff(v, week);
             } catch (const std::runtime_error&) {
                 return 0;  // the dialog stays open and shows why
             }
             return 1;
         }},
    };
    for (const FullDiskCase& c : cases) {
        for (const long long limit : {0LL, 40LL}) {
            SCOPED_TRACE(std::string(c.name) + ", limit " + std::to_string(limit));
            ScopedDataDir dir;
            PrepareFiles(dir);
            if (std::string(c.name) == "tune-up") {
                ASSERT_TRUE(RewriteLog({QStringLiteral("1.1.1998 10:00:00-00:05:00")}));
            }
            const Files before = Snapshot(dir);
            EXPECT_EQ(UnderFileSizeLimit(limit, c.attempt), 0);
            const Files after = Snapshot(dir);
            EXPECT_EQ(after.ini, before.ini);
            EXPECT_EQ(after.log, before.log);
            EXPECT_EQ(after.dta, before.dta);
            EXPECT_FALSE(QFile::exists(dir.file(kLogTempFile)));
            EXPECT_EQ(LeftoverTemporaries(dir.path()), QStringList());
        }
    }
}

// The programs themselves on a full disk: a clear message and a failing exit code, the
// log as it was.
TEST(FullDisk, ViewerAndTuneUpProgramsSayTheLogWasNotChanged) {
    ScopedDataDir dir;
    PrepareFiles(dir);
    const Files before = Snapshot(dir);
    const ProgramRun del = RunProgram(ProgramPath("brusko"), {"--delete", "2"}, Millis(30000), 100);
    EXPECT_EQ(del.exitCode, 1) << del.out.toStdString() << del.err.toStdString();
    EXPECT_TRUE(del.err.toLower().contains("the log was not changed")) << del.err.toStdString();
    EXPECT_EQ(Snapshot(dir).log, before.log);

    ASSERT_TRUE(RewriteLog({QStringLiteral("1.1.1998 10:00:00-00:05:00")}));
    const QByteArray oldLog = ReadFileBytes(dir.file(kLogFile));
    const ProgramRun tune = RunProgram(ProgramPath("ristola"), {"--yes"}, Millis(30000), 10);
    EXPECT_EQ(tune.exitCode, 1);
    EXPECT_TRUE(tune.err.startsWith("Logfile could not be written !")) << tune.err.toStdString();
    EXPECT_EQ(ReadFileBytes(dir.file(kLogFile)), oldLog);
    EXPECT_EQ(LeftoverTemporaries(dir.path()), QStringList());
}

// A directory the user may read but not write. Root writes anyway, so under root the
// writes are made by a child that has become "nobody" first.
TEST(ReadOnlyDirectory, WritesFailAndTheFilesStayWhole) {
    ScopedDataDir dir;
    PrepareFiles(dir);
    // The lock file exists already (PrepareFiles wrote under the lock), so only the
    // writes themselves meet the permission.
    const Files before = Snapshot(dir);
    const QByteArray path = QFile::encodeName(dir.path());
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (uid == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        uid = nobody != nullptr ? nobody->pw_uid : 65534;
        gid = nobody != nullptr ? nobody->pw_gid : 65534;
        // The user's own directory and files, as they would be.
        const QStringList names =
            QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
        for (const QString& name : names) {
            ASSERT_EQ(::lchown(QFile::encodeName(dir.file(name)).constData(), uid, gid), 0);
        }
        ASSERT_EQ(::lchown(path.constData(), uid, gid), 0);
    }
    ASSERT_EQ(::chmod(path.constData(), 0500), 0);
    // 0 when every write failed as it should, else the number of the first check that
    // did not hold.
    const pid_t child = Spawn([&] {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
                                 ::setresuid(uid, uid, uid) != 0)) {
            return 90;
        }
        if (::access(path.constData(), R_OK | X_OK) != 0) {
            return 91;  // a private temporary folder above it
        }
        ClearProfileCache();
        if (WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                               QStringLiteral("0.75"), kSettingsFile)) {
            return 1;
        }
        if (AppendLogLine(SomeLines(6).last()) != 0) {
            return 2;
        }
        const brusko::Listing listing = brusko::LoadListing();
        if (listing.lines != SomeLines(5)) {
            return 3;
        }
        if (brusko::DeleteRows(listing.lines, {0}).status != brusko::DeleteStatus::Failed) {
            return 4;
        }
        try {
            TRateWeek week;
            SaveRateDataFile(week);
            return 5;
        } catch (const std::runtime_error&) {
        }
        if (RewriteLog({QStringLiteral("1.1.1998 10:00:00-00:05:00")})) {
            return 6;
        }
        if (GetProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"), {}, 10,
                             kSettingsFile) != QLatin1String("0.5")) {
            return 7;
        }
        return 0;
    });
    const int code = ExitCode(WaitFor(child, Millis(30000)));
    ::chmod(path.constData(), 0700);
    if (code == 91) {
        GTEST_SKIP() << "the temporary folder is closed to the user " << uid
                     << "; set TMPDIR to an open one";
    }
    EXPECT_EQ(code, 0) << "90: the child could not become user " << uid;
    const Files after = Snapshot(dir);
    EXPECT_EQ(after.ini, before.ini);
    EXPECT_EQ(after.log, before.log);
    EXPECT_EQ(after.dta, before.dta);
}

}  // namespace
}  // namespace vindelor::stress
