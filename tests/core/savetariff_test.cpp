#include "core/savetariff.h"

#include "core/profile.h"
#include "core/texts.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace vindelor {
namespace {

using platform::MessageBoxes;
using Answer = MessageBoxes::Answer;

constexpr const char* kUnset = "<unset>";

TRateWeek FullWeek(int k) {
    TRateWeek week;
    FillWithRateClass(week, k);
    return week;
}

// Multiple rates on, rate 1 at 0.25 over the whole week: a tariff that saves.
TariffValues Base() {
    TariffValues v;
    v.MultipleRates = true;
    v.RateTexts[0] = QStringLiteral("0.25");
    return v;
}

struct Key {
    const char* section;
    const char* key;
    const char* value;  // kUnset: must not have been written
};

struct SaveCase {
    const char* name;
    std::function<void(TariffValues&, TRateWeek&)> setup;
    std::vector<Answer> answers;
    bool accepted;
    std::vector<int> messages;  // text numbers, in the order shown
    std::vector<Key> keys;
    bool dataFileWritten;
};

QString Read(const char* section, const char* key) {
    return GetProfileString(QString::fromUtf8(section), QString::fromUtf8(key),
                            QString::fromUtf8(kUnset), 255, kSettingsFile);
}

// The value exactly as it stands in the file, blanks included (the service drops them).
std::optional<QByteArray> RawValue(const QString& iniPath, const QByteArray& section,
                                   const QByteArray& key) {
    QByteArray current;
    for (QByteArray line : test::ReadFileBytes(iniPath).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('[')) {
            current = line.mid(1, line.indexOf(']') - 1).toLower();
            continue;
        }
        const int eq = line.indexOf('=');
        if (eq > 0 && current == section.toLower() &&
            line.left(eq).trimmed().toLower() == key.toLower()) {
            return line.mid(eq + 1);
        }
    }
    return std::nullopt;
}

bool SameWeek(const TRateWeek& a, const TRateWeek& b) {
    for (int d = 1; d <= kDays; ++d) {
        for (int s = 1; s <= kSlots; ++s) {
            if (a.Slot(d, s).RateClass != b.Slot(d, s).RateClass ||
                a.Slot(d, s).QuarterCode != b.Slot(d, s).QuarterCode) {
                return false;
            }
        }
    }
    return true;
}

class SaveTariffTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedOffset_ = LanguageOffset();
        SetLanguageOffset(kEnglishOffset);
    }
    void TearDown() override { SetLanguageOffset(savedOffset_); }

    // Text numbers of the boxes shown, checked against the language table.
    static std::vector<int> ShownTextNumbers(const platform::test::ScriptedBoxes& boxes) {
        std::vector<int> numbers;
        for (const auto& box : boxes.shown) {
            int found = -1;
            for (int n = 1; n <= 117 && found < 0; ++n) {
                if (box.text == Text(n))
                    found = n;
            }
            numbers.push_back(found);
        }
        return numbers;
    }

  private:
    int savedOffset_ = 0;
};

