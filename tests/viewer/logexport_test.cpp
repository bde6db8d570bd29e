#include "viewer/logexport.h"

#include "core/texts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace vindelor::brusko {
namespace {

std::vector<DatedLogLine> Sample() {
    const QStringList lines = {
        QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000"), QStringLiteral("garbage"),
        QStringLiteral("07.12.1999 10:00:00-+FAILED+^   0.1500"),
        QStringLiteral("08.12.1999 xx-00:30:20"),  // unreadable time, no cost yet
    };
    return DateLogLines(lines, QStringLiteral("dd.MM.yyyy")).lines;
}

TEST(Export, CsvRecordsInLogOrder) {
    EXPECT_EQ(ExportCsv(Sample()), QByteArray("key,date,start,duration,failed,cost,rx_bytes,tx_"
                                              "bytes,roaming_rx_bytes,roaming_tx_bytes\r\n"
                                              "1,1999-12-06,14:05:09,2450,0,1.2000,,,,\r\n"
                                              "3,1999-12-07,10:00:00,,1,0.1500,,,,\r\n"
                                              "4,1999-12-08,,1820,0,0.0000,,,,\r\n"));
    EXPECT_EQ(ExportCsv({}), QByteArray("key,date,start,duration,failed,cost,rx_bytes,tx_bytes,"
                                        "roaming_rx_bytes,roaming_tx_bytes\r\n"));
}

TEST(Export, CsvAndJsonQuoting) {
    EXPECT_EQ(CsvField("plain 1.5"), QByteArray("plain 1.5"));
    EXPECT_EQ(CsvField("a,b"), QByteArray("\"a,b\""));
    EXPECT_EQ(CsvField("say \"hi\""), QByteArray("\"say \"\"hi\"\"\""));
    EXPECT_EQ(CsvField("two\nlines"), QByteArray("\"two\nlines\""));
    EXPECT_EQ(CsvField("cr\r"), QByteArray("\"cr\r\""));
    const QString odd = QStringLiteral("q\" b\\ n\n t\t c\x01 ä");
    const QByteArray doc = "[" + JsonString(odd.toUtf8()) + "]";
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(doc, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << doc.toStdString();
    EXPECT_EQ(parsed.array().at(0).toString(), odd);
}

TEST(Export, JsonIsAnArrayOfTypedObjects) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(ExportJson(Sample()), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    const QJsonArray records = doc.array();
    ASSERT_EQ(records.size(), 3);
    const QJsonObject first = records[0].toObject();
    EXPECT_EQ(first.value(QStringLiteral("key")).toInt(), 1);
    EXPECT_EQ(first.value(QStringLiteral("date")).toString(), QStringLiteral("1999-12-06"));
    EXPECT_EQ(first.value(QStringLiteral("start")).toString(), QStringLiteral("14:05:09"));
    EXPECT_EQ(first.value(QStringLiteral("duration")).toInt(), 2450);
    EXPECT_FALSE(first.value(QStringLiteral("failed")).toBool(true));
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("cost")).toDouble(), 1.2);
    const QJsonObject failed = records[1].toObject();
    EXPECT_TRUE(failed.value(QStringLiteral("duration")).isNull());
    EXPECT_TRUE(failed.value(QStringLiteral("failed")).toBool());
    EXPECT_TRUE(records[2].toObject().value(QStringLiteral("start")).isNull());
    EXPECT_TRUE(QJsonDocument::fromJson(ExportJson({})).isArray());
}

TEST(Export, SubtotalCountsFailedTriesCosts) {
    const Subtotal s = SubtotalOf({QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000"),
                                   QStringLiteral("07.12.1999 10:00:00-+FAILED+^   0.1500"),
                                   QStringLiteral("08.12.1999 11:00:00-00:30:20^   0.2500")});
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.seconds, 2450 + 1820);
    EXPECT_EQ(s.cost, Money::FromUnits(16000));
}

TEST(Export, MonthsTableLinesUpItsColumns) {
    SetLanguageOffset(kEnglishOffset);
    MonthSummary m;
    m.month = BillingMonthOf(QDate(2026, 12, 3), 1);
    m.sessions = 12;
    m.failedTries = 1;
    m.seconds = 360005;
    m.cost = Money::FromUnits(125000);
    m.volume = {true, 142300000, 12100000};
    const QStringList lines = MonthsTableText({m}).split(QLatin1Char('\n'));
    SetLanguageOffset(kSwedishOffset);
    ASSERT_EQ(lines.size(), 3);  // heading, the month, nothing after the last break
    EXPECT_EQ(
        lines[1],
        QStringLiteral(
            "2026-12-01        12             1  100:00:05  12.50        154.4           0.0"));
    EXPECT_EQ(lines[0].size(), lines[1].size());
}

}  // namespace
}  // namespace vindelor::brusko
