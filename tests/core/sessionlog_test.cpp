#include "core/sessionlog.h"

#include "core/profile.h"
#include "support/testenv.h"

#include <QSet>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace vindelor {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;
using test::WriteFileBytes;

TEST(LogLine, SplitsAtFirstBlankDashAndCaret) {
    struct Case {
        const char* line;
        const char* date;
        const char* time;
        const char* duration;
        const char* cost;
        bool hasCost;
    };
    const Case cases[] = {
        {"06.12.1999 14:05:09-00:12:00^   1.2000", "06.12.1999", "14:05:09", "00:12:00",
         "   1.2000", true},
        {"06.12.1999 14:05:09-+FAILED+^   0.1500", "06.12.1999", "14:05:09", "+FAILED+",
         "   0.1500", true},
        {"06.12.1999 14:05:09-01:02:00", "06.12.1999", "14:05:09", "01:02:00", "", false},
        {"06.12.1999 14:05:09-123:05:00^ 123.4500", "06.12.1999", "14:05:09", "123:05:00",
         " 123.4500", true},
        {"6/12/99 2:05:09-00:01:00^x^y", "6/12/99", "2:05:09", "00:01:00", "x^y", true},
        {"damaged", "damaged", "", "", "", false},
        {"only date-and", "only", "date", "and", "", false},
        {"", "", "", "", "", false},
    };
    for (const Case& c : cases) {
        const LogLineParts parts = SplitLogLine(QString::fromUtf8(c.line));
        EXPECT_EQ(parts.date, QString::fromUtf8(c.date)) << c.line;
        EXPECT_EQ(parts.time, QString::fromUtf8(c.time)) << c.line;
        EXPECT_EQ(parts.duration, QString::fromUtf8(c.duration)) << c.line;
        EXPECT_EQ(parts.cost, QString::fromUtf8(c.cost)) << c.line;
        EXPECT_EQ(parts.hasCost, c.hasCost) << c.line;
    }
}

TEST(LogLine, BuildsTheCurrentFormAndReadsBothCostWidths) {
    const QString line = BuildLogLine("06.12.1999", "14:05:09", "00:12:00", 1.2);
    EXPECT_EQ(line, "06.12.1999 14:05:09-00:12:00^   1.2000");
    EXPECT_EQ(line.size(), 38);
    EXPECT_EQ(BuildLogLine("06.12.1999", "14:05:09", "00:12:00", 123.45),
              "06.12.1999 14:05:09-00:12:00^ 123.4500");
    EXPECT_EQ(BuildLogLine("06.12.1999", "14:05:09", FailedTryMarker(600), 0.0),
              "06.12.1999 14:05:09-+FAILED+^   0.0000");

    struct Cost {
        const char* text;
        double value;
    };
    const Cost costs[] = {
        {"   1.2000", 1.2},
        {"   1.20", 1.2},
        {" 123.4500", 123.45},
        {"  31.00", 31.0},
        {"", 0.0},
        {"   ", 0.0},
        {"abc", 0.0},
        {"  .5", 0.5},
        {"7.", 7.0},
        {"12.5xyz", 12.5},
        {"-0.25", -0.25},
        // A hand-edited decimal comma is a point; one before a point groups thousands.
        {"1,5000", 1.5},
        {"1,500.00", 1.0},
        // Past the fourth decimal, halves round away from zero.
        {"0.00005", 0.0001},
        {"-0.00005", -0.0001},
        {"0.000049", 0.0},
        {"\t2", 2.0},
        {".", 0.0},
    };
    for (const Cost& c : costs) {
        EXPECT_DOUBLE_EQ(ReadCost(QString::fromUtf8(c.text)).Value(), c.value)
            << '"' << c.text << '"';
    }
    EXPECT_DOUBLE_EQ(ReadCost(SplitLogLine(line).cost).Value(), 1.2);
}

TEST(LogLine, FailedTryMarkersAndRecognition) {
    EXPECT_EQ(FailedTryMarker(0), QStringLiteral("+FÖRSÖK+"));
    EXPECT_EQ(FailedTryMarker(300), "+YRITYS+");
    EXPECT_EQ(FailedTryMarker(600), "+FAILED+");
    for (int offset : {0, 300, 600}) {
        EXPECT_TRUE(
            IsFailedTryLine(BuildLogLine("06.12.1999", "14:05:09", FailedTryMarker(offset), 0.15)));
        // A marker adds no time.
        const Hms t = ParseHms(FailedTryMarker(offset));
        EXPECT_EQ(t.hours + t.minutes + t.seconds, 0);
    }
    EXPECT_FALSE(IsFailedTryLine("06.12.1999 14:05:09-00:12:00^   1.2000"));

    // The Swedish marker is stored in Windows-1252.
    ScopedDataDir data;
    ASSERT_EQ(AppendLogLine(BuildLogLine("06.12.1999", "14:05:09", FailedTryMarker(0), 0.15)), 1);
    EXPECT_TRUE(ReadFileBytes(data.file(kLogFile)).contains("-\x2B\x46\xD6\x52\x53\xD6\x4B\x2B^"));
    EXPECT_TRUE(ReadLogLines().value(0).contains(QStringLiteral("+FÖRSÖK+")));
}

