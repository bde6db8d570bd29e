#include "core/texts.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

constexpr int kOffsets[] = {kSwedishOffset, kFinnishOffset, kEnglishOffset};
constexpr int kTableSize = 117;

class LanguageTexts : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = LanguageOffset(); }
    void TearDown() override { SetLanguageOffset(saved_); }

  private:
    int saved_ = 0;
};

TEST_F(LanguageTexts, SampleInEachLanguage) {
    struct Sample {
        int id;
        const char* text;
    };
    const Sample samples[] = {
        {1, u8"Vill du verkligen sluta ? Modemet är fortfarande aktivt."},
        {3, u8"Månatlig minimiavgift :"},
        {8, u8"Finlandssvenska"},
        {42, u8"Det givna värdet kan ej godkännas"},
        {117, u8"Justera övervakning"},
        {309, u8"Suomea"},
        {301, u8"Haluatko todella lopettaa ? Modeemi on edelleen käyttössä."},
        {413, u8"Datatiedosto vaurioitunut. Sinun on määriteltävä hinnat uudestaan. Hinta = 0.00"},
        {610, u8"English"},
        {607, u8"The symbol of your local curreny, for example £"},
        {659, u8"Most ISP's doen't charge anything if connection is <1 min"},
        {702, u8"You haven't defined when to use rate 1. Is it ok for the whole week ?"},
    };
    for (const auto& s : samples) {
        EXPECT_EQ(LoadText(s.id), QString::fromUtf8(s.text)) << "id " << s.id;
    }
}

TEST_F(LanguageTexts, EveryTableIdExistsAndNothingElseBelow1000) {
    for (int offset : kOffsets) {
        for (int n = 1; n <= kTableSize; ++n) {
            const QString text = LoadText(n + offset);
            EXPECT_FALSE(text.isEmpty()) << "id " << n + offset;
            EXPECT_LE(text.size(), 254) << "id " << n + offset;
        }
        EXPECT_TRUE(LoadText(offset).isEmpty()) << offset;
        EXPECT_TRUE(LoadText(offset + kTableSize + 1).isEmpty()) << offset;
    }
    for (int id : {-1, 0, 118, 299, 418, 599, 718, 999, 1000}) {
        EXPECT_TRUE(LoadText(id).isEmpty()) << "id " << id;
    }
    // The three languages are really different columns, not one repeated.
    EXPECT_NE(LoadText(1), LoadText(301));
    EXPECT_NE(LoadText(301), LoadText(601));
}

TEST_F(LanguageTexts, TitlesAndViewerNameInEveryLanguage) {
    for (int offset : kOffsets) {
        for (int n : {11, 20, 24, 41, 49, 116}) {
            EXPECT_TRUE(LoadText(n + offset).startsWith(QStringLiteral("Vindelor - ")))
                << "id " << n + offset;
        }
        EXPECT_TRUE(LoadText(23 + offset).contains(QStringLiteral("Brusko"))) << offset;
    }
}

TEST_F(LanguageTexts, ClassNumberedMessagesDifferOnlyInTheDigit) {
    // Save tariff picks text 94 + (k - 1) etc.; a row out of place would name the
    // wrong class.
    for (int offset : kOffsets) {
        for (int first : {94, 98, 102, 106}) {
            for (int k = 1; k <= 4; ++k) {
                EXPECT_TRUE(LoadText(first + k - 1 + offset).contains(QString::number(k)))
                    << "id " << first + k - 1 + offset;
            }
        }
    }
}

