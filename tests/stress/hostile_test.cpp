// Damaged and hostile stored files, one row each: what the programs read from them, and
// that writing to them loses nothing that was there.
#include "stress_support.h"

#include "converter/tuneup.h"
#include "core/cp1252.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "core/ratemonitor.h"
#include "core/ratetable.h"
#include "core/sessionlog.h"
#include "support/testenv.h"
#include "viewer/logstore.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <functional>
#include <limits>

#include <unistd.h>

namespace vindelor::stress {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;
using test::WriteFileBytes;

QByteArray W(const char* utf8) {
    return cp1252::Encode(QString::fromUtf8(utf8));
}

QString Get(const char* section, const char* key, const char* def = "<default>",
            int maxLength = 256) {
    return GetProfileString(QString::fromUtf8(section), QString::fromUtf8(key),
                            QString::fromUtf8(def), maxLength, kSettingsFile);
}

bool Put(const char* section, const char* key, const QString& value) {
    return WriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key), value,
                              kSettingsFile);
}

// Every line of `before` (split at CR LF, CR or LF) is still in `after`, in order.
bool LinesKept(const QByteArray& before, const QByteArray& after) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const QStringList a = QString::fromLatin1(before).split(breaks, Qt::SkipEmptyParts);
    const QStringList b = QString::fromLatin1(after).split(breaks, Qt::SkipEmptyParts);
    int j = 0;
    for (const QString& line : a) {
        while (j < b.size() && b[j] != line) {
            ++j;
        }
        if (j == b.size()) {
            return false;
        }
        ++j;
    }
    return true;
}

QString CurrentLine(int n) {
    return BuildLogLine(QStringLiteral("%1.03.2002").arg(n), QStringLiteral("12:00:00"),
                        QStringLiteral("00:20:00"), 1.5);
}

QByteArray LogFileOf(const QStringList& keyedLines) {
    QByteArray bytes = W("[Nättid]\r\n");
    for (const QString& l : keyedLines) {
        bytes += cp1252::Encode(l) + "\r\n";
    }
    return bytes;
}

struct HostileCase {
    const char* name;
    const char* behaviour;  // what the row shows, for the reader of a failure
    std::function<void(const ScopedDataDir&)> check;
};

