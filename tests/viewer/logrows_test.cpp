#include "viewer/logrows.h"

#include <gtest/gtest.h>

namespace vindelor::brusko {
namespace {

const QString kLine = QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000");
const QString kFailed = QStringLiteral("06.12.1999 14:05:09-+FAILED+^   0.1500");
const QString kConverted = QStringLiteral("01.12.1999 10:00:00-01:02:40^  31.00");
const QString kBig = QStringLiteral("07.12.1999 08:00:00-99:00:00^1234.5000");

TEST(RowForms, EachFormSeparatesTheFieldsItsOwnWay) {
    EXPECT_EQ(ListRow(kLine),
              QStringLiteral("\t\t06.12.1999\t\t14:05:09\t\t00:12:00\t\t >    1.2000"));
    EXPECT_EQ(StartClipboardLine(kLine),
              QStringLiteral("06.12.1999\t14:05:09\t00:12:00\t   1.2000"));
    EXPECT_EQ(DeletionClipboardLine(kLine),
              QStringLiteral("06.12.1999 14:05:09\t00:12:00\t   1.2000"));
    // A line written before 1.12 has no cost field.
    const QString old = QStringLiteral("01.12.1999 10:00:00-00:10:00");
    EXPECT_EQ(ListRow(old), QStringLiteral("\t\t01.12.1999\t\t10:00:00\t\t00:10:00\t\t > "));
    EXPECT_EQ(StartClipboardLine(old), QStringLiteral("01.12.1999\t10:00:00\t00:10:00"));
}

TEST(RowForms, CopyOfARowKeepsTheWholeCostField) {
    struct Case {
        QString line;
        QString expected;
    };
    const Case cases[] = {
        {kLine, QStringLiteral("06.12.1999\t14:05:09\t00:12:00\t   1.2000")},
        {kFailed, QStringLiteral("06.12.1999\t14:05:09\t+FAILED+\t   0.1500")},
        {kConverted, QStringLiteral("01.12.1999\t10:00:00\t01:02:40\t  31.00")},
        // A cost that fills its field keeps its first digit.
        {kBig, QStringLiteral("07.12.1999\t08:00:00\t99:00:00\t1234.5000")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyLineFromRow(ListRow(c.line)), c.expected) << c.line.toStdString();
    }
}

TEST(LogTotalsTest, TimeCarriesAndFailedTriesAddCostButNoTime) {
    const LogTotals t = SumLines({
        QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000"),
        QStringLiteral("07.12.1999 15:00:00-00:30:20^   0.5000"), kFailed,
        QStringLiteral("01.12.1999 10:00:00-00:10:00"),  // no cost field
    });
    EXPECT_EQ(FormatHms(t.time), QStringLiteral("01:21:10"));
    EXPECT_EQ(t.cost, Money::FromUnits(18500));
    EXPECT_EQ(t.failedTries, 1);

    const LogTotals empty = SumLines({});
    EXPECT_EQ(FormatHms(empty.time), QStringLiteral("00:00:00"));
    EXPECT_EQ(empty.cost, Money());
    EXPECT_EQ(empty.failedTries, 0);

    // Hours have no upper limit.
    EXPECT_EQ(FormatHms(SumLines({QStringLiteral("1.1.2000 1:00:00-99:59:59^   0.0000"),
                                  QStringLiteral("2.1.2000 1:00:00-00:00:01^   0.0000")})
                            .time),
              QStringLiteral("100:00:00"));
}

TEST(CostTexts, DeletionFieldGrowsWithTheSum) {
    struct Case {
        double sum;
        const char* text;
    };
    const Case cases[] = {
        {0, " 0.00"},          {1.7, " 1.70"},           {12.5, "12.50"},
        {3.125, " 3.125"},     {99.5, "99.50"},          {123.456, "123.456"},
        {999.25, "999.25"},    {1234.5, "1234.50"},      {99999.5, "99999.50"},
        {100000, "100000.00"}, {123456.75, "123456.75"}, {1234567.125, "1234567.125"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeletionCostText(Money::FromDouble(c.sum)), QString::fromLatin1(c.text)) << c.sum;
    }
    // The fourth decimal is kept: what is stored is the lines' sum, not a figure rounded
    // once more on every close.
    EXPECT_EQ(DeletionCostText(Money::FromUnits(26755)), QStringLiteral(" 2.6755"));
    EXPECT_EQ(DeletionCostText(Money::FromUnits(-26755)), QStringLiteral("-2.6755"));
}

TEST(CostTexts, RecountFieldIsFiveWide) {
    EXPECT_EQ(RecountCostText(Money()), QStringLiteral("0.00"));
    EXPECT_EQ(RecountCostText(Money::FromUnits(17000)), QStringLiteral("1.70"));
    EXPECT_EQ(RecountCostText(Money::FromUnits(125000)), QStringLiteral("12.50"));
    EXPECT_EQ(RecountCostText(Money::FromUnits(31250)), QStringLiteral("3.125"));
    EXPECT_EQ(RecountCostText(Money::FromUnits(31255)), QStringLiteral("3.1255"));
    EXPECT_EQ(RecountCostText(Money::FromUnits(5000)), QStringLiteral("0.50"));
}

TEST(Recounting, AddsEveryListedCostFailedTriesIncluded) {
    const Recount r = RecountRows(
        {ListRow(QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000")),
         ListRow(QStringLiteral("06.12.1999 15:05:09-00:05:00^   0.5000")), ListRow(kFailed)});
    EXPECT_EQ(RecountCostText(r.cost), QStringLiteral("1.85"));
    EXPECT_EQ(r.failedTries, 1);

    EXPECT_EQ(RecountRows({ListRow(kConverted)}).cost, Money::FromUnits(310000));
    EXPECT_EQ(RecountRows({ListRow(kBig)}).cost, Money::FromUnits(12345000));

    // A long date format makes the row longer than 50 characters; its cost still counts.
    const QString longRow =
        ListRow(QStringLiteral("Wednesday,06.December.1999 14:05:09-00:12:00^  12.3400"));
    ASSERT_GT(longRow.size(), 50);
    EXPECT_EQ(RecountRows({longRow}).cost, Money::FromUnits(123400));

    const Recount none = RecountRows({});
    EXPECT_EQ(none.cost, Money());
    EXPECT_EQ(none.failedTries, 0);
}

TEST(RowLists, ParsesNumbersAndRanges) {
    std::vector<int> rows;
    QString error;
    ASSERT_TRUE(ParseRowList(QStringLiteral("1,3-5"), 6, &rows, &error)) << error.toStdString();
    EXPECT_EQ(rows, (std::vector<int>{0, 2, 3, 4}));
    ASSERT_TRUE(ParseRowList(QStringLiteral(" 6 , 2-2,1-3 "), 6, &rows, &error));
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 5}));

    for (const char* bad : {"0", "7", "1,", "a", "3-1", "1-2-3", "", "2-9", "-1"}) {
        EXPECT_FALSE(ParseRowList(QString::fromLatin1(bad), 6, &rows, &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
}

}  // namespace
}  // namespace vindelor::brusko