TEST_F(SaveTariffTest, StepsKeysAndMessages) {
    const std::vector<SaveCase> cases = {
        {"multiple rates off writes only the special options",
         [](TariffValues& v, TRateWeek&) {
             v = Base();
             v.MultipleRates = false;
             v.RoundingDisabled = true;
             v.CostMonitoringDisabled = true;
             v.ShortSessionsLogged = true;
             v.IndicatorOn = true;
             v.InitialChargeOn[0] = true;
             v.InitialAmounts[0] = QStringLiteral("1");
         },
         {},
         true,
         {},
         {{"Session", "Avrundning", "Ja"},
          {"Session", "Försök", "Nej"},
          {"Session", "Räknare", "Ja"},
          {"Avsluta", "Visa", "Ja"},
          {"Session", "<1min", "Ja"},
          {"Session", "Multiple", "Nej"},
          {"Charge", "simpel", kUnset},
          {"Session", "PeakSpec", kUnset},
          {"Initial", "Rate1", kUnset},
          {"Session", "Må-Fre", kUnset},
          {"Avgifter", "Avg1", kUnset}},
         false},
        {"summary switch is left alone while cost monitoring stays on",
         [](TariffValues& v, TRateWeek&) {
             v = Base();
             v.MultipleRates = false;
             v.TriesLogged = true;
         },
         {},
         true,
         {},
         {{"Session", "Försök", "Ja"},
          {"Session", "Räknare", "Nej"},
          {"Avsluta", "Visa", kUnset},
          {"Session", "Multiple", "Nej"}},
         false},
        {"a full week with one rate saves everything",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0] = QStringLiteral("0,25");
             v.SameRatesMonFri = false;
             w = FullWeek(1);
         },
         {},
         true,
         {},
         {{"Session", "Multiple", "Ja"},
          {"Charge", "simpel", "Nej"},
          {"Session", "PeakSpec", "Nej"},
          {"Initial", "Rate1", "Nej"},
          {"Initial", "Rate4", "Nej"},
          {"Initial", "Pris_r1", kUnset},
          {"Session", "Må-Fre", "Nej"},
          {"Avgifter", "Avg1", "0.25"},
          {"Avgifter", "Avg2", ""},
          {"Avgifter", "Avg4", ""}},
         true},
        {"bare point is no number",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0] = QStringLiteral("1.");
             w = FullWeek(1);
         },
         {},
         false,
         {94},
         {{"Session", "Multiple", "Ja"},
          {"Charge", "simpel", "Nej"},
          {"Session", "PeakSpec", "Nej"},
          {"Session", "Må-Fre", "Ja"},
          {"Avgifter", "Avg1", kUnset}},
         false},
        {"trailing blank is no number",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0] = QStringLiteral("1.5 ");
             w = FullWeek(1);
         },
         {},
         false,
         {94},
         {{"Avgifter", "Avg1", kUnset}},
         false},
        {"leading point is a number",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0] = QStringLiteral(".5");
             w = FullWeek(1);
         },
         {},
         true,
         {},
         {{"Avgifter", "Avg1", ".5"}},
         true},
        {"a field is cut to 20 characters before the comma is turned",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0] = QStringLiteral("0,1234567890123456789x");
             w = FullWeek(1);
         },
         {},
         true,
         {},
         {{"Avgifter", "Avg1", "0.123456789012345678"}},
         true},
        {"class used only in a quarter code needs its rate",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             w = FullWeek(1);
             w.Slot(3, 3).QuarterCode = 23;
         },
         {},
         false,
         {99},
         {{"Session", "Må-Fre", "Ja"}, {"Avgifter", "Avg1", kUnset}},
         false},
        {"an empty half hour refuses without an initial charge, after the rates are written",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             w = FullWeek(1);
             w.Slot(6, 12).RateClass = 0;
         },
         {},
         false,
         {110},
         {{"Avgifter", "Avg1", "0.25"}, {"Initial", "Rate1", "Nej"}},
         false},
        {"an empty half hour is fine with an initial charge",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.InitialChargeOn[0] = true;
             v.InitialAmounts[0] = QStringLiteral("1,50");
             w = FullWeek(1);
             w.Slot(6, 12).RateClass = 0;
         },
         {},
         true,
         {},
         {{"Initial", "Rate1", "Ja"},
          {"Initial", "Pris_r1", "1.50"},
          {"Initial", "Rate2", "Nej"},
          {"Avgifter", "Avg1", "0.25"}},
         true},
        {"initial charge for an unused class: OK fills the week",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[1] = QStringLiteral("0.50");
             v.InitialChargeOn[1] = true;
             v.InitialAmounts[1] = QStringLiteral("2");
             w.Slot(1, 1) = {1, 33};
         },
         {Answer::Ok},
         true,
         {103},
         {{"Initial", "Rate1", "Nej"},
          {"Initial", "Rate2", "Ja"},
          {"Initial", "Pris_r2", "2"},
          {"Avgifter", "Avg1", "0.25"},
          {"Avgifter", "Avg2", "0.50"}},
         true},
        {"initial charge for an unused class: No writes nothing for it and Nej after it",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[2] = QStringLiteral("0.50");
             v.InitialChargeOn[1] = true;
             v.InitialAmounts[1] = QStringLiteral("2");
             v.InitialChargeOn[2] = true;
             v.InitialAmounts[2] = QStringLiteral("3");
             w = FullWeek(3);
         },
         {Answer::No},
         false,
         {103},
         {{"Initial", "Rate1", "Nej"},
          {"Initial", "Rate2", kUnset},
          {"Initial", "Pris_r2", kUnset},
          {"Initial", "Rate3", "Nej"},
          {"Initial", "Pris_r3", kUnset},
          {"Initial", "Rate4", "Nej"},
          {"Session", "Må-Fre", "Ja"},
          {"Avgifter", "Avg1", kUnset}},
         false},
        {"a faulty initial amount",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.InitialChargeOn[0] = true;
             v.InitialAmounts[0] = QString();
             w = FullWeek(1);
         },
         {},
         false,
         {42},
         {{"Initial", "Rate1", kUnset}, {"Initial", "Rate2", "Nej"}, {"Session", "Må-Fre", "Ja"}},
         false},
        {"0.00 is stored as it stands while an initial charge is on",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0] = QStringLiteral("0.00");
             v.InitialChargeOn[0] = true;
             v.InitialAmounts[0] = QStringLiteral("1");
             w = FullWeek(1);
         },
         {},
         true,
         {},
         {{"Avgifter", "Avg1", "0.00"}},
         true},
        {"rate 1 faulty, rate 2 empty: the quarrel is about rate 1 not being used",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts = {QStringLiteral("x"), QString(), QStringLiteral("0.3"),
                            QStringLiteral("0.4")};
             w = FullWeek(3);
             w.Slot(7, 7).RateClass = 4;
         },
         {},
         false,
         {106},
         {{"Avgifter", "Avg1", kUnset}, {"Avgifter", "Avg3", "0.3"}, {"Avgifter", "Avg4", "0.4"}},
         false},
        {"rate 1 faulty and used",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts = {QStringLiteral("x"), QString(), QStringLiteral("0.3"),
                            QStringLiteral("0.4")};
             w = FullWeek(3);
             w.Slot(7, 7).RateClass = 4;
             w.Slot(7, 8).RateClass = 1;
         },
         {},
         false,
         {94},
         {{"Avgifter", "Avg1", kUnset}, {"Avgifter", "Avg3", kUnset}},
         false},
        {"a faulty unused rate with no empty rate after it",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts = {QStringLiteral("0.1"), QStringLiteral("0.2"), QStringLiteral("x"),
                            QStringLiteral("0.4")};
             w = FullWeek(1);
             w.Slot(2, 2).RateClass = 2;
             w.Slot(2, 3).RateClass = 4;
         },
         {},
         false,
         {42},
         {{"Avgifter", "Avg1", "0.1"},
          {"Avgifter", "Avg2", "0.2"},
          {"Avgifter", "Avg3", kUnset},
          {"Avgifter", "Avg4", "0.4"}},
         false},
        {"a rate that is never used",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[3] = QStringLiteral("0.4");
             w = FullWeek(1);
         },
         {},
         false,
         {109},
         {{"Avgifter", "Avg1", "0.25"}, {"Avgifter", "Avg4", "0.4"}},
         false},
        {"usage package: keys but never the rate data file",
         [](TariffValues& v, TRateWeek&) {
             v = Base();
             v.RateTexts[0].clear();
             v.UsagePackage = true;
             v.PackageHours = QStringLiteral("10");
             v.PackagePrice = QStringLiteral("100,00");
             v.HourPrice = QStringLiteral("20.00");
         },
         {},
         true,
         {},
         {{"Charge", "simpel", "Ja"},
          {"Charge", "simpel_h", "10"},
          {"Charge", "simpel_$1", "100.00"},
          {"Charge", "simpel_$2", "20.00"},
          {"Session", "Må-Fre", "Ja"},
          {"Avgifter", "Avg1", kUnset}},
         false},
        {"usage package hours get no comma treatment",
         [](TariffValues& v, TRateWeek&) {
             v = Base();
             v.UsagePackage = true;
             v.PackageHours = QStringLiteral("10,5");
             v.PackagePrice = QStringLiteral("100");
             v.HourPrice = QStringLiteral("20");
             v.IndicatorOn = true;
             v.InitialChargeOn[0] = true;
             v.InitialAmounts[0] = QStringLiteral("1");
         },
         {},
         false,
         {42},
         {{"Charge", "simpel", "Ja"},
          {"Charge", "simpel_h", kUnset},
          {"Charge", "simpel_$1", kUnset},
          {"Session", "PeakSpec", "Ja"},
          {"PeakSpec", "Rate1", "Ingen"},
          {"Initial", "Rate1", "Nej"},
          {"Session", "Må-Fre", "Ja"}},
         false},
        {"indicator levels only for classes with a rate",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[2] = QStringLiteral("0.75");
             v.IndicatorOn = true;
             v.IndicatorLevels = {IndicatorLevel::Economy, IndicatorLevel::Medium,
                                  IndicatorLevel::Expensive, IndicatorLevel::Medium};
             w = FullWeek(1);
             w.Slot(5, 40).RateClass = 3;
         },
         {},
         true,
         {},
         {{"Session", "PeakSpec", "Ja"},
          {"PeakSpec", "Rate1", "Grön"},
          {"PeakSpec", "Rate2", kUnset},
          {"PeakSpec", "Rate3", "Röd"},
          {"PeakSpec", "Rate4", kUnset},
          {"Avgifter", "Avg3", "0.75"}},
         true},
        {"indicator with no rate at all is switched off, and still written on refusal",
         [](TariffValues& v, TRateWeek& w) {
             v = Base();
             v.RateTexts[0].clear();
             v.IndicatorOn = true;
             v.IndicatorLevels[1] = IndicatorLevel::Medium;
             w = FullWeek(1);
         },
         {},
         false,
         {98},
         {{"Session", "PeakSpec", "Nej"}, {"PeakSpec", "Rate1", kUnset}},
         false},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedDataDir dir;
        platform::test::ScopedFakes fakes;
        fakes.boxes.answers.assign(c.answers.begin(), c.answers.end());
        TariffValues values;
        TRateWeek week;
        c.setup(values, week);

        EXPECT_EQ(SaveTariff(values, week), c.accepted);
        EXPECT_EQ(ShownTextNumbers(fakes.boxes), c.messages);
        EXPECT_TRUE(fakes.boxes.answers.empty()) << "a scripted answer was not asked for";
        for (const auto& k : c.keys) {
            EXPECT_EQ(Read(k.section, k.key), QString::fromUtf8(k.value))
                << "[" << k.section << "] " << k.key;
        }
        const QString dta = dir.file(kRateDataFile);
        EXPECT_EQ(QFile::exists(dta), c.dataFileWritten);
        if (c.dataFileWritten) {
            TRateWeek stored;
            ASSERT_TRUE(LoadRateDataFile(stored));
            EXPECT_TRUE(SameWeek(stored, week)) << "the file holds the table as saved";
        }
    }
}

