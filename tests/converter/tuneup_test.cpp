#include "converter/tuneup.h"
#include "converter/ristolaform.h"

#include "core/profile.h"
#include "core/sessionlog.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

#include <limits>

namespace vindelor::ristola {
namespace {

using platform::MessageBoxes;
using test::ScopedDataDir;

// Writes a log the way a pre-1.12 program left it: Windows-1252, CR LF, keys 1, 2, ….
void WriteRawLog(const ScopedDataDir& dir, const QStringList& lines) {
    QByteArray bytes = "[N\xE4ttid]\r\n";
    for (int i = 0; i < lines.size(); ++i) {
        bytes += QByteArray::number(i + 1) + '=' + lines[i].toLatin1() + "\r\n";
    }
    test::WriteFileBytes(dir.file(kLogFile), bytes);
    ClearProfileCache();
}

void SetCharge(const QString& perMinute) {
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"), perMinute,
                                   kSettingsFile));
}

struct CostCase {
    const char* name;
    const char* charge;
    const char* line;
    const char* expected;
};

class TuneUpCost : public ::testing::TestWithParam<CostCase> {};

std::string CostCaseName(const ::testing::TestParamInfo<CostCase>& info) {
    return info.param.name;
}

TEST_P(TuneUpCost, AppendsTheCostOfWholeMinutes) {
    ScopedDataDir dir;
    const CostCase c = GetParam();
    SetCharge(QString::fromLatin1(c.charge));
    WriteRawLog(dir, {QString::fromLatin1(c.line)});

    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    EXPECT_EQ(ReadLogLines(), QStringList{QString::fromLatin1(c.expected)});
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TuneUpCost,
    ::testing::Values(
        // The seconds are never charged.
        CostCase{"SecondsIgnored", "0.5", "06.12.1999 14:05:09-01:02:40",
                 "06.12.1999 14:05:09-01:02:40^  31.00"},
        CostCase{"WholeMinutes", "0.5", "06.12.1999 14:05:09-01:02:00",
                 "06.12.1999 14:05:09-01:02:00^  31.00"},
        CostCase{"ChargeZero", "0", "06.12.1999 14:05:09-00:12:00",
                 "06.12.1999 14:05:09-00:12:00^   0.00"},
        CostCase{"ChargeNotANumber", "abc", "06.12.1999 14:05:09-00:12:00",
                 "06.12.1999 14:05:09-00:12:00^   0.00"},
        CostCase{"ChargeWithComma", "0,5", "06.12.1999 14:05:09-00:12:00",
                 "06.12.1999 14:05:09-00:12:00^   0.00"},
        // A cost wider than the field is not cut.
        CostCase{"WiderThanTheField", "2.5", "06.12.1999 14:05:09-99:59:00",
                 "06.12.1999 14:05:09-99:59:00^14997.50"},
        // On the first line a part that is not a number counts 0.
        CostCase{"FirstLineHoursNotANumber", "1", "06.12.1999 14:05:09-xx:10:00",
                 "06.12.1999 14:05:09-xx:10:00^  10.00"},
        CostCase{"FirstLineMinutesNotANumber", "1", "06.12.1999 14:05:09-02:yy:00",
                 "06.12.1999 14:05:09-02:yy:00^ 120.00"},
        // A failed try costs one minute, like the ones 1.12 logs.
        CostCase{"FailedTryOneMinute", "0.15", "06.12.1999 14:05:09-+FAILED+",
                 "06.12.1999 14:05:09-+FAILED+^   0.15"}),
    CostCaseName);

TEST(TuneUp, NoChargeSettingCountsZero) {
    ScopedDataDir dir;
    WriteRawLog(dir, {QStringLiteral("06.12.1999 14:05:09-00:12:00")});
    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    EXPECT_EQ(ReadLogLines().value(0), QStringLiteral("06.12.1999 14:05:09-00:12:00^   0.00"));
}

