#include "viewer/logrows.h"
#include "viewer/logstore.h"

#include "platform/datadir.h"
#include "support/testenv.h"
#include "viewer/testlog.h"

#include <QDir>
#include <QFile>
#include <QTime>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vindelor::brusko {
namespace {

using namespace vindelor::brusko::testing;
using test::ScopedDataDir;

const QString kA = QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000");
const QString kB = QStringLiteral("07.12.1999 09:00:00-00:12:00^   0.3000");
const QString kF = QStringLiteral("07.12.1999 10:00:00-+FAILED+^   0.1500");
const QString kC = QStringLiteral("08.12.1999 11:00:00-00:30:20^   0.5000");

class Deletion : public ::testing::Test {
  protected:
    void SetUp() override {
        Put(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
        Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
        Put(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Nej"));
        Put(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("99:00:00"));
        Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("99.99"));
        Put(QStringLiteral("Försök"), QStringLiteral("Antal"), QStringLiteral("7"));
    }
    QString LogPath() const { return dir_.file(kLogFile); }
    QString TempPath() const { return dir_.file(kLogTempFile); }

    ScopedDataDir dir_;
};

TEST_F(Deletion, RemovesSelectedRowsAndRecomputesTheTotals) {
    PutLog({kA, kB, kF, kC});
    const Listing listing = LoadListing();
    ASSERT_EQ(listing.lines, (QStringList{kA, kB, kF, kC}));

    const DeleteResult r = DeleteRows(listing.lines, {1});
    ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(ReadLogLines(), (QStringList{kA, kF, kC}));
    EXPECT_FALSE(QFile::exists(TempPath()));

    // 00:40:50 + 00:30:20 carries; the failed try adds its cost but no time.
    EXPECT_EQ(r.label1, QStringLiteral("01:11:10"));
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("01:11:10"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("1.85"));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("1"));
    EXPECT_TRUE(r.label2Changed);
    EXPECT_EQ(r.label2, QStringLiteral("mk  1.85"));
    EXPECT_EQ(r.rows, (QStringList{ListRow(kA), ListRow(kF), ListRow(kC)}));
    EXPECT_EQ(r.clipboard.value(0), QStringLiteral("06.12.1999 14:05:09\t00:40:50\t   1.2000"));
}

TEST_F(Deletion, NothingSelectedRenumbersTheLogAndRecomputes) {
    // Keys out of order and a gap after key 2: the log lists as two lines, and the
    // rewrite keeps the line after the gap, which closes it.
    test::WriteFileBytes(LogPath(), "[N\xE4ttid]\r\n2=" + kB.toLatin1() + "\r\n1=" + kA.toLatin1() +
                                        "\r\n4=" + kC.toLatin1() + "\r\n");
    ClearProfileCache();
    const Listing listing = LoadListing();
    ASSERT_EQ(listing.lines, (QStringList{kA, kB}));

    const DeleteResult r = DeleteRows(listing.lines, {});
    ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
    EXPECT_EQ(r.removed, 0);
    EXPECT_EQ(ReadLogLines(), (QStringList{kA, kB, kC}));
    EXPECT_EQ(r.lines, (QStringList{kA, kB, kC}));
    EXPECT_EQ(GetProfileString(kLogSection, QStringLiteral("1"), QStringLiteral("#"), 50, kLogFile),
              kA);
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("01:23:10"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("2.00"));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("0"));
}

// A key reading "#" ends the listing like a gap; a deletion keeps it and the lines after
// it, and the totals count only what is listed.
TEST_F(Deletion, KeyReadingHashIsKeptWithTheLinesAfterItAndCostsNothing) {
    PutLog({kA, kB, QStringLiteral("#"), kC});
    const Listing listing = LoadListing();
    ASSERT_EQ(listing.lines, (QStringList{kA, kB}));

    const DeleteResult r = DeleteRows(listing.lines, {1});
    ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(r.lines, QStringList{kA});
    EXPECT_EQ(ReadAllLogLines(kLogFile, 100), (QStringList{kA, QStringLiteral("#"), kC}));
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("00:40:50"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("1.20"));
}

TEST_F(Deletion, EverythingDeletedLeavesAnEmptyLogAndZeroTotals) {
    PutLog({kA, kF});
    const Listing listing = LoadListing();
    const DeleteResult r = DeleteRows(listing.lines, {0, 1});
    ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
    ClearProfileCache();
    EXPECT_TRUE(ReadLogLines().isEmpty());
    EXPECT_TRUE(r.rows.isEmpty());
    EXPECT_EQ(r.label1, QStringLiteral("00:00:00"));
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("00:00:00"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.00"));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("0"));
    // The next session's line starts the log again at key 1.
    EXPECT_EQ(AppendLogLine(kC), 1);
}

TEST_F(Deletion, CostTotalFollowsTheCostSettings) {
    PutLog({kA, kB});
    {
        // Cost monitoring off: the cost total is stored as 0.00 and the label cleared.
        Put(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
        const DeleteResult r = DeleteRows(LoadListing().lines, {});
        ASSERT_EQ(r.status, DeleteStatus::Deleted);
        EXPECT_TRUE(r.label2Changed);
        EXPECT_TRUE(r.label2.isEmpty());
        EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.00"));
    }
    {
        // No charge ever saved: the cost total stays as it was.
        Put(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Nej"));
        Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("42.00"));
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                       QStringLiteral("#"), kSettingsFile));
        const DeleteResult r = DeleteRows(LoadListing().lines, {0});
        ASSERT_EQ(r.status, DeleteStatus::Deleted);
        EXPECT_FALSE(r.label2Changed);
        EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")),
                  QStringLiteral("42.00"));
        EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")),
                  QStringLiteral("00:12:00"));
    }
}