TEST_F(SaveTariffTest, NormalisedTextsAreWrittenBack) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    TariffValues v = Base();
    v.RateTexts[0] = QStringLiteral("0,25");
    v.RateTexts[1] = QStringLiteral("123456789012345678901234");
    v.InitialAmounts[2] = QStringLiteral("1,5,0");
    v.PackageHours = QStringLiteral("1,5");
    v.PackagePrice = QStringLiteral("9,90");
    v.HourPrice = QStringLiteral("2,");
    TRateWeek week = FullWeek(1);
    SaveTariff(v, week);
    EXPECT_EQ(v.RateTexts[0], "0.25");
    EXPECT_EQ(v.RateTexts[1], "12345678901234567890");
    EXPECT_EQ(v.InitialAmounts[2], "1.5,0");
    EXPECT_EQ(v.PackageHours, "1,5") << "the hours field is left as typed";
    EXPECT_EQ(v.PackagePrice, "9.90");
    EXPECT_EQ(v.HourPrice, "2.");
}

TEST_F(SaveTariffTest, FillOnOkChangesTheTableInPlace) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    TariffValues v = Base();
    v.RateTexts[1] = QStringLiteral("0.5");
    v.InitialChargeOn[1] = true;
    v.InitialAmounts[1] = QStringLiteral("1");
    TRateWeek week;
    week.Slot(2, 9) = {1, 33};
    ASSERT_TRUE(SaveTariff(v, week));
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].buttons, MessageBoxes::Buttons::NoOk);
    EXPECT_EQ(fakes.boxes.shown[0].text,
              "You haven't defined when to use rate 2. Is it ok for the whole week ?");
    for (int d = 1; d <= kDays; ++d) {
        for (int s = 1; s <= kSlots; ++s) {
            const bool kept = d == 2 && s == 9;
            ASSERT_EQ(week.Slot(d, s).RateClass, kept ? 1 : 2);
            ASSERT_EQ(week.Slot(d, s).QuarterCode, 0);
        }
    }
}