TEST(TuneUp, NonNumberPartKeepsTheValueOfTheLineBefore) {
    const Conversion c = ConvertOldLines(
        {QStringLiteral("1.1.2000 10:00:00-01:30:00"), QStringLiteral("2.1.2000 10:00:00-xx:yy:00"),
         QStringLiteral("3.1.2000 10:00:00-00:zz:00"),
         QStringLiteral("4.1.2000 10:00:00-00:05:00")},
        1.0);
    EXPECT_EQ(c.converted, 4);
    EXPECT_EQ(c.lines.value(0), QStringLiteral("1.1.2000 10:00:00-01:30:00^  90.00"));
    // Neither part is a number: hours and minutes stay 1 and 30.
    EXPECT_EQ(c.lines.value(1), QStringLiteral("2.1.2000 10:00:00-xx:yy:00^  90.00"));
    // Hours read, minutes carried.
    EXPECT_EQ(c.lines.value(2), QStringLiteral("3.1.2000 10:00:00-00:zz:00^  30.00"));
    EXPECT_EQ(c.lines.value(3), QStringLiteral("4.1.2000 10:00:00-00:05:00^   5.00"));
}

TEST(TuneUp, FailedTryNeitherTakesNorChangesTheCarriedDuration) {
    const Conversion c = ConvertOldLines(
        {QStringLiteral("1.1.2000 10:00:00-01:30:00"), QStringLiteral("2.1.2000 10:00:00-+YRITYS+"),
         QStringLiteral("3.1.2000 10:00:00-xx:yy:00")},
        0.5);
    EXPECT_EQ(c.converted, 3);
    EXPECT_EQ(c.lines.value(1), QStringLiteral("2.1.2000 10:00:00-+YRITYS+^   0.50"));
    // The damaged line after it still carries the session before the failed try.
    EXPECT_EQ(c.lines.value(2), QStringLiteral("3.1.2000 10:00:00-xx:yy:00^  45.00"));
}

TEST(TuneUp, ConvertsOnlyTheOldLinesBeforeTheFirstCurrentOne) {
    ScopedDataDir dir;
    SetCharge(QStringLiteral("0.25"));
    const QStringList before = {
        QStringLiteral("01.12.1999 10:00:00-00:10:00"),
        QStringLiteral("02.12.1999 11:00:00-01:00:30"),
        QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000"),
        // An old-looking line after a current one stays as it is.
        QStringLiteral("07.12.1999 09:00:00-00:20:00"),
    };
    WriteRawLog(dir, before);

    ASSERT_TRUE(WriteProfileString(QStringLiteral("Kostnad"), QStringLiteral("Totalt"),
                                   QStringLiteral("0.00"), kSettingsFile));

    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    EXPECT_EQ(ReadLogLines(), (QStringList{
                                  QStringLiteral("01.12.1999 10:00:00-00:10:00^   2.50"),
                                  QStringLiteral("02.12.1999 11:00:00-01:00:30^  15.00"),
                                  before[2],
                                  before[3],
                              }));
    // The stored total is the lines' sum, old lines and current ones: 2.50 + 15 + 1.20.
    EXPECT_EQ(GetProfileString(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QString(), 20,
                               kSettingsFile),
              QStringLiteral("18.70"));
}

// Every reader stops at a key whose value is "#": it and the lines after it are kept as
// they are and get no cost.
TEST(TuneUp, KeyReadingHashAndTheLinesAfterItStayAsTheyAre) {
    ScopedDataDir dir;
    SetCharge(QStringLiteral("0.25"));
    const QString after = QStringLiteral("03.12.1999 12:00:00-02:04:00");
    WriteRawLog(dir, {QStringLiteral("01.12.1999 10:00:00-00:10:00"), QStringLiteral("#"), after});
    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    EXPECT_EQ(ReadAllLogLines(kLogFile, 200),
              (QStringList{QStringLiteral("01.12.1999 10:00:00-00:10:00^   2.50"),
                           QStringLiteral("#"), after}));
}

TEST(TuneUp, MissingLogWritesNothing) {
    ScopedDataDir dir;
    SetCharge(QStringLiteral("0.5"));
    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::NoLogFile);
    EXPECT_FALSE(QFile::exists(dir.file(kLogFile)));

    // A log file without a line 1 is treated the same and left alone.
    test::WriteFileBytes(dir.file(kLogFile), "[N\xE4ttid]\r\n2=06.12.1999 14:05:09-00:12:00\r\n");
    ClearProfileCache();
    const QByteArray bytes = test::ReadFileBytes(dir.file(kLogFile));
    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::NoLogFile);
    EXPECT_EQ(test::ReadFileBytes(dir.file(kLogFile)), bytes);
}

