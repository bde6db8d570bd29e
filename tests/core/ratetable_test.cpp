#include "core/ratetable.h"

#include "core/profile.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace vindelor {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;
using test::WriteFileBytes;

TEST(SlotOrder, IsAPermutationOfTheHalfHours) {
    std::set<int> seen;
    for (int hour = 0; hour < 24; ++hour) {
        for (bool second : {false, true}) {
            const int slot = SlotForHalfHour(hour, second);
            ASSERT_GE(slot, 1);
            ASSERT_LE(slot, kSlots);
            seen.insert(slot);
            int backHour = -1;
            bool backSecond = !second;
            HalfHourOfSlot(slot, &backHour, &backSecond);
            EXPECT_EQ(backHour, hour) << "slot " << slot;
            EXPECT_EQ(backSecond, second) << "slot " << slot;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kSlots));
}

TEST(SlotOrder, StoredFilesDependOnTheseSlots) {
    struct Case {
        int slot, hour;
        bool second;
    };
    const Case cases[] = {{1, 11, true},   {2, 11, false}, {3, 10, false},  {4, 10, true},
                          {12, 6, true},   {13, 5, true},  {23, 0, false},  {24, 0, true},
                          {25, 12, false}, {27, 13, true}, {28, 13, false}, {29, 14, false},
                          {40, 19, false}, {47, 23, true}, {48, 23, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(SlotForHalfHour(c.hour, c.second), c.slot) << c.hour << " " << c.second;
    }
}

TEST(RateDataFile, SlotsLandAtTheirByteOffsetsAndComeBack) {
    ScopedDataDir dir;
    TRateWeek week;
    week.Slot(1, SlotForHalfHour(0, false)) = {1, 23};  // Monday 00:00-00:30
    week.Slot(7, SlotForHalfHour(23, true)) = {4, 41};  // Sunday 23:30-24:00
    week.Slot(3, SlotForHalfHour(10, true)) = {2, 13};  // Wednesday 10:30-11:00, slot 4
    SaveRateDataFile(week);

    const QByteArray bytes = ReadFileBytes(dir.file(kRateDataFile));
    ASSERT_EQ(bytes.size(), kRateDataSize);
    QByteArray expected(kRateDataSize, '\0');
    expected[44] = 1;
    expected[45] = 23;
    expected[668] = 4;
    expected[669] = 41;
    expected[96 * 2 + 2 * 3] = 2;
    expected[96 * 2 + 2 * 3 + 1] = 13;
    EXPECT_EQ(bytes, expected);

    TRateWeek loaded;
    ASSERT_TRUE(LoadRateDataFile(loaded));
    EXPECT_EQ(loaded.Slot(1, 23).RateClass, 1);
    EXPECT_EQ(loaded.Slot(1, 23).QuarterCode, 23);
    EXPECT_EQ(loaded.Slot(7, 47).RateClass, 4);
    EXPECT_EQ(loaded.Slot(7, 47).QuarterCode, 41);
    EXPECT_EQ(loaded.Slot(3, 4).QuarterCode, 13);
}

TEST(RateDataFile, SizeDecidesWhetherItIsDamaged) {
    ScopedDataDir dir;
    const QString path = dir.file(QStringLiteral("Vindelor.dta"));
    QByteArray content(kRateDataSize + 1, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i % 251);
    struct Case {
        int size;  // -1: no file
        bool loads;
    };
    for (const Case c :
         {Case{-1, false}, Case{0, false}, Case{671, false}, Case{672, true}, Case{673, true}}) {
        QFile::remove(path);
        if (c.size >= 0)
            WriteFileBytes(path, content.left(c.size));
        TRateWeek week;
        week.Slot(5, 5) = {3, 31};  // must not survive a damaged load
        EXPECT_EQ(LoadRateDataFile(week), c.loads) << c.size;
        for (int d = 1; d <= kDays; ++d) {
            for (int s = 1; s <= kSlots; ++s) {
                const int offset = 96 * (d - 1) + 2 * (s - 1);
                const int wantClass = c.loads ? static_cast<unsigned char>(content[offset]) : 0;
                const int wantCode = c.loads ? static_cast<unsigned char>(content[offset + 1]) : 0;
                ASSERT_EQ(week.Slot(d, s).RateClass, wantClass) << c.size << " " << offset;
                ASSERT_EQ(week.Slot(d, s).QuarterCode, wantCode) << c.size << " " << offset;
            }
        }
    }
}

TEST(RateDataFile, SaveReplacesWholeAndLeavesNoTemporaryFiles) {
    ScopedDataDir dir;
    const QString path = dir.file(QStringLiteral("Vindelor.dta"));
    WriteFileBytes(path, QByteArray(1000, '\x07'));
    TRateWeek week;
    week.Slot(2, 10) = {4, 0};
    SaveRateDataFile(week, path);
    const QByteArray bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), kRateDataSize) << "an old, longer file must not leave a tail";
    EXPECT_EQ(bytes[96 + 18], 4);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Vindelor.dta"});
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
}