TEST(Durations, PartsCarryAndFormat) {
    struct Case {
        const char* text;
        long long h, m, s;
    };
    const Case cases[] = {
        {"00:12:00", 0, 12, 0},
        {"123:05:00", 123, 5, 0},
        {"1x:2y:3z", 1, 2, 3},
        {"aa:05:07", 0, 5, 7},
        {"", 0, 0, 0},
        {"7", 7, 0, 0},
        {"01:02", 1, 2, 0},
        {"+FAILED+", 0, 0, 0},
        {"01:02:03:04", 1, 2, 3},
        {"99999999999999999999999:00:00", 9223372036854775807LL, 0, 0},
    };
    for (const Case& c : cases) {
        const Hms t = ParseHms(QString::fromUtf8(c.text));
        EXPECT_EQ(t.hours, c.h) << c.text;
        EXPECT_EQ(t.minutes, c.m) << c.text;
        EXPECT_EQ(t.seconds, c.s) << c.text;
    }

    EXPECT_EQ(FormatHms(Add(ParseHms("99:59:00"), ParseHms("00:01:00"))), "100:00:00");
    EXPECT_EQ(FormatHms(Add(ParseHms("00:59:59"), ParseHms("00:00:01"))), "01:00:00");
    EXPECT_EQ(FormatHms(Add(ParseHms("123:05:00"), ParseHms("00:00:00"))), "123:05:00");
    EXPECT_EQ(FormatHms(Normalised(Hms{0, 0, 3725})), "01:02:05");
    EXPECT_EQ(FormatHms(Normalised(Hms{0, 0, 3725}), true), "01:02:00");
    const Hms negative = Normalised(Hms{1, 0, -1});
    EXPECT_EQ(FormatHms(negative), "00:59:59");
    const Hms huge = Add(ParseHms("9223372036854775807:00:00"), ParseHms("5:00:00"));
    EXPECT_EQ(huge.hours, 9223372036854775807LL) << "saturates instead of wrapping";
}

TEST(SessionLog, ReadsUntilTheFirstMissingKeyAndAppendsThere) {
    ScopedDataDir data;
    EXPECT_TRUE(ReadLogLines().isEmpty());
    EXPECT_EQ(FirstFreeLogKey(), 1);

    WriteFileBytes(data.file(kLogFile),
                   "[N\xE4ttid]\r\n1=line one\r\n2=  line two  \r\n4=line four\r\n");
    EXPECT_EQ(ReadLogLines(), QStringList({"line one", "line two"}));
    EXPECT_EQ(FirstFreeLogKey(), 3);
    EXPECT_EQ(AppendLogLine("line three"), 3);
    EXPECT_EQ(ReadLogLines(), QStringList({"line one", "line two", "line three", "line four"}));
    EXPECT_EQ(AppendLogLine("line five"), 5);

    // A key holding "#" reads like a missing one; appending takes its place.
    WriteFileBytes(data.file(kLogFile), "[N\xE4ttid]\r\n1=a\r\n2=#\r\n3=c\r\n");
    EXPECT_EQ(ReadLogLines(), QStringList({"a"}));
    EXPECT_EQ(AppendLogLine("b"), 2);
    EXPECT_EQ(ReadLogLines(), QStringList({"a", "b", "c"}));
}

TEST(SessionLog, LinesAreCutToTheReadersLength) {
    ScopedDataDir data;
    const QString longLine = QString(60, QLatin1Char('x'));
    ASSERT_EQ(AppendLogLine(longLine), 1);
    EXPECT_EQ(ReadLogLines().value(0), QString(49, QLatin1Char('x')));
    EXPECT_EQ(ReadLogLines(QString(), 59).value(0), QString(58, QLatin1Char('x')));
    EXPECT_EQ(ReadLogLines(QString(), 1), QStringList({""})) << "still one line, not a loop";
}

TEST(SessionLog, AppendCreatesTheLogAndOtherFilesCanBeNamed) {
    ScopedDataDir data;
    const QString line = BuildLogLine("06.12.1999", "14:05:09", "00:12:00", 1.2);
    EXPECT_EQ(AppendLogLine(line), 1);
    EXPECT_EQ(ReadFileBytes(data.file(kLogFile)),
              QByteArray("[N\xE4ttid]\r\n1=06.12.1999 14:05:09-00:12:00^   1.2000\r\n"));
    EXPECT_EQ(AppendLogLine("ny", kLogTempFile), 1);
    EXPECT_EQ(ReadLogLines(kLogTempFile), QStringList({"ny"}));
    EXPECT_EQ(ReadLogLines(), QStringList({line}));
}