TEST(TuneUp, SecondRunChangesNothing) {
    ScopedDataDir dir;
    SetCharge(QStringLiteral("0.5"));
    WriteRawLog(dir, {QStringLiteral("01.12.1999 10:00:00-00:10:00"),
                      QStringLiteral("02.12.1999 11:00:00-00:20:00")});
    ASSERT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    const QByteArray converted = test::ReadFileBytes(dir.file(kLogFile));
    const QStringList lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("^  10.00")));

    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::AlreadyConverted);
    EXPECT_EQ(test::ReadFileBytes(dir.file(kLogFile)), converted);
}

TEST(TuneUp, LongLinesAfterTheOldOnesComeBackWhole) {
    ScopedDataDir dir;
    SetCharge(QStringLiteral("1"));
    const QString longLine =
        QStringLiteral("Wednesday,06.December.1999 14:05:09-00:12:00^   1.2000");
    ASSERT_GT(longLine.size(), kLogReadLength);
    WriteRawLog(dir, {QStringLiteral("01.12.1999 10:00:00-00:10:00"), longLine});
    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    EXPECT_EQ(ReadLogLines(kLogFile, 200).value(1), longLine);
}

TEST(RistolaWindow, YesConvertsShowsTheMessageAndCloses) {
    ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    SetCharge(QStringLiteral("0.5"));
    WriteRawLog(dir, {QStringLiteral("06.12.1999 14:05:09-01:02:40")});

    TForm1 form;
    EXPECT_EQ(form.windowTitle(), kProgramTitle);
    EXPECT_EQ(form.size(), QSize(220, 221));
    form.show();
    form.BitBtn1Click();

    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text, QStringLiteral("Done !   Klart !   Valmista !"));
    EXPECT_EQ(fakes.boxes.shown[0].caption, kProgramTitle);
    EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(fakes.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    EXPECT_FALSE(form.isVisible());
    ClearProfileCache();
    EXPECT_EQ(ReadLogLines().value(0), QStringLiteral("06.12.1999 14:05:09-01:02:40^  31.00"));

    // A second window on the converted log only reports it.
    TForm1 again;
    again.BitBtn1Click();
    ASSERT_EQ(fakes.boxes.shown.size(), 2u);
    EXPECT_EQ(
        fakes.boxes.shown[1].text,
        QStringLiteral("Logfile m/1.12 found !  Loggfil m/1.12 hittad !  Loki m/1.12 löydetty !"));
}

TEST(RistolaWindow, NoLogMessage) {
    ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    TForm1 form;
    form.BitBtn1Click();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text,
              QStringLiteral("No logfile found !  Ingen loggfil hittad !  Lokia ei löydetty !"));
    EXPECT_FALSE(QFile::exists(dir.file(kLogFile)));
}

}  // namespace
}  // namespace vindelor::ristola

namespace vindelor::ristola {
namespace {

// A log that an old program kept writing to after a new one had logged volumes: the
// old lines get their cost, the new line keeps its volume, byte for byte.
TEST(TuneUp, KeepsTheVolumesOfLinesAlreadyInTheCurrentForm) {
    ScopedDataDir dir;
    SetCharge(QStringLiteral("0.5"));
    const QString counted =
        QStringLiteral("08.12.1999 11:00:00-00:30:20^   2.5000 |142300000|12100000|");
    WriteRawLog(dir, {QStringLiteral("06.12.1999 14:05:09-00:02:00"), counted,
                      QStringLiteral("09.12.1999 14:05:09-00:04:00")});
    EXPECT_EQ(RunTuneUp(), TuneUpOutcome::Done);
    ClearProfileCache();
    const QStringList after = ReadLogLines(QString(), std::numeric_limits<int>::max());
    EXPECT_EQ(after, (QStringList{QStringLiteral("06.12.1999 14:05:09-00:02:00^   1.00"), counted,
                                  QStringLiteral("09.12.1999 14:05:09-00:04:00")}));
    EXPECT_EQ(SplitLogLine(after[1]).volume.rx, 142300000u);
}

}  // namespace
}  // namespace vindelor::ristola