const std::vector<HostileCase>& Cases() {
    static const std::vector<HostileCase> cases = {
        {"empty settings file", "defaults; the first write fills it",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kSettingsFile), {});
             EXPECT_EQ(Get("Charge", "per_min", "0", 20), QStringLiteral("0"));
             EXPECT_EQ(brusko::LoadListing().label1, QStringLiteral("00:00:00"));
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("0.5")));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
         }},
        {"binary settings file", "defaults; a write keeps every byte line it found",
         [](const ScopedDataDir& d) {
             QByteArray bytes;
             for (int round = 0; round < 4; ++round) {
                 for (int b = 1; b < 256; ++b) {
                     bytes += static_cast<char>((b * 37 + round) & 0xff);
                 }
             }
             bytes.replace('[', '{');  // no header by chance: nothing must be found
             WriteFileBytes(d.file(kSettingsFile), bytes);
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("<default>"));
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("0.5")));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
             EXPECT_TRUE(LinesKept(bytes, ReadFileBytes(d.file(kSettingsFile))));
         }},
        {"NUL bytes", "a value holding a NUL is not a number; other keys and lines unharmed",
         [](const ScopedDataDir& d) {
             const QByteArray bytes = QByteArray("[Charge]\r\nper_min=0.5\0x\r\nvaluta=kr\r\n", 36);
             WriteFileBytes(d.file(kSettingsFile), bytes);
             EXPECT_EQ(Get("Charge", "valuta"), QStringLiteral("kr"));
             double value = 0;
             EXPECT_FALSE(ParseNumber(Get("Charge", "per_min"), &value));
             ASSERT_TRUE(Put("Charge", "valuta", QStringLiteral("€")));
             EXPECT_TRUE(ReadFileBytes(d.file(kSettingsFile))
                             .contains(QByteArray("per_min=0.5\0x\r\n", 15)))
                 << ReadFileBytes(d.file(kSettingsFile)).toHex().toStdString();
             // In the log, a NUL ends nothing: the cost before it still counts.
             WriteFileBytes(d.file(kLogFile),
                            LogFileOf({"1=" + CurrentLine(1)}) + QByteArray("2=x\0y\r\n", 7));
             ClearProfileCache();
             const QStringList lines = ReadLogLines();
             ASSERT_EQ(lines.size(), 2);
             EXPECT_DOUBLE_EQ(ReadCost(SplitLogLine(lines[0]).cost).Value(), 1.5);
         }},
        {"UTF-8 instead of Windows-1252",
         "names spelled in UTF-8 are other names: defaults, and the lines stay",
         [](const ScopedDataDir& d) {
             const QByteArray bytes =
                 "[N\xC3\xA4ttid]\r\nTotalt=01:00:00\r\n[Charge]\r\nvaluta=\xE2\x82\xAC\r\n";
             WriteFileBytes(d.file(kSettingsFile), bytes);
             EXPECT_EQ(Get("Nättid", "Totalt"), QStringLiteral("<default>"));
             // Each byte is one Windows-1252 character.
             EXPECT_EQ(Get("Charge", "valuta"), QString::fromUtf8("â‚¬"));
             ASSERT_TRUE(Put("Nättid", "Totalt", QStringLiteral("02:00:00")));
             EXPECT_EQ(Get("Nättid", "Totalt"), QStringLiteral("02:00:00"));
             EXPECT_TRUE(LinesKept(bytes, ReadFileBytes(d.file(kSettingsFile))));
         }},
        {"10 MB log line", "read cut to 49 characters; rewrites keep it whole",
         [](const ScopedDataDir&) {
             const QString huge = QStringLiteral("01.01.2000 10:00:00-00:01:00") +
                                  QString(10 * 1024 * 1024, QLatin1Char('9'));
             ASSERT_TRUE(RewriteLog({CurrentLine(1), huge, CurrentLine(3)}));
             ClearProfileCache();
             const QStringList read = ReadLogLines();
             ASSERT_EQ(read.size(), 3);
             EXPECT_EQ(read[1], huge.left(49));
             const brusko::Listing listing = brusko::LoadListing();
             ASSERT_EQ(brusko::DeleteRows(listing.lines, {0}).status,
                       brusko::DeleteStatus::Deleted);
             const QStringList after = ReadLogLines(kLogFile, std::numeric_limits<int>::max());
             ASSERT_EQ(after.size(), 2);
             EXPECT_EQ(after[0].size(), huge.size()) << "a line the user did not delete was cut";
             EXPECT_EQ(after[1], CurrentLine(3));
         }},
        {"10 MB line in an old log", "the tune-up converts it without cutting it",
         [](const ScopedDataDir&) {
             const QString huge = QStringLiteral("01.01.2000 10:00:00-01:02:00") +
                                  QString(10 * 1024 * 1024, QLatin1Char(':'));
             ASSERT_TRUE(RewriteLog({QStringLiteral("1.1.1998 10:00:00-00:05:00"), huge}));
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("1")));
             ASSERT_EQ(ristola::RunTuneUp(), ristola::TuneUpOutcome::Done);
             const QStringList after = ReadLogLines(kLogFile, std::numeric_limits<int>::max());
             ASSERT_EQ(after.size(), 2);
             EXPECT_EQ(after[1], huge + QStringLiteral("^  62.00"));
         }},
        {"section header without its bracket",
         "the rest of the line names the section; writes go into it",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kSettingsFile), "[Charge\r\nper_min=0.5\r\n");
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
             ASSERT_TRUE(Put("Charge", "valuta", QStringLiteral("kr")));
             EXPECT_EQ(Get("Charge", "valuta"), QStringLiteral("kr"));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
         }},
        {"last line without its line break", "a write does not glue the next line to it",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kSettingsFile), "[Charge]\r\nper_min=0.5");
             ASSERT_TRUE(Put("Charge", "valuta", QStringLiteral("kr")));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
             EXPECT_EQ(Get("Charge", "valuta"), QStringLiteral("kr"));
             QString why;
             EXPECT_TRUE(WellFormedProfile(ReadFileBytes(d.file(kSettingsFile)), &why))
                 << why.toStdString();
         }},
        {"keys without \"=\"", "not a key: the default; the line stays",
         [](const ScopedDataDir& d) {
             const QByteArray bytes = "[Charge]\r\nper_min\r\nvaluta=kr\r\n";
             WriteFileBytes(d.file(kSettingsFile), bytes);
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("<default>"));
             EXPECT_EQ(Get("Charge", "valuta"), QStringLiteral("kr"));
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("0.5")));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
             EXPECT_TRUE(LinesKept(bytes, ReadFileBytes(d.file(kSettingsFile))));
         }},
        {"duplicate keys and sections",
         "the first of each is read and written; the later copies stay as they were",
         [](const ScopedDataDir& d) {
             const QByteArray bytes =
                 "[Charge]\r\nper_min=1\r\nPER_MIN=2\r\n[charge]\r\nper_min=3\r\nvaluta=kr\r\n";
             WriteFileBytes(d.file(kSettingsFile), bytes);
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("1"));
             EXPECT_EQ(Get("Charge", "valuta"), QStringLiteral("<default>"));
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("5")));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("5"));
             const QByteArray after = ReadFileBytes(d.file(kSettingsFile));
             EXPECT_TRUE(after.contains("PER_MIN=2\r\n[charge]\r\nper_min=3\r\nvaluta=kr\r\n"));
             // A doubled log key: the first is the line; an append takes the next free key.
             WriteFileBytes(d.file(kLogFile),
                            LogFileOf({"1=" + CurrentLine(1), "1=" + CurrentLine(9)}));
             ClearProfileCache();
             EXPECT_EQ(ReadLogLines(), QStringList{CurrentLine(1)});
             EXPECT_EQ(AppendLogLine(CurrentLine(2)), 2);
         }},
        {"CR-only line ends", "read like CR LF; written back as CR LF",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kSettingsFile), "[Charge]\rper_min=0.5\rvaluta=kr\r");
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
             EXPECT_EQ(Get("Charge", "valuta"), QStringLiteral("kr"));
             ASSERT_TRUE(Put("Charge", "minimi", QStringLiteral("10")));
             EXPECT_EQ(ReadFileBytes(d.file(kSettingsFile)),
                       QByteArray("[Charge]\r\nper_min=0.5\r\nvaluta=kr\r\nminimi=10\r\n"));
         }},
        {"log line over 49 characters", "readers see 49 characters; a deletion keeps it whole",
         [](const ScopedDataDir&) {
             const QString longLine = QStringLiteral("2000-01-01T10:00:00 10:00:00-00:30:00^") +
                                      QStringLiteral("   1.0000 and a note the user added");
             ASSERT_TRUE(RewriteLog({CurrentLine(1), longLine}));
             ClearProfileCache();
             EXPECT_EQ(ReadLogLines().value(1), longLine.left(49));
             const brusko::Listing listing = brusko::LoadListing();
             ASSERT_EQ(brusko::DeleteRows(listing.lines, {0}).status,
                       brusko::DeleteStatus::Deleted);
             EXPECT_EQ(ReadLogLines(kLogFile, 4096), QStringList{longLine});
         }},
        {"gaps in the log keys", "the log ends at the gap; the next line fills it",
         [](const ScopedDataDir& d) {
             WriteFileBytes(
                 d.file(kLogFile),
                 LogFileOf({"1=" + CurrentLine(1), "2=" + CurrentLine(2), "4=" + CurrentLine(4)}));
             ClearProfileCache();
             EXPECT_EQ(ReadLogLines().size(), 2);
             EXPECT_EQ(brusko::LoadListing().lines.size(), 2);
             EXPECT_EQ(AppendLogLine(CurrentLine(3)), 3);
             EXPECT_EQ(ReadLogLines(), (QStringList{CurrentLine(1), CurrentLine(2), CurrentLine(3),
                                                    CurrentLine(4)}));
         }},
        {"gaps in the log keys, then a deletion",
         "the lines after the gap are kept and close it up, keys far past the file's length too",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kLogFile),
                            LogFileOf({"1=" + CurrentLine(1), "2=" + CurrentLine(2),
                                       "900=" + CurrentLine(9), "4=" + CurrentLine(4)}));
             ClearProfileCache();
             const brusko::Listing listing = brusko::LoadListing();
             ASSERT_EQ(listing.lines.size(), 2);
             ASSERT_EQ(brusko::DeleteRows(listing.lines, {0}).status,
                       brusko::DeleteStatus::Deleted);
             EXPECT_EQ(ReadLogLines(),
                       (QStringList{CurrentLine(2), CurrentLine(4), CurrentLine(9)}));
         }},
        {"gaps in an old log's keys", "the tune-up converts and keeps the lines after the gap",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kLogFile), LogFileOf({"1=1.1.1998 10:00:00-00:05:00",
                                                         "3=2.1.1998 10:00:00-01:00:00"}));
             ClearProfileCache();
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("1")));
             ASSERT_EQ(ristola::RunTuneUp(), ristola::TuneUpOutcome::Done);
             EXPECT_EQ(ReadLogLines(),
                       (QStringList{QStringLiteral("1.1.1998 10:00:00-00:05:00^   5.00"),
                                    QStringLiteral("2.1.1998 10:00:00-01:00:00^  60.00")}));
         }},
        {"rate file of 671 bytes", "damaged: an all-empty table",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kRateDataFile), QByteArray(kRateDataSize - 1, '\x01'));
             TRateWeek week;
             week.Slot(1, 1).RateClass = 3;
             EXPECT_FALSE(LoadRateDataFile(week));
             EXPECT_FALSE(RateClassUsed(week, 1));
             EXPECT_FALSE(RateClassUsed(week, 3));
         }},
        {"rate file of 673 bytes", "the first 672 bytes load",
         [](const ScopedDataDir& d) {
             QByteArray bytes(kRateDataSize, '\x02');
             bytes[45] = 23;
             bytes += '\x04';
             WriteFileBytes(d.file(kRateDataFile), bytes);
             TRateWeek week;
             EXPECT_TRUE(LoadRateDataFile(week));
             EXPECT_EQ(week.Slot(1, 23).QuarterCode, 23);
             EXPECT_EQ(week.Slot(7, 48).RateClass, 2);
             EXPECT_FALSE(RateClassUsed(week, 4));
         }},
        {"rate file values out of range", "loaded as they are; an unknown class costs nothing",
         [](const ScopedDataDir& d) {
             WriteFileBytes(d.file(kRateDataFile), QByteArray(kRateDataSize, '\xff'));
             TRateWeek week;
             EXPECT_TRUE(LoadRateDataFile(week));
             const std::array<double, 4> prices{0.1, 0.2, 0.3, 0.4};
             for (int hour : {0, 11, 23}) {
                 const QDateTime at(QDate(2024, 5, 15), QTime(hour, 31));
                 EXPECT_EQ(ClassInForce(week, 3, hour, 31, false), 255);
                 EXPECT_EQ(WeeklyTableRate(week, at, false, prices, 0.25), 0.0);
             }
             for (int k = 1; k <= 4; ++k) {
                 EXPECT_FALSE(RateClassUsed(week, k));
             }
         }},
        {"symlink where the temporary file goes",
         "never followed: the link's target is untouched and the write still succeeds",
         [](const ScopedDataDir& d) {
             const QString victim = d.file(QStringLiteral("victim"));
             WriteFileBytes(victim, "keep me");
             const QByteArray pid = QByteArray::number(static_cast<qlonglong>(::getpid()));
             for (const QString& name : {kSettingsFile, kLogFile, kRateDataFile}) {
                 const QString link =
                     d.file(QLatin1Char('.') + name + QLatin1Char('.') + pid + ".tmp");
                 ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(),
                                     QFile::encodeName(link).constData()),
                           0);
             }
             ASSERT_TRUE(Put("Charge", "per_min", QStringLiteral("0.5")));
             ASSERT_EQ(AppendLogLine(CurrentLine(1)), 1);
             TRateWeek week;
             FillWithRateClass(week, 1);
             SaveRateDataFile(week);
             EXPECT_EQ(ReadFileBytes(victim), QByteArray("keep me"));
             EXPECT_EQ(Get("Charge", "per_min"), QStringLiteral("0.5"));
             EXPECT_EQ(ReadLogLines(), QStringList{CurrentLine(1)});
             EXPECT_EQ(ReadFileBytes(d.file(kRateDataFile)).size(), kRateDataSize);
             // "Vindelor.ny" as a link: a viewer clears it away without touching its target.
             ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(),
                                 QFile::encodeName(d.file(kLogTempFile)).constData()),
                       0);
             EXPECT_EQ(brusko::LoadListing().lines, QStringList{CurrentLine(1)});
             const brusko::Listing listing = brusko::LoadListing();
             EXPECT_EQ(brusko::DeleteRows(listing.lines, {}).status, brusko::DeleteStatus::Deleted);
             EXPECT_EQ(ReadFileBytes(victim), QByteArray("keep me"));
         }},
    };
    return cases;
}

TEST(HostileFiles, EachBadInputGetsItsBehaviourAndLosesNothing) {
    for (const HostileCase& c : Cases()) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.behaviour);
        ScopedDataDir dir;
        ClearProfileCache();
        c.check(dir);
        ClearProfileCache();
    }
}

}  // namespace
}  // namespace vindelor::stress