TEST(SessionLog, AppendingPastTheClassicLimitOverwritesNothing) {
    ScopedDataDir data;
    std::vector<std::pair<QString, QString>> entries;
    for (int n = 1; n <= kLogClassicLimit; ++n) {
        entries.emplace_back(QString::number(n), QStringLiteral("line %1").arg(n));
    }
    ASSERT_TRUE(WriteProfileSection(kLogSection, entries, kLogFile));
    EXPECT_EQ(FirstFreeLogKey(), kLogClassicLimit + 1);
    EXPECT_EQ(AppendLogLine("the new one"), kLogClassicLimit + 1);
    EXPECT_EQ(AppendLogLine("and another"), kLogClassicLimit + 2);
    const QStringList lines = ReadLogLines();
    ASSERT_EQ(lines.size(), kLogClassicLimit + 2);
    EXPECT_EQ(lines[kLogClassicLimit - 1], QStringLiteral("line %1").arg(kLogClassicLimit));
    EXPECT_EQ(lines[kLogClassicLimit], "the new one");
    EXPECT_EQ(lines[kLogClassicLimit + 1], "and another");
}

TEST(SessionLog, RewriteRenumbersFromOneAndKeepsOtherSections) {
    ScopedDataDir data;
    WriteFileBytes(data.file(kLogFile),
                   "[N\xE4ttid]\r\n1=a\r\n2=b\r\n3=c\r\n5=e\r\n\r\n[Extra]\r\nx=1\r\n");
    ASSERT_TRUE(RewriteLog({"a", "c"}));
    EXPECT_EQ(ReadFileBytes(data.file(kLogFile)),
              QByteArray("[N\xE4ttid]\r\n1=a\r\n2=c\r\n\r\n[Extra]\r\nx=1\r\n"));
    EXPECT_EQ(ReadLogLines(), QStringList({"a", "c"}));
    EXPECT_EQ(FirstFreeLogKey(), 3);

    ASSERT_TRUE(RewriteLog({}, kLogTempFile));
    EXPECT_TRUE(ReadLogLines(kLogTempFile).isEmpty());
    ASSERT_TRUE(RewriteLog({"x"}, kLogTempFile));
    EXPECT_EQ(ReadLogLines(kLogTempFile), QStringList({"x"}));
}

QSet<QString> Expected(const QString& prefix, int count) {
    QSet<QString> set;
    for (int i = 0; i < count; ++i)
        set.insert(prefix + QString::number(i));
    return set;
}

void ExpectExactly(const QStringList& lines, const QSet<QString>& expected) {
    EXPECT_EQ(lines.size(), expected.size());
    const QSet<QString> got(lines.begin(), lines.end());
    EXPECT_EQ(got.size(), lines.size()) << "a line was written twice";
    EXPECT_EQ(got, expected);
}

TEST(SessionLogConcurrency, TwoProcessesAppendingLoseNoLine) {
    ScopedDataDir data;
    constexpr int kEach = 200;
    ClearProfileCache();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(120);  // never outlive a broken parent
        int failures = 0;
        for (int i = 0; i < kEach; ++i) {
            if (AppendLogLine(QStringLiteral("child %1").arg(i)) == 0)
                ++failures;
        }
        ::_exit(failures == 0 ? 0 : 1);
    }
    int failures = 0;
    for (int i = 0; i < kEach; ++i) {
        if (AppendLogLine(QStringLiteral("parent %1").arg(i)) == 0)
            ++failures;
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(failures, 0);

    QSet<QString> expected = Expected(QStringLiteral("parent "), kEach);
    expected.unite(Expected(QStringLiteral("child "), kEach));
    const QStringList lines = ReadLogLines();
    ExpectExactly(lines, expected);
    EXPECT_EQ(FirstFreeLogKey(), 2 * kEach + 1);
}

TEST(SessionLogConcurrency, ThreadsAppendingAndRewritingLoseNoLine) {
    ScopedDataDir data;
    constexpr int kThreads = 3;
    constexpr int kEach = 60;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kEach; ++i) {
                if (AppendLogLine(QStringLiteral("t%1 %2").arg(t).arg(i)) == 0)
                    ++failures;
            }
        });
    }
    // A rewriter that keeps every line: read and rewrite under the lock, as the log
    // viewer does, must not drop a line appended meanwhile.
    threads.emplace_back([&failures] {
        for (int i = 0; i < 20; ++i) {
            ProfileLock lock;
            if (!RewriteLog(ReadLogLines()))
                ++failures;
        }
    });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);

    QSet<QString> expected;
    for (int t = 0; t < kThreads; ++t) {
        expected.unite(Expected(QStringLiteral("t%1 ").arg(t), kEach));
    }
    ExpectExactly(ReadLogLines(), expected);
}

}  // namespace
}  // namespace vindelor