TEST(RateDataFile, FailedSaveThrowsWithTheReasonAndKeepsTheOldTable) {
    ScopedDataDir dir;
    // A directory where the file should be: the replace step fails.
    const QString blocked = dir.file(QStringLiteral("blocked.dta"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/inside")));
    TRateWeek week;
    week.Slot(1, 1) = {1, 0};
    try {
        SaveRateDataFile(week, blocked);
        FAIL() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("blocked.dta"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("directory"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(QDir(blocked + QStringLiteral("/inside")).exists());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << "temporary file left";

    // A directory that does not exist: nothing can be created.
    EXPECT_THROW(SaveRateDataFile(week, dir.file(QStringLiteral("missing/Vindelor.dta"))),
                 std::runtime_error);
}

TEST(ClassInForce, HalfHoursQuartersAndHoliday) {
    TRateWeek week;
    // Monday: 10:00-10:30 class 1 with class 2 in "15-"; 10:30-11:00 class 3 with class 1
    // in "-45"; 11:00-11:30 class 4 with class 2 in "-15"; 11:30-12:00 class 4 with class 1
    // in "45-".
    week.Slot(1, SlotForHalfHour(10, false)) = {1, 22};
    week.Slot(1, SlotForHalfHour(10, true)) = {3, 13};
    week.Slot(1, SlotForHalfHour(11, false)) = {4, 21};
    week.Slot(1, SlotForHalfHour(11, true)) = {4, 14};
    week.Slot(3, SlotForHalfHour(14, false)) = {2, 0};  // Wednesday
    week.Slot(7, SlotForHalfHour(14, false)) = {3, 0};  // Sunday
    // A "15-" code in a second-half slot (only a file can hold one) reaches minute 30.
    week.Slot(2, SlotForHalfHour(10, true)) = {3, 12};
    week.Slot(1, SlotForHalfHour(12, false)) = {2, 15};  // position 5 does not exist
    week.Slot(1, SlotForHalfHour(12, true)) = {1, 3};    // not a quarter code either

    struct Case {
        int weekday, hour, minute;
        bool holiday;
        int expected;
    };
    const Case cases[] =
        {
            {1, 10, 0, false, 1},  {1, 10, 10, false, 1}, {1, 10, 15, false, 1},
            {1, 10, 16, false, 2}, {1, 10, 20, false, 2}, {1, 10, 29, false, 2},
            {1, 10, 30, false, 3},  // minute 30: second-half slot, but position 2
            {1, 10, 31, false, 1}, {1, 10, 45, false, 1}, {1, 10, 46, false, 3},
            {1, 10, 59, false, 3}, {1, 11, 0, false, 2},  {1, 11, 15, false, 2},
            {1, 11, 16, false, 4}, {1, 11, 30, false, 4}, {1, 11, 45, false, 4},
            {1, 11, 46, false, 1}, {3, 14, 0, false, 2},  {3, 14, 0, true, 3},
            {1, 10, 20, true, 0},  // holiday: Sunday's empty 10:00 half hour
            {2, 10, 30, false, 1}, {2, 10, 31, false, 3}, {1, 12, 5, false, 2},
            {1, 12, 40, false, 1}, {2, 10, 20, false, 0},
        };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassInForce(week, c.weekday, c.hour, c.minute, c.holiday), c.expected)
            << c.weekday << " " << c.hour << ":" << c.minute << " holiday " << c.holiday;
    }
}

TEST(RateClassUsed, PrimaryOrQuarterCodeOnAnyDay) {
    TRateWeek week;
    for (int k = 1; k <= 4; ++k)
        EXPECT_FALSE(RateClassUsed(week, k)) << k;
    EXPECT_FALSE(RateClassUsed(week, 0)) << "class 0 is no class";

    week.Slot(6, 30) = {1, 23};  // Saturday; class 2 only in the quarter code
    week.Slot(7, 48) = {0, 44};  // Sunday; class 4 only in a quarter code
    week.Slot(2, 2) = {9, 51};   // out of range bytes from a file count for no class
    EXPECT_TRUE(RateClassUsed(week, 1));
    EXPECT_TRUE(RateClassUsed(week, 2));
    EXPECT_FALSE(RateClassUsed(week, 3));
    EXPECT_TRUE(RateClassUsed(week, 4));
    EXPECT_FALSE(RateClassUsed(week, 5));
}

TEST(FillWithRateClass, FillsEmptySlotsAndDropsEveryQuarterCode) {
    TRateWeek week;
    week.Slot(4, 17) = {1, 33};
    week.Slot(5, 1) = {0, 42};
    FillWithRateClass(week, 2);
    for (int d = 1; d <= kDays; ++d) {
        for (int s = 1; s <= kSlots; ++s) {
            const bool kept = d == 4 && s == 17;
            EXPECT_EQ(week.Slot(d, s).RateClass, kept ? 1 : 2) << d << " " << s;
            EXPECT_EQ(week.Slot(d, s).QuarterCode, 0) << d << " " << s;
        }
    }
    EXPECT_FALSE(RateClassUsed(week, 3));
    EXPECT_FALSE(RateClassUsed(week, 4)) << "the quarter code 42 is gone";
}

}  // namespace
}  // namespace vindelor