TEST_F(Deletion, LargeCostSumsKeepTheirDigits) {
    PutLog({QStringLiteral("06.12.1999 14:05:09-99:00:00^99999.0000"),
            QStringLiteral("07.12.1999 14:05:09-99:00:00^23456.5000")});
    const DeleteResult r = DeleteRows(LoadListing().lines, {});
    ASSERT_EQ(r.status, DeleteStatus::Deleted);
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")),
              QStringLiteral("123455.50"));
    EXPECT_EQ(r.label1, QStringLiteral("198:00:00"));
}

TEST_F(Deletion, RefusedWhileASessionIsOpen) {
    PutLog({kA, kB});
    const QByteArray before = test::ReadFileBytes(LogPath());
    Put(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Ja"));
    EXPECT_TRUE(SessionOpen());
    const DeleteResult r = DeleteRows(LoadListing().lines, {0});
    EXPECT_EQ(r.status, DeleteStatus::SessionOpen);
    EXPECT_EQ(test::ReadFileBytes(LogPath()), before);
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("99:00:00"));

    // Anything but "Nej" counts as open.
    Put(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("nej"));
    EXPECT_TRUE(SessionOpen());
}

TEST_F(Deletion, KeepsLinesThatChangedOrArrivedAfterTheListing) {
    PutLog({kA, kB, kC});
    const Listing listing = LoadListing();
    // The main program appends a line, and key 2 no longer holds the listed text.
    ASSERT_EQ(AppendLogLine(kF), 4);
    const QString replaced = QStringLiteral("09.12.1999 12:00:00-00:01:00^   0.0100");
    ASSERT_TRUE(WriteProfileString(kLogSection, QStringLiteral("2"), replaced, kLogFile));

    const DeleteResult r = DeleteRows(listing.lines, {0, 1});
    ASSERT_EQ(r.status, DeleteStatus::Deleted);
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(r.stale, 1);
    EXPECT_EQ(ReadLogLines(), (QStringList{replaced, kC, kF}));
    EXPECT_EQ(r.lines, (QStringList{replaced, kC, kF}));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("1"));
}

TEST_F(Deletion, StaleTemporaryFileIsNotMixedIn) {
    PutLog({kA, kB});
    // A leftover with more keys than the new log will have.
    ASSERT_TRUE(RewriteLog({kC, kC, kC, kC}, kLogTempFile));
    const Listing listing = LoadListing();
    EXPECT_FALSE(QFile::exists(TempPath()));
    ASSERT_TRUE(RewriteLog({kC, kC, kC, kC}, kLogTempFile));  // and again, after start

    const DeleteResult r = DeleteRows(listing.lines, {0});
    ASSERT_EQ(r.status, DeleteStatus::Deleted);
    EXPECT_EQ(ReadLogLines(), QStringList{kB});
}

TEST_F(Deletion, TemporaryFileWithoutALogBecomesTheLog) {
    ASSERT_TRUE(RewriteLog({kA, kB}, kLogTempFile));
    ASSERT_FALSE(QFile::exists(LogPath()));
    EXPECT_TRUE(DiscardInterruptedDeletion());
    EXPECT_FALSE(QFile::exists(TempPath()));
    EXPECT_EQ(LoadListing().lines, (QStringList{kA, kB}));
}

// Runs a deletion in a child process that dies at `step`; returns its exit status.
int DeleteAndDieAt(DeletionStep step, const QStringList& listed, std::vector<int> rows) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        SetDeletionHook([step](DeletionStep reached) {
            if (reached == step) {
                ::_exit(42);
            }
        });
        DeleteRows(listed, rows);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Deletion, CrashAfterTheTemporaryFileLosesAndDoublesNothing) {
    PutLog({kA, kB, kC});
    const QByteArray before = test::ReadFileBytes(LogPath());
    ASSERT_EQ(DeleteAndDieAt(DeletionStep::TemporaryWritten, LoadListing().lines, {1}), 42);
    EXPECT_TRUE(QFile::exists(TempPath()));
    EXPECT_EQ(test::ReadFileBytes(LogPath()), before);

    // Next start: the unfinished deletion is dropped, the log is as it was.
    ClearProfileCache();
    const Listing next = LoadListing();
    EXPECT_FALSE(QFile::exists(TempPath()));
    EXPECT_EQ(next.lines, (QStringList{kA, kB, kC}));
    // And a new deletion works normally.
    ASSERT_EQ(DeleteRows(next.lines, {1}).status, DeleteStatus::Deleted);
    EXPECT_EQ(ReadLogLines(), (QStringList{kA, kC}));
}