TEST_F(LanguageTexts, OwnTextsAboveTheTableInAllLanguages) {
    for (int offset : kOffsets) {
        const QString unusable = LoadText(kOwnTextBase + kTextPortUnusable + offset);
        const QString permission = LoadText(kOwnTextBase + kTextPortNoPermission + offset);
        ASSERT_FALSE(unusable.isEmpty()) << offset;
        ASSERT_FALSE(permission.isEmpty()) << offset;
        const QString filled =
            unusable.arg(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("No such device"));
        EXPECT_TRUE(filled.contains(QStringLiteral("/dev/ttyUSB0"))) << offset;
        EXPECT_TRUE(filled.contains(QStringLiteral("No such device"))) << offset;
        const QString advice = permission.arg(QStringLiteral("/dev/ttyS0"));
        EXPECT_TRUE(advice.contains(QStringLiteral("/dev/ttyS0"))) << offset;
        EXPECT_TRUE(advice.contains(QStringLiteral("\"dialout\""))) << offset;
        EXPECT_TRUE(advice.contains(QStringLiteral("sudo adduser $USER dialout"))) << offset;
    }
    EXPECT_NE(LoadText(1001), LoadText(1301));
    EXPECT_NE(LoadText(1301), LoadText(1601));
    EXPECT_TRUE(LoadText(kOwnTextBase + kOwnTextEnd).isEmpty());
    for (int n = 1; n < kFinnishOffset; ++n) {
        if (n >= kOwnTextEnd && LoadText(kOwnTextBase + n).isEmpty()) {
            // A gap between blocks: no language may have a text there either.
            EXPECT_TRUE(LoadText(kOwnTextBase + n + kFinnishOffset).isEmpty()) << n;
            EXPECT_TRUE(LoadText(kOwnTextBase + n + kEnglishOffset).isEmpty()) << n;
            continue;
        }
        for (int offset : kOffsets) {
            EXPECT_FALSE(LoadText(kOwnTextBase + n + offset).isEmpty()) << n << " " << offset;
            // The loader cuts at 254 characters: nothing of ours may lose its end.
            EXPECT_LT(LoadText(kOwnTextBase + n + offset).size(), 254) << n << " " << offset;
        }
    }
}

TEST_F(LanguageTexts, SelectLanguageIsExact) {
    struct Case {
        const char* code;
        bool recognised;
        int offset;  // after selecting from a start offset of 300
    };
    const Case cases[] = {
        {"S", true, 0},     {"SF", true, 300},   {"UK", true, 600},
        {"sf", false, 300}, {"uk", false, 300},  {"s", false, 300},
        {"", false, 300},   {"UK ", false, 300}, {"FI", false, 300},
    };
    for (const auto& c : cases) {
        SetLanguageOffset(kFinnishOffset);
        EXPECT_EQ(SelectLanguage(QString::fromUtf8(c.code)), c.recognised) << c.code;
        EXPECT_EQ(LanguageOffset(), c.offset) << c.code;
    }
}

TEST_F(LanguageTexts, TextFollowsTheSelectedLanguage) {
    ASSERT_TRUE(SelectLanguage(QStringLiteral("UK")));
    EXPECT_EQ(Text(10), QStringLiteral("English"));
    ASSERT_TRUE(SelectLanguage(QStringLiteral("S")));
    EXPECT_EQ(Text(10), QStringLiteral("Engelska"));
    EXPECT_EQ(Text(kOwnTextBase + kTextPortUnusable), LoadText(1001));
    ASSERT_TRUE(SelectLanguage(QStringLiteral("SF")));
    EXPECT_EQ(Text(10), QStringLiteral("Englantia"));
    EXPECT_EQ(Text(kOwnTextBase + kTextPortUnusable), LoadText(1301));
}

TEST_F(LanguageTexts, CodesAndHelpFiles) {
    EXPECT_EQ(LanguageCodeForOffset(0), "S");
    EXPECT_EQ(LanguageCodeForOffset(300), "SF");
    EXPECT_EQ(LanguageCodeForOffset(600), "UK");
    EXPECT_EQ(LanguageCodeForOffset(900), "");
    EXPECT_EQ(HelpFileForCode("S"), "SVindelor");
    EXPECT_EQ(HelpFileForCode("SF"), "SFVindelor");
    EXPECT_EQ(HelpFileForCode("UK"), "UKVindelor");
    EXPECT_EQ(HelpFileForCode("uk"), "");
    EXPECT_EQ(HelpFileForOffset(300), "SFVindelor");
}

}  // namespace
}  // namespace vindelor