TEST_F(SaveTariffTest, NoAnswerOtherThanOkAccepts) {
    for (Answer answer : {Answer::No, Answer::Yes, Answer::Cancel}) {
        test::ScopedDataDir dir;
        platform::test::ScopedFakes fakes;
        fakes.boxes.answers.push_back(answer);
        TariffValues v = Base();
        v.InitialChargeOn[3] = true;
        v.InitialAmounts[3] = QStringLiteral("1");
        TRateWeek week;
        EXPECT_FALSE(SaveTariff(v, week));
        EXPECT_FALSE(RateClassUsed(week, 4)) << "no fill without OK";
    }
}

TEST_F(SaveTariffTest, ZeroRateIsStoredAsABlank) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    TariffValues v = Base();
    v.RateTexts = {QStringLiteral("0.00"), QStringLiteral("0.10"), QString(),
                   QStringLiteral("0.0")};
    TRateWeek week = FullWeek(1);
    week.Slot(1, 1).RateClass = 2;
    week.Slot(1, 2).RateClass = 4;
    ASSERT_TRUE(SaveTariff(v, week));
    const QString ini = dir.file(kSettingsFile);
    EXPECT_EQ(RawValue(ini, "Avgifter", "Avg1"), QByteArray(" "));
    EXPECT_EQ(RawValue(ini, "Avgifter", "Avg2"), QByteArray("0.10"));
    EXPECT_EQ(RawValue(ini, "Avgifter", "Avg3"), QByteArray(""));
    EXPECT_EQ(RawValue(ini, "Avgifter", "Avg4"), QByteArray("0.0"));
}