TEST_F(Deletion, CrashAfterReplacingTheLogKeepsTheNewLog) {
    PutLog({kA, kB, kC});
    ASSERT_EQ(DeleteAndDieAt(DeletionStep::LogReplaced, LoadListing().lines, {0}), 42);
    ClearProfileCache();
    EXPECT_FALSE(QFile::exists(TempPath()));
    EXPECT_EQ(LoadListing().lines, (QStringList{kB, kC}));
}

// The log is replaced before the totals are written. Should the totals then fail, the
// deletion is still done, but it must not pass for a complete one: the reason comes back
// and the stored totals are the old ones. A recount that cannot store says so as well.
TEST_F(Deletion, TotalsThatCannotBeSavedAreReported) {
    PutLog({kA, kB, kC});
    const QString settings = dir_.file(kSettingsFile);
    const QString aside = settings + QStringLiteral(".aside");
    const auto block = [&] {
        ASSERT_TRUE(QFile::rename(settings, aside));
        ASSERT_TRUE(QDir().mkpath(settings + QStringLiteral("/blocked")));
    };
    const auto unblock = [&] {
        ASSERT_TRUE(QDir(settings).removeRecursively());
        ASSERT_TRUE(QFile::rename(aside, settings));
        ClearProfileCache();
    };
    SetDeletionHook([&](DeletionStep step) {
        if (step == DeletionStep::LogReplaced) {
            block();
        }
    });
    const DeleteResult r = DeleteRows(LoadListing().lines, {1});
    SetDeletionHook(nullptr);
    EXPECT_EQ(r.status, DeleteStatus::Deleted);
    EXPECT_EQ(r.removed, 1);
    EXPECT_TRUE(r.totalsError.startsWith(settings)) << r.totalsError.toStdString();
    EXPECT_EQ(ReadLogLines(), (QStringList{kA, kC}));
    unblock();
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("99:00:00"));

    block();
    const RecountResult recount = RecalculateTotals(LoadListing().rows, QStringLiteral("mk"));
    EXPECT_TRUE(recount.error.startsWith(settings)) << recount.error.toStdString();
    unblock();
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("99.99"));

    // Nothing in the way: nothing to report.
    EXPECT_TRUE(DeleteRows(LoadListing().lines, {0}).totalsError.isEmpty());
    EXPECT_TRUE(RecalculateTotals(LoadListing().rows, QStringLiteral("mk")).error.isEmpty());
}

TEST_F(Deletion, RacingAppendsFromAnotherProcessAreNeitherLostNorDoubled) {
    QStringList originals;
    for (int i = 0; i < 60; ++i) {
        originals.append(Line(1, i, QStringLiteral("00:01:00"), QStringLiteral("   0.1000")));
    }
    PutLog(originals);
    constexpr int kAppends = 80;
    auto appended = [](int k) {
        return Line(2, k, QStringLiteral("00:02:00"), QStringLiteral("   0.2000"));
    };

    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int k = 0; k < kAppends; ++k) {
            if (AppendLogLine(appended(k)) == 0) {
                ::_exit(1);
            }
        }
        ::_exit(0);
    }

    QStringList deleted;
    bool childDone = false;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!childDone && ::waitpid(pid, &status, WNOHANG) == pid) {
            childDone = true;
        }
        // Delete the first original line still listed, one deletion at a time.
        const Listing listing = LoadListing();
        const auto first = std::find_if(listing.lines.begin(), listing.lines.end(),
                                        [](const QString& l) { return l.startsWith("01."); });
        if (first == listing.lines.end()) {
            break;
        }
        const int row = static_cast<int>(first - listing.lines.begin());
        const DeleteResult r = DeleteRows(listing.lines, {row});
        ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
        ASSERT_EQ(r.removed, 1);
        deleted.append(listing.lines[row]);
        if (childDone && deleted.size() >= 10) {
            break;
        }
    }
    if (!childDone) {
        ::waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    ClearProfileCache();
    const QStringList final = ReadLogLines();
    QStringList expectedAppends;
    for (int k = 0; k < kAppends; ++k) {
        expectedAppends.append(appended(k));
    }
    QStringList gotAppends;
    QStringList gotOriginals;
    for (const QString& l : final) {
        (l.startsWith(QStringLiteral("02.")) ? gotAppends : gotOriginals).append(l);
    }
    EXPECT_EQ(gotAppends, expectedAppends);
    QStringList expectedOriginals = originals;
    for (const QString& d : deleted) {
        expectedOriginals.removeOne(d);
    }
    EXPECT_EQ(gotOriginals, expectedOriginals);
    EXPECT_GE(deleted.size(), 10);
}

}  // namespace
}  // namespace vindelor::brusko