TEST_F(SaveTariffTest, DataFileFailurePropagatesAfterTheKeys) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    ASSERT_TRUE(QDir().mkpath(dir.file(kRateDataFile) + QStringLiteral("/x")));
    TariffValues v = Base();
    v.IndicatorOn = true;
    TRateWeek week = FullWeek(1);
    EXPECT_THROW(SaveTariff(v, week), std::runtime_error);
    EXPECT_TRUE(fakes.boxes.shown.empty());
    EXPECT_EQ(Read("Avgifter", "Avg1"), "0.25");
    EXPECT_EQ(Read("Session", "PeakSpec"), "Ja");
    EXPECT_EQ(Read("Session", "Må-Fre"), "Ja");
}

TEST_F(SaveTariffTest, UnwritableSettingsFileIsNotASuccess) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    // A directory in place of the settings file: no value can be stored.
    ASSERT_TRUE(QDir().mkpath(dir.file(kSettingsFile) + QStringLiteral("/x")));
    for (bool multiple : {false, true}) {
        TariffValues v = Base();
        v.MultipleRates = multiple;
        TRateWeek week = FullWeek(1);
        EXPECT_THROW(SaveTariff(v, week), std::runtime_error) << multiple;
        EXPECT_FALSE(QFile::exists(dir.file(kRateDataFile))) << multiple;
    }
}

TEST_F(SaveTariffTest, MessagesFollowTheLanguage) {
    for (const char* code : {"S", "SF", "UK"}) {
        test::ScopedDataDir dir;
        platform::test::ScopedFakes fakes;
        ASSERT_TRUE(SelectLanguage(QString::fromUtf8(code)));
        TariffValues v = Base();
        v.RateTexts[0] = QStringLiteral("abc");
        TRateWeek week = FullWeek(1);
        EXPECT_FALSE(SaveTariff(v, week));
        ASSERT_EQ(fakes.boxes.shown.size(), 1u) << code;
        EXPECT_EQ(fakes.boxes.shown[0].text, LoadText(94 + LanguageOffset())) << code;
        EXPECT_EQ(fakes.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok) << code;
    }
}

}  // namespace
}  // namespace vindelor
